// The two ways the client connects again by itself, and the state they share:
// the user's "autoreconnect" switch (one attempt after each drop from online)
// and the "reconnect" command (off, a pause, on again). Each has one
// single-shot timer; owning them here means neither outlives the client.
#pragma once

#include <functional>
#include <memory>

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

    void SetAfterDropDelayMs(int ms) { afterDropDelayMs_ = ms; }
    void SetAfterCommandDelayMs(int ms) { afterCommandDelayMs_ = ms; }

    // A drop from online: with the switch on, connect() after the delay.
    void AfterDrop(std::function<void()> connect);

    // The "reconnect" command, in two steps around closing the connection.
    // Pause: the switch is saved and turned off (a second command during the
    // pause keeps what the first saved) and a waiting drop attempt dropped.
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
    int afterDropDelayMs_ = 5000;
    int afterCommandDelayMs_ = 3000;
    std::unique_ptr<QTimer> afterDropWait_;
    std::unique_ptr<QTimer> afterCommandWait_;
};
