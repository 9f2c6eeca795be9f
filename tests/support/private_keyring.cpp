#include "private_keyring.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcessEnvironment>

#include <filesystem>

namespace {

constexpr const char* kConnectionName = "quenlo-private-keyring";
constexpr int kStartMs = 10000;

void Stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();  // by its own process id
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
    }
}

}  // namespace

PrivateKeyring::PrivateKeyring(bool withKeyring)
{
    if (!dir_.Ok()) {
        error_ = QStringLiteral("no temporary folder");
        return;
    }
    const QString folder = QString::fromStdString(dir_.Folder());
    const QString socket = folder + QStringLiteral("/bus");
    // A session bus without the system's service files: no daemon is ever
    // started behind the test's back.
    const QString config = folder + QStringLiteral("/bus.conf");
    QFile conf(config);
    if (!conf.open(QIODevice::WriteOnly)) {
        error_ = QStringLiteral("cannot write the bus configuration");
        return;
    }
    conf.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                              "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                              "<busconfig><type>session</type><listen>unix:path=%1</listen>"
                              "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                              "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                   .arg(socket)
                   .toUtf8());
    conf.close();
    bus_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--nofork"), QStringLiteral("--config-file=") + config});
    if (!bus_.waitForStarted()) {
        error_ = QStringLiteral("dbus-daemon could not be started");
        return;
    }
    const QDeadlineTimer deadline(kStartMs);
    while (!QFile::exists(socket) && bus_.state() == QProcess::Running && !deadline.hasExpired())
        bus_.waitForFinished(10);
    address_ = QStringLiteral("unix:path=") + socket;
    qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
    if (!withKeyring)
        return;

    const QString home = folder + QStringLiteral("/home");
    const QString runtime = folder + QStringLiteral("/run");
    std::filesystem::create_directories(home.toStdString());
    std::filesystem::create_directories(runtime.toStdString());
    std::filesystem::permissions(runtime.toStdString(), std::filesystem::perms::owner_all);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
    keyring_.setProcessEnvironment(env);
    // In the foreground, so that the process id is the daemon's own.
    keyring_.start(QStringLiteral("gnome-keyring-daemon"), {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                                                            QStringLiteral("--components=secrets")});
    if (!keyring_.waitForStarted()) {
        error_ = QStringLiteral("gnome-keyring-daemon could not be started");
        return;
    }
    keyring_.write("test password");
    keyring_.closeWriteChannel();
    if (!WaitForName(QStringLiteral("org.freedesktop.secrets")))
        error_ = QStringLiteral("the keyring did not come on the bus: ") +
                 QString::fromLocal8Bit(keyring_.readAllStandardError());
}

PrivateKeyring::~PrivateKeyring()
{
    QDBusConnection::disconnectFromBus(QString::fromLatin1(kConnectionName));
    Stop(keyring_);
    Stop(bus_);
}

bool PrivateKeyring::WaitForName(const QString& name)
{
    QDBusConnection bus = QDBusConnection::connectToBus(address_, QString::fromLatin1(kConnectionName));
    const QDeadlineTimer deadline(kStartMs);
    while (bus.isConnected() && !deadline.hasExpired()) {
        if (bus.interface()->isServiceRegistered(name))
            return true;
        if (keyring_.state() != QProcess::Running)
            return false;
        keyring_.waitForFinished(20);
    }
    return false;
}

bool PrivateKeyring::Lock()
{
    QDBusConnection bus(QString::fromLatin1(kConnectionName));
    const QString service = QStringLiteral("org.freedesktop.secrets");
    const QString path = QStringLiteral("/org/freedesktop/secrets");
    QDBusMessage get = QDBusMessage::createMethodCall(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get.setArguments({QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Collections")});
    const QDBusReply<QDBusVariant> collections = bus.call(get);
    if (!collections.isValid())
        return false;
    const auto paths = qdbus_cast<QList<QDBusObjectPath>>(collections.value().variant());
    QDBusMessage lock =
        QDBusMessage::createMethodCall(service, path, QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Lock"));
    lock.setArguments({QVariant::fromValue(paths)});
    return bus.call(lock).type() == QDBusMessage::ReplyMessage && !paths.isEmpty();
}
