#include "toc_socket.h"

#include <cerrno>
#include <chrono>
#include <cstdio>

#include <QCoreApplication>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

namespace tocwire {

namespace {

// Reads per notification are bounded by time, so a burst is taken in few
// turns of the event loop while a flood still cannot starve the window: the
// rest is read on the next turn, and input, paint and timers get theirs in
// between. The byte count is only a backstop for a clock that does not move.
constexpr auto kReadBudget = std::chrono::milliseconds(8);
constexpr std::size_t kMaxBytesPerTurn = 4u << 20;
// What QTcpSocket reads ahead of us. While reads are held it stops there, and
// the kernel's flow control holds the server back.
constexpr qint64 kReadAhead = 64 * 1024;

// The error number "Can't connect ..." shows, as the system would give it.
int ErrorNumber(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return ECONNREFUSED;
    case QAbstractSocket::HostNotFoundError:
        return EINVAL;
    case QAbstractSocket::SocketTimeoutError:
        return ETIMEDOUT;
    case QAbstractSocket::NetworkError:
        return ENETUNREACH;
    case QAbstractSocket::SocketAccessError:
        return EACCES;
    case QAbstractSocket::SocketResourceError:
        return EMFILE;
    case QAbstractSocket::UnsupportedSocketOperationError:
        return EAFNOSUPPORT;
    case QAbstractSocket::RemoteHostClosedError:
        return ECONNRESET;
    default:
        return EIO;
    }
}

std::string ProxyReason(QAbstractSocket::SocketError error, const ProxySetting& proxy, const QString& detail)
{
    switch (error) {
    case QAbstractSocket::ProxyConnectionRefusedError:
        return "the proxy refused the connection";
    case QAbstractSocket::ProxyNotFoundError:
        return "the proxy's host name was not found";
    case QAbstractSocket::ProxyConnectionClosedError:
        return "the proxy closed the connection";
    case QAbstractSocket::ProxyConnectionTimeoutError:
        return "the proxy did not answer in time";
    case QAbstractSocket::ProxyAuthenticationRequiredError:
        return proxy.user.empty() ? "the proxy asks for a user name and password"
                                  : "the proxy refused the user name and password";
    case QAbstractSocket::ProxyProtocolError:
        return proxy.kind == TOC_PROXY_HTTP ? "the proxy did not answer as an HTTP proxy"
                                            : "the proxy did not answer as a SOCKS5 proxy";
    case QAbstractSocket::ConnectionRefusedError:
        return "the server refused the proxy's connection";
    case QAbstractSocket::HostNotFoundError:
        return "the proxy could not find the server";
    case QAbstractSocket::NetworkError:
    case QAbstractSocket::SocketTimeoutError:
        return "the proxy could not reach the server";
    case QAbstractSocket::SocketAccessError:
        return "the proxy's rules do not allow this connection";
    default:
        return "the proxy said: " + detail.toStdString();
    }
}

QNetworkProxy ToQtProxy(const ProxySetting& proxy)
{
    // Both kinds pass the server's host name on: the proxy looks it up.
    return QNetworkProxy(proxy.kind == TOC_PROXY_HTTP ? QNetworkProxy::HttpProxy : QNetworkProxy::Socks5Proxy,
                         QString::fromStdString(proxy.host), static_cast<quint16>(proxy.port),
                         QString::fromStdString(proxy.user), QString::fromStdString(proxy.password));
}

}  // namespace

TocSocket::TocSocket(TransportEvents& events, HostResolver* resolver)
    : events_(events),
      ownResolver_(resolver == nullptr ? std::make_unique<SystemResolver>() : nullptr),
      resolver_(resolver == nullptr ? ownResolver_.get() : resolver)
{
}

TocSocket::~TocSocket()
{
    Close();
    // Without an application object the Qt objects cannot be destroyed
    // safely; the process is ending anyway.
    if (QCoreApplication::instance() != nullptr) {
        delete socket_;
        delete deadline_;
        delete lookupLimit_;
    }
}

template <typename Fn>
void TocSocket::Later(Fn fn)
{
    // Posted to the socket: gone with it, and never run for a later connection.
    QMetaObject::invokeMethod(
        socket_,
        [this, serial = serial_, fn] {
            if (serial == serial_ && open_)
                fn();
        },
        Qt::QueuedConnection);
}

void TocSocket::EnsureSocket()
{
    if (socket_ != nullptr)
        return;
    socket_ = new QTcpSocket;
    socket_->setReadBufferSize(kReadAhead);
    QObject::connect(socket_, &QTcpSocket::connected, [this] { HandleConnected(); });
    QObject::connect(socket_, &QTcpSocket::readyRead, [this] { Drain(); });
    QObject::connect(socket_, &QTcpSocket::errorOccurred,
                     [this](QAbstractSocket::SocketError error) { HandleError(error); });
    QObject::connect(socket_, &QTcpSocket::disconnected, [this] { HandleDisconnected(); });
    lookupLimit_ = new QTimer;
    lookupLimit_->setSingleShot(true);
    QObject::connect(lookupLimit_, &QTimer::timeout, [this] {
        resolver_->Cancel();
        FailConnect(ETIMEDOUT);
    });
}

int TocSocket::Connect(const std::string& host, int port)
{
    Close();
    EnsureSocket();
    ++serial_;
    host_ = host;
    port_ = port;
    addresses_.clear();
    nextAddress_ = 0;
    lastError_ = 0;
    open_ = true;
    connecting_ = true;
    ended_ = false;
    closeReported_ = false;
    // Everything, even a connect to a literal address that fails at once,
    // is reported from the event loop, after the caller has its answer.
    Later([this] { StartConnecting(); });
    return Transport::kPending;
}

