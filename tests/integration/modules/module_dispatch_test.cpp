// The dispatch operations at their moments in the real client, against the
// fake server: results combined, every module called, and nesting.
#include "module_harness.h"
#include "connection_status.h"
#include "stderr_capture.h"

class Dispatch : public ModuleHarness {
protected:
    void SetUp() override
    {
        InstallRecorder("user_1.so");
        InstallRecorder("user_2.so");
        InstallRecorder("user_3.so", "user_suffixed");
        ASSERT_NO_FATAL_FAILURE(Start());
    }
};

TEST_F(Dispatch, SendIsStoppedOnlyByMinusOneAndEveryModuleIsAsked)
{
    ASSERT_TRUE(SignOn());
    struct Case {
        std::vector<std::string> results;
        bool sent;
    };
    const Case cases[] = {
        {{"0", "-1", "5"}, false},
        {{"-1", "0", "0"}, false},
        {{"1", "-2", "0"}, true},
        {{"0", "0", "0"}, true},
    };
    for (const Case& c : cases) {
        Configure({"user_1.so|OnSendIM|" + c.results[0], "user_2.so|OnSendIM|" + c.results[1],
                   "user_3.so|OnSendIM|" + c.results[2]});
        ClearLog();
        const std::size_t before = Parsed("toc_send_im").size();
        SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, "Echo Bot", "hello", false);
        ASSERT_TRUE(ClientSendsArrived());
        EXPECT_EQ(LogOf("OnSendIM"), (std::vector<std::string>{"user_1.so|OnSendIM|Echo Bot|hello|0",
                                                               "user_2.so|OnSendIM|Echo Bot|hello|0",
                                                               "user_3.so|OnSendIM|Echo Bot|hello|0"}));
        EXPECT_EQ(Parsed("toc_send_im").size(), before + (c.sent ? 1 : 0)) << c.results[0] << c.results[1];
    }
}

TEST_F(Dispatch, CommandIsHandledWhenAnyModuleTakesIt)
{
    struct Case {
        const char* first;
        const char* second;
        bool handled;
    };
    for (const Case& c : {Case{"0", "0", false}, Case{"0", "1", true}, Case{"1", "7", true}}) {
        Configure({std::string("user_1.so|OnUserCommand|") + c.first, std::string("user_2.so|OnUserCommand|") + c.second});
        ClearLog();
        const std::size_t lines = Lines().size();
        Type("/Foo a  b");
        EXPECT_EQ(LogOf("OnUserCommand").size(), 3u);
        EXPECT_EQ(LogOf("OnUserCommand").front(), "user_1.so|OnUserCommand|Foo|a  b");
        EXPECT_EQ(Lines().size(), lines + (c.handled ? 0 : 1));
        if (!c.handled) {
            EXPECT_EQ(Lines().back(), Status("Command 'Foo' is not valid."));
        }
    }
}

TEST_F(Dispatch, ConnectComesFirstAndItsCommandsPrecedeInitDone)
{
    Configure({"user_2.so|OnConnect|0|SendCommand|toc_module_hello", "user_1.so|OnConnect|0|PrintStatus|hook"});
    ASSERT_TRUE(SignOn());
    const std::vector<std::string> lines = LinesWithoutPresence();
    const auto hook = std::find(lines.begin(), lines.end(), Status("hook"));
    ASSERT_NE(hook, lines.end());
    EXPECT_EQ(*(hook + 1), Status("Connected to AIM server."));
    EXPECT_EQ(LogOf("=SendCommand"), (std::vector<std::string>{"user_2.so|=SendCommand|0"}));
    const std::vector<std::string> wire = CommandsAfterSignon();
    const auto hello = std::find(wire.begin(), wire.end(), "toc_module_hello");
    const auto initDone = std::find(wire.begin(), wire.end(), "toc_init_done");
    ASSERT_NE(hello, wire.end());
    EXPECT_LT(hello, initDone);

    // A drop: the modules hear of it after the line, once.
    server.Close(0);
    ASSERT_TRUE(WaitForLine(Status("Disconnected from AIM server.")));
    HandleStatusChange(ctx, STATUS_OFFLINE);
    EXPECT_EQ(LogOf("OnDisconnect").size(), 3u);
}

