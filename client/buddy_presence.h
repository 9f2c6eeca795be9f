// What UPDATE_BUDDY says of a buddy besides being online: away, idle time,
// warning level, the time of sign-on and an unconfirmed account, and the
// texts the online list shows of it. Idle time is counted on locally from
// the moment the server last gave it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct BuddyPresence {
    bool away = false;
    bool unconfirmed = false;
    int warningLevel = 0;          // percent
    std::int64_t onlineSince = 0;  // seconds since the epoch; 0: not given
    int idleMinutes = 0;           // as the server gave it
    std::int64_t idleSeenMs = 0;   // steady-clock time the server gave it

    bool operator==(const BuddyPresence&) const = default;
};

// From UPDATE_BUDDY's warning, sign-on time, idle and user-class fields;
// nowMs is the steady clock in milliseconds. Fields that are no number count
// as 0.
BuddyPresence ParsePresence(std::string_view warning, std::string_view signonTime, std::string_view idle,
                            std::string_view userClass, std::int64_t nowMs);

// The same state apart from when it was seen.
bool SamePresence(const BuddyPresence& a, const BuddyPresence& b);

// Minutes idle now: the server's figure plus the time since.
int IdleMinutesAt(const BuddyPresence& presence, std::int64_t nowMs);

// "12m", "3h", "2d".
std::string ShortIdleText(int minutes);

// The short suffix shown after the name: "away, 12m, 10%"; empty when
// there is nothing to say.
std::string PresenceSuffix(const BuddyPresence& presence, std::int64_t nowMs);

// Whether the name is shown dimmed: away or idle.
bool PresenceDimmed(const BuddyPresence& presence);

// Everything in words, for a tooltip and a screen reader:
// "Bob: away; idle for 12 minutes; warning level 10%; online since 14:05".
// nowUnix (seconds since the epoch) says how long ago the sign-on was.
std::string PresenceDescription(std::string_view name, const BuddyPresence& presence, std::int64_t nowMs,
                                std::int64_t nowUnix);

// The steady clock, in milliseconds.
std::int64_t SteadyNowMs();
