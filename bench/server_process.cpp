#include "server_process.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QSocketNotifier>

#include "burst_frames.h"
#include "toc_server.h"
#include "process_stats.h"

namespace bench {

namespace {

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void SendPayloads(tocserver::TocServer& server, const std::vector<std::string>& payloads, int replyFd)
{
    const std::int64_t start = NowNs();
    const bool sent = server.SendFrames(0, tocserver::kFrameData, payloads);
    WriteAll(replyFd, sent ? "start " + std::to_string(start) + "\n" : std::string("start -1\n"));
}

// The server process: a Qt event loop with the TOC server and a notifier
// on the command pipe ("burst N", "quit"; end of file also quits).
[[noreturn]] void Serve(int commandFd, int replyFd)
{
    int argc = 1;
    char name[] = "quenlo_bench_server";
    char* argv[] = {name, nullptr};
    {
        QCoreApplication app(argc, argv);
        tocserver::TocServer server;
        if (!server.Listen()) {
            WriteAll(replyFd, "port 0\n");
            _exit(1);
        }
        WriteAll(replyFd, "port " + std::to_string(server.Port()) + "\n");
        std::string commands;
        QSocketNotifier notifier(commandFd, QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
            char chunk[256];
            const ssize_t n = ::read(commandFd, chunk, sizeof chunk);
            if (n <= 0) {
                notifier.setEnabled(false);
                QCoreApplication::quit();
                return;
            }
            commands.append(chunk, static_cast<std::size_t>(n));
            std::size_t end;
            while ((end = commands.find('\n')) != std::string::npos) {
                const std::string line = commands.substr(0, end);
                commands.erase(0, end + 1);
                if (line.rfind("senders ", 0) == 0) {
                    std::vector<std::string> payloads;
                    for (std::size_t i = 0, count = std::strtoull(line.c_str() + 8, nullptr, 10); i < count; ++i)
                        payloads.push_back(DistinctSenderPayload(i));
                    SendPayloads(server, payloads, replyFd);
                } else if (line.rfind("burst ", 0) == 0) {
                    std::vector<std::string> payloads;
                    for (std::size_t i = 0, count = std::strtoull(line.c_str() + 6, nullptr, 10); i < count; ++i)
                        payloads.push_back(ImInPayload(i));
                    SendPayloads(server, payloads, replyFd);
                } else if (line.rfind("flood ", 0) == 0) {
                    // "flood COUNT ORDER"
                    char* after = nullptr;
                    const std::size_t count = std::strtoull(line.c_str() + 6, &after, 10);
                    FloodOrder order = FloodOrder::Ascending;
                    std::vector<std::string> payloads;
                    if (*after == ' ' && ParseFloodOrder(after + 1, order)) {
                        for (std::size_t i : FloodSequence(count, order))
                            payloads.push_back(UpdateBuddyPayload(FloodName(i)));
                    }
                    SendPayloads(server, payloads, replyFd);
                } else if (line == "quit") {
                    QCoreApplication::quit();
                }
            }
        });
        QCoreApplication::exec();
    }
    _exit(0);
}

}  // namespace

ServerProcess::~ServerProcess()
{
    Stop();
}

bool ServerProcess::Start()
{
    int command[2];
    int reply[2];
    if (::pipe(command) != 0)
        return false;
    if (::pipe(reply) != 0) {
        ::close(command[0]);
        ::close(command[1]);
        return false;
    }
    std::fflush(stdout);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::close(command[1]);
        ::close(reply[0]);
        Serve(command[0], reply[1]);
    }
    ::close(command[0]);
    ::close(reply[1]);
    commandFd_ = command[1];
    replyFd_ = reply[0];
    if (pid_ < 0)
        return false;
    const std::string line = ReadLine();
    if (line.rfind("port ", 0) != 0)
        return false;
    port_ = static_cast<std::uint16_t>(std::atoi(line.c_str() + 5));
    return port_ != 0;
}

bool ServerProcess::RequestBurst(std::size_t count)
{
    return commandFd_ >= 0 && WriteAll(commandFd_, "burst " + std::to_string(count) + "\n");
}

bool ServerProcess::RequestDistinctSenders(std::size_t count)
{
    return commandFd_ >= 0 && WriteAll(commandFd_, "senders " + std::to_string(count) + "\n");
}

bool ServerProcess::RequestFlood(std::size_t count, const std::string& order)
{
    return commandFd_ >= 0 && WriteAll(commandFd_, "flood " + std::to_string(count) + " " + order + "\n");
}

std::int64_t ServerProcess::BurstStartNs()
{
    const std::string line = ReadLine();
    if (line.rfind("start ", 0) != 0)
        return -1;
    return std::atoll(line.c_str() + 6);
}

std::string ServerProcess::ReadLine()
{
    std::size_t end;
    while ((end = replies_.find('\n')) == std::string::npos) {
        char chunk[256];
        const ssize_t n = ::read(replyFd_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return {};
        replies_.append(chunk, static_cast<std::size_t>(n));
    }
    std::string line = replies_.substr(0, end);
    replies_.erase(0, end + 1);
    return line;
}

void ServerProcess::Stop()
{
    if (commandFd_ >= 0) {
        WriteAll(commandFd_, "quit\n");
        ::close(commandFd_);
        commandFd_ = -1;
    }
    if (replyFd_ >= 0) {
        ::close(replyFd_);
        replyFd_ = -1;
    }
    if (pid_ > 0) {
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

}  // namespace bench
