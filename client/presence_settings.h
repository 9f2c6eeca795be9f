// The presence settings the fixed records have no room for, kept in the
// profile's quenlo.ini (group "presence"): whether the user's idle time is
// told to the server, after how many minutes, and whether the online list
// shows offline buddies.
#pragma once

#include <string>

struct PresenceSettings {
    bool reportIdle = true;
    int idleMinutes = 10;  // 1 to 1440
    bool showOffline = false;
};

inline constexpr const char* kClientSettingsFile = "quenlo.ini";

// Missing or unreadable values keep their defaults; out-of-range ones are
// brought into range.
PresenceSettings LoadPresenceSettings(const std::string& iniPath);
// False when the file could not be written.
bool SavePresenceSettings(const std::string& iniPath, const PresenceSettings& settings);
