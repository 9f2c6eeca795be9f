// Idle: the signed-on client with nothing to do. CPU time as a share of one
// core, and how often the process slept and was woken (voluntary context
// switches), over the whole process: window, library and any Qt threads.
#include <cstdio>


#include "process_stats.h"
#include "runs.h"
#include "server_process.h"
#include "window_client.h"

namespace bench {

int RunIdle(int seconds)
{
    ServerProcess server;
    if (!server.Start()) {
        std::fprintf(stderr, "idle: the server did not start\n");
        return 1;
    }
    ClientProcess process;
    if (!process.Start("idle", server.Port(), false))
        return 1;
    WindowClient::Settle(1000);
    const CpuSample before = SampleSelf();
    const std::int64_t start = NowNs();
    WindowClient::Settle(seconds * 1000);
    const CpuSample after = SampleSelf();
    const double wall = static_cast<double>(NowNs() - start) / 1e9;
    PrintFigure("idle.cpu", (after.cpuSeconds - before.cpuSeconds) / wall * 100.0, "%core");
    PrintFigure("idle.wakeups", static_cast<double>(after.voluntarySwitches - before.voluntarySwitches) / wall, "/s");
    PrintFigure("idle.preemptions", static_cast<double>(after.involuntarySwitches - before.involuntarySwitches) / wall,
                "/s");
    PrintFigure("rss.idle_signed_on", StatusFieldMiB("VmRSS"), "MiB");
    PrintFigure("rss_peak.idle_signed_on", StatusFieldMiB("VmHWM"), "MiB");
    return 0;
}

}  // namespace bench
