// A client's profile folder for one test: a fresh folder made the current
// directory (the client reads and writes its files there), the previous one
// restored afterwards; and the settings that point a client at the fake server.
#pragma once

#include <string>
#include <string_view>
#include <unistd.h>

#include "temp_dir.h"
#include "user_info.h"

class ProfileFolder {
public:
    ProfileFolder()
    {
        char cwd[4096];
        if (!dir_.Ok() || getcwd(cwd, sizeof cwd) == nullptr)
            return;
        if (chdir(dir_.Path("").c_str()) == 0)
            savedCwd_ = cwd;
    }
    ~ProfileFolder() { Leave(); }
    ProfileFolder(const ProfileFolder&) = delete;
    ProfileFolder& operator=(const ProfileFolder&) = delete;

    // True once the folder exists and is the current directory.
    bool Ok() const { return !savedCwd_.empty(); }
    std::string Path(std::string_view name) const { return dir_.Path(name); }
    // Back to the directory the test started in (also done on destruction).
    void Leave()
    {
        if (!savedCwd_.empty() && chdir(savedCwd_.c_str()) == 0)
            savedCwd_.clear();
    }

private:
    TempDir dir_;
    std::string savedCwd_;
};

// The test user, signing on to the fake server at 127.0.0.1:port, no time prefix.
inline void PointAtFakeServer(UserInfo& info, int port)
{
    SetFieldText(info.screenName, "Alice Test");
    SetFieldText(info.password, "secret");
    SetFieldText(info.tocServer, "127.0.0.1");
    info.tocPort = port;
    info.timestamp = 0;
}
