// Connections that fail: refused, or closed by the server at each stage of
// the sign-on.
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>


#include "protocol_fixture.h"
#include "raw_peer.h"
#include "refusing_port.h"
#include "stderr_capture.h"

namespace {

using namespace std::string_literals;

using ConnectionFaultTest = ProtocolLibraryTest;


TEST_F(ConnectionFaultTest, RefusedConnectShowsTheErrorAndReportsOffline)
{
    RefusingPort refusing;
    ASSERT_NE(refusing.Port(), 0);
    StderrCapture errors;
    ASSERT_EQ(Init(), 1);
    // 1 while the connect is under way, or 0 when it fails at once.
    Establish(refusing.Port());
    const std::string expected =
        "Can't connect to 127.0.0.1 on port " + std::to_string(refusing.Port()) + ". LastError is 111.";
    ASSERT_TRUE(WaitFor([&] { return errors.Text().find(expected) != std::string::npos; })) << errors.Text();
    EXPECT_EQ(calls.LastStatus(), STATUS_OFFLINE);
    for (const std::string& entry : calls.log)
        EXPECT_EQ(entry, Status(STATUS_OFFLINE));

    // Usable again at once.
    ASSERT_EQ(Establish(), 1);
    EXPECT_TRUE(WaitForStatus(STATUS_ONLINE));
}

// --- the server closes at each stage ---

enum class Stage { AfterGreeting, AfterServerSignonFrame, AfterTocSignon, AfterSignOn };

struct CloseCase {
    const char* label;
    Stage stage;
    // Every log the stage may give. Right after the server's sign-on frame
    // the close races the library's answer: toc_signon may still go out
    // (signing on, then offline) or meet the reset ("Error sending
    // toc_signon", no status change before the offline report).
    std::vector<std::vector<std::string>> acceptedLogs;
};
void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.label; }

class ServerCloseTest : public ProtocolLibraryTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(ServerCloseTest, ReportsOfflineLeaksNothingAndCanConnectAgain)
{
    const CloseCase& c = GetParam();
    RawPeer raw;
    ASSERT_TRUE(raw.Listening());
    const bool useRaw = c.stage == Stage::AfterGreeting || c.stage == Stage::AfterServerSignonFrame;
    server.SetAutoSignOn(c.stage == Stage::AfterSignOn);
    StderrCapture errors;  // "Error sending toc_signon" when the close wins the race
    ASSERT_EQ(Init(), 1);
    Settle(10);
    const int descriptorsBefore = OpenDescriptorCount();

    ASSERT_EQ(useRaw ? Establish(raw.Port()) : Establish(), 1);
    switch (c.stage) {
    case Stage::AfterGreeting:
        ASSERT_TRUE(raw.WaitForConnection());
        ASSERT_TRUE(raw.WaitForBytes(kGreeting.size()));
        EXPECT_EQ(raw.Received(), kGreeting);
        raw.CloseConnection();
        break;
    case Stage::AfterServerSignonFrame:
        ASSERT_TRUE(raw.WaitForConnection());
        ASSERT_TRUE(raw.WaitForBytes(kGreeting.size()));
        ASSERT_TRUE(raw.Send(faketoc::EncodeFrame(faketoc::kFrameSignon, 7, kServerSignonPayload)));
        raw.CloseConnection();
        break;
    case Stage::AfterTocSignon:
        ASSERT_TRUE(WaitFor([&] { return HasCommand(0, "toc_signon") && calls.LastStatus() == STATUS_SIGNING_ON; }));
        server.Close(0);
        break;
    case Stage::AfterSignOn:
        ASSERT_TRUE(WaitForStatus(STATUS_ONLINE));
        server.Close(0);
        break;
    }
    ASSERT_TRUE(WaitFor([&] { return calls.log.size() >= 2 && calls.LastStatus() == STATUS_OFFLINE; }))
        << ::testing::PrintToString(calls.log);
    if (!useRaw) {
        ASSERT_TRUE(WaitForServerSideClosed());
    }
    Settle(50);
    EXPECT_THAT(c.acceptedLogs, ::testing::Contains(calls.log));
    EXPECT_EQ(Send("toc_init_done"), -1);

