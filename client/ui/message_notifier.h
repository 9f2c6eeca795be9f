// Desktop notifications for instant messages that arrive while the user is
// not looking at the window. Messages within a few seconds of each other
// update one notification instead of stacking new ones, and all of them are
// withdrawn once the user is back in the window.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Where notifications go: the desktop's notification service in the
// program, a recorder in tests. Show calls shown with the notification's id,
// or with 0 when none was shown; replacesId 0 asks for a new one.
class NotificationSink {
public:
    virtual ~NotificationSink() = default;
    virtual void Show(quint32 replacesId, const QString& summary, const QString& body,
                      std::function<void(quint32 id)> shown) = 0;
    virtual void Close(quint32 id) = 0;
    // Called with an id when the user clicks that notification.
    std::function<void(quint32 id)> clicked;
    // Called with an id when the service closed it (expired or dismissed).
    std::function<void(quint32 id)> closed;
};

// Messages are counted as they come and decided on once per turn of the
// event loop, so a burst costs a few additions per message and one
// notification. While messages keep coming (none more than kJoinWindowMs
// after the one before) they join the same notification: one sender's shows
// their latest lines under their name; messages from several people show a
// summary ("37 messages from 12 people"). A notification is updated at most
// once per kMinUpdateMs; later changes wait for their time.
class MessageNotifier {
public:
    static constexpr qint64 kJoinWindowMs = 5000;
    static constexpr qint64 kMinUpdateMs = 1000;
    static constexpr int kMaxJoinedLines = 5;

    explicit MessageNotifier(NotificationSink& sink, std::function<qint64()> clockMs = {});
    // A message the user may not have seen; text still has its markup.
    void Add(std::string_view sender, std::string_view text);
    // The turn's decision (the turn timer calls it; tests call it directly).
    void EndTurn();
    // Whether this id is one of ours (a click on it should raise the window).
    bool Owns(quint32 id) const { return id != 0 && shown_.contains(id); }
    // Whose messages notification id holds: the sender's name (as spelt) when
    // they are one person's (a click may open that conversation), "" for a
    // summary of several people or an id not ours.
    std::string SenderOf(quint32 id) const { return shown_.value(id); }
    // The user is back in the window: every notification of ours goes.
    void WithdrawAll();
    // The service closed this one: the next message starts afresh.
    void Forget(quint32 id);
    // Asked at the end of each turn: whether the user is looking at the
    // messages (then none is shown). Absent: never.
    std::function<bool()> looking;
    // Called once per turn in which messages came that the user did not see.
    std::function<void()> unseen;

private:
    struct Line {
        std::string sender;
        std::string text;
    };
    // The notification being gathered: shown, being put up, or not yet.
    struct Current {
        quint32 id = 0;
        bool showing = false;     // asked for, the id not yet known
        quint64 request = 0;      // which request the next answer belongs to
        qint64 lastMessageMs = -kJoinWindowMs - 1;
        qint64 lastShownMs = 0;
        std::size_t messages = 0;
        std::size_t people = 0;
        std::string firstKey;     // the first sender, as the server spelt the name
        Line lines[kMaxJoinedLines];
        std::size_t nextLine = 0; // where the next line goes in the ring
    };
    // A message's sender, by a hash of their normalised name, and when.
    struct Heard {
        quint64 nameHash;
        qint64 ms;
    };
    static constexpr std::size_t kKeptHeardRoom = 4096;
    void StartAfresh();
    // Takes the senders heard since the last count into the table, counting
    // the people new to this notification.
    void CountPeople();
    void Prune(qint64 now);
    void Show(qint64 now);

    NotificationSink& sink_;
    std::function<qint64()> clockMs_;
    QElapsedTimer elapsed_;
    QTimer turn_;
    bool inTurn_ = false;         // messages added since the turn began
    bool turnLooking_ = false;    // the user looked when this turn's first came
    bool pending_ = false;        // changes not yet shown
    qint64 turnMs_ = 0;
    qint64 lastShowMs_ = -kMinUpdateMs;
    Current current_;
    // Each sender heard from in the last kJoinWindowMs, by a hash of their
    // normalised name, with when they were last heard; older ones are pruned.
    QHash<quint64, qint64> senders_;
    std::vector<Heard> heard_;  // not yet in senders_
    qsizetype sizeAfterPrune_ = 0;
    qint64 prunedMs_ = 0;
    QHash<quint32, std::string> shown_;  // our ids, each with SenderOf's answer
    quint64 nextRequest_ = 0;
};

// The freedesktop notification service on the session bus. Without a bus
// or a service nothing is shown and nothing is printed.
class DesktopNotifications final : public QObject, public NotificationSink {
    Q_OBJECT
public:
    DesktopNotifications();
    void Show(quint32 replacesId, const QString& summary, const QString& body,
              std::function<void(quint32 id)> shown) override;
    void Close(quint32 id) override;

private slots:
    void OnActionInvoked(quint32 id, const QString& action);
    void OnNotificationClosed(quint32 id, quint32 reason);

private:
    bool Connected();

    bool tried_ = false;
    bool connected_ = false;
};