TEST_F(Dispatch, FailedSignOnGivesDisconnectAlone)
{
    server.SetAcceptAnyPassword(false);
    ConnectToServer(ctx.Out(), ctx.session, ctx.settings);
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return LogOf("OnDisconnect").size() >= 3u; }));
    EXPECT_TRUE(LogOf("OnConnect").empty());
    EXPECT_EQ(LogOf("OnDisconnect").size(), 3u);
}

TEST_F(Dispatch, AwayReplyIsOfferedBeforeTheMessageIsPassedOn)
{
    ASSERT_TRUE(SignOn());
    ctx.modules.services.SetAwayText("gone fishing");
    ClearLog();
    server.SendData(0, "IM_IN:alice:F:<HTML><BODY BGCOLOR=\"#ffffff\">hi</BODY></HTML>");
    server.SendData(0, "IM_IN:bob:T:auto hello");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return LogOf("OnReceiveIM").size() == 6; }));
    const std::vector<std::string> log = Log();
    const auto first = [&](const std::string& line) { return std::find(log.begin(), log.end(), line) - log.begin(); };
    EXPECT_LT(first("user_3.so|OnSendIM|alice|gone fishing|1"), first("user_1.so|OnReceiveIM|alice|hi"));
    EXPECT_LT(first("user_1.so|OnServerCommand|IM_IN|alice:F:<HTML><BODY BGCOLOR=\"#ffffff\">hi</BODY></HTML>"),
              first("user_1.so|OnSendIM|alice|gone fishing|1"));
    EXPECT_NE(first("user_2.so|OnReceiveIM|bob AUTORESPONSE|auto hello"), static_cast<long>(log.size()));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return Parsed("toc_send_im").size() == 1; }));
    EXPECT_EQ(ctx.session.pacer.Waiting(), 0u);
    ASSERT_TRUE(AnswersArrived());
    EXPECT_EQ(Parsed("toc_send_im").size(), 1u) << "an automatic reply gets no away reply";
    // Told once it went, after it was offered: one reply, one OnSentIM per module.
    const std::vector<std::string> after = Log();
    const auto at = [&](const std::string& line) { return std::find(after.begin(), after.end(), line) - after.begin(); };
    EXPECT_EQ(LogOf("OnSentIM").size(), 3u);
    EXPECT_LT(at("user_3.so|OnSendIM|alice|gone fishing|1"), at("user_1.so|OnSentIM|alice|gone fishing|1"));
    EXPECT_EQ(Parsed("toc_set_away").size(), 0u) << "SetAwayText does not tell the server";
}

TEST_F(Dispatch, ServiceCallsRunWholeInnerDispatches)
{
    // user_1's command runs another command through the typed-line service;
    // every module sees the inner one before user_2 sees the outer one.
    Configure({"user_1.so|OnUserCommand:outer|1|SendInputLine|bob|/inner x",
               "user_3.so|OnUserCommand|0|RunCommand|mclear|0"});
    Type("/outer");
    const std::vector<std::string> calls = LogOf("OnUserCommand");
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "user_1.so|OnUserCommand|outer|", "user_1.so|OnUserCommand|inner|x",
                         "user_2.so|OnUserCommand|inner|x", "user_3.so|OnUserCommand|inner|x",
                         "user_2.so|OnUserCommand|outer|", "user_3.so|OnUserCommand|outer|"}));
    EXPECT_EQ(LogOf("=RunCommand"), (std::vector<std::string>{"user_3.so|=RunCommand|1", "user_3.so|=RunCommand|1"}));
    EXPECT_TRUE(TranscriptHas(Status("Autoclearing of disabled.")));
    // Offline, the typed-line service still hands the message on.
    ctx.modules.services.SendInputLine("bob", "hi", 0);
    EXPECT_TRUE(TranscriptHas(Status("Cannot send IM.")));
    EXPECT_FALSE(TranscriptHas(Status("Not logged on.")));
}

