// Connection control as the user sees it: status lines, the connection state
// announced to the window, server
// error texts, the automatic reconnect and re-initialisation.
#include <algorithm>
#include <functional>

#include <QElapsedTimer>

#include "client_harness.h"
#include "send_command.h"
#include "output.h"
#include "input_line.h"
#include "refusing_port.h"
#include "stderr_capture.h"

namespace {

class ConnectionTest : public ClientHarness {
protected:
    // The automatic tries' wait, in the tests that act during it.
    static constexpr int kRetryWaitMs = 400;
    // Whether a wait that should be cancelled still ends in a try: a
    // connection beyond `connections`, or a failed try's line, before the
    // wait begun at `since` has surely ended. Returns at once when it does.
    bool TryAfterTheWait(const QElapsedTimer& since, int connections)
    {
        const int left = std::max(0, kRetryWaitMs + 100 - static_cast<int>(since.elapsed()));
        return HappensWithin([&] {
            return server.ClientCount() > connections ||
                   TranscriptHas("STATUS MESSAGE: Failed to establish a connection with AIM services.");
        }, left);
    }
};

TEST_F(ConnectionTest, StatusLinesAndStatesFollowTheConnection)
{
    server.SetAutoSignOn(false);
    ConnectToServer(ctx.Out(), ctx.session, ctx.settings);
    ASSERT_TRUE(WaitForLine("STATUS MESSAGE: Logging onto AIM..."));
    EXPECT_EQ(window.LastConnectionState(), ConnectionState::SigningOn);

    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return server.AcceptSignOn(0); }));
    ASSERT_TRUE(WaitForLine("STATUS MESSAGE: Connected to AIM server."));
    EXPECT_EQ(window.LastConnectionState(), ConnectionState::Online);

    server.SendData(0, "UPDATE_BUDDY:Bob:T:0:0:0: O");
    ASSERT_TRUE(WaitForLine("STATUS MESSAGE: Bob signed on."));
    DisconnectFromServer(ctx.Out(), ctx.session);
    ASSERT_TRUE(WaitForLine("STATUS MESSAGE: Disconnected from AIM server."));
    EXPECT_EQ(window.connectionStates,
              (std::vector{ConnectionState::SigningOn, ConnectionState::Online, ConnectionState::Offline}));
    EXPECT_EQ(window.OnlineCount(), 0);

    const std::vector<std::string> expected = {
        "STATUS MESSAGE: Logging onto AIM...", "STATUS MESSAGE: Connected to AIM server.",
        "STATUS MESSAGE: Disconnected from AIM server."};
    EXPECT_EQ(LinesWithoutPresence(), expected);
    // The server saw the sign-off frame before the close.
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !Peer().connected; }));
    EXPECT_EQ(Peer().frames.back().type, faketoc::kFrameSignoff);
}

TEST_F(ConnectionTest, MissingCredentialsStopBeforeTheLibrary)
{
    SetFieldText(ctx.settings.userInfo.screenName, "");
    SetFieldText(ctx.settings.userInfo.password, "");
    ConnectToServer(ctx.Out(), ctx.session, ctx.settings);
    SetFieldText(ctx.settings.userInfo.screenName, "alice");
    ConnectToServer(ctx.Out(), ctx.session, ctx.settings);
    const std::vector<std::string> expected = {"STATUS MESSAGE: Set a login name before attempting to connect.",
                                               "STATUS MESSAGE: Set a password before attempting to connect."};
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(server.ClientCount(), 0);
    EXPECT_FALSE(ctx.session.protocolInitialised);
}

