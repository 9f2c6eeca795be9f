// A desktop's tray, as far as Qt can tell: an X display of its own (Xvfb)
// and a private D-Bus session bus (its own dbus-daemon) with a
// StatusNotifierWatcher on it that says a host is there. A program started
// on that display with that bus as its session bus shows its tray icon as a
// StatusNotifierItem, which the test then clicks and whose menu it uses
// through the bus, as a panel would. (Qt's offscreen platform has no tray.)
#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "temp_dir.h"

class StatusNotifierWatcher final : public QDBusVirtualObject {
public:
    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    // Bus names of the items that registered, in order.
    const QStringList& Items() const { return items_; }

private:
    QStringList items_;
};

class PrivateTray {
public:
    PrivateTray();
    ~PrivateTray();
    PrivateTray(const PrivateTray&) = delete;
    PrivateTray& operator=(const PrivateTray&) = delete;

    // Empty when the bus or the watcher could not be set up.
    QString Error() const { return error_; }
    QString Address() const { return address_; }
    QString Display() const { return display_; }
    QDBusConnection Bus() const { return QDBusConnection(kConnectionName); }
    const StatusNotifierWatcher& Watcher() const { return watcher_; }

    // A left click on the item's icon.
    bool Activate(const QString& item) const;
    // Chooses the entry of the item's menu that has this label ("E&xit").
    bool ChooseMenuEntry(const QString& item, const QString& label) const;

private:
    static constexpr const char* kConnectionName = "quenlo-private-tray";
    TempDir dir_;
    QProcess daemon_;
    QProcess xvfb_;
    QString address_;
    QString display_;
    QString error_;
    StatusNotifierWatcher watcher_;
};
