// Which sounds play: the user's choices, the window's activity and the pace
// of one sound a second.
#include "sound_cues.h"

namespace {

struct Cue {
    SoundEvent event;
    bool windowActive;
    std::int64_t atMs;
    bool plays;
};

struct GateCase {
    const char* name;
    SoundChoices choices;
    std::vector<Cue> cues;
};

void PrintTo(const GateCase& c, std::ostream* os) { *os << c.name; }

SoundChoices Without(SoundEvent event)
{
    SoundChoices choices;
    choices.events[static_cast<std::size_t>(event)] = false;
    return choices;
}

SoundChoices AllOff()
{
    SoundChoices choices;
    choices.enabled = false;
    return choices;
}

class SoundGateTest : public ::testing::TestWithParam<GateCase> {};

TEST_P(SoundGateTest, PlaysWhatTheChoicesAndPaceAllow)
{
    SoundGate gate;
    for (std::size_t i = 0; i < GetParam().cues.size(); ++i) {
        const Cue& cue = GetParam().cues[i];
        EXPECT_EQ(gate.ShouldPlay(cue.event, GetParam().choices, cue.windowActive, cue.atMs), cue.plays) << "cue " << i;
    }
}

using E = SoundEvent;
INSTANTIATE_TEST_SUITE_P(
    Cases, SoundGateTest,
    ::testing::Values(
        GateCase{"IncomingOnlyWhileTheWindowIsNotActive", {},
                 {{E::MessageIn, true, 0, false}, {E::MessageIn, false, 10, true}, {E::MessageSent, true, 5000, true}}},
        GateCase{"AFloodGivesOneSoundASecond", {},
                 {{E::BuddySignedOn, false, 1000, true}, {E::BuddySignedOn, false, 1500, false},
                  {E::MessageIn, false, 1999, false}, {E::BuddySignedOff, false, 2000, true}}},
        GateCase{"ARefusedEventDoesNotDelayTheNext", Without(E::BuddySignedOn),
                 {{E::BuddySignedOn, false, 0, false}, {E::BuddySignedOff, false, 1, true}}},
        GateCase{"AllOffSilencesEveryEvent", AllOff(),
                 {{E::MessageIn, false, 0, false}, {E::BuddySignedOn, false, 5000, false},
                  {E::BuddySignedOff, false, 10000, false}, {E::MessageSent, false, 15000, false}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
