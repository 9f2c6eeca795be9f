#include "startup.h"

#include <cstdio>

#include "child_process.h"
#include "settings_files.h"
#include "user_info.h"

namespace bench {

bool PrepareStartupProfile(const std::string& folder)
{
    UserInfo info{};
    SetUserInfoDefaults(info);
    SetFieldText(info.screenName, "Bench User");
    SetFieldText(info.password, "secret");
    SetFieldText(info.tocServer, "127.0.0.1");
    info.tocPort = 9898;
    return SaveUserInfo(info, folder + "/" + kUserInfoFile) &&
           SaveBuddyList("Echo Bot\nBench Friend\nAnother Friend\n", folder + "/" + kBuddyListFile);
}

StartupFigures MeasureStartup(const std::string& quenloPath, const std::string& profileFolder)
{
    const ChildRun run = RunChild({quenloPath, "--dir", profileFolder, "--startup-check"},
                                  {"QT_QPA_PLATFORM=offscreen"});
    StartupFigures figures;
    if (run.exitCode != 0 || run.lines.empty() || run.lines.front().rfind("quenlo: started", 0) != 0) {
        std::fprintf(stderr, "startup: %s did not report its start (exit %d)\n", quenloPath.c_str(), run.exitCode);
        return figures;
    }
    figures.milliseconds = static_cast<double>(run.firstLineNs - run.spawnNs) / 1e6;
    figures.peakRssMiB = run.peakRssMiB;
    return figures;
}

}  // namespace bench
