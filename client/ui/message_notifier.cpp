#include "message_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

MessageNotifier::MessageNotifier(NotificationSink& sink, std::function<qint64()> clockMs)
    : sink_(sink), clockMs_(std::move(clockMs))
{
    elapsed_.start();
    if (!clockMs_)
        clockMs_ = [this] { return elapsed_.elapsed(); };
}

void MessageNotifier::Notify(const QString& senderKey, const QString& sender, const QString& text)
{
    const qint64 now = clockMs_();
    Recent& recent = recent_[senderKey];
    const bool join = recent.id != 0 && now - recent.lastMs <= kJoinWindowMs;
    if (!join) {
        recent.id = 0;
        recent.lines.clear();
    }
    recent.lastMs = now;
    recent.lines.append(text);
    while (recent.lines.size() > kMaxJoinedLines)
        recent.lines.removeFirst();
    sink_.Show(recent.id, sender, recent.lines.join(QLatin1Char('\n')), [this, senderKey, now](quint32 id) {
        auto it = recent_.find(senderKey);
        // A later message may have started a new notification meanwhile.
        if (it != recent_.end() && it->lastMs == now)
            it->id = id;
    });
}

bool MessageNotifier::Owns(quint32 id) const
{
    for (const Recent& recent : recent_) {
        if (recent.id == id && id != 0)
            return true;
    }
    return false;
}

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
}  // namespace

DesktopNotifications::DesktopNotifications()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    connected_ = bus.isConnected();
    if (connected_)
        bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                    SLOT(OnActionInvoked(quint32, QString)));
}

void DesktopNotifications::Show(quint32 replacesId, const QString& summary, const QString& body,
                                std::function<void(quint32 id)> shown)
{
    if (!connected_)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("quenlo"));
    hints.insert(QStringLiteral("category"), QStringLiteral("im.received"));
    // The body is plain text: escape what a markup-capable server would render.
    QString plainBody = body.toHtmlEscaped();
    call << QStringLiteral("quenlo") << replacesId << QStringLiteral("quenlo") << summary << plainBody
         << QStringList{QStringLiteral("default"), QStringLiteral("Open")} << hints << qint32(-1);
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, shown] {
        const QDBusPendingReply<quint32> reply = *watcher;
        if (!reply.isError() && shown)
            shown(reply.value());
        watcher->deleteLater();
    });
}

void DesktopNotifications::OnActionInvoked(quint32 id, const QString&)
{
    if (clicked)
        clicked(id);
}
