// The session on its own, and the parts the client is composed of.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client_context.h"
#include "recording_window.h"

namespace {

std::vector<std::string> g_sent;

int RecordSend(char* text, int)
{
    g_sent.emplace_back(text);
    return 7;  // what the library answered, passed through
}

struct SendCase {
    const char* name;
    bool bound, online, automatic, modulesConnecting;
    const char* command;
    int lastResult;
    std::size_t sent, waiting;
};

class SessionSends : public ::testing::TestWithParam<SendCase> {};

// kBurst + 2 sends of one command each time.
TEST_P(SessionSends, GoStraightOrThroughThePace)
{
    const SendCase& c = GetParam();
    g_sent.clear();
    SessionState session;
    static int handle;
    if (c.bound) {
        session.api.handle = &handle;
        session.api.TOC_Send = RecordSend;
    }
    session.connectionStatus = c.online ? STATUS_ONLINE : STATUS_OFFLINE;
    session.modulesConnecting = c.modulesConnecting;
    int result = 0;
    for (int i = 0; i < static_cast<int>(SendPacer::kBurst) + 2; ++i) {
        session.automaticSends = c.automatic ? 1 : 0;
        result = SendCommand(session, c.command);
    }
    EXPECT_EQ(result, c.lastResult);
    EXPECT_EQ(g_sent.size(), c.sent);
    EXPECT_EQ(session.pacer.Waiting(), c.waiting);
}

INSTANTIATE_TEST_SUITE_P(Cases, SessionSends,
                         ::testing::Values(SendCase{"NotBound", false, true, false, false, "toc_x", -1, 0, 0},
                                           SendCase{"Empty", true, true, true, false, "", -1, 0, 0},
                                           SendCase{"UsersOwnNeverWait", true, true, false, false, "toc_x", 7, 10, 0},
                                           SendCase{"AutomaticWait", true, true, true, false, "toc_x", 0, 8, 2},
                                           SendCase{"FromOnConnect", true, true, true, true, "toc_x", 7, 10, 0},
                                           SendCase{"WhileOffline", true, false, true, false, "toc_x", 7, 10, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ClientParts, AwayTextIsCutAndTheWindowSlotIsNeverEmpty)
{
    AwayState away;
    away.Set(std::string(kMaxTocText + 5, 'a'));
    away.Unset();
    EXPECT_FALSE(away.IsAway());
    EXPECT_EQ(away.Text(), std::string(kMaxTocText, 'a'));

    ClientContext ctx;
    EXPECT_FALSE(ctx.Window().HasScreen());
    EXPECT_EQ(ctx.Window().OwnerHandle(), nullptr) << "the library's boxes go to standard error";
    RecordingWindow first, second;
    ctx.AttachWindow(first);
    ctx.DetachWindow(second);
    EXPECT_EQ(&ctx.Window(), &first) << "only the attached window detaches itself";
    ctx.DetachWindow(first);
    EXPECT_FALSE(ctx.Window().HasScreen());
}

// The waits before the automatic tries grow, then stay at a minute.
TEST(ClientParts, ReconnectWaitsGrowToAMinute)
{
    Reconnect reconnect;
    std::vector<int> waits;
    for (int tryNumber = 1; tryNumber <= 6; ++tryNumber)
        waits.push_back(reconnect.DelayBeforeTryMs(tryNumber));
    EXPECT_EQ(waits, (std::vector<int>{5000, 10000, 30000, 60000, 60000, 60000}));
}

}  // namespace
