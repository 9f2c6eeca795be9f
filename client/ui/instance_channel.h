// A second start on a profile folder that a running quenlo holds hands over
// to it: the running one listens on a local socket that only this user can
// reach, and the second asks it to bring its window to the front instead of
// opening another.
#pragma once

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <string>

class QLocalSocket;
class QSocketNotifier;
class QTimer;

// The socket for a profile folder (an absolute path). It lies only in a
// folder that this user owns and nobody else may enter (mode 0700), so no
// other user can take its name first: the profile folder itself when it is
// such a folder and the path fits a socket address; else, under a name made
// from the path, $XDG_RUNTIME_DIR when it is such a folder, else the folder
// "quenlo-<uid>" of the temporary folder, made with mode 0700. Empty for a
// path that is not absolute, and when no such folder can be had (then
// `problem`, when given, says why).
QString InstanceSocketName(const std::string& profileDir, QString* problem = nullptr);

class InstanceServer final : public QObject {
public:
    // At most this many peers wait at once for their request; another one
    // lets the one that has waited longest go, so silent connections never
    // use up the process's descriptors.
    static constexpr int kMaxWaitingPeers = 8;

    // show runs for each request. Call only while holding the profile lock:
    // a socket left by an earlier run that ended badly is replaced.
    InstanceServer(const QString& name, std::function<void()> show);
    ~InstanceServer() override;
    bool Listening() const { return listenFd_ >= 0; }
    QString ErrorText() const { return error_; }
    int WaitingPeers() const { return static_cast<int>(peers_.size()); }

private:
    void Accept();
    // A new connection's descriptor: served when it comes from this user.
    void Take(int fd);
    void Drop(QLocalSocket* peer);
    int listenFd_ = -1;
    QString error_;
    QByteArray path_;
    unsigned long long inode_ = 0;  // the socket file this server made
    QSocketNotifier* notifier_ = nullptr;
    QTimer* retry_ = nullptr;
    std::deque<QLocalSocket*> peers_;  // oldest first
    std::function<void()> show_;
};

// Asks the quenlo on that socket to show its window, trying for up to
// timeoutMs (it may still be starting). True when it said it did; a socket
// held by another user's process is never believed.
bool AskRunningInstanceToShow(const QString& name, int timeoutMs);
