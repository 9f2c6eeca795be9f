#include "sound_cues.h"

namespace {

struct EventNames {
    const char* id;
    const char* label;
    const char* key;
};

constexpr EventNames kNames[kSoundEventCount] = {
    {"message-new-instant", "A message arrives while the window is in the background", "message_in"},
    {"service-login", "A buddy signs on", "buddy_signed_on"},
    {"service-logout", "A buddy signs off", "buddy_signed_off"},
    {"message-sent-instant", "A message is sent", "message_sent"},
};

const EventNames& Names(SoundEvent event)
{
    return kNames[static_cast<std::size_t>(event)];
}

}  // namespace

const char* SoundEventId(SoundEvent event)
{
    return Names(event).id;
}

const char* SoundEventLabel(SoundEvent event)
{
    return Names(event).label;
}

const char* SoundEventKey(SoundEvent event)
{
    return Names(event).key;
}

bool SoundGate::Refuses(SoundEvent event, const SoundChoices& choices, bool windowActive) const
{
    return !choices.Wants(event) || (event == SoundEvent::MessageIn && windowActive);
}

bool SoundGate::ShouldPlay(SoundEvent event, const SoundChoices& choices, bool windowActive, std::int64_t nowMs)
{
    if (Refuses(event, choices, windowActive))
        return false;
    // A clock that went back counts as a new start.
    if (lastPlayedMs_ && nowMs >= *lastPlayedMs_ && nowMs - *lastPlayedMs_ < kMinGapMs)
        return false;
    lastPlayedMs_ = nowMs;
    return true;
}
