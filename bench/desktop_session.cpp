#include "desktop_session.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "process_stats.h"

namespace bench {

namespace {

// Runs argv with its standard output (and, when toChild is given, its
// standard input) on pipes; stderr stays ours.
pid_t Spawn(const std::vector<std::string>& argv, int& fromChild, int* toChild = nullptr)
{
    int out[2];
    int in[2] = {-1, -1};
    if (::pipe(out) != 0)
        return -1;
    if (toChild != nullptr && ::pipe(in) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return -1;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        if (toChild != nullptr)
            ::dup2(in[0], STDIN_FILENO);
        for (int fd : {out[0], out[1], in[0], in[1]})
            if (fd >= 0)
                ::close(fd);
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        std::fprintf(stderr, "quenlo_bench: cannot run %s\n", args[0]);
        _exit(127);
    }
    ::close(out[1]);
    fromChild = out[0];
    if (toChild != nullptr) {
        ::close(in[0]);
        *toChild = in[1];
    }
    return pid;
}

void Stop(pid_t& pid)
{
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    pid = -1;
}

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

}  // namespace

std::string ReadLineFrom(int fd)
{
    std::string line;
    char c = 0;
    for (;;) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n')
            return line;
        line.push_back(c);
    }
}

bool DesktopSession::Start()
{
    int fd = -1;
    if (const char* given = std::getenv("QUENLO_BENCH_DISPLAY"); given != nullptr && *given != '\0') {
        display_ = given;
    } else {
        // Xvfb picks a free display number and writes it once it is ready.
        xvfb_ = Spawn({"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x1024x24"}, fd);
        const std::string number = xvfb_ > 0 ? ReadLineFrom(fd) : "";
        CloseFd(fd);
        if (number.empty()) {
            std::fprintf(stderr, "desktop: Xvfb did not start (set QUENLO_BENCH_DISPLAY to use a display)\n");
            return false;
        }
        display_ = ":" + number;
    }
    bus_ = Spawn({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address"}, fd);
    busAddress_ = bus_ > 0 ? ReadLineFrom(fd) : "";
    CloseFd(fd);
    if (busAddress_.empty()) {
        std::fprintf(stderr, "desktop: dbus-daemon did not start\n");
        return false;
    }
    ::setenv("DBUS_SESSION_BUS_ADDRESS", busAddress_.c_str(), 1);
    service_ = Spawn({ExecutablePath(), "--child", "notify_service"}, serviceOut_, &serviceIn_);
    if (service_ <= 0 || ReadLineFrom(serviceOut_) != "ready") {
        std::fprintf(stderr, "desktop: the notification service did not start\n");
        return false;
    }
    return true;
}

bool DesktopSession::TakeNotifyCounts(std::size_t& calls, std::size_t& maxPerSecond)
{
    if (service_ <= 0)
        return false;
    CloseFd(serviceIn_);
    const std::string first = ReadLineFrom(serviceOut_);
    const std::string second = ReadLineFrom(serviceOut_);
    ::waitpid(service_, nullptr, 0);
    service_ = -1;
    CloseFd(serviceOut_);
    return std::sscanf(first.c_str(), "notify_calls %zu", &calls) == 1 &&
           std::sscanf(second.c_str(), "notify_max_per_second %zu", &maxPerSecond) == 1;
}

DesktopSession::~DesktopSession()
{
    CloseFd(serviceIn_);
    if (service_ > 0)
        ::waitpid(service_, nullptr, 0);
    CloseFd(serviceOut_);
    Stop(bus_);
    Stop(xvfb_);
}

}  // namespace bench
