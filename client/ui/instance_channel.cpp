#include "instance_channel.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>

#include <sys/un.h>

namespace {

constexpr char kRequest[] = "show\n";
constexpr char kReply[] = "shown\n";
constexpr qint64 kMaxRequest = 64;  // anything longer is not ours
constexpr int kRequestWaitMs = 2000;

}  // namespace

QString InstanceSocketName(const std::string& profileDir)
{
    if (profileDir.empty() || profileDir.front() != '/')
        return {};
    const QString inFolder = QString::fromStdString(profileDir) + QStringLiteral("/.quenlo.socket");
    if (static_cast<std::size_t>(inFolder.toLocal8Bit().size()) < sizeof(sockaddr_un{}.sun_path))
        return inFolder;
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(profileDir), QCryptographicHash::Sha256).toHex().left(24);
    return runtime + QStringLiteral("/quenlo-") + QString::fromLatin1(hash) + QStringLiteral(".socket");
}

InstanceServer::InstanceServer(const QString& name, std::function<void()> show)
    : server_(new QLocalServer(this)), show_(std::move(show))
{
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(name);
    server_->listen(name);
    QObject::connect(server_, &QLocalServer::newConnection, this, [this] { Serve(); });
}

bool InstanceServer::Listening() const
{
    return server_->isListening();
}

QString InstanceServer::ErrorText() const
{
    return server_->errorString();
}

void InstanceServer::Serve()
{
    while (QLocalSocket* peer = server_->nextPendingConnection()) {
        QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        // A peer that says nothing is dropped after a while.
        auto* timer = new QTimer(peer);
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, peer, [peer] { peer->abort(); });
        timer->start(kRequestWaitMs);
        QObject::connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
            if (!peer->canReadLine()) {
                if (peer->bytesAvailable() > kMaxRequest)
                    peer->abort();
                return;
            }
            const QByteArray line = peer->readLine(kMaxRequest + 1);
            if (line != kRequest) {
                peer->abort();
                return;
            }
            show_();
            peer->write(kReply);
            peer->disconnectFromServer();
        });
    }
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