TEST_F(ConnectionTest, ServerErrorsWhileOnlineBecomeTheirTexts)
{
    ASSERT_TRUE(SignOn());
    const std::pair<std::string, std::string> cases[] = {
        {"ERROR:903", "A message has been dropped, you are exceeding the server speed limit"},
        {"ERROR:901:bob", "User not currently available"},
        {"ERROR:962", "You missed an IM from a user because it was sent too fast."},
        {"ERROR:999", "Server sent unhandled error."},
        {"ERROR:abc", "Server sent unhandled error."},
        {"ERROR", "Server sent unhandled error."},
        {"ERROR:99999999999999999999", "Server sent unhandled error."},
        {"ERROR:%s%n%x", "Server sent unhandled error."},
    };
    for (const auto& [message, text] : cases) {
        const std::size_t before = Lines().size();
        server.SendData(0, message);
        ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return Lines().size() == before + 1; })) << message;
        EXPECT_EQ(Lines().back(), "STATUS MESSAGE: " + text) << message;
    }
    EXPECT_EQ(ctx.session.connectionStatus, STATUS_ONLINE);
}

TEST_F(ConnectionTest, FailedSignonIsReportedAndNeverRetried)
{
    server.SetPassword("alicetest", "other");
    ctx.session.reconnect.SetAutomatic(true);
    ConnectToServer(ctx.Out(), ctx.session, ctx.settings);
    ASSERT_TRUE(WaitForLine("STATUS MESSAGE: Incorrect nickname or password."));
    EXPECT_FALSE(ctx.session.reconnect.Reconnecting()) << "no try waits";
    const std::vector<std::string> expected = {
        "STATUS MESSAGE: Logging onto AIM...", "STATUS MESSAGE: Disconnected from AIM server.",
        "STATUS MESSAGE: Error during signon. Try again later.", "STATUS MESSAGE: Incorrect nickname or password."};
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(server.ClientCount(), 1);
    // The password is the user's to mend: the window offers the configuration.
    EXPECT_EQ(window.configOffers, (std::vector<std::string>{"Incorrect nickname or password."}));
}

// The server's reason follows the sign-on error line, in the protocol's words.
TEST_F(ConnectionTest, SignonRefusalsSayWhy)
{
    server.SetAutoSignOn(false);
    const std::pair<std::string, std::string> cases[] = {
        {"ERROR:981", "The service is temporarily unavailable."},
        {"ERROR:982", "Your warning level is currently too high to sign on."},
        {"ERROR:983", "You have been connecting and disconnecting too frequently. Wait 10 minutes and try again. "
                      "If you continue to try, you will need to wait even longer."},
        {"ERROR:989:database down", "An unknown signon error has occurred: database down"},
        {"ERROR:989", "An unknown signon error has occurred."},
        {"ERROR:999", ""},
    };
    for (int client = 0; const auto& [message, reason] : cases) {
        SCOPED_TRACE(message);
        ConnectToServer(ctx.Out(), ctx.session, ctx.settings);
        ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.connectionStatus == STATUS_SIGNING_ON; }));
        server.SendData(client++, message);
        ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.connectionStatus == STATUS_OFFLINE; }));
        std::vector<std::string> lines = Lines();
        if (!reason.empty()) {
            EXPECT_EQ(lines.back(), "STATUS MESSAGE: " + reason);
            lines.pop_back();
        }
        EXPECT_EQ(lines.back(), "STATUS MESSAGE: Error during signon. Try again later.");
    }
    EXPECT_TRUE(window.configOffers.empty());
}

TEST_F(ConnectionTest, OneAutomaticReconnectAfterADropFromOnline)
{
    ctx.session.reconnect.SetAutomatic(true);
    ASSERT_TRUE(SignOn(0));
    server.Close(0);
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return server.ClientCount() == 2 && Peer(1).signedOn; }));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.connectionStatus == STATUS_ONLINE; }));
    const std::vector<std::string> expected = {
        "STATUS MESSAGE: Logging onto AIM...", "STATUS MESSAGE: Connected to AIM server.",
        "STATUS MESSAGE: Disconnected from AIM server.", "STATUS MESSAGE: Reconnecting in 1 second.",
        "STATUS MESSAGE: Reconnecting (try 1)...", "STATUS MESSAGE: Logging onto AIM...",
        "STATUS MESSAGE: Connected to AIM server."};
    EXPECT_EQ(LinesWithoutPresence(), expected);
}

