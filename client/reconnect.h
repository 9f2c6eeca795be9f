// The two ways the client connects again by itself, and the state they share:
// the user's "autoreconnect" switch (tries after each drop of a signed-on
// connection, with growing waits, until one signs on or the tries are
// stopped) and the "reconnect" command (off, a pause, on again). Each wait is
// a single-shot timer owned here, so none outlives the client. What the user
// sees of the tries is reconnect_series.h's.
#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QTimer;

class Reconnect {
public:
    Reconnect();
    ~Reconnect();
    Reconnect(const Reconnect&) = delete;
    Reconnect& operator=(const Reconnect&) = delete;

    // The "autoreconnect" switch.
    bool Automatic() const { return automatic_; }
    void SetAutomatic(bool on) { automatic_ = on; }

    // The waits before the automatic tries, first to last; the last one
    // repeats for every later try.
    void SetRetryDelaysMs(std::vector<int> delays);
    int DelayBeforeTryMs(int tryNumber) const;  // tryNumber counts from 1
    void SetAfterCommandDelayMs(int ms) { afterCommandDelayMs_ = ms; }

    // --- the automatic tries after a drop ---
    // Tries are going on: one is waiting or under way.
    bool Reconnecting() const { return reconnecting_; }
    int TriesStarted() const { return tries_; }
    // A try's connection was started and has not ended yet.
    bool TryUnderWay() const { return tryUnderWay_; }
    // Starts the wait before the next try, which then runs tryNow; returns
    // the wait in milliseconds.
    int WaitForNextTry(std::function<void()> tryNow);
    // tryNow calls these: a try begins, its connection started or not.
    void TryBegins() { ++tries_; }
    void SetTryUnderWay(bool on) { tryUnderWay_ = on; }
    // How a try ended is judged once the library has finished telling of it
    // (a refused sign-on reports offline first and the reason just after).
    void JudgeLater(std::function<void()> judge);
    // No more tries: waits stopped, the count back to zero.
    void EndTries();

    // Whether the connection now signed on, or signed on and then paused,
    // counts as dropped when it goes offline. Taking it clears it.
    void MarkSignedOn() { signedOn_ = true; }
    bool TakeSignedOn() { return std::exchange(signedOn_, false); }
    // The client closes the connection itself: that drop starts no tries.
    void SetClosingOnPurpose(bool on) { closingOnPurpose_ = on; }
    bool ClosingOnPurpose() const { return closingOnPurpose_; }

    // The "reconnect" command, in two steps around closing the connection.
    // Pause: the switch is saved and turned off (a second command during the
    // pause keeps what the first saved) and automatic tries end.
    void PauseForCommand();
    // Then: after the delay the saved switch is back and connect() runs. A
    // command already waiting keeps its wait.
    void AfterCommand(std::function<void()> connect);

    // A connection started any other way replaces a reconnect still waiting:
    // otherwise the wait would end in a second attempt on top of this one.
    void CancelForNewConnection();
    // Closing the client: no wait may end in a connection afterwards.
    void Stop();

private:
    bool automatic_ = false;
    bool savedAutomatic_ = false;  // the switch as the pending command found it
    bool commandPending_ = false;
    bool reconnecting_ = false;
    bool tryUnderWay_ = false;
    bool signedOn_ = false;
    bool closingOnPurpose_ = false;
    int tries_ = 0;
    // 5 s, 10 s, 30 s, then every minute: soon after a short outage, gently
    // on a server that stays away.
    std::vector<int> retryDelaysMs_{5000, 10000, 30000, 60000};
    int afterCommandDelayMs_ = 3000;
    std::unique_ptr<QTimer> nextTryWait_;
    std::unique_ptr<QTimer> judgeWait_;
    std::unique_ptr<QTimer> afterCommandWait_;
};
