#include "raw_peer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "fake_toc_server.h"

RawPeer::RawPeer(int receiveBuffer)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    // Set on the listening socket so the accepted one starts with it (the
    // window is agreed during the handshake).
    if (receiveBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return;
    }
    listenFd_ = fd;
    port_ = ntohs(address.sin_port);
}

RawPeer::~RawPeer()
{
    CloseConnection();
    if (listenFd_ >= 0)
        ::close(listenFd_);
}

bool RawPeer::WaitForConnection(int timeoutMs)
{
    if (listenFd_ < 0)
        return false;
    return faketoc::FakeTocServer::WaitFor(
        [this] {
            if (fd_ >= 0)
                return true;
            fd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            return fd_ >= 0;
        },
        timeoutMs);
}

std::size_t RawPeer::Drain()
{
    std::size_t taken = 0;
    char buffer[65536];
    while (fd_ >= 0 && !clientClosed_) {
        const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
        if (got > 0) {
            received_.append(buffer, static_cast<std::size_t>(got));
            taken += static_cast<std::size_t>(got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            clientClosed_ = true;
        break;
    }
    return taken;
}

void RawPeer::DrainWhileArriving(int quietMs)
{
    Drain();
    pollfd readable{fd_, POLLIN, 0};
    while (fd_ >= 0 && !clientClosed_ && ::poll(&readable, 1, quietMs) > 0)
        Drain();
}

bool RawPeer::WaitForBytes(std::size_t total, int timeoutMs)
{
    return faketoc::FakeTocServer::WaitFor(
        [this, total] {
            Drain();
            return received_.size() >= total;
        },
        timeoutMs);
}

bool RawPeer::Send(std::string_view bytes)
{
    while (fd_ >= 0 && !bytes.empty()) {
        const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd waiting{fd_, POLLOUT, 0};
            ::poll(&waiting, 1, 100);
            continue;
        }
        return false;
    }
    return fd_ >= 0;
}

void RawPeer::CloseConnection(bool reset)
{
    if (fd_ < 0)
        return;
    if (reset) {
        linger abortive{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    }
    ::close(fd_);
    fd_ = -1;
}

ParsedStream ParseFrames(std::string_view bytes)
{
    ParsedStream out;
    faketoc::FrameParser parser;
    parser.Append(bytes);
    faketoc::RecordedFrame frame;
    for (;;) {
        const auto status = parser.Next(frame);
        if (status == faketoc::FrameParser::Status::Frame) {
            out.frames.push_back(frame);
            continue;
        }
        out.clean = status == faketoc::FrameParser::Status::NeedMore && parser.Pending() == 0;
        return out;
    }
}
