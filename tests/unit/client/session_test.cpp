// The session on its own, and the parts the client is composed of.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client_context.h"
#include "send_command.h"
#include "session_state.h"

namespace {

std::vector<std::string> g_sent;

int RecordSend(char* text, int length)
{
    EXPECT_EQ(length, -1);
    g_sent.emplace_back(text);
    return 7;  // what the library answered, passed through
}

struct SendCase {
    const char* name;
    bool bound;
    int status;
    bool automatic;
    bool signingOn;
    int count;  // times the command is sent
    const char* command;
    int lastResult;
    std::size_t sent;
    std::size_t waiting;
};

class SessionSends : public ::testing::TestWithParam<SendCase> {};

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
    session.connectionStatus = c.status;
    session.signingOn = c.signingOn;
    int result = 0;
    for (int i = 0; i < c.count; ++i) {
        if (c.automatic) {
            AutomaticSends scope(session);
            result = SendCommand(session, c.command);
        } else {
            result = SendCommand(session, c.command);
        }
    }
    EXPECT_EQ(result, c.lastResult);
    EXPECT_EQ(g_sent.size(), c.sent);
    EXPECT_EQ(session.pacer.Waiting(), c.waiting);
    EXPECT_EQ(session.automaticSends, 0) << "each scope closes itself";
}

constexpr int kPastBurst = static_cast<int>(SendPacer::kBurst) + 2;
constexpr std::size_t kBurst = static_cast<std::size_t>(SendPacer::kBurst);

INSTANTIATE_TEST_SUITE_P(
    Cases, SessionSends,
    ::testing::Values(SendCase{"NotBound", false, STATUS_ONLINE, false, false, 1, "toc_x", -1, 0, 0},
                      SendCase{"Empty", true, STATUS_ONLINE, true, false, 1, "", -1, 0, 0},
                      SendCase{"UsersOwnNeverWait", true, STATUS_ONLINE, false, false, kPastBurst, "toc_x", 7,
                               static_cast<std::size_t>(kPastBurst), 0},
                      SendCase{"AutomaticWaitPastTheBurst", true, STATUS_ONLINE, true, false, kPastBurst, "toc_x", 0,
                               kBurst, 2},
                      SendCase{"AutomaticFromOnConnectGoAtOnce", true, STATUS_ONLINE, true, true, kPastBurst, "toc_x",
                               7, static_cast<std::size_t>(kPastBurst), 0},
                      SendCase{"AutomaticWhileOfflineGoAtOnce", true, STATUS_OFFLINE, true, false, kPastBurst,
                               "toc_x", 7, static_cast<std::size_t>(kPastBurst), 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AwayState, SetCutsToOneMessageUnsetKeepsTheText)
{
    AwayState away;
    EXPECT_FALSE(away.IsAway());
    away.Set(std::string(kMaxTocText + 5, 'a'));
    EXPECT_TRUE(away.IsAway());
    EXPECT_EQ(away.Text(), std::string(kMaxTocText, 'a'));
    away.Unset();
    EXPECT_FALSE(away.IsAway());
    EXPECT_EQ(away.Text().size(), kMaxTocText);
}

class CountingWindow final : public ClientWindow {
public:
    void ShowOutputText(const std::string&) override {}
    void OutputTextAppended(std::string_view) override {}
    void ScrollOutputToEnd() override {}
    std::vector<int> SelectedOnlineRows() const override { return {}; }
    std::string InputText() const override { return {}; }
    void SetInputText(std::string_view) override {}
    std::string FormattingText() const override { return {}; }
    void SetFormattingText(std::string_view) override {}
    void ShowConnectionState(ConnectionState) override {}
    void* OwnerHandle() override { return this; }
    void RequestPump(int) override {}
};

TEST(ClientWindowSlot, NullUntilAttachedAndOnlyTheAttachedOneDetaches)
{
    ClientContext ctx;
    EXPECT_FALSE(ctx.Window().HasScreen());
    EXPECT_EQ(ctx.Window().OwnerHandle(), nullptr) << "the library's boxes go to standard error";
    CountingWindow first, second;
    ctx.AttachWindow(first);
    ctx.DetachWindow(second);
    EXPECT_EQ(&ctx.Window(), &first);
    ctx.DetachWindow(first);
    EXPECT_FALSE(ctx.Window().HasScreen());
    EXPECT_EQ(ctx.Window().OwnerHandle(), nullptr);
}

}  // namespace