void TocSocket::StartConnecting()
{
    const QString host = QString::fromStdString(host_);
    if (proxy_.Used()) {
        socket_->setProxy(ToQtProxy(proxy_));
        socket_->connectToHost(host, static_cast<quint16>(port_));
        return;
    }
    socket_->setProxy(QNetworkProxy::NoProxy);
    QHostAddress literal;
    if (literal.setAddress(host)) {
        addresses_ = {literal};
        TryNextAddress();
        return;
    }
    lookupLimit_->start(kLookupTimeLimitMs);
    resolver_->Start(host_, [this, serial = serial_](const QList<QHostAddress>& found) {
        if (serial != serial_ || !open_)
            return;
        lookupLimit_->stop();
        addresses_ = InterleaveFamilies(found);
        if (addresses_.isEmpty()) {
            FailConnect(EINVAL);  // as the system reports a name it cannot resolve
            return;
        }
        TryNextAddress();
    });
}

void TocSocket::TryNextAddress()
{
    if (nextAddress_ >= addresses_.size()) {
        FailConnect(lastError_ != 0 ? lastError_ : ECONNREFUSED);
        return;
    }
    const QHostAddress address = addresses_[nextAddress_++];
    {
        const QSignalBlocker quiet(socket_);
        socket_->abort();
    }
    socket_->connectToHost(address, static_cast<quint16>(port_));
}

void TocSocket::HandleConnected()
{
    if (!open_ || !connecting_)
        return;
    connecting_ = false;
    lookupLimit_->stop();
    const std::uint64_t serial = serial_;
    events_.OnConnectionWritable();
    if (serial != serial_ || !open_)
        return;
    if (!beforeConnect_.empty()) {
        socket_->write(beforeConnect_.data(), static_cast<qint64>(beforeConnect_.size()));
        beforeConnect_.clear();
    }
    Drain();
}

void TocSocket::HandleError(QAbstractSocket::SocketError error)
{
    if (!open_)
        return;
    if (connecting_) {
        // Qt asks that a socket be connected again only from the event loop.
        if (proxy_.Used()) {
            Later([this, error] { FailThroughProxy(error); });
        } else {
            lastError_ = ErrorNumber(error);
            Later([this] { TryNextAddress(); });
        }
        return;
    }
    // Connected: the peer closed or the connection was lost. What came
    // before still reaches the library, then the close.
    ended_ = true;
    Drain();
}

void TocSocket::HandleDisconnected()
{
    if (!open_ || connecting_)
        return;
    ended_ = true;
    Drain();
}

void TocSocket::FailConnect(int error)
{
    Close();
    events_.OnConnectFailed(error);
}

void TocSocket::FailThroughProxy(QAbstractSocket::SocketError error)
{
    char line[2600];
    std::snprintf(line, sizeof line, "Can't connect to %s on port %i through the proxy %s port %i: %s.",
                  host_.c_str(), port_, proxy_.host.c_str(), proxy_.port,
                  ProxyReason(error, proxy_, socket_->errorString()).c_str());
    Close();
    events_.OnProxyRefused(line);
}

int TocSocket::Write(std::string_view bytes)
{
    if (!open_)
        return -1;
    if (connecting_) {
        beforeConnect_.append(bytes);
        return static_cast<int>(bytes.size());
    }
    if (ended_ || socket_->state() != QAbstractSocket::ConnectedState)
        return -1;
    return static_cast<int>(socket_->write(bytes.data(), static_cast<qint64>(bytes.size())));
}

void TocSocket::ScheduleDrain()
{
    if (drainQueued_)
        return;
    drainQueued_ = true;
    // Not tied to one connection: a new one may have bytes waiting too.
    QMetaObject::invokeMethod(
        socket_,
        [this] {
            drainQueued_ = false;
            Drain();
        },
        Qt::QueuedConnection);
}

void TocSocket::Drain()
{
    if (!open_ || connecting_)
        return;
    const std::uint64_t serial = serial_;
    const auto began = std::chrono::steady_clock::now();
    std::size_t total = 0;
    // A hold taken inside a handler (a message box) stops the loop at once.
    while (readHolds_ == 0) {
        const qint64 got = socket_->read(readBuffer_.data(), static_cast<qint64>(readBuffer_.size()));
        if (got <= 0)
            break;
        total += static_cast<std::size_t>(got);
        events_.OnBytesReceived(std::string_view(readBuffer_.data(), static_cast<std::size_t>(got)));
        if (serial != serial_ || !open_)
            return;
        if (total >= kMaxBytesPerTurn || std::chrono::steady_clock::now() - began >= kReadBudget) {
            ScheduleDrain();
            return;
        }
    }
    if (readHolds_ == 0 && ended_ && !closeReported_ && socket_->bytesAvailable() == 0) {
        closeReported_ = true;
        events_.OnConnectionClosed();
    }
}

void TocSocket::HoldReads(bool hold)
{
    readHolds_ += hold ? 1 : -1;
    if (readHolds_ < 0)
        readHolds_ = 0;
    // What waited is read from the event loop, not from inside the caller.
    if (readHolds_ == 0 && open_ && socket_ != nullptr)
        ScheduleDrain();
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

void TocSocket::Close()
{
    CancelDeadline();
    resolver_->Cancel();
    if (lookupLimit_ != nullptr)
        lookupLimit_->stop();
    if (!open_)
        return;
    if (socket_ != nullptr) {
        // A last try for what is queued (a SIGNOFF just before our own close).
        if (!connecting_ && socket_->state() == QAbstractSocket::ConnectedState)
            socket_->flush();
        const QSignalBlocker quiet(socket_);
        socket_->abort();
    }
    open_ = false;
    connecting_ = false;
    ended_ = false;
    beforeConnect_.clear();
    ++serial_;
}

}  // namespace tocwire
