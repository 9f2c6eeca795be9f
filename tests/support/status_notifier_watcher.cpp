#include "status_notifier_watcher.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QVariantMap>

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// The menu's layout: (id, properties, children), each child a variant holding the same.
int FindEntry(const QDBusArgument& node, const QString& label)
{
    int id = 0;
    QVariantMap properties;
    node.beginStructure();
    node >> id >> properties;
    int found = properties.value(QStringLiteral("label")).toString() == label ? id : -1;
    node.beginArray();
    while (!node.atEnd()) {
        QDBusVariant child;
        node >> child;
        const int inChild = FindEntry(child.variant().value<QDBusArgument>(), label);
        if (found < 0)
            found = inChild;
    }
    node.endArray();
    node.endStructure();
    return found;
}

}  // namespace

QString StatusNotifierWatcher::introspect(const QString&) const
{
    return QStringLiteral(
        "<interface name=\"org.kde.StatusNotifierWatcher\">"
        "<method name=\"RegisterStatusNotifierItem\"><arg name=\"service\" type=\"s\" direction=\"in\"/></method>"
        "<method name=\"RegisterStatusNotifierHost\"><arg name=\"service\" type=\"s\" direction=\"in\"/></method>"
        "<property name=\"RegisteredStatusNotifierItems\" type=\"as\" access=\"read\"/>"
        "<property name=\"IsStatusNotifierHostRegistered\" type=\"b\" access=\"read\"/>"
        "<property name=\"ProtocolVersion\" type=\"i\" access=\"read\"/>"
        "</interface>");
}

bool StatusNotifierWatcher::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    const QString member = message.member();
    if (message.interface() == kPropertiesInterface) {
        const QVariantMap all{{QStringLiteral("RegisteredStatusNotifierItems"), items_},
                              {QStringLiteral("IsStatusNotifierHostRegistered"), true},
                              {QStringLiteral("ProtocolVersion"), 0}};
        if (member == QLatin1String("GetAll"))
            return connection.send(message.createReply(QVariant::fromValue(all)));
        if (member == QLatin1String("Get") && message.arguments().size() == 2) {
            const QVariant value = all.value(message.arguments().at(1).toString());
            return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
        }
        return false;
    }
    if (member == QLatin1String("RegisterStatusNotifierItem") && message.arguments().size() == 1) {
        // An item names its bus name, or only its path (then the sender is the name).
        const QString named = message.arguments().at(0).toString();
        items_.append(named.startsWith(QLatin1Char('/')) ? message.service() : named);
        return connection.send(message.createReply());
    }
    if (member == QLatin1String("RegisterStatusNotifierHost"))
        return connection.send(message.createReply());
    return false;
}

PrivateTray::PrivateTray()
{
    if (!dir_.Ok()) {
        error_ = QStringLiteral("no temporary folder");
        return;
    }
    // Xvfb picks a free display and writes its number.
    xvfb_.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                                         QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                                         QStringLiteral("800x600x24")});
    if (!xvfb_.waitForStarted()) {
        error_ = QStringLiteral("Xvfb could not be started");
        return;
    }
    while (!xvfb_.canReadLine() && xvfb_.waitForReadyRead(10000)) {
    }
    const QByteArray number = xvfb_.readLine().trimmed();
    if (number.isEmpty()) {
        error_ = QStringLiteral("Xvfb gave no display: ") + QString::fromLocal8Bit(xvfb_.readAllStandardError());
        return;
    }
    display_ = QStringLiteral(":") + QString::fromLatin1(number);
    const QString socket = QString::fromStdString(dir_.Path("bus"));
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--address=unix:path=") + socket});
    if (!daemon_.waitForStarted()) {
        error_ = QStringLiteral("dbus-daemon could not be started");
        return;
    }
    for (int i = 0; i < 500 && !QFile::exists(socket) && daemon_.state() == QProcess::Running; ++i)
        daemon_.waitForFinished(10);
    address_ = QStringLiteral("unix:path=") + socket;
    QDBusConnection bus = QDBusConnection::connectToBus(address_, QString::fromLatin1(kConnectionName));
    if (!bus.isConnected()) {
        error_ = QStringLiteral("cannot reach the private bus: ") + bus.lastError().message();
        return;
    }
    if (!bus.registerVirtualObject(kWatcherPath, &watcher_) || !bus.registerService(kWatcherService))
        error_ = QStringLiteral("the watcher could not be registered: ") + bus.lastError().message();
}

PrivateTray::~PrivateTray()
{
    QDBusConnection::disconnectFromBus(QString::fromLatin1(kConnectionName));
    for (QProcess* process : {&daemon_, &xvfb_}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished();
        }
    }
}

bool PrivateTray::Activate(const QString& item) const
{
    QDBusMessage call = QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"),
                                                      QStringLiteral("org.kde.StatusNotifierItem"),
                                                      QStringLiteral("Activate"));
    call.setArguments({0, 0});
    return Bus().call(call).type() == QDBusMessage::ReplyMessage;
}

bool PrivateTray::ChooseMenuEntry(const QString& item, const QString& label) const
{
    const QString menuInterface = QStringLiteral("com.canonical.dbusmenu");
    const QString menuPath = QStringLiteral("/MenuBar");
    QDBusMessage layout = QDBusMessage::createMethodCall(item, menuPath, menuInterface, QStringLiteral("GetLayout"));
    layout.setArguments({0, -1, QStringList()});
    const QDBusMessage reply = Bus().call(layout);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2)
        return false;
    // Menus on the bus mark the mnemonic with '_'.
    QString busLabel = label;
    busLabel.replace(QLatin1Char('&'), QLatin1Char('_'));
    const int id = FindEntry(reply.arguments().at(1).value<QDBusArgument>(), busLabel);
    if (id < 0)
        return false;
    QDBusMessage event = QDBusMessage::createMethodCall(item, menuPath, menuInterface, QStringLiteral("Event"));
    event.setArguments({id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    return Bus().call(event).type() == QDBusMessage::ReplyMessage;
}
