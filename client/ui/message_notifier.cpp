#include "message_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <algorithm>

#include "display_text.h"
#include "normalize_name.h"
#include "transcript.h"

namespace {

// FNV-1a over the normalised name (blanks left out, A-Z lowered), without
// building it: the sender table holds only this.
quint64 NameHash(std::string_view name)
{
    quint64 hash = 14695981039346656037ull;
    for (char c : name) {
        if (c == ' ')
            continue;
        hash ^= static_cast<unsigned char>(quenlo_detail::LowerAscii(c));
        hash *= 1099511628211ull;
    }
    return hash;
}

QString ShownText(std::string_view text)
{
    return DisplayText(StripMarkup(text));
}

}  // namespace

MessageNotifier::MessageNotifier(NotificationSink& sink, std::function<qint64()> clockMs)
    : sink_(sink), clockMs_(std::move(clockMs))
{
    elapsed_.start();
    if (!clockMs_)
        clockMs_ = [this] { return elapsed_.elapsed(); };
    turn_.setSingleShot(true);
    QObject::connect(&turn_, &QTimer::timeout, &turn_, [this] { EndTurn(); });
}

void MessageNotifier::Add(std::string_view sender, std::string_view text)
{
    if (!inTurn_) {
        // Once per turn: the clock, whether the user looks, the timer.
        inTurn_ = true;
        turnLooking_ = looking && looking();
        turn_.start(0);
        if (turnLooking_)
            return;
        turnMs_ = clockMs_();
        if (turnMs_ - current_.lastMessageMs > kJoinWindowMs && !current_.showing)
            StartAfresh();
    }
    if (turnLooking_)
        return;
    pending_ = true;
    if (current_.messages++ == 0)
        current_.firstKey.assign(sender);
    current_.lastMessageMs = turnMs_;
    // Who they are is counted when a notification is about to show (at most
    // once a second), not in the middle of a burst.
    heard_.push_back(Heard{NameHash(sender), turnMs_});
    Line& line = current_.lines[current_.nextLine];
    current_.nextLine = (current_.nextLine + 1) % kMaxJoinedLines;
    line.sender.assign(sender);
    line.text.assign(text);
}

void MessageNotifier::EndTurn()
{
    if (inTurn_) {
        inTurn_ = false;
        if (turnLooking_)
            return;
        if (unseen)
            unseen();
    }
    if (!pending_ || current_.showing)
        return;  // an update in flight looks again once it is answered
    const qint64 now = clockMs_();
    if (now - lastShowMs_ < kMinUpdateMs) {
        turn_.start(static_cast<int>(lastShowMs_ + kMinUpdateMs - now));
        return;
    }
    CountPeople();
    Prune(now);
    Show(now);
}

void MessageNotifier::StartAfresh()
{
    current_ = Current{};
    senders_.clear();
    heard_.clear();
    sizeAfterPrune_ = 0;
}

void MessageNotifier::CountPeople()
{
    for (const Heard& heard : heard_) {
        const qsizetype before = senders_.size();
        senders_.insert(heard.nameHash, heard.ms);
        if (senders_.size() != before)
            ++current_.people;
    }
    // A burst's worth of room is not kept for the quiet that follows.
    if (heard_.capacity() > kKeptHeardRoom)
        std::vector<Heard>().swap(heard_);
    else
        heard_.clear();
}

void MessageNotifier::Prune(qint64 now)
{
    if (senders_.size() <= 2 * sizeAfterPrune_ + 64 && now - prunedMs_ < kJoinWindowMs)
        return;
    senders_.removeIf([now](const auto& sender) { return now - sender.value() > kJoinWindowMs; });
    sizeAfterPrune_ = senders_.size();
    prunedMs_ = now;
}

void MessageNotifier::Show(qint64 now)
{
    current_.showing = true;
    pending_ = false;
    lastShowMs_ = now;
    current_.request = ++nextRequest_;
    const std::size_t count = std::min<std::size_t>(current_.messages, kMaxJoinedLines);
    const bool onePerson = current_.people <= 1;
    QString summary;
    QStringList lines;
    for (std::size_t i = 0; i < count; ++i) {
        const Line& line = current_.lines[(current_.nextLine + kMaxJoinedLines - count + i) % kMaxJoinedLines];
        if (onePerson) {
            summary = DisplayText(line.sender);
            lines.append(ShownText(line.text));
        } else {
            lines.append(DisplayText(line.sender) + QStringLiteral(": ") + ShownText(line.text));
        }
    }
    if (!onePerson)
        summary = QStringLiteral("%1 messages from %2 people").arg(current_.messages).arg(current_.people);
    const quint64 request = current_.request;
    sink_.Show(current_.id, summary, lines.join(QLatin1Char('\n')), [this, request](quint32 id) {
        if (request != current_.request) {
            // Withdrawn while it was being put up.
            if (id != 0)
                sink_.Close(id);
            return;
        }
        current_.showing = false;
        // The next update counts its second from the answer: a request that
        // left late (a busy turn) is not followed by one too soon.
        lastShowMs_ = std::max(lastShowMs_, clockMs_());
        if (id == 0)
            return;
        current_.id = id;
        shown_.insert(id, current_.people <= 1 ? current_.firstKey : std::string());
        if (pending_)
            turn_.start(0);  // changes that came meanwhile, in their time
    });
}

void MessageNotifier::WithdrawAll()
{
    const QHash<quint32, std::string> shown = std::exchange(shown_, {});
    StartAfresh();
    pending_ = false;
    inTurn_ = false;
    turn_.stop();
    for (auto it = shown.keyBegin(); it != shown.keyEnd(); ++it)
        sink_.Close(*it);
}

void MessageNotifier::Forget(quint32 id)
{
    shown_.remove(id);
    if (current_.id == id && !current_.showing)
        StartAfresh();
}

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
}  // namespace

DesktopNotifications::DesktopNotifications() = default;

// On first use, so a client that never notifies never opens the bus.
bool DesktopNotifications::Connected()
{
    if (tried_)
        return connected_;
    tried_ = true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    connected_ = bus.isConnected();
    if (connected_) {
        bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                    SLOT(OnActionInvoked(quint32, QString)));
        bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                    SLOT(OnNotificationClosed(quint32, quint32)));
    }
    return connected_;
}

void DesktopNotifications::Show(quint32 replacesId, const QString& summary, const QString& body,
                                std::function<void(quint32 id)> shown)
{
    if (!Connected()) {
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
    if (!Connected())
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

