// Running a program as a child process: its standard output collected line
// by line, when its first line came, and its peak memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct ChildRun {
    int exitCode = -1;            // -1 when it did not exit normally
    std::vector<std::string> lines;
    std::int64_t spawnNs = 0;     // NowNs just before the fork
    std::int64_t firstLineNs = -1;
    double peakRssMiB = 0;        // the child's maximum resident set
};

// argv[0] is the program's path; env entries ("NAME=value") are added to
// ours. A child still running after timeoutSeconds is killed (exitCode -1).
ChildRun RunChild(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                  int timeoutSeconds = 90);

// In a child: runs the Qt event loop until the parent closes our standard
// input (its way of saying "stop").
void RunUntilStdinCloses();

}  // namespace bench
