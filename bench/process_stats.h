// Clocks and the process's own resource figures, read from the kernel.
#pragma once

#include <cstdint>
#include <string>

namespace bench {

// CLOCK_MONOTONIC in nanoseconds: comparable between processes on this machine.
std::int64_t NowNs();

struct CpuSample {
    double cpuSeconds = 0;          // user + system, all threads
    long voluntarySwitches = 0;     // the process slept and was woken
    long involuntarySwitches = 0;   // preempted
};
CpuSample SampleSelf();

// A "VmHWM"/"VmRSS"-style field of /proc/self/status, in MiB (-1 if absent).
double StatusFieldMiB(const char* field);

// This program's own path (from /proc/self/exe), or "" if unknown.
std::string ExecutablePath();

// One figure as the benchmark prints it: name, value, unit.
void PrintFigure(const std::string& name, double value, const char* unit);

}  // namespace bench
