#include "event_sounds.h"

#include <canberra.h>
#include <cstdio>

EventSounds::EventSounds()
{
    if (const int error = ca_context_create(&context_); error != CA_SUCCESS) {
        std::fprintf(stderr, "quenlo: no event sounds: %s.\n", ca_strerror(error));
        failureSaid_ = true;
        context_ = nullptr;
        return;
    }
    ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "quenlo", CA_PROP_APPLICATION_ID, "quenlo",
                            CA_PROP_APPLICATION_ICON_NAME, "quenlo", nullptr);
}

EventSounds::~EventSounds()
{
    if (context_ != nullptr)
        ca_context_destroy(context_);
}

void EventSounds::Play(SoundEvent event)
{
    if (context_ == nullptr)
        return;
    const int error = ca_context_play(context_, 0, CA_PROP_EVENT_ID, SoundEventId(event), CA_PROP_EVENT_DESCRIPTION,
                                      SoundEventLabel(event), nullptr);
    if (error != CA_SUCCESS && !failureSaid_) {
        std::fprintf(stderr, "quenlo: cannot play the sound \"%s\": %s.\n", SoundEventId(event), ca_strerror(error));
        failureSaid_ = true;
    }
}
