// Black box: what a user would feel, seen from outside the client. The
// client runs in a process of its own, in its plain event loop, with its log
// on in a temporary folder; the server writes count IM_IN frames, each from
// a different sender; measured is the time from the server's first write
// until the count-th of those lines is in the log file, as this process sees
// the file grow. Afterwards the log's lines are checked, in order.
//
// The client runs in a real window on an X display with a notification
// service on its session bus (desktop_session.h): either its window is the
// active one, or another window is (the user is elsewhere when the burst
// comes). The floor is the same run with a bare C reader (c_floor.c) in the
// client's place.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <string>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <QSocketNotifier>
#include <QWidget>

#include "burst_frames.h"
#include "child_process.h"
#include "desktop_session.h"
#include "process_stats.h"
#include "runs.h"
#include "server_process.h"
#include "temp_folder.h"
#include "window_client.h"

namespace bench {

namespace {

// The client process: signs on with its log on, says "ready LOGPATH", then
// runs its event loop until its standard input closes.
struct ClientChild {
    pid_t pid = -1;
    int toChild = -1;    // its standard input
    int fromChild = -1;  // its standard output
};

bool SpawnClient(const std::vector<std::string>& argv, ClientChild& child)
{
    int in[2];
    int out[2];
    if (::pipe(in) != 0)
        return false;
    if (::pipe(out) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return false;
    }
    std::fflush(stdout);
    child.pid = ::fork();
    if (child.pid == 0) {
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        for (int fd : {in[0], in[1], out[0], out[1]})
            ::close(fd);
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        _exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    child.toChild = in[1];
    child.fromChild = out[0];
    return child.pid > 0;
}

// Closes the client's input (it quits, the floor is ended by the server's
// close) and returns what it printed last: the client's peak memory.
std::string StopClient(ClientChild& child)
{
    if (child.toChild >= 0)
        ::close(child.toChild);
    std::string last;
    if (child.fromChild >= 0) {
        last = ReadLineFrom(child.fromChild);
        ::close(child.fromChild);
    }
    if (child.pid > 0)
        ::waitpid(child.pid, nullptr, 0);
    child = ClientChild{};
    return last;
}

// Follows a growing file and counts its line ends.
class LogFollower {
public:
    explicit LogFollower(const std::string& path) : path_(path)
    {
        inotify_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (inotify_ >= 0)
            ::inotify_add_watch(inotify_, path.c_str(), IN_MODIFY);
        file_.open(path, std::ios::binary);
        ReadNew();
    }
    ~LogFollower()
    {
        if (inotify_ >= 0)
            ::close(inotify_);
    }
    bool Ok() const { return inotify_ >= 0 && file_.is_open(); }
    std::size_t Lines() const { return lines_; }
    // Waits until the file holds at least target lines; false after timeoutMs.
    bool WaitForLines(std::size_t target, int timeoutMs)
    {
        const std::int64_t deadline = NowNs() + std::int64_t{timeoutMs} * 1'000'000;
        while (ReadNew() < target) {
            const std::int64_t left = deadline - NowNs();
            if (left <= 0)
                return false;
            pollfd ready{inotify_, POLLIN, 0};
            if (::poll(&ready, 1, static_cast<int>(left / 1'000'000) + 1) > 0) {
                char events[4096];
                while (::read(inotify_, events, sizeof events) > 0) {
                }
            }
        }
        return true;
    }

private:
    std::size_t ReadNew()
    {
        char chunk[65536];
        file_.clear();
        for (;;) {
            file_.read(chunk, sizeof chunk);
            const std::streamsize n = file_.gcount();
            if (n <= 0)
                break;
            for (std::streamsize i = 0; i < n; ++i)
                lines_ += chunk[i] == '\n' ? 1 : 0;
        }
        return lines_;
    }

    std::string path_;
    int inotify_ = -1;
    std::ifstream file_;
    std::size_t lines_ = 0;
};

// The log's last count lines are the burst's, in order.
bool CheckLog(const std::string& path, std::size_t count)
{
    std::ifstream in(path, std::ios::binary);
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t end = log.size();
    for (std::size_t i = count; i-- > 0;) {
        if (end < 2 || log.compare(end - 2, 2, "\r\n") != 0) {
            std::fprintf(stderr, "blackbox: the log ends early at message %zu\n", i);
            return false;
        }
        const std::size_t start = log.rfind('\n', end - 3);
        const std::size_t from = start == std::string::npos ? 0 : start + 1;
        if (!EndsWith(std::string_view(log).substr(from, end - 2 - from), DistinctSenderLineTail(i))) {
            std::fprintf(stderr, "blackbox: log line %zu is \"%s\"\n", i, log.substr(from, end - 2 - from).c_str());
            return false;
        }
        end = from;
    }
    return true;
}

}  // namespace

int RunBlackBoxClient(int port, bool active)
{
    ClientProcess process;
    if (!process.Start("blackbox", port, true))
        return 1;
    MainDialog& window = process.Client().Window();
    // Another program's window in front, as when the user is elsewhere.
    QWidget elsewhere;
    elsewhere.setWindowTitle(QStringLiteral("Elsewhere"));
    if (active) {
        window.activateWindow();
    } else {
        elsewhere.show();
        elsewhere.activateWindow();
    }
    if (!WindowClient::RunUntil([&] { return window.isActiveWindow() == active && (active || elsewhere.isActiveWindow()); },
                                5000)) {
        std::fprintf(stderr, "blackbox: the window did not become %s\n", active ? "active" : "inactive");
        return 1;
    }
    std::printf("ready %s\n", process.Client().LogPath().c_str());
    std::fflush(stdout);
    // Nothing of the benchmark runs in here from now on: the window's own loop.
    RunUntilStdinCloses();
    std::printf("%.1f\n", StatusFieldMiB("VmHWM"));
    std::fflush(stdout);
    return 0;
}

int RunBlackBox(std::size_t count, const std::string& who)
{
    const bool floor = who == "c_floor";
    if (count == 0 || (!floor && who != "active" && who != "inactive"))
        return 2;
    // The desktop first: nothing of it is timed.
    DesktopSession desktop;
    if (!floor) {
        if (!desktop.Start())
            return 1;
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::setenv("DISPLAY", desktop.Display().c_str(), 1);
    }
    ServerProcess server;
    if (!server.Start()) {
        std::fprintf(stderr, "blackbox: the server did not start\n");
        return 1;
    }
    const std::string self = ExecutablePath();
    TempFolder floorFolder;
    const std::vector<std::string> argv =
        floor ? std::vector<std::string>{self.substr(0, self.rfind('/')) + "/quenlo_c_floor",
                                         std::to_string(server.Port()), floorFolder.Path() + "/floor_log.txt"}
              : std::vector<std::string>{self, "--child", "blackbox_client", std::to_string(server.Port()), who};
    ClientChild client;
    if (!SpawnClient(argv, client)) {
        std::fprintf(stderr, "blackbox: the client did not start\n");
        return 1;
    }
    const std::string ready = ReadLineFrom(client.fromChild);
    if (ready.rfind("ready ", 0) != 0) {
        std::fprintf(stderr, "blackbox: the client did not sign on\n");
        StopClient(client);
        return 1;
    }
    const std::string logPath = ready.substr(6);
    LogFollower log(logPath);
    if (!log.Ok()) {
        std::fprintf(stderr, "blackbox: cannot follow %s\n", logPath.c_str());
        StopClient(client);
        return 1;
    }
    const std::size_t before = log.Lines();
    server.RequestDistinctSenders(count);
    const std::int64_t start = server.BurstStartNs();
    const bool arrived = start > 0 && log.WaitForLines(before + count, 60000);
    const std::int64_t end = NowNs();
    const bool ok = arrived && CheckLog(logPath, count);
    if (!arrived)
        std::fprintf(stderr, "blackbox: the log holds %zu of %zu lines\n", log.Lines() - before, count);
    // A notification update that waits for its turn comes within a second.
    if (ok && !floor)
        ::usleep(1'200'000);
    server.Stop();  // the floor runs until the server closes
    const std::string peak = StopClient(client);
    if (!ok)
        return 1;
    const std::string suffix = floor ? ".c_floor" : who == "inactive" ? ".inactive" : "";
    const std::string name = "blackbox.distinct_senders." + std::to_string(count) + suffix;
    PrintFigure(name + ".logged", static_cast<double>(end - start) / 1e6, "ms");
    PrintFigure(name, static_cast<double>(count) * 1e9 / static_cast<double>(end - start), "IM/s");
    if (!floor && !peak.empty())
        PrintFigure("rss_peak.blackbox." + std::to_string(count) + suffix, std::atof(peak.c_str()), "MiB");
    std::size_t calls = 0;
    std::size_t perSecond = 0;
    if (!floor && desktop.TakeNotifyCounts(calls, perSecond)) {
        PrintFigure(name + ".notify_calls", static_cast<double>(calls), "calls");
        PrintFigure(name + ".notify_max_per_second", static_cast<double>(perSecond), "calls");
    }
    return 0;
}

}  // namespace bench
