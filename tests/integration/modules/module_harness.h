// A client under test with user modules: the test puts libraries into the
// profile folder's "modules" (and optionally an installed folder) under the
// names a case needs, then starts the client. The recorder modules log every
// call to recorder.log and follow recorder.cfg (see tests/modules).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "client_harness.h"
#include "host_services.h"
#include "input_line.h"
#include "normalize_name.h"
#include "outgoing.h"
#include "path_in_folder.h"
#include "settings_files.h"
#include "temp_dir.h"

inline const std::string kTestModules = QUENLO_TEST_MODULE_DIR;
inline const std::string kStandardModules = QUENLO_LIB_DIR "/modules";

class ModuleHarness : public ClientHarness {
protected:
    void SetUp() override {}  // the test arranges its modules, then calls Start()

    // Settings without the time prefix, so the loader's lines read plainly too.
    void Start()
    {
        UserInfo info{};
        LoadUserInfo(info, dir.Path(kUserInfoFile));
        PointAtFakeServer(info, server.Port());
        SaveUserInfo(info, dir.Path(kUserInfoFile));
        ClientHarness::SetUp();
    }

    // A copy (its own library instance) of a built module under this name.
    // A relative folder lies in the profile folder.
    void Install(const std::string& built, const std::string& name, const std::string& folder = "modules")
    {
        const std::string target = PathInFolder(dir.Folder(), folder);
        std::filesystem::create_directories(target);
        std::filesystem::copy_file(built, target + "/" + name, std::filesystem::copy_options::overwrite_existing);
    }
    void InstallRecorder(const std::string& name, const std::string& variant = "user_recorder")
    {
        Install(kTestModules + "/" + variant + ".so", name);
    }

    static std::string Status(const std::string& text) { return "STATUS MESSAGE: " + text; }

    void Configure(const std::vector<std::string>& rules)
    {
        std::string text;
        for (const std::string& rule : rules)
            text += rule + "\n";
        WriteBytes(dir.Path("recorder.cfg"), text);
    }

    std::vector<std::string> Log() const
    {
        std::vector<std::string> lines;
        const std::string text = ReadBytes(dir.Path("recorder.log"));
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }
    // The log lines of one entry (or service result "=Service"), in order.
    std::vector<std::string> LogOf(const std::string& entry) const
    {
        std::vector<std::string> out;
        for (const std::string& line : Log()) {
            if (line.find("|" + entry + "|") != std::string::npos || line.ends_with("|" + entry))
                out.push_back(line);
        }
        return out;
    }
    void ClearLog() { std::filesystem::remove(dir.Path("recorder.log")); }

    void Type(const std::string& line)
    {
        window.input = line;
        SubmitInputLine(ctx);
    }

    // The lines after the last that equals `line` (all lines if none does).
    std::vector<std::string> LinesAfter(const std::string& line) const
    {
        const std::vector<std::string> all = LinesWithoutPresence();
        std::size_t at = 0;
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (all[i] == line)
                at = i + 1;
        }
        return {all.begin() + static_cast<std::ptrdiff_t>(at), all.end()};
    }
};
