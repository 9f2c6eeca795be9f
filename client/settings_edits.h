// What the two settings dialogs do, apart from their widgets.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ClientContext;
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
};

inline constexpr std::size_t kMaxEditorName = 511;
// A port is typed as text; only this much of it is read as its number.
inline constexpr std::size_t kMaxPortText = 63;

UserConfigValues ReadUserConfig(const UserInfo& info);
// OK: every field back into the settings (texts cut to their room, ports by
// atoi's rules), userinfo.cfg written, the connection re-initialised.
void ApplyUserConfig(ClientContext& ctx, const UserConfigValues& values);

// Add: true when the name was new. A name that is no valid screen name is
// refused with a status line. While not offline the server is told.
bool AddBuddyFromEditor(ClientContext& ctx, std::string_view name);
// Remove: true when an entry went. While not offline the name also leaves
// the online list and the server is told.
bool RemoveBuddyFromEditor(ClientContext& ctx, std::string_view name);
