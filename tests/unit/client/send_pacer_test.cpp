// The pace of the client's own sends, on a clock the test turns.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "send_pacer.h"

namespace {

struct PacedRun {
    std::int64_t now = 1000;
    std::vector<std::string> sent;
    std::vector<std::int64_t> sentAt;
    SendPacer pacer{[this](const std::string& command) {
        sent.push_back(command);
        sentAt.push_back(now);
        return 0;
    }};
    PacedRun() { pacer.SetClock([this] { return now; }); }
};

// A server's rate limit as OSCAR keeps one: a moving average of the time
// between commands over a window of 20; below 4,000 ms it drops commands,
// below 3,000 ms it disconnects (the strictest class its servers announce).
double LowestAverage(const std::vector<std::int64_t>& times)
{
    double average = 6000, lowest = 6000;
    for (std::size_t i = 1; i < times.size(); ++i) {
        average = std::min(6000.0, (average * 19 + static_cast<double>(times[i] - times[i - 1])) / 20);
        lowest = std::min(lowest, average);
    }
    return lowest;
}

}  // namespace

TEST(SendPacer, ABurstGoesAtOnceTheRestWaitsInOrderWithNameListsMerged)
{
    PacedRun run;
    for (int i = 0; i < 8; ++i)
        run.pacer.Send("toc_set_away");
    EXPECT_EQ(run.sent.size(), 8u);
    const std::string longName(2030, 'n');
    for (const std::string& command : std::vector<std::string>{"toc_add_deny a", "toc_add_deny b", "toc_add_deny", "toc_add_deny c",
                                       "toc_add_permit d", "toc_add_permit e", "toc_add_permit " + longName})
        EXPECT_EQ(run.pacer.Send(command), 0);
    EXPECT_EQ(run.pacer.Waiting(), 5u);
    run.now += SendPacer::kIntervalMs - 1;
    run.pacer.SendDue();
    EXPECT_EQ(run.sent.size(), 8u);
    run.now += 100 * SendPacer::kIntervalMs;
    run.pacer.SendDue();
    EXPECT_EQ(std::vector<std::string>(run.sent.begin() + 8, run.sent.end()),
              (std::vector<std::string>{"toc_add_deny a b", "toc_add_deny", "toc_add_deny c", "toc_add_permit d e",
                                        "toc_add_permit " + longName}));

    run.pacer.Reset();
    for (std::size_t i = 0; i < 8 + SendPacer::kMaxWaiting; ++i)
        EXPECT_EQ(run.pacer.Send("toc_get_info u" + std::to_string(i)), 0);
    EXPECT_EQ(run.pacer.Send("toc_get_info one_too_many"), -1);
    run.pacer.Reset();
    EXPECT_EQ(run.pacer.Waiting(), 0u);
    const std::size_t before = run.sent.size();
    run.pacer.Send("toc_get_info after_reset");
    EXPECT_EQ(run.sent.size(), before + 1) << "a new connection has its whole burst";
}

TEST(SendPacer, NoPatternOfRequestsReachesARateLimit)
{
    struct Pattern {
        const char* what;
        int count;
        std::int64_t spacingMs;  // between requests
        int burst;               // requests at once, then the spacing
    };
    const Pattern patterns[] = {
        {"all at once", 300, 0, 300},
        {"ten a second", 300, 100, 1},
        {"one a second", 120, 1000, 1},
        {"bursts of twenty each minute", 200, 60000, 20},
        {"bursts of eight every forty seconds", 200, 40000, 8},
    };
    for (const Pattern& p : patterns) {
        PacedRun run;
        int requested = 0;
        std::int64_t nextRequest = run.now;
        while (run.sent.size() < static_cast<std::size_t>(p.count)) {
            while (requested < p.count && run.now >= nextRequest) {
                for (int i = 0; i < p.burst && requested < p.count; ++i, ++requested)
                    ASSERT_EQ(run.pacer.Send("toc_get_info u" + std::to_string(requested)), 0) << p.what;
                nextRequest += p.spacingMs;
            }
            run.now += 50;
            run.pacer.SendDue();
        }
        EXPECT_GT(LowestAverage(run.sentAt), 4000) << p.what;
    }
}

