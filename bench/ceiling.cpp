#include "ceiling.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "burst_frames.h"
#include "process_stats.h"

namespace bench {

namespace {

// The writer: connects, writes every byte with blocking sends, then reports
// the time of its first write through the pipe.
[[noreturn]] void WriteBurst(std::uint16_t port, const std::string& blob, int reportFd)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        _exit(1);
    const std::int64_t start = NowNs();
    std::size_t sent = 0;
    while (sent < blob.size()) {
        const ssize_t n = ::send(fd, blob.data() + sent, blob.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            _exit(1);
        sent += static_cast<std::size_t>(n);
    }
    if (::write(reportFd, &start, sizeof start) != sizeof start)
        _exit(1);
    ::close(fd);
    _exit(0);
}

// Reads until count frames are split; returns the time the last one was complete.
std::int64_t SplitFrames(int fd, std::size_t count)
{
    std::vector<char> buffer(1 << 20);
    std::size_t filled = 0;
    std::size_t frames = 0;
    while (frames < count) {
        const ssize_t got = ::recv(fd, buffer.data() + filled, buffer.size() - filled, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return -1;
        filled += static_cast<std::size_t>(got);
        std::size_t at = 0;
        while (filled - at >= 6) {
            const auto* p = reinterpret_cast<const unsigned char*>(buffer.data() + at);
            if (p[0] != '*')
                return -1;
            const std::size_t length = (std::size_t{p[4]} << 8) | p[5];
            if (filled - at < 6 + length)
                break;
            at += 6 + length;
            ++frames;
        }
        std::memmove(buffer.data(), buffer.data() + at, filled - at);
        filled -= at;
    }
    return NowNs();
}

}  // namespace

double MeasureCeiling(std::size_t count)
{
    std::string blob;
    for (std::size_t i = 0; i < count; ++i)
        AppendFrame(blob, 2, static_cast<unsigned short>(i & 0xffff), ImInPayload(i));

    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 1) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (listener >= 0)
            ::close(listener);
        return -1;
    }
    int report[2];
    if (::pipe(report) != 0) {
        ::close(listener);
        return -1;
    }
    const pid_t writer = ::fork();
    if (writer == 0) {
        ::close(report[0]);
        ::close(listener);
        WriteBurst(ntohs(address.sin_port), blob, report[1]);
    }
    ::close(report[1]);
    double rate = -1;
    const int fd = writer > 0 ? ::accept(listener, nullptr, nullptr) : -1;
    if (fd >= 0) {
        const std::int64_t end = SplitFrames(fd, count);
        std::int64_t start = 0;
        if (end > 0 && ::read(report[0], &start, sizeof start) == sizeof start && end > start)
            rate = static_cast<double>(count) * 1e9 / static_cast<double>(end - start);
        ::close(fd);
    }
    if (writer > 0)
        ::waitpid(writer, nullptr, 0);
    ::close(report[0]);
    ::close(listener);
    return rate;
}

}  // namespace bench