TEST_F(Dispatch, EndlessNestingStopsAtItsLimit)
{
    // Every command this module sees makes another.
    Configure({"user_2.so|OnUserCommand|1|SendInputLine|bob|/again"});
    Type("/again");
    EXPECT_EQ(LogOf("OnUserCommand").size(), 3u * UserModuleHost::kMaxNesting);
    Type("/blocklist");
    EXPECT_EQ(LogOf("OnUserCommand").back(), "user_3.so|OnUserCommand|blocklist|") << "dispatch still works afterwards";
}

TEST_F(Dispatch, ASendPastTheNestingLimitIsRefusedAndNoEmptyCommandIsSent)
{
    ASSERT_TRUE(SignOn());
    // user_2 stops every message and answers each with another: the last
    // one, past the limit, reaches nobody, so nobody could stop it.
    Configure({"user_2.so|OnSendIM|-1|SendInputLine|bob|again",
               "user_1.so|OnUserCommand:null|1|SendCommand|<null>", "user_1.so|OnUserCommand:empty|1|SendCommand|"});
    SendInputLine(ctx, "bob", "again");
    EXPECT_EQ(LogOf("OnSendIM").size(), 3u * UserModuleHost::kMaxNesting);
    Type("/null");
    Type("/empty");
    EXPECT_EQ(LogOf("=SendCommand"), (std::vector<std::string>{"user_1.so|=SendCommand|-1", "user_1.so|=SendCommand|-1"}));
    ASSERT_TRUE(ClientSendsArrived());
    EXPECT_TRUE(Parsed("toc_send_im").empty());
    for (const std::string& command : server.Client(0).commands)
        EXPECT_FALSE(command.empty());
}

TEST_F(Dispatch, OnlyAReportedSaveFailureFromShutdownJoinsTheClosingBox)
{
    // A status line that reads like a failure is only text; a report made
    // before the close is told but is not the close's.
    Configure({"user_3.so|OnUserCommand|1|ReportSaveFailure|early.txt|Disk full",
               "user_3.so|Shutdown|0|ReportSaveFailure|notes.txt|No space left on device",
               "user_1.so|Shutdown|0|PrintStatus|Could not save other.txt: Input/output error."});
    StderrCapture errors;
    Type("/early");
    EXPECT_TRUE(ctx.settings.saveFailures.empty());
    ShutdownClient(ctx);
    ASSERT_EQ(ctx.settings.saveFailures.size(), 1u);
    EXPECT_EQ(ctx.settings.saveFailures[0].file, "notes.txt");
    EXPECT_EQ(ctx.settings.saveFailures[0].why, "No space left on device");
    EXPECT_TRUE(TranscriptHas(Status("Could not save early.txt: Disk full.")));
    EXPECT_TRUE(TranscriptHas(Status("Could not save notes.txt: No space left on device.")));
    EXPECT_EQ(errors.Text(), "quenlo: Could not save early.txt: Disk full.\n"
                             "quenlo: Could not save notes.txt: No space left on device.\n");
}

TEST_F(Dispatch, ShutdownComesOncePerModuleAfterTheLibraryIsReleased)
{
    ASSERT_TRUE(SignOn());
    Configure({"*|Shutdown|0|SendCommand|toc_too_late"});
    ShutdownClient(ctx);
    EXPECT_EQ(LogOf("Shutdown"),
              (std::vector<std::string>{"user_1.so|Shutdown", "user_2.so|Shutdown", "user_3.so|Shutdown"}));
    EXPECT_EQ(LogOf("=SendCommand").size(), 3u);
    EXPECT_EQ(LogOf("=SendCommand").front(), "user_1.so|=SendCommand|-1");
    // The server has read all the client wrote once it sees the connection end.
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !server.Client(0).connected; }));
    EXPECT_FALSE(HasCommandStartingWith(0, "toc_too_late"));
    // Nothing reaches a released module.
    ClearLog();
    ctx.modules.host.DispatchConnect();
    EXPECT_TRUE(Log().empty());
}