// Privacy commands go first, in their order, and are never refused; what
// asks to be told of its sending hears only when it really goes.
TEST(SendPacer, PrivacyFirstNeverRefusedAndSendsToldOnlyWhenTheyGo)
{
    PacedRun run;
    std::vector<std::string> told;
    const auto tell = [&told](std::string what) { return [&told, what] { told.push_back(what); }; };
    for (std::size_t i = 0; i < 8 + SendPacer::kMaxWaiting; ++i) {
        const std::string name = "u" + std::to_string(i);
        run.pacer.Send("toc_send_im " + name + " \"away\"", tell(name));
    }
    EXPECT_EQ(told.size(), 8u) << "sent at once, told at once";
    ASSERT_EQ(run.pacer.Send("toc_send_im one_too_many \"away\""), -1);
    // An unblock's three steps: none may be lost, or the server would end
    // up in permit mode or with blocks lifted.
    for (const char* command : {"toc_add_permit x", "toc_add_deny", "toc_add_deny a b", "toc_add_deny c"})
        EXPECT_EQ(run.pacer.Send(command), 0) << command;
    const std::size_t before = run.sent.size();
    run.now += 4 * SendPacer::kIntervalMs;
    run.pacer.SendDue();
    EXPECT_EQ(std::vector<std::string>(run.sent.begin() + static_cast<std::ptrdiff_t>(before), run.sent.end()),
              (std::vector<std::string>{"toc_add_permit x", "toc_add_deny", "toc_add_deny a b c",
                                        "toc_send_im u8 \"away\""}));
    EXPECT_EQ(told.back(), "u8");
    run.pacer.Reset();  // the connection went with the rest still waiting
    run.now += 10 * SendPacer::kIntervalMs;
    run.pacer.SendDue();
    EXPECT_EQ(told.size(), 9u);
    EXPECT_EQ(run.sent.size(), before + 4);
}

// One person's flood never holds another's reply back: replies take turns
// per person, the same reply waits once, and a block or the end of away
// takes waiting replies back.
TEST(SendPacer, RepliesTakeTurnsPerPersonAndBlocksTakeThemBack)
{
    PacedRun run;
    for (int i = 0; i < 8; ++i)
        run.pacer.Send("toc_get_info u" + std::to_string(i));
    for (int i = 0; i < 18; ++i)
        run.pacer.Send("toc_send_im bob \"away " + std::to_string(i % 6) + "\" auto");
    run.pacer.Send("toc_send_im carol \"away\" auto");
    run.pacer.Send("toc_send_im dave \"away\" auto");
    EXPECT_EQ(run.pacer.Waiting(), 8u) << "six replies to bob and one each to carol and dave";
    run.now += 3 * SendPacer::kIntervalMs;
    run.pacer.SendDue();
    EXPECT_EQ(std::vector<std::string>(run.sent.begin() + 8, run.sent.end()),
              (std::vector<std::string>{"toc_send_im bob \"away 0\" auto", "toc_send_im carol \"away\" auto",
                                        "toc_send_im dave \"away\" auto"}));
    run.pacer.Send("toc_add_deny bob");
    EXPECT_EQ(run.pacer.Waiting(), 1u) << "the block waits, bob's replies are gone";
    run.pacer.Send("toc_send_im erin \"away\" auto");
    run.pacer.Send("toc_get_info erin");
    run.pacer.DropAutomaticReplies();
    EXPECT_EQ(run.pacer.Waiting(), 2u);
    run.now += 10 * SendPacer::kIntervalMs;
    run.pacer.SendDue();
    EXPECT_EQ(std::vector<std::string>(run.sent.begin() + 11, run.sent.end()),
              (std::vector<std::string>{"toc_add_deny bob", "toc_get_info erin"}));
}

// The steps of one change leave together, once the pace allows them all,
// with nothing between them; a pause keeps them for the next sign-on.
TEST(SendPacer, AChangeLeavesWholeAndAPauseKeepsIt)
{
    PacedRun run;
    for (int i = 0; i < 8; ++i)
        run.pacer.Send("toc_get_info u" + std::to_string(i));
    {
        const SendPacer::Unit unblock(run.pacer);
        for (const char* step : {"toc_add_permit ex", "toc_add_deny", "toc_add_deny spammer"})
            run.pacer.Send(step);
        EXPECT_EQ(run.pacer.Send("toc_get_info x"), 0) << "waits behind the change";
    }
    for (int i = 1; i <= 2; ++i) {
        run.now += SendPacer::kIntervalMs;
        run.pacer.SendDue();
        EXPECT_EQ(run.sent.size(), 8u) << i << " of the three steps' turns";
    }
    run.pacer.Pause();
    EXPECT_EQ(run.pacer.Send("toc_get_info y"), -1);
    run.pacer.Send("toc_add_deny foo");
    run.now += 10 * SendPacer::kIntervalMs;
    run.pacer.SendDue();
    EXPECT_EQ(run.sent.size(), 8u) << "nothing goes while paused";
    run.pacer.Resume();
    EXPECT_EQ(std::vector<std::string>(run.sent.begin() + 8, run.sent.end()),
              (std::vector<std::string>{"toc_add_permit ex", "toc_add_deny", "toc_add_deny spammer foo"}));
}
