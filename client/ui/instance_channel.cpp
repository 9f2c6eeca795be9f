#include "instance_channel.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr char kRequest[] = "show\n";
constexpr char kReply[] = "shown\n";
constexpr qint64 kMaxRequest = 64;  // anything longer is not ours
constexpr int kRequestWaitMs = 2000;
// Out of descriptors with no peer to let go: accepting is tried again after this.
constexpr int kAcceptRetryMs = 250;
constexpr int kBacklog = 16;

QString ErrnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Empty when `path` is a folder that this user owns and no one else may
// enter; else why not. A link is followed only when asked (a shared
// temporary folder's entries are anybody's).
QString PrivateFolderProblem(const QString& path, bool followLinks)
{
    const QByteArray bytes = QFile::encodeName(path);
    struct stat info {};
    if ((followLinks ? stat(bytes.constData(), &info) : lstat(bytes.constData(), &info)) != 0)
        return path + QStringLiteral(": ") + ErrnoText(errno);
    if (!S_ISDIR(info.st_mode))
        return path + QStringLiteral(" is not a folder");
    if (info.st_uid != geteuid())
        return path + QStringLiteral(" belongs to another user");
    if ((info.st_mode & 077) != 0)
        return path + QStringLiteral(" is open to other users (mode %1)").arg(info.st_mode & 07777, 4, 8, QChar('0'));
    return {};
}

bool FitsSocketAddress(const QString& path)
{
    return static_cast<std::size_t>(QFile::encodeName(path).size()) < sizeof(sockaddr_un{}.sun_path);
}

// The user id of the process at the other end of a connected local socket, or -1.
long long PeerUid(int fd)
{
    ucred credentials {};
    socklen_t length = sizeof credentials;
    if (fd < 0 || getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return -1;
    return credentials.uid;
}

}  // namespace

QString InstanceSocketName(const std::string& profileDir, QString* problem)
{
    if (profileDir.empty() || profileDir.front() != '/')
        return {};
    const QString profile = QString::fromStdString(profileDir);
    const QString inFolder = profile + QStringLiteral("/.quenlo.socket");
    if (FitsSocketAddress(inFolder) && PrivateFolderProblem(profile, true).isEmpty())
        return inFolder;
    const QString fileName =
        QStringLiteral("/quenlo-") +
        QString::fromLatin1(
            QCryptographicHash::hash(QByteArray::fromStdString(profileDir), QCryptographicHash::Sha256).toHex().left(24)) +
        QStringLiteral(".socket");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(QLatin1Char('/')) && PrivateFolderProblem(runtime, true).isEmpty())
        return runtime + fileName;
    // A folder of our own in the shared temporary folder: made here if it is
    // missing, refused if anyone else made it or may enter it.
    const QString own = QDir::tempPath() + QStringLiteral("/quenlo-") + QString::number(geteuid());
    if (mkdir(QFile::encodeName(own).constData(), 0700) != 0 && errno != EEXIST) {
        if (problem != nullptr)
            *problem = own + QStringLiteral(": ") + ErrnoText(errno);
        return {};
    }
    if (const QString why = PrivateFolderProblem(own, false); !why.isEmpty()) {
        if (problem != nullptr)
            *problem = why;
        return {};
    }
    return own + fileName;
}

InstanceServer::InstanceServer(const QString& name, std::function<void()> show)
    : path_(QFile::encodeName(name)), show_(std::move(show))
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path_.isEmpty() || static_cast<std::size_t>(path_.size()) >= sizeof address.sun_path) {
        error_ = QStringLiteral("the socket path %1 is too long").arg(name);
        return;
    }
    std::memcpy(address.sun_path, path_.constData(), static_cast<std::size_t>(path_.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error_ = ErrnoText(errno);
        return;
    }
    // A socket an earlier run left behind; nothing else is removed.
    struct stat old {};
    if (lstat(path_.constData(), &old) == 0 && S_ISSOCK(old.st_mode))
        unlink(path_.constData());
    struct stat made {};
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        chmod(path_.constData(), 0600) != 0 || listen(fd, kBacklog) != 0 || lstat(path_.constData(), &made) != 0) {
        error_ = name + QStringLiteral(": ") + ErrnoText(errno);
        ::close(fd);
        return;
    }
    listenFd_ = fd;
    inode_ = made.st_ino;
    notifier_ = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, this);
    QObject::connect(notifier_, &QSocketNotifier::activated, this, [this] { Accept(); });
    retry_ = new QTimer(this);
    retry_->setSingleShot(true);
    QObject::connect(retry_, &QTimer::timeout, this, [this] {
        notifier_->setEnabled(true);
        Accept();
    });
}

