// Plays the desktop's event sounds (the freedesktop sound theme, through
// libcanberra, as GNOME programs do). Playing never blocks the window; where
// no sound device or theme is found, standard error says so once.
#pragma once

#include "sound_cues.h"

struct ca_context;

class EventSounds {
public:
    EventSounds();
    ~EventSounds();
    EventSounds(const EventSounds&) = delete;
    EventSounds& operator=(const EventSounds&) = delete;

    void Play(SoundEvent event);

private:
    ca_context* context_ = nullptr;
    bool failureSaid_ = false;
};
