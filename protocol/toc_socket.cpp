#include "toc_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

namespace tocwire {

namespace {

// Reads per notification are bounded by time, so a burst is taken in few
// turns of the event loop while a flood still cannot starve the window: the
// notifier fires again while bytes remain, and input, paint and timers get
// their turn in between. The clock is looked at after every chunk; the byte
// count is only a backstop for a clock that does not move.
constexpr auto kReadBudget = std::chrono::milliseconds(8);
constexpr std::size_t kMaxBytesPerNotification = 4u << 20;

bool ResolveIPv4(const std::string& host, in_addr& out)
{
    if (inet_pton(AF_INET, host.c_str(), &out) == 1)
        return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0 || result == nullptr)
        return false;
    out = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr;
    freeaddrinfo(result);
    return true;
}

}  // namespace

TocSocket::~TocSocket()
{
    Close();
    // Without an application object the notifiers cannot be destroyed
    // safely; the process is ending anyway.
    if (QCoreApplication::instance() != nullptr) {
        delete readNotifier_;
        delete writeNotifier_;
        delete deadline_;
    }
}

void TocSocket::EnsureNotifiers()
{
    if (readNotifier_ != nullptr)
        return;
    readNotifier_ = new QSocketNotifier(QSocketNotifier::Read);
    writeNotifier_ = new QSocketNotifier(QSocketNotifier::Write);
    QObject::connect(readNotifier_, &QSocketNotifier::activated, [this] { HandleReadable(); });
    QObject::connect(writeNotifier_, &QSocketNotifier::activated, [this] { HandleWritable(); });
}

int TocSocket::Connect(const std::string& host, int port)
{
    Close();
    in_addr address{};
    if (!ResolveIPv4(host, address))
        return EINVAL;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return errno;
    // The local end takes an ephemeral port chosen by the system.
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<std::uint16_t>(port));
    remote.sin_addr = address;
    int result = Transport::kPending;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0) {
        result = Transport::kConnected;
    } else if (errno != EINPROGRESS) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    fd_ = fd;
    awaitingConnect_ = true;  // the first writable notification completes the connect
    readEnded_ = false;
    EnsureNotifiers();
    readNotifier_->setSocket(fd_);
    writeNotifier_->setSocket(fd_);
    UpdateReadNotifier();
    writeNotifier_->setEnabled(true);
    return result;
}

int TocSocket::Write(std::string_view bytes)
{
    if (fd_ < 0)
        return -1;
    pending_.append(bytes);
    if (!awaitingConnect_ && !Flush())
        return -1;
    UpdateWriteNotifier();
    return static_cast<int>(bytes.size());
}

bool TocSocket::Flush()
{
    while (pendingStart_ < pending_.size()) {
        const ssize_t sent = ::send(fd_, pending_.data() + pendingStart_, pending_.size() - pendingStart_,
                                    MSG_NOSIGNAL);
        if (sent > 0) {
            pendingStart_ += static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // The connection is broken; the closed notification follows on the read side.
        pending_.clear();
        pendingStart_ = 0;
        return false;
    }
    if (pendingStart_ == pending_.size()) {
        pending_.clear();
        pendingStart_ = 0;
    } else if (pendingStart_ > (1u << 16)) {
        pending_.erase(0, pendingStart_);
        pendingStart_ = 0;
    }
    return true;
}

void TocSocket::UpdateWriteNotifier()
{
    // A write notifier fires for as long as the socket is writable: keep it
    // on only while there is something to send (or the connect to finish).
    if (writeNotifier_ != nullptr && fd_ >= 0)
        writeNotifier_->setEnabled(awaitingConnect_ || pendingStart_ < pending_.size());
}

void TocSocket::UpdateReadNotifier()
{
    if (readNotifier_ != nullptr && fd_ >= 0)
        readNotifier_->setEnabled(!awaitingConnect_ && !readEnded_ && readHolds_ == 0);
}

void TocSocket::HoldReads(bool hold)
{
    readHolds_ += hold ? 1 : -1;
    if (readHolds_ < 0)
        readHolds_ = 0;
    UpdateReadNotifier();
}

void TocSocket::ArmDeadline(int ms)
{
    if (deadline_ == nullptr) {
        deadline_ = new QTimer;
        deadline_->setSingleShot(true);
        // Never early: the host tells a silent server by the time it took.
        deadline_->setTimerType(Qt::PreciseTimer);
        QObject::connect(deadline_, &QTimer::timeout, [this] { events_.OnDeadline(); });
    }
    deadline_->start(ms);
}

void TocSocket::CancelDeadline()
{
    if (deadline_ != nullptr)
        deadline_->stop();
}

void TocSocket::HandleWritable()
{
    if (fd_ < 0)
        return;
    const std::uint64_t serial = serial_;
    if (awaitingConnect_) {
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
        if (error != 0) {
            Close();
            events_.OnConnectFailed(error);
            return;
        }
        awaitingConnect_ = false;
        UpdateReadNotifier();
        events_.OnConnectionWritable();
        if (serial != serial_ || fd_ < 0)
            return;
    }
    Flush();
    UpdateWriteNotifier();
}

void TocSocket::HandleReadable()
{
    if (fd_ < 0)
        return;
    const std::uint64_t serial = serial_;
    const auto began = std::chrono::steady_clock::now();
    std::size_t total = 0;
    // A hold taken inside a handler (a message box) stops the loop at once.
    while (readHolds_ == 0) {
        const ssize_t got = ::recv(fd_, readBuffer_.data(), readBuffer_.size(), 0);
        if (got > 0) {
            total += static_cast<std::size_t>(got);
            events_.OnBytesReceived(std::string_view(readBuffer_.data(), static_cast<std::size_t>(got)));
            if (serial != serial_ || fd_ < 0)
                return;
            if (total >= kMaxBytesPerNotification || std::chrono::steady_clock::now() - began >= kReadBudget)
                return;
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // End of stream, or the connection was reset: either way it is gone.
        readEnded_ = true;
        readNotifier_->setEnabled(false);
        writeNotifier_->setEnabled(false);
        events_.OnConnectionClosed();
        return;
    }
}

void TocSocket::Close()
{
    CancelDeadline();
    if (fd_ < 0)
        return;
    if (readNotifier_ != nullptr) {
        readNotifier_->setEnabled(false);
        writeNotifier_->setEnabled(false);
    }
    // A last try for what is queued (a SIGNOFF just before our own close).
    if (!awaitingConnect_)
        Flush();
    ::close(fd_);
    fd_ = -1;
    awaitingConnect_ = false;
    pending_.clear();
    pendingStart_ = 0;
    ++serial_;
}

}  // namespace tocwire