// A connection the server paused was signed on: its drop is reconnected too.
TEST_F(ConnectionTest, ADropWhilePausedStartsTheTries)
{
    ctx.session.reconnect.SetAutomatic(true);
    ASSERT_TRUE(SignOn(0));
    server.SendData(0, "PAUSE");
    ASSERT_TRUE(WaitForLine("STATUS MESSAGE: The server paused the connection."));
    server.Close(0);
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return server.ClientCount() == 2 && Peer(1).signedOn; }));
    EXPECT_TRUE(TranscriptHas("STATUS MESSAGE: Reconnecting (try 1)..."));
}

// While the server is down the tries go on, each saying that it was
// refused, until one signs on; none of them is a sign-on the user made.
TEST_F(ConnectionTest, AutomaticTriesGoOnUntilTheServerIsBack)
{
    ctx.session.reconnect.SetAutomatic(true);
    ASSERT_TRUE(SignOn(0));
    RefusingPort refusing;
    ctx.settings.userInfo.tocPort = refusing.Port();
    server.Close(0);
    ASSERT_TRUE(WaitForLine("STATUS MESSAGE: Reconnecting (try 3)..."));
    EXPECT_EQ(window.LastConnectionState(), ConnectionState::Reconnecting);
    ctx.settings.userInfo.tocPort = server.Port();
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.connectionStatus == STATUS_ONLINE; }));
    ASSERT_TRUE(ClientSendsArrived(server.ClientCount() - 1));

    const std::string refused = "STATUS MESSAGE: 127.0.0.1 port " + std::to_string(refusing.Port()) +
                                " refused the connection.";
    const std::vector<std::string> lines = LinesWithoutPresence();
    const std::vector<std::string> firstTwoTries = {
        "STATUS MESSAGE: Disconnected from AIM server.", "STATUS MESSAGE: Reconnecting in 1 second.",
        "STATUS MESSAGE: Reconnecting (try 1)...",        refused,
        "STATUS MESSAGE: Reconnecting in 1 second.",     "STATUS MESSAGE: Reconnecting (try 2)...",
        refused};
    ASSERT_GE(lines.size(), 2 + firstTwoTries.size() + 2);
    EXPECT_EQ(std::vector(lines.begin() + 2, lines.begin() + 2 + firstTwoTries.size()), firstTwoTries);
    EXPECT_EQ(std::vector(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"STATUS MESSAGE: Logging onto AIM...", "STATUS MESSAGE: Connected to AIM server."}));
    EXPECT_EQ(server.ClientCount(), 2);
    EXPECT_FALSE(ctx.session.reconnect.Reconnecting());
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("No answer"), std::string::npos) << line;
}

