#include "process_stats.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>

namespace bench {

std::int64_t NowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

CpuSample SampleSelf()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    CpuSample sample;
    sample.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    sample.voluntarySwitches = usage.ru_nvcsw;
    sample.involuntarySwitches = usage.ru_nivcsw;
    return sample;
}

double StatusFieldMiB(const char* field)
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr)
        return -1;
    char line[256];
    double result = -1;
    const std::size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            long kib = 0;
            if (std::sscanf(line + length + 1, "%ld", &kib) == 1)
                result = static_cast<double>(kib) / 1024.0;
            break;
        }
    }
    std::fclose(status);
    return result;
}

std::string ExecutablePath()
{
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return {};
    return std::string(path, static_cast<std::size_t>(n));
}

void PrintFigure(const std::string& name, double value, const char* unit)
{
    std::printf("%-36s %14.3f %s\n", name.c_str(), value, unit);
    std::fflush(stdout);
}

}  // namespace bench
