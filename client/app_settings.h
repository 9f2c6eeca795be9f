// The settings that userinfo.cfg's fixed record has no room for, kept in
// quenlo.ini in the profile folder (an INI file through QSettings), so that
// older builds still read userinfo.cfg byte for byte.
#pragma once

#include <string>

#include "presence_settings.h"
#include "profile.h"
#include "sound_cues.h"

inline constexpr const char* kAppSettingsFile = "quenlo.ini";

struct AppSettings {
    // The password is kept in the desktop keyring, not in userinfo.cfg.
    bool passwordInKeyring = false;
    SoundChoices sounds;
    PresenceSettings presence;
};

// A missing file, or a missing or unreadable key, gives the default.
AppSettings LoadAppSettings(const Profile& profile);
// "" when written, otherwise why not.
std::string SaveAppSettings(const Profile& profile, const AppSettings& settings);
