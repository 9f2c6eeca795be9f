// Burst: IMs per second from the server's first write until the last line is
// in both the transcript and the pane; then every line is checked, in order,
// in the transcript, the pane and (when on) the log.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>


#include "burst_frames.h"
#include "client_context.h"
#include "process_stats.h"
#include "runs.h"
#include "server_process.h"
#include "window_client.h"

namespace bench {

namespace {

// The transcript's lines from offset on: exactly count burst lines, in order.
bool CheckTranscript(const std::string& text, std::size_t offset, std::size_t count)
{
    std::size_t at = offset;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            std::fprintf(stderr, "burst: the transcript ends after %zu of %zu lines\n", i, count);
            return false;
        }
        if (!EndsWith(std::string_view(text).substr(at, end - at), BurstLineTail(i))) {
            std::fprintf(stderr, "burst: transcript line %zu is \"%s\"\n", i, text.substr(at, end - at).c_str());
            return false;
        }
        at = end + 2;
    }
    if (at != text.size()) {
        std::fprintf(stderr, "burst: the transcript has more after the burst\n");
        return false;
    }
    return true;
}

// The pane shows the whole transcript, CR LF shown as line breaks.
bool CheckPane(WindowClient& client)
{
    std::string expected;
    for (char c : client.Context().transcript.output.Text()) {
        if (c != '\r')
            expected.push_back(c);
    }
    if (client.PaneText() != expected) {
        std::fprintf(stderr, "burst: the pane does not show the transcript\n");
        return false;
    }
    return true;
}

bool CheckLog(const std::string& path, std::string_view burstText)
{
    std::ifstream in(path, std::ios::binary);
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!EndsWith(log, burstText)) {
        std::fprintf(stderr, "burst: the log does not end with the burst's lines\n");
        return false;
    }
    return true;
}

// Runs the event loop until the last message's line is in the transcript
// and shown in the pane. Kept apart so a profiler can look at this stretch
// alone: callgrind --toggle-collect='*WaitForBurst*', or perf record
// --control fd:N -D -1 with QUENLO_BENCH_PERF_CTL=N in the environment.
[[gnu::noinline]] bool WaitForBurst(WindowClient& client, std::size_t count)
{
    const std::string lastLine = BurstLineTail(count - 1);
    const std::string lastTranscriptLine = lastLine + "\r\n";
    const std::string& transcript = client.Context().transcript.output.Text();
    const char* perfControl = std::getenv("QUENLO_BENCH_PERF_CTL");
    const int perfFd = perfControl != nullptr ? std::atoi(perfControl) : -1;
    if (perfFd > 0 && ::write(perfFd, "enable\n", 7) != 7)
        std::perror("quenlo_bench: perf control");
    const bool arrived = WindowClient::RunUntil(
        [&] { return EndsWith(transcript, lastTranscriptLine) && EndsWith(client.PaneLastLine(), lastLine); }, 30000);
    if (perfFd > 0 && ::write(perfFd, "disable\n", 8) != 8)
        std::perror("quenlo_bench: perf control");
    return arrived;
}

}  // namespace

int RunBurst(std::size_t count, bool log)
{
    if (count == 0)
        return 2;
    ServerProcess server;
    if (!server.Start()) {
        std::fprintf(stderr, "burst: the server did not start\n");
        return 1;
    }
    ClientProcess process;
    if (!process.Start("burst", server.Port(), log))
        return 1;
    WindowClient& client = process.Client();
    ClientContext& ctx = client.Context();
    const std::size_t offset = ctx.transcript.output.Length();

    const CpuSample cpuBefore = SampleSelf();
    server.RequestBurst(count);
    const bool arrived = WaitForBurst(client, count);
    const std::int64_t end = NowNs();
    const CpuSample cpuAfter = SampleSelf();
    const double peakMiB = StatusFieldMiB("VmHWM");
    const std::int64_t start = server.BurstStartNs();
    if (!arrived || start <= 0) {
        std::fprintf(stderr, "burst: the last message never arrived (transcript %zu bytes)\n",
                     ctx.transcript.output.Length());
        return 1;
    }
    // Whatever is still queued would show as extra lines.
    WindowClient::Settle(100);
    const std::string mode = log ? "log_on" : "log_off";
    bool ok = CheckTranscript(ctx.transcript.output.Text(), offset, count) && CheckPane(client);
    if (ok && log)
        ok = CheckLog(client.LogPath(), std::string_view(ctx.transcript.output.Text()).substr(offset));
    if (!ok)
        return 1;
    PrintFigure("burst." + mode + "." + std::to_string(count), static_cast<double>(count) * 1e9 / static_cast<double>(end - start),
                "IM/s");
    // CPU time of this process (the client; the server runs apart) per IM:
    // steadier than the rate when other work shares the machine.
    PrintFigure("burst." + mode + "." + std::to_string(count) + ".client_cpu",
                (cpuAfter.cpuSeconds - cpuBefore.cpuSeconds) * 1e6 / static_cast<double>(count), "us/IM");
    PrintFigure("rss_peak.after_burst." + mode + "." + std::to_string(count), peakMiB, "MiB");
    server.Stop();
    return 0;
}

}  // namespace bench
