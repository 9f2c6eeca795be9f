// The desktop sounds the client plays for what happens, and which of them it
// plays: the user's choices, never while the user is looking at the message,
// never for an automatic reply, and never more than one a second.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

enum class SoundEvent { MessageIn, BuddySignedOn, BuddySignedOff, MessageSent };
inline constexpr std::size_t kSoundEventCount = 4;

// The event's name in the freedesktop sound theme, as the desktop's sound
// library looks it up ("message-new-instant"...).
const char* SoundEventId(SoundEvent event);
// What the settings dialog and quenlo.ini call it.
const char* SoundEventLabel(SoundEvent event);
const char* SoundEventKey(SoundEvent event);

struct SoundChoices {
    bool enabled = true;  // all sounds, whatever the events say
    std::array<bool, kSoundEventCount> events{true, true, true, true};

    bool Wants(SoundEvent event) const { return enabled && events[static_cast<std::size_t>(event)]; }
};

// Decides, one event at a time, whether a sound plays now.
class SoundGate {
public:
    static constexpr std::int64_t kMinGapMs = 1000;

    // An incoming message sounds only while the window is not the active
    // one (the user is reading it otherwise). A refused event does not
    // count against the next.
    bool ShouldPlay(SoundEvent event, const SoundChoices& choices, bool windowActive, std::int64_t nowMs);
    // Whether the event is refused whatever the time.
    bool Refuses(SoundEvent event, const SoundChoices& choices, bool windowActive) const;

private:
    std::optional<std::int64_t> lastPlayedMs_;
};
