// The sign-on state machine through the callbacks: ERROR before and after
// SIGN_ON, the default completion sequence, repeated SIGN_ON, and
// TOC_Disconnect in each state.
#include "protocol_fixture.h"
#include "stderr_capture.h"

namespace {

using namespace std::string_literals;

const char* const kSignonErrorText = "Server sent error during signon. Try again later.";
const char* const kUnhandledErrorText = "Server sent unhandled error.";
const char* const kWeirdSignonText = "Got SIGN_ON in weird state";

// --- ERROR during sign-on ---

class SignonErrorTest : public ProtocolLibraryTest, public ::testing::WithParamInterface<int> {};

TEST_P(SignonErrorTest, SignsOffClosesReportsOfflineThenTheError)
{
    const int handled = GetParam();
    calls.signonErrorResult = handled;
    server.SetPassword(kScreenName, "another password");
    StderrCapture errors;
    ASSERT_EQ(Init(), 1);
    ASSERT_EQ(Establish(), 1);
    ASSERT_TRUE(WaitForEntry("OnSignonError(980)"));

    const std::vector<std::string> expected = {Status(STATUS_OFFLINE), Status(STATUS_SIGNING_ON),
                                               Status(STATUS_OFFLINE), "OnSignonError(980)"};
    EXPECT_EQ(calls.log, expected);
    EXPECT_EQ(Peer().signonError, "wrong password");
    ASSERT_TRUE(WaitForServerSideClosed());
    EXPECT_TRUE(Peer().closedByPeer);
    ASSERT_FALSE(Peer().frames.empty());
    EXPECT_EQ(Peer().frames.back().type, faketoc::kFrameSignoff);
    EXPECT_EQ(Peer().frames.back().payload, "");
    EXPECT_EQ(Send("toc_init_done"), -1);
    EXPECT_EQ(errors.Text().find(kSignonErrorText) != std::string::npos, handled == 0) << errors.Text();
}

INSTANTIATE_TEST_SUITE_P(HandledOrNot, SignonErrorTest, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param ? "Handled"s : "Unhandled"s; });

using SignonTest = ProtocolLibraryTest;

TEST_F(SignonTest, FramesAfterASignonErrorInTheSameReadStillArrive)
{
    ASSERT_EQ(Init(), 1);
    ASSERT_TRUE(SignOnHeld());
    const std::size_t mark = calls.log.size();
    server.SendRaw(0, DataFrame("ERROR:980") + DataFrame("IM_IN:Bob:F:late news"));
    ASSERT_TRUE(WaitForEntry(Message("IM_IN", "Bob:F:late news")));
    EXPECT_EQ(calls.Since(mark), (std::vector<std::string>{Status(STATUS_OFFLINE), "OnSignonError(980)",
                                                          Message("IM_IN", "Bob:F:late news")}));
    ASSERT_TRUE(WaitForServerSideClosed());
    EXPECT_EQ(Peer().frames.back().type, faketoc::kFrameSignoff);
    // The connection is gone and the library ready for the next attempt.
    server.SetAutoSignOn(true);
    ASSERT_EQ(Establish(), 1);
    EXPECT_TRUE(WaitForStatus(STATUS_ONLINE));
}

// --- ERROR while online ---

class OnlineErrorTest : public ProtocolLibraryTest, public ::testing::WithParamInterface<int> {};

TEST_P(OnlineErrorTest, GoesToOnServerErrorAndTheConnectionStays)
{
    const int handled = GetParam();
    calls.serverErrorResult = handled;
    StderrCapture errors;
    ASSERT_TRUE(SignOn());
    const std::size_t mark = calls.log.size();
    server.SendData(0, "ERROR:901:Bob Smith");
    ASSERT_TRUE(WaitForEntry("OnServerError(901:Bob Smith)"));
    EXPECT_EQ(calls.Since(mark), std::vector<std::string>{"OnServerError(901:Bob Smith)"});
    EXPECT_EQ(errors.Text().find(kUnhandledErrorText) != std::string::npos, handled == 0) << errors.Text();

    EXPECT_EQ(Send("toc_init_done"), 0);
    ASSERT_TRUE(WaitForCommand("toc_init_done"));
    EXPECT_TRUE(Peer().connected);
    EXPECT_EQ(FramesOfType(0, faketoc::kFrameSignoff), 0u);
}

