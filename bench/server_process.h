// The local TOC server (server/) in a process of its
// own, so that its work is not counted as the client's. It is forked before
// the caller creates any Qt object, and driven through two pipes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace bench {

class ServerProcess {
public:
    ServerProcess() = default;
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Forks the server; it listens on 127.0.0.1 on a free port.
    bool Start();
    std::uint16_t Port() const { return port_; }
    // The server builds count IM_IN frames for its first client, then writes
    // them all into the connection as fast as the socket takes them.
    bool RequestBurst(std::size_t count);
    // The same, each message from a different sender.
    bool RequestDistinctSenders(std::size_t count);
    // The server announces count distinct buddies (UPDATE_BUDDY, online) to
    // its first client in the given order ("ascending", "descending",
    // "random"), all written as fast as the socket takes them.
    bool RequestFlood(std::size_t count, const std::string& order);
    // Waits for the server's report of when it began writing (NowNs), or -1.
    std::int64_t BurstStartNs();
    void Stop();

private:
    std::string ReadLine();

    pid_t pid_ = -1;
    int commandFd_ = -1;
    int replyFd_ = -1;
    std::uint16_t port_ = 0;
    std::string replies_;
};

}  // namespace bench
