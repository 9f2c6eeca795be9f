#include "child_process.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "process_stats.h"

namespace bench {

ChildRun RunChild(const std::vector<std::string>& argv, const std::vector<std::string>& env, int timeoutSeconds)
{
    ChildRun run;
    int out[2];
    if (argv.empty() || ::pipe(out) != 0)
        return run;
    std::fflush(stdout);
    std::fflush(stderr);
    run.spawnNs = NowNs();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        for (const std::string& entry : env)
            ::putenv(const_cast<char*>(entry.c_str()));
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        std::fprintf(stderr, "quenlo_bench: cannot run %s\n", args[0]);
        _exit(127);
    }
    ::close(out[1]);
    if (pid < 0) {
        ::close(out[0]);
        return run;
    }
    std::string pending;
    char chunk[4096];
    const std::int64_t deadline = run.spawnNs + std::int64_t{timeoutSeconds} * 1'000'000'000;
    for (;;) {
        const std::int64_t left = deadline - NowNs();
        if (left <= 0) {
            std::fprintf(stderr, "quenlo_bench: %s took longer than %d s; stopped\n", argv[0].c_str(), timeoutSeconds);
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd ready{out[0], POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left / 1'000'000) + 1) <= 0)
            continue;  // the deadline (or a signal): checked above
        const ssize_t n = ::read(out[0], chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        pending.append(chunk, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            if (run.firstLineNs < 0)
                run.firstLineNs = NowNs();
            run.lines.push_back(pending.substr(0, end));
            pending.erase(0, end + 1);
        }
    }
    ::close(out[0]);
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    run.peakRssMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return run;
}

void RunUntilStdinCloses()
{
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&input] {
        char c;
        if (::read(STDIN_FILENO, &c, 1) <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    QCoreApplication::exec();
}

}  // namespace bench
