// Start-up of the real program: build/bin/quenlo, offscreen, in a profile
// whose userinfo.cfg points at 127.0.0.1, told by --startup-check
// to report once its window is up and then close.
#pragma once

#include <string>

namespace bench {

// Writes userinfo.cfg and blist.cfg into folder.
bool PrepareStartupProfile(const std::string& folder);

struct StartupFigures {
    double milliseconds = -1;  // from the fork to the program's "started" line
    double peakRssMiB = -1;
};
StartupFigures MeasureStartup(const std::string& quenloPath, const std::string& profileFolder);

}  // namespace bench