// What ends the automatic tries, and what does not.
TEST_F(ConnectionTest, AutomaticTriesStopWhereRetryingCannotHelp)
{
    struct Case {
        const char* name;
        std::function<void()> act;  // while the second try signs on
        bool tryingGoesOn;
    };
    const auto serverSends = [this](const std::string& message) {
        return [this, message] { server.SendData(server.ClientCount() - 1, message); };
    };
    const Case cases[] = {
        {"Disconnect", [this] { DisconnectFromServer(ctx.Out(), ctx.session); }, false},
        {"autoreconnect off",
         [this] {
             window.input = "/autoreconnect";
             SubmitInputLine(ctx);
         },
         false},
        {"wrong password", serverSends("ERROR:980"), false},
        {"too frequent", serverSends("ERROR:983"), false},
        {"service unavailable", serverSends("ERROR:981"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ctx.session.reconnect.SetAutomatic(true);
        server.SetAutoSignOn(true);
        ASSERT_TRUE(SignOn(server.ClientCount()));
        const int before = server.ClientCount();
        server.SetAutoSignOn(false);
        server.Close(before - 1);
        ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.connectionStatus == STATUS_SIGNING_ON; }));
        c.act();
        if (c.tryingGoesOn) {
            ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return server.ClientCount() == before + 2; }));
            EXPECT_TRUE(ctx.session.reconnect.Reconnecting());
            DisconnectFromServer(ctx.Out(), ctx.session);
        } else {
            ASSERT_TRUE(WaitForLine("STATUS MESSAGE: Reconnecting stopped."));
            EXPECT_FALSE(ctx.session.reconnect.Reconnecting()) << "no try waits";
            EXPECT_EQ(server.ClientCount(), before + 1);
            EXPECT_EQ(window.LastConnectionState(), ConnectionState::Offline);
        }
        EXPECT_EQ(ctx.session.connectionStatus, STATUS_OFFLINE);
        EXPECT_FALSE(ctx.session.reconnect.Reconnecting());
        ClearTranscript(ctx.Out());
    }
    // A sign-off by hand is no drop to reconnect after.
    ctx.session.reconnect.SetAutomatic(true);
    server.SetAutoSignOn(true);
    ASSERT_TRUE(SignOn(server.ClientCount()));
    const int before = server.ClientCount();
    DisconnectFromServer(ctx.Out(), ctx.session);
    EXPECT_EQ(server.ClientCount(), before);
    EXPECT_FALSE(ctx.session.reconnect.Reconnecting());
}

// Connecting by hand while the automatic reconnect waits replaces it: the
// wait must not end in a second attempt or a stray failure line, and a
// failed sign-on of the hand-made attempt is never retried.
TEST_F(ConnectionTest, ConnectingDuringTheReconnectWaitCancelsIt)
{
    ctx.session.reconnect.SetRetryDelaysMs({kRetryWaitMs});
    ctx.session.reconnect.SetAutomatic(true);
    ASSERT_TRUE(SignOn(0));
    server.SetPassword("alicetest", "other");
    server.Close(0);
    ASSERT_TRUE(WaitForLine("STATUS MESSAGE: Disconnected from AIM server."));
    QElapsedTimer sinceDrop;
    sinceDrop.start();
    ConnectToServer(ctx.Out(), ctx.session, ctx.settings);
    ASSERT_TRUE(WaitForLine("STATUS MESSAGE: Error during signon. Try again later."));
    EXPECT_FALSE(TryAfterTheWait(sinceDrop, 2));
    EXPECT_EQ(ctx.session.connectionStatus, STATUS_OFFLINE);
}

TEST_F(ConnectionTest, ReconnectCommandDuringTheWaitConnectsOnce)
{
    ctx.session.reconnect.SetRetryDelaysMs({kRetryWaitMs});
    ctx.session.reconnect.SetAutomatic(true);
    ASSERT_TRUE(SignOn(0));
    server.Close(0);
    ASSERT_TRUE(WaitForLine("STATUS MESSAGE: Disconnected from AIM server."));
    QElapsedTimer sinceDrop;
    sinceDrop.start();
    ReconnectAfterPause(ctx.Out(), ctx.session, ctx.settings);
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.connectionStatus == STATUS_ONLINE; }));
    EXPECT_FALSE(TryAfterTheWait(sinceDrop, 2));
    EXPECT_TRUE(ctx.session.reconnect.Automatic());
}

TEST_F(ConnectionTest, ASecondReconnectCommandDuringThePauseKeepsTheSwitch)
{
    ctx.session.reconnect.SetAutomatic(true);
    ASSERT_TRUE(SignOn(0));
    ReconnectAfterPause(ctx.Out(), ctx.session, ctx.settings);
    ReconnectAfterPause(ctx.Out(), ctx.session, ctx.settings);
    EXPECT_FALSE(ctx.session.reconnect.Automatic()) << "off during the pause";
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return server.ClientCount() == 2; }));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.connectionStatus == STATUS_ONLINE; }));
    EXPECT_TRUE(ctx.session.reconnect.Automatic()) << "on again as before the first command";
    // And it works: a drop now starts the automatic tries.
    ctx.session.reconnect.SetRetryDelaysMs({50});
    server.Close(1);
    EXPECT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return server.ClientCount() == 3; }));
}

