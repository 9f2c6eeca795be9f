// What UPDATE_BUDDY's fields mean and how they read; the stored
// configuration's join and its command; the idle report's turns.
#include <gtest/gtest.h>

#include "buddy_presence.h"
#include "idle_report.h"
#include "stored_config.h"
#include "toc_limits.h"

namespace {

TEST(BuddyPresence, FieldsAndTheirTexts)
{
    const struct {
        const char* warning;
        const char* idle;
        const char* userClass;
        const char* suffix;
        bool dimmed;
        bool unconfirmed;
    } cases[] = {
        {"0", "0", " O", "", false, false},
        {"0", "0", " U", "", false, true},     // second character: unconfirmed, not away
        {"0", "0", " OU", "away", true, false},  // third character: away
        {"0", "0", "AUU", "away", true, true},
        {"15", "12", " O", "12m", true, false},
        {"100", "190", " OU", "away, 3h", true, false},
        {"x", "-5", "", "", false, false},  // no numbers: nothing said
        {"20", "3000", " O", "2d", true, false},
    };
    for (const auto& c : cases) {
        const BuddyPresence p = ParsePresence(c.warning, "1000", c.idle, c.userClass, 0);
        std::string expected = c.suffix;
        if (p.warningLevel > 0)
            expected += (expected.empty() ? "" : ", ") + std::to_string(p.warningLevel) + "%";
        EXPECT_EQ(PresenceSuffix(p, 0), expected) << c.userClass << " " << c.idle;
        EXPECT_EQ(PresenceDimmed(p), c.dimmed) << c.userClass << " " << c.idle;
        EXPECT_EQ(p.unconfirmed, c.unconfirmed) << c.userClass;
    }
}

TEST(BuddyPresence, IdleCountsOnLocallyAndIsDescribed)
{
    const BuddyPresence p = ParsePresence("10", "0", "59", " OU", 1'000);
    EXPECT_EQ(PresenceSuffix(p, 1'000 + 60'000), "away, 1h, 10%");
    EXPECT_EQ(PresenceDescription("Bob", p, 1'000 + 2 * 60'000, 0),
              "Bob: away; idle for 1 hour 1 minute; warning level 10%");
    // Not idle: nothing to count on.
    EXPECT_EQ(IdleMinutesAt(ParsePresence("0", "0", "0", " O", 0), 3'600'000), 0);
}

TEST(StoredConfig, JoinKeepsBothSidesAndTheCommandKeepsPrivacyLines)
{
    const StoredConfig stored = ParseStoredConfig("m 2\r\nb early\r\ng Friends\nb Bob\nb bob\nd Mal\nx other\ng Work\n");
    EXPECT_EQ(stored.mode, "2");
    BuddyGroups local = {{"Friends", {"zed"}}, {"Chess", {"Kim"}}};
    std::string list = "Kim\nzed\nBOB";
    const JoinedConfig joined = JoinConfig(stored, local, list);
    EXPECT_EQ(FormatGroups(joined.groups),
              "g Buddies\nb early\ng Friends\nb Bob\nb zed\ng Work\ng Chess\nb kim\n");
    EXPECT_EQ(list, "Kim\nzed\nBOB\nearly\n");
    EXPECT_EQ(joined.newToList, std::vector<std::string>({"early"}));
    EXPECT_EQ(ConfigCommand(stored.mode, joined.groups, stored.kept),
              "toc_set_config \"m 2\ng Buddies\nb early\ng Friends\nb Bob\nb zed\ng Work\ng Chess\nb kim\nd Mal\nx other\n\"");

    // A list too long for one line keeps the mode and the kept lines, and
    // names that could end the quote are escaped.
    BuddyGroups many = {{"Big \"one\"", {}}};
    for (int i = 0; i < 400; ++i)
        many[0].buddies.push_back("buddy" + std::to_string(i));
    const std::string command = ConfigCommand("", many, {"d Mal"});
    EXPECT_LE(command.size(), kMaxTocText);
    EXPECT_TRUE(command.starts_with("toc_set_config \"m 4\ng Big \\\"one\\\"\nb buddy0\n"));
    EXPECT_TRUE(command.ends_with("\nd Mal\n\""));
}

TEST(IdleReport, ToldOnceAfterTheThresholdAndTakenBack)
{
    std::int64_t idle = 0;
    IdleReport report;
    report.SetSource([&] { return idle; });
    report.SetThresholdSeconds(600);
    const struct {
        std::int64_t idle;
        bool enabled;
        const char* command;
    } steps[] = {
        {599, true, ""}, {600, true, "toc_set_idle 600"}, {900, true, ""}, {3, true, "toc_set_idle 0"},
        {-1, true, ""},  // unknown: nothing said
        {700, true, "toc_set_idle 700"}, {800, false, "toc_set_idle 0"}, {900, false, ""},
    };
    for (const auto& step : steps) {
        idle = step.idle;
        report.SetEnabled(step.enabled);
        EXPECT_EQ(report.Check(), step.command) << step.idle;
    }
    report.SetEnabled(true);
    EXPECT_EQ(report.Check(), "toc_set_idle 900");
    report.NewConnection();  // its server knows nothing: told again
    EXPECT_EQ(report.Check(), "toc_set_idle 900");
}

}  // namespace