INSTANTIATE_TEST_SUITE_P(HandledOrNot, OnlineErrorTest, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param ? "Handled"s : "Unhandled"s; });

// --- sign-on completion ---

TEST_F(SignonTest, DefaultCompletionWhenTheHostDeclines)
{
    calls.signonDoneResult = 0;
    server.SetRelay(false);  // no presence replies to toc_add_buddy
    ASSERT_TRUE(SignOn());
    ASSERT_TRUE(LibrarySendsArrived());
    const std::vector<std::string> expected = {
        "toc_set_config \"m 1\n\"",
        "toc_add_buddy alicetest",
        "toc_init_done",
        "toc_set_caps 09461343-4C7F-11D1-8222-444553540000 09461348-4C7F-11D1-8222-444553540000",
    };
    EXPECT_EQ(CommandsAfterSignon(), expected);
    EXPECT_EQ(calls.log, (std::vector<std::string>{Status(STATUS_OFFLINE), Status(STATUS_SIGNING_ON),
                                                   Status(STATUS_ONLINE), "OnSignonDone()"}));
}

TEST_F(SignonTest, NothingIsSentAfterSignOnWhenTheHostCompletes)
{
    calls.signonDoneResult = 1;
    ASSERT_TRUE(SignOn());
    ASSERT_TRUE(LibrarySendsArrived());
    EXPECT_EQ(CommandsAfterSignon(), std::vector<std::string>{});
    EXPECT_EQ(calls.log, (std::vector<std::string>{Status(STATUS_OFFLINE), Status(STATUS_SIGNING_ON),
                                                   Status(STATUS_ONLINE), "OnSignonDone()"}));
}

TEST_F(SignonTest, HostMaySendFromOnSignonDone)
{
    int result = 99;
    calls.onSignonDone = [&] {
        char text[] = "toc_init_done";
        result = api.send(text, -1);
    };
    ASSERT_TRUE(SignOn());
    EXPECT_EQ(result, 0) << "online already when OnSignonDone runs";
    ASSERT_TRUE(WaitForCommand("toc_init_done"));
    EXPECT_EQ(CommandsAfterSignon(), std::vector<std::string>{"toc_init_done"});
}

// A SIGN_ON while online: after PAUSE it signs on again (the pause itself
// reported as signing on); otherwise it is shown once a connection and
// changes nothing, however often it comes.
struct RepeatCase {
    const char* label;
    bool pauseFirst;
    int signons;
    std::vector<std::string> expected;
    bool expectWeirdMessage;
};
void PrintTo(const RepeatCase& c, std::ostream* os) { *os << c.label; }

class RepeatedSignonTest : public ProtocolLibraryTest, public ::testing::WithParamInterface<RepeatCase> {};

TEST_P(RepeatedSignonTest, ReportsOnlineAndCompletesAgain)
{
    const RepeatCase& c = GetParam();
    StderrCapture errors;
    ASSERT_TRUE(SignOn());
    const std::size_t mark = calls.log.size();
    QByteArray bytes;
    if (c.pauseFirst)
        bytes += DataFrame("PAUSE");
    for (int i = 0; i < c.signons; ++i)
        bytes += DataFrame("SIGN_ON:TOC1.0");
    bytes += DataFrame("IM_IN:bob:F:marker");
    server.SendRaw(0, bytes);
    ASSERT_TRUE(WaitFor([&] { return !calls.Since(mark).empty() && calls.Since(mark).back().find("marker") != std::string::npos; }));
    std::vector<std::string> seen = calls.Since(mark);
    seen.pop_back();
    EXPECT_EQ(seen, c.expected);
    std::size_t shown = 0;
    for (std::size_t at = errors.Text().find(kWeirdSignonText); at != std::string::npos;
         at = errors.Text().find(kWeirdSignonText, at + 1))
        ++shown;
    EXPECT_EQ(shown, c.expectWeirdMessage ? 1u : 0u) << errors.Text();
    EXPECT_EQ(Send("toc_init_done"), 0);
}