    int descriptorsAfter = 0;
    EXPECT_TRUE(WaitFor([&] { return (descriptorsAfter = OpenDescriptorCount()) == descriptorsBefore; }, 2000))
        << descriptorsAfter << " descriptors open, " << descriptorsBefore << " before the connection";

    server.SetAutoSignOn(true);
    const std::size_t mark = calls.log.size();
    ASSERT_EQ(Establish(), 1);
    ASSERT_TRUE(WaitForStatus(STATUS_ONLINE));
    EXPECT_EQ(calls.Since(mark), (std::vector<std::string>{Status(STATUS_OFFLINE), Status(STATUS_SIGNING_ON),
                                                          Status(STATUS_ONLINE), "OnSignonDone()"}));
}

const std::string kOff = CallbackRecorder::Status(STATUS_OFFLINE);
const std::string kSigningOn = CallbackRecorder::Status(STATUS_SIGNING_ON);
const std::string kOnline = CallbackRecorder::Status(STATUS_ONLINE);

const CloseCase kCloseCases[] = {
    {"AfterGreeting", Stage::AfterGreeting, {{kOff, kOff}}},
    {"AfterServerSignonFrame", Stage::AfterServerSignonFrame, {{kOff, kSigningOn, kOff}, {kOff, kOff}}},
    {"AfterTocSignon", Stage::AfterTocSignon, {{kOff, kSigningOn, kOff}}},
    {"AfterSignOn", Stage::AfterSignOn, {{kOff, kSigningOn, kOnline, "OnSignonDone()", kOff}}},
};
INSTANTIATE_TEST_SUITE_P(Stages, ServerCloseTest, ::testing::ValuesIn(kCloseCases),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace

// --- a server that never finishes the sign-on ---

namespace {

class SignonTimeLimitTest : public ProtocolLibraryTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        ProtocolLibraryTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        const auto setLimit = Bind<TOC_SetSignonTimeLimitFn>("TOC_SetSignonTimeLimit");
        ASSERT_NE(setLimit, nullptr);
        setLimit(250);
    }
};

// false: the server takes the connection and says nothing; true: it answers
// up to toc_signon and never sends SIGN_ON.
TEST_P(SignonTimeLimitTest, EndsLikeAServerCloseAndConnectsAgain)
{
    const bool answersGreeting = GetParam();
    RawPeer silent;
    ASSERT_TRUE(silent.Listening());
    StderrCapture errors;
    ASSERT_EQ(Init(), 1);
    Settle(10);
    const int descriptorsBefore = OpenDescriptorCount();
    if (answersGreeting) {
        ASSERT_TRUE(SignOnHeld());
    } else {
        ASSERT_EQ(Establish(silent.Port()), 1);
        ASSERT_TRUE(silent.WaitForConnection());
    }
    ASSERT_TRUE(WaitFor([&] { return calls.log.size() >= 2 && calls.LastStatus() == STATUS_OFFLINE; }, 3000))
        << ::testing::PrintToString(calls.log);
    const std::vector<std::string> expected =
        answersGreeting ? std::vector<std::string>{kOff, kSigningOn, kOff} : std::vector<std::string>{kOff, kOff};
    EXPECT_EQ(calls.log, expected);
    if (answersGreeting) {
        EXPECT_TRUE(WaitForServerSideClosed());
    } else {
        EXPECT_TRUE(WaitFor([&] {
            silent.Drain();
            return silent.ClientClosed();
        }));
        silent.CloseConnection();  // its descriptor is ours too
    }
    EXPECT_EQ(Send("toc_init_done"), -1);
    EXPECT_TRUE(WaitFor([&] { return OpenDescriptorCount() == descriptorsBefore; }, 2000));
    EXPECT_EQ(errors.Text().find("Protocol Module"), std::string::npos) << errors.Text();

    // Usable again. (When the limit starts, how long it is and that SIGN_ON
    // cancels it are checked against the library's core with a fake clock.)
    server.SetAutoSignOn(true);
    ASSERT_EQ(Establish(), 1);
    ASSERT_TRUE(WaitForStatus(STATUS_ONLINE));
}

INSTANTIATE_TEST_SUITE_P(Servers, SignonTimeLimitTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "SilentAfterTocSignon" : "SilentAfterConnect"; });

}  // namespace
