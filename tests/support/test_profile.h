// A client's profile folder for one test, and the settings that point a
// client at the fake server.
#pragma once

#include <string>
#include <string_view>

#include "temp_dir.h"
#include "user_info.h"

// A fresh folder that the client is pointed at (ctx.settings.profile).
using ProfileFolder = TempDir;

// The test user, signing on to the fake server at 127.0.0.1:port, no time prefix.
inline void PointAtFakeServer(UserInfo& info, int port)
{
    SetFieldText(info.screenName, "Alice Test");
    SetFieldText(info.password, "secret");
    SetFieldText(info.tocServer, "127.0.0.1");
    info.tocPort = port;
    info.timestamp = 0;
}
