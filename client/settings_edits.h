// What the configuration dialog does, apart from its widgets (the buddy
// list editor's part is in buddy_list_edit.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "printer.h"

struct SessionState;
struct SettingsState;
struct UserInfo;

// The configuration dialog's fields as texts; ports as typed.
struct UserConfigValues {
    std::string screenName;
    std::string password;
    std::string oscarServer;
    std::string oscarPort;
    std::string tocServer;
    std::string tocPort;
    std::string userProfile;
    std::string logPath;
    bool logToFile = false;
    bool timestamp = false;
    bool passwordInKeyring = false;  // quenlo.ini's choice, not the record's: the caller fills it
};

// A port is typed as text; only this much of it is read as its number.
inline constexpr std::size_t kMaxPortText = 63;

UserConfigValues ReadUserConfig(const UserInfo& info);
// OK: every field back into the settings (texts cut to their room, ports by
// atoi's rules), the keyring choice kept, userinfo.cfg written, the password
// stored in or taken from the keyring, the connection re-initialised.
void ApplyUserConfig(const Printer& out, SessionState& session, SettingsState& settings, const UserConfigValues& values);
