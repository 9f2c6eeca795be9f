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
    // A notification still being put up counts as there: messages that come
    // back to back join it instead of each starting one.
    const bool join = (recent.id != 0 || recent.showing) && now - recent.lastMs <= kJoinWindowMs;
    if (!join)
        recent = Recent{};
    recent.lastMs = now;
    recent.sender = sender;
    recent.lines.append(text);
    while (recent.lines.size() > kMaxJoinedLines)
        recent.lines.removeFirst();
    if (recent.showing) {
        recent.changed = true;  // shown as an update once the id is known
        return;
    }
    ShowRecent(senderKey);
}

void MessageNotifier::ShowRecent(const QString& senderKey)
{
    Recent& recent = recent_[senderKey];
    recent.showing = true;
    recent.changed = false;
    recent.request = ++nextRequest_;
    const quint64 request = recent.request;
    sink_.Show(recent.id, recent.sender, recent.lines.join(QLatin1Char('\n')), [this, senderKey, request](quint32 id) {
        auto it = recent_.find(senderKey);
        if (it == recent_.end()) {
            // Withdrawn while it was being put up.
            if (id != 0)
                sink_.Close(id);
            return;
        }
        if (id != 0)
            shown_.insert(id);
        // A later message may have started a new notification meanwhile.
        if (it->request != request)
            return;
        it->showing = false;
        if (id != 0)
            it->id = id;
        if (it->changed)
            ShowRecent(senderKey);
    });
}

void MessageNotifier::WithdrawAll()
{
    const QSet<quint32> shown = std::exchange(shown_, {});
    recent_.clear();
    for (quint32 id : shown)
        sink_.Close(id);
}

void MessageNotifier::Forget(quint32 id)
{
    shown_.remove(id);
    for (Recent& recent : recent_) {
        if (recent.id == id && !recent.showing)
            recent = Recent{};
    }
}

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
}  // namespace

DesktopNotifications::DesktopNotifications()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    connected_ = bus.isConnected();
    if (connected_) {
        bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                    SLOT(OnActionInvoked(quint32, QString)));
        bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                    SLOT(OnNotificationClosed(quint32, quint32)));
    }
}

void DesktopNotifications::Show(quint32 replacesId, const QString& summary, const QString& body,
                                std::function<void(quint32 id)> shown)
{
    if (!connected_) {
        shown(0);
        return;
    }
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
        shown(reply.isError() ? 0 : reply.value());
        watcher->deleteLater();
    });
}

void DesktopNotifications::Close(quint32 id)
{
    if (!connected_)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("CloseNotification"));
    call << id;
    QDBusConnection::sessionBus().call(call, QDBus::NoBlock);
}

void DesktopNotifications::OnActionInvoked(quint32 id, const QString&)
{
    if (clicked)
        clicked(id);
}

void DesktopNotifications::OnNotificationClosed(quint32 id, quint32)
{
    if (closed)
        closed(id);
}

QString MessageNotifier::SenderOf(quint32 id) const
{
    for (auto it = recent_.cbegin(); it != recent_.cend(); ++it) {
        if (it->id == id && id != 0)
            return it->sender;
    }
    return {};
}
