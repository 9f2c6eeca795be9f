// The presence settings, kept with the other settings of quenlo.ini
// (app_settings.h) in its "presence" group: whether the user's idle time is
// told to the server, after how many minutes, and whether the online list
// shows offline buddies.
#pragma once

struct PresenceSettings {
    bool reportIdle = true;
    int idleMinutes = 10;  // 1 to 1440
    bool showOffline = false;
};
