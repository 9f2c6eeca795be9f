// Desktop notifications for instant messages that arrive while the user is
// not looking at the window. Messages from one sender within a few seconds
// update one notification instead of stacking new ones, and all of them are
// withdrawn once the user is back in the window.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

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

class MessageNotifier {
public:
    static constexpr qint64 kJoinWindowMs = 5000;
    static constexpr int kMaxJoinedLines = 5;

    explicit MessageNotifier(NotificationSink& sink, std::function<qint64()> clockMs = {});
    // senderKey identifies the sender (its normalised name).
    void Notify(const QString& senderKey, const QString& sender, const QString& text);
    // Whether this id is one of ours (a click on it should raise the window).
    bool Owns(quint32 id) const { return id != 0 && shown_.contains(id); }
    // The sender (as shown) of the notification with this id, or "".
    QString SenderOf(quint32 id) const;
    // The user is back in the window: every notification of ours goes.
    void WithdrawAll();
    // The service closed this one: the sender's next message starts afresh.
    void Forget(quint32 id);

private:
    struct Recent {
        quint32 id = 0;
        bool showing = false;  // asked for, the id not yet known
        bool changed = false;  // lines added while showing
        quint64 request = 0;   // which request the next answer belongs to
        qint64 lastMs = 0;
        QString sender;
        QStringList lines;
    };
    void ShowRecent(const QString& senderKey);

    NotificationSink& sink_;
    std::function<qint64()> clockMs_;
    QElapsedTimer elapsed_;
    QHash<QString, Recent> recent_;
    QSet<quint32> shown_;
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
    bool connected_ = false;
};
