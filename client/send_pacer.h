// The pace of what the client sends on its own (module commands, replies
// made for the user): a token bucket. A burst of kBurst commands goes at
// once; after it one command per kIntervalMs, the rest waiting their turn.
// Consecutive commands that only add or remove names are merged while they
// fit one line, so a burst of blocks costs a few sends, not hundreds. A
// server's rate limit (a moving average of the time between commands, which
// warns, then drops, then disconnects) never sees this pace as a flood.
//
// Privacy commands (toc_add_deny, toc_add_permit) go ahead of everything
// else and are never refused. The steps of one privacy change (those sent
// while one Unit is open, such as an unblock's permit, bare deny and deny
// list) leave back to back once the pace allows them all, never split by
// the pace: a server left between two steps would let blocked users in. A
// deny removes every waiting send to the names it blocks.
//
// Automatic replies are taken in turn per person: one person's flood never
// holds back another's reply, and the same reply to the same person waits
// only once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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
    // Runs each time the waiting line empties (or is reset).
    void SetOnEmptied(std::function<void()> onEmptied) { onEmptied_ = std::move(onEmptied); }

    // Sends now when the pace allows (the sender's result), else waits its
    // turn (0); -1 when too many already wait (never for a privacy command).
    // `onSent` runs once the command has really gone (the sender did not
    // refuse it), and never for one that is dropped waiting.
    int Send(std::string command, std::function<void()> onSent = {});
    // Sends what the pace allows by now; the timer calls it.
    void SendDue();
    // A new connection, or none: nothing waits, the full burst is there.
    void Reset();
    // The server paused the connection: nothing goes until Resume, other
    // commands are refused and dropped, privacy changes wait (one is never
    // lost while the connection lives).
    void Pause();
    // Signed on again after a pause: the full burst, and the changes that
    // waited go.
    void Resume();
    // Drops every waiting automatic reply ("toc_send_im ... auto").
    void DropAutomaticReplies();

    std::size_t Waiting() const;

    // The privacy commands sent while the outermost Unit lives are one change.
    class Unit {
    public:
        explicit Unit(SendPacer& pacer) : pacer_(pacer) { ++pacer_.unitDepth_; }
        ~Unit() { pacer_.EndUnit(); }
        Unit(const Unit&) = delete;
        Unit& operator=(const Unit&) = delete;

    private:
        SendPacer& pacer_;
    };

private:
    struct Held {
        std::string command;
        std::function<void()> onSent;
        std::string person;  // the recipient of an IM, normalised; empty for other commands
        std::uint64_t round = 0;  // its turn: lower goes first, then the order of arrival
    };

    void Refill();
    void ScheduleNext();
    void EndUnit();
    void QueuePrivacy(std::vector<Held> steps);
    // Removes waiting sends to the names a deny step blocks.
    void DropSendsTo(const std::string& denyStep);
    bool PrivacyDue() const;
    std::size_t NextWaiting() const;
    int SendOne(const Held& held);
    void CheckEmptied();

    Sender send_;
    Clock clock_;
    std::function<void()> onEmptied_;
    double tokens_ = kBurst;
    bool clockRead_ = false;
    std::int64_t refilledAt_ = 0;
    int unitDepth_ = 0;
    bool paused_ = false;
    std::uint64_t resets_ = 0;
    std::uint64_t servedRound_ = 0;  // the turn of the last waiting send that went  // a send that resets the pacer ends a loop over what it held
    std::vector<Held> openUnit_;  // the privacy steps of the Unit still open
    std::vector<Held> privacy_;   // privacy steps waiting: they go all together
    std::deque<Held> waiting_;
    std::unique_ptr<QTimer> timer_;
};