const RepeatCase kRepeatCases[] = {
    {"AfterPause", true, 1, {CallbackRecorder::Status(STATUS_SIGNING_ON), CallbackRecorder::Status(STATUS_ONLINE), "OnSignonDone()"}, false},
    {"AfterPauseRepeated", true, 3, {CallbackRecorder::Status(STATUS_SIGNING_ON), CallbackRecorder::Status(STATUS_ONLINE), "OnSignonDone()"}, true},
    {"WithoutPause", false, 200, {}, true},
};
INSTANTIATE_TEST_SUITE_P(Cases, RepeatedSignonTest, ::testing::ValuesIn(kRepeatCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(SignonTest, SecondServerSignonFrameIsIgnoredAndKeepsTheNumbering)
{
    ASSERT_TRUE(SignOn());
    const std::uint16_t last = Peer().frames.back().sequence;
    server.SendRaw(0, server.Frame(0, faketoc::kFrameSignon, Bytes("\0\0\0\1"s)) + DataFrame("IM_IN:Bob:F:after"));
    ASSERT_TRUE(WaitForEntry(Message("IM_IN", "Bob:F:after")));
    ASSERT_EQ(Send("toc_init_done"), 0);
    ASSERT_TRUE(WaitForCommand("toc_init_done"));
    EXPECT_EQ(FramesOfType(0, faketoc::kFrameSignon), 1u);
    EXPECT_EQ(Peer().frames.back().sequence, static_cast<std::uint16_t>(last + 1));
    EXPECT_EQ(calls.LastStatus(), STATUS_ONLINE);
}

// --- TOC_Disconnect ---

TEST_F(SignonTest, DisconnectWhileSigningOnDoesNothing)
{
    ASSERT_EQ(Init(), 1);
    ASSERT_TRUE(SignOnHeld());
    const std::vector<std::string> before = calls.log;
    api.disconnect();
    ASSERT_TRUE(KeepAliveAnswered());
    EXPECT_EQ(calls.log, before);
    EXPECT_TRUE(Peer().connected);
    EXPECT_EQ(FramesOfType(0, faketoc::kFrameSignoff), 0u);

    ASSERT_TRUE(server.AcceptSignOn(0));
    EXPECT_TRUE(WaitForStatus(STATUS_ONLINE));
}

TEST_F(SignonTest, DisconnectOnlineSignsOffAndReportsOffline)
{
    ASSERT_TRUE(SignOn());
    const std::size_t mark = calls.log.size();
    api.disconnect();
    // Reported before TOC_Disconnect returns.
    EXPECT_EQ(calls.Since(mark), std::vector<std::string>{Status(STATUS_OFFLINE)});
    EXPECT_EQ(Send("toc_init_done"), -1);
    ASSERT_TRUE(WaitForServerSideClosed());
    EXPECT_TRUE(Peer().closedByPeer);
    EXPECT_EQ(Peer().frames.back().type, faketoc::kFrameSignoff);
    EXPECT_EQ(Peer().frames.back().payload, "");
    Settle();
    EXPECT_EQ(calls.Since(mark), std::vector<std::string>{Status(STATUS_OFFLINE)}) << "no second report";

    api.disconnect();  // offline already: nothing
    EXPECT_EQ(calls.Since(mark).size(), 1u);
}

}  // namespace
