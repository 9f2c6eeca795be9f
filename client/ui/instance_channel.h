// A second start on a profile folder that a running quenlo holds hands over
// to it: the running one listens on a local socket that only this user can
// reach, and the second asks it to bring its window to the front instead of
// opening another.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>

class QLocalServer;

// The socket for a profile folder (an absolute path): in the folder itself
// where the path fits a socket address, else a name made from the path in
// the user's runtime folder. Empty for a path that is not absolute.
QString InstanceSocketName(const std::string& profileDir);

class InstanceServer final : public QObject {
public:
    // show runs for each request. Call only while holding the profile lock:
    // a socket left by an earlier run that ended badly is replaced.
    InstanceServer(const QString& name, std::function<void()> show);
    bool Listening() const;
    QString ErrorText() const;

private:
    void Serve();
    QLocalServer* server_;
    std::function<void()> show_;
};

// Asks the quenlo on that socket to show its window, trying for up to
// timeoutMs (it may still be starting). True when it said it did.
bool AskRunningInstanceToShow(const QString& name, int timeoutMs);