TEST_F(ConnectionTest, ClosingTheClientNeverReconnects)
{
    ctx.session.reconnect.SetAutomatic(true);
    ASSERT_TRUE(SignOn(0));
    ShutdownClient(ctx);
    EXPECT_FALSE(ctx.session.reconnect.Reconnecting()) << "no try waits";
    EXPECT_EQ(server.ClientCount(), 1);
    EXPECT_EQ(LinesWithoutPresence().back(), "STATUS MESSAGE: Disconnected from AIM server.");
}

TEST_F(ConnectionTest, NoReconnectWithoutTheFlag)
{
    ASSERT_TRUE(SignOn(0));
    server.Close(0);
    ASSERT_TRUE(WaitForLine("STATUS MESSAGE: Disconnected from AIM server."));
    EXPECT_FALSE(ctx.session.reconnect.Reconnecting()) << "no try waits";
    EXPECT_EQ(server.ClientCount(), 1);
    EXPECT_EQ(ctx.session.connectionStatus, STATUS_OFFLINE);
}

TEST_F(ConnectionTest, ReinitWhileOfflineStartsNothing)
{
    ReinitConnection(ctx.Out(), ctx.session, ctx.settings);
    EXPECT_TRUE(ctx.session.protocolInitialised);
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(server.ClientCount(), 0);
    // The library took the new settings: a later connect signs on with them.
    ASSERT_TRUE(SignOn());
    EXPECT_EQ(Peer().screenName, "alicetest");
}

TEST_F(ConnectionTest, ReinitWhileOnlineSignsOnAgainWithNewSettings)
{
    ASSERT_TRUE(SignOn(0));
    SetFieldText(ctx.settings.userInfo.screenName, "Alice Two");
    ReinitConnection(ctx.Out(), ctx.session, ctx.settings);
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return server.ClientCount() == 2 && Peer(1).signedOn; }));
    EXPECT_EQ(Peer(1).screenName, "alicetwo");
    EXPECT_TRUE(TranscriptHas("STATUS MESSAGE: Reconnecting for updated userinfo."));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !Peer(0).connected; }));
}

// Connect (and Escape) while a connection is up or being made has nothing to
// do and says nothing.
TEST_F(ConnectionTest, ConnectWhileConnectedOrConnectingDoesNothing)
{
    StderrCapture messages;
    server.SetAutoSignOn(false);
    ConnectToServer(ctx.Out(), ctx.session, ctx.settings);
    ConnectToServer(ctx.Out(), ctx.session, ctx.settings);  // the TCP connect is under way
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.connectionStatus == STATUS_SIGNING_ON; }));
    ConnectToServer(ctx.Out(), ctx.session, ctx.settings);
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return server.AcceptSignOn(0); }));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.connectionStatus == STATUS_ONLINE; }));
    ConnectToServer(ctx.Out(), ctx.session, ctx.settings);
    ASSERT_TRUE(ClientSendsArrived()) << "the connection still works";
    EXPECT_EQ(LinesWithoutPresence(), (std::vector<std::string>{"STATUS MESSAGE: Logging onto AIM...",
                                                                "STATUS MESSAGE: Connected to AIM server."}));
    EXPECT_EQ(messages.Text().find("You cannot call init again"), std::string::npos);
    EXPECT_EQ(server.ClientCount(), 1);
}

