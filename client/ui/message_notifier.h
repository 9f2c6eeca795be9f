// Desktop notifications for instant messages that arrive while the user is
// not looking at the window. Messages from one sender within a few seconds
// update one notification instead of stacking new ones.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

// Where notifications go: the desktop's notification service in the
// program, a recorder in tests. Show returns the notification's id (0 when
// none was shown); replacesId 0 asks for a new one.
class NotificationSink {
public:
    virtual ~NotificationSink() = default;
    virtual void Show(quint32 replacesId, const QString& summary, const QString& body,
                      std::function<void(quint32 id)> shown) = 0;
    // Called with an id when the user clicks that notification.
    std::function<void(quint32 id)> clicked;
};

class MessageNotifier {
public:
    static constexpr qint64 kJoinWindowMs = 5000;
    static constexpr int kMaxJoinedLines = 5;

    explicit MessageNotifier(NotificationSink& sink, std::function<qint64()> clockMs = {});
    // senderKey identifies the sender (its normalised name).
    void Notify(const QString& senderKey, const QString& sender, const QString& text);
    // Whether this id is one of ours (a click on it should raise the window).
    bool Owns(quint32 id) const;

private:
    struct Recent {
        quint32 id = 0;
        qint64 lastMs = 0;
        QStringList lines;
    };
    NotificationSink& sink_;
    std::function<qint64()> clockMs_;
    QElapsedTimer elapsed_;
    QHash<QString, Recent> recent_;
};

// The freedesktop notification service on the session bus. Without a bus
// or a service nothing is shown and nothing is printed.
class DesktopNotifications final : public QObject, public NotificationSink {
    Q_OBJECT
public:
    DesktopNotifications();
    void Show(quint32 replacesId, const QString& summary, const QString& body,
              std::function<void(quint32 id)> shown) override;

private slots:
    void OnActionInvoked(quint32 id, const QString& action);

private:
    bool connected_ = false;
};
