// A desktop keyring of the test's own: a dbus-daemon with no service
// activation (so nothing starts on its own) in a fresh folder, made this
// process's session bus, and on it a real gnome-keyring-daemon with a HOME of
// its own whose login keyring is unlocked with a test password. Both daemons
// are ended by their process ids when this object goes.
#pragma once

#include <QProcess>
#include <QString>

#include "temp_dir.h"

class PrivateKeyring {
public:
    // Starts the bus; the keyring daemon too unless `withKeyring` is false
    // (a desktop without one). Must come before anything in the process uses
    // the session bus.
    explicit PrivateKeyring(bool withKeyring = true);
    ~PrivateKeyring();
    PrivateKeyring(const PrivateKeyring&) = delete;
    PrivateKeyring& operator=(const PrivateKeyring&) = delete;

    // Empty when everything asked for is up.
    QString Error() const { return error_; }
    // Locks every collection, as the desktop does when the screen locks.
    bool Lock();

private:
    bool WaitForName(const QString& name);
    TempDir dir_;
    QProcess bus_;
    QProcess keyring_;
    QString address_;
    QString error_;
};