InstanceServer::~InstanceServer()
{
    for (QLocalSocket* peer : peers_) {
        peer->disconnect(this);
        delete peer;
    }
    peers_.clear();
    if (listenFd_ < 0)
        return;
    notifier_->setEnabled(false);
    ::close(listenFd_);
    // Only the socket this server made (a later run may own the name now).
    struct stat now {};
    if (lstat(path_.constData(), &now) == 0 && now.st_ino == inode_)
        unlink(path_.constData());
}

void InstanceServer::Accept()
{
    for (;;) {
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            Take(fd);
            continue;
        }
        const int error = errno;
        if (error == EINTR || error == ECONNABORTED)
            continue;
        if (error == EAGAIN || error == EWOULDBLOCK)
            return;
        // Out of descriptors (or another passing fault): the waiting peer
        // that came first lets one go; with none, the connection waits in
        // the queue and accepting resumes a moment later. The socket keeps
        // listening whatever happens.
        if ((error == EMFILE || error == ENFILE) && !peers_.empty()) {
            Drop(peers_.front());
            continue;
        }
        notifier_->setEnabled(false);
        retry_->start(kAcceptRetryMs);
        return;
    }
}

void InstanceServer::Take(int fd)
{
    // Only this user's own processes may ask (the folder should already
    // keep everyone else out).
    if (PeerUid(fd) != static_cast<long long>(geteuid())) {
        ::close(fd);
        return;
    }
    while (peers_.size() >= static_cast<std::size_t>(kMaxWaitingPeers))
        Drop(peers_.front());
    auto* peer = new QLocalSocket(this);
    if (!peer->setSocketDescriptor(static_cast<qintptr>(fd))) {
        ::close(fd);
        delete peer;
        return;
    }
    peers_.push_back(peer);
    QObject::connect(peer, &QLocalSocket::disconnected, this, [this, peer] { Drop(peer); });
    // A peer that says nothing is dropped after a while.
    auto* timer = new QTimer(peer);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, this, [this, peer] { Drop(peer); });
    timer->start(kRequestWaitMs);
    QObject::connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
        if (!peer->canReadLine()) {
            if (peer->bytesAvailable() > kMaxRequest)
                Drop(peer);
            return;
        }
        const QByteArray line = peer->readLine(kMaxRequest + 1);
        if (line != kRequest) {
            Drop(peer);
            return;
        }
        show_();
        peer->write(kReply);
        peer->disconnectFromServer();
    });
}

void InstanceServer::Drop(QLocalSocket* peer)
{
    const auto at = std::find(peers_.begin(), peers_.end(), peer);
    if (at == peers_.end())
        return;
    peers_.erase(at);
    // Its descriptor is closed now; the object goes once its signal has run.
    peer->disconnect(this);
    peer->abort();
    peer->deleteLater();
}

bool AskRunningInstanceToShow(const QString& name, int timeoutMs)
{
    if (name.isEmpty())
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The running one may hold the lock and not listen yet: try again.
    for (;;) {
        socket.connectToServer(name);
        if (socket.waitForConnected(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1))))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(100);
    }
    // Whoever made the socket answers on it: only a process of this user is
    // the quenlo that holds the folder.
    if (PeerUid(static_cast<int>(socket.socketDescriptor())) != static_cast<long long>(geteuid())) {
        std::fprintf(stderr, "quenlo: %s is held by another user's process; it is not asked.\n",
                     QFile::encodeName(name).constData());
        return false;
    }
    socket.write(kRequest);
    if (!socket.waitForBytesWritten(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1))))
        return false;
    QByteArray reply;
    while (!reply.contains('\n') && reply.size() <= kMaxRequest) {
        if (!socket.waitForReadyRead(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1))))
            break;
        reply += socket.readAll();
    }
    return reply == kReply;
}