TEST_F(ConnectionTest, RefusedConnectionIsReportedAndTheClientCanConnectAgain)
{
    // Nothing listens on that port once the second server is gone.
    {
        faketoc::FakeTocServer gone;
        ASSERT_TRUE(gone.Listen());
        ctx.settings.userInfo.tocPort = gone.Port();
    }
    StderrCapture messages;
    // However long the library's box stays open, a refusal is no silent server.
    ctx.session.signonTimeLimitMs = 0;
    ConnectToServer(ctx.Out(), ctx.session, ctx.settings);
    const std::string expected =
        "Can't connect to 127.0.0.1 on port " + std::to_string(ctx.settings.userInfo.tocPort) + ". LastError is 111.";
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return messages.Text().find(expected) != std::string::npos; }));
    EXPECT_EQ(ctx.session.connectionStatus, STATUS_OFFLINE);
    EXPECT_FALSE(HappensWithin([&] { return !Lines().empty(); }, 50)) << Lines().front();
    EXPECT_EQ(window.LastConnectionState(), ConnectionState::Offline);

    ctx.settings.userInfo.tocPort = server.Port();
    ASSERT_TRUE(SignOn());
}

TEST_F(ConnectionTest, AHostNameIsLookedUpWhileTheWindowRunsAndAFailureIsReported)
{
    SetFieldText(ctx.settings.userInfo.tocServer, "no-such-host.invalid");
    StderrCapture messages;
    ConnectToServer(ctx.Out(), ctx.session, ctx.settings);
    // The attempt is under way; the window says what it waits for.
    EXPECT_EQ(Lines().back(), "STATUS MESSAGE: Looking up no-such-host.invalid...");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor(
        [&] { return messages.Text().find("Can't connect to no-such-host.invalid on port") != std::string::npos; },
        40000));
    EXPECT_NE(messages.Text().find("LastError is 22."), std::string::npos) << messages.Text();
    EXPECT_EQ(ctx.session.connectionStatus, STATUS_OFFLINE);

    // A name that resolves (to 127.0.0.1 and perhaps ::1, tried in turn) signs on.
    SetFieldText(ctx.settings.userInfo.tocServer, "localhost");
    ASSERT_TRUE(SignOn());
}

TEST_F(ConnectionTest, UnaskedSignonChangesNothing)
{
    ASSERT_TRUE(SignOn());
    StderrCapture messages;
    server.SendData(0, "SIGN_ON:TOC1.0");
    server.SendData(0, "SIGN_ON:TOC1.0");
    server.SendData(0, "IM_IN:Bob:F:marker");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return Lines().back().find("marker") != std::string::npos; }));
    EXPECT_EQ(Parsed("toc_init_done").size(), 1u) << "the sign-on is completed once";
    int connected = 0;
    for (const std::string& line : Lines())
        connected += line == "STATUS MESSAGE: Connected to AIM server." ? 1 : 0;
    EXPECT_EQ(connected, 1);
    EXPECT_NE(messages.Text().find("Got SIGN_ON in weird state"), std::string::npos);
}

TEST(ConnectionWithoutLibrary, FatalLineAndConnectStaysHarmless)
{
    ProfileFolder dir;
    ASSERT_TRUE(dir.Ok());
    {
        ClientContext ctx;
        ctx.settings.profile.folder = dir.Folder();
        RecordingWindow window;
        StartClient(ctx, window, "libtocwire-missing.so");
        SetFieldText(ctx.settings.userInfo.screenName, "alice");
        SetFieldText(ctx.settings.userInfo.password, "pw");
        ConnectToServer(ctx.Out(), ctx.session, ctx.settings);
        DisconnectFromServer(ctx.Out(), ctx.session);
        ReinitConnection(ctx.Out(), ctx.session, ctx.settings);
        EXPECT_EQ(SendCommand(ctx.session, "toc_init_done"), -1);
        PumpTick(ctx);
        ShutdownClient(ctx);
        EXPECT_NE(ctx.transcript.output.Text().find("STATUS MESSAGE: FATAL ERROR: Couldn't load libtocwire.so!\r\n"),
                  std::string::npos);
        EXPECT_NE(ctx.transcript.output.Text().find(std::string(kLibraryNotLoaded)), std::string::npos);
        // Both files were still written at the close.
        EXPECT_EQ(ReadBytes(dir.Path("userinfo.cfg")).size(), kUserInfoSize);
    }
}

}  // namespace
