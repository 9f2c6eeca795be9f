// The pace of what the client sends on its own (module commands, replies
// made for the user): a token bucket. A burst of kBurst commands goes at
// once; after it one command per kIntervalMs, the rest waiting in order.
// Consecutive commands that only add or remove names are merged while they
// fit one line, so a burst of blocks costs a few sends, not hundreds. A
// server's rate limit (a moving average of the time between commands, which
// warns, then drops, then disconnects) never sees this pace as a flood.
// The privacy commands (toc_add_deny, toc_add_permit) wait in their own
// line, in their own order, and go ahead of everything else: a block never
// waits behind a flood of away replies, and none is ever refused, since a
// sequence missing one of its steps could leave the server unblocking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

class QTimer;

class SendPacer {
public:
    static constexpr double kBurst = 8;
    static constexpr std::int64_t kIntervalMs = 5000;
    static constexpr std::size_t kMaxWaiting = 512;  // past this a command (not a privacy one) is refused

    using Sender = std::function<int(const std::string& command)>;
    using Clock = std::function<std::int64_t()>;  // milliseconds, steady

    explicit SendPacer(Sender send);
    ~SendPacer();
    SendPacer(const SendPacer&) = delete;
    SendPacer& operator=(const SendPacer&) = delete;

    void SetClock(Clock clock) { clock_ = std::move(clock); }

    // Sends now when the pace allows (the sender's result), else waits its
    // turn (0); -1 when too many already wait (never for a privacy command).
    // `onSent` runs once the command has really gone (the sender did not
    // refuse it), and never for one that is dropped waiting.
    int Send(std::string command, std::function<void()> onSent = {});
    // Sends what the pace allows by now; the timer calls it.
    void SendDue();
    // A new connection, or none: nothing waits, the full burst is there.
    void Reset();

    std::size_t Waiting() const { return privacy_.size() + waiting_.size(); }

private:
    void Refill();
    void ScheduleNext();

    Sender send_;
    Clock clock_;
    double tokens_ = kBurst;
    bool clockRead_ = false;
    std::int64_t refilledAt_ = 0;
    struct Held {
        std::string command;
        std::function<void()> onSent;
    };
    int SendOne(const std::string& command, const std::function<void()>& onSent);

    std::deque<Held> privacy_;  // sent first
    std::deque<Held> waiting_;
    std::unique_ptr<QTimer> timer_;
};
