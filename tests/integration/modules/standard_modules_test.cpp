// user_shun and user_parley as shipped, through the real client against the
// fake server (whose Echo Bot honours deny lists and can invite).
#include <algorithm>
#include <filesystem>
#include <functional>

#include <sys/stat.h>

#include "stderr_capture.h"

using namespace std::string_literals;

#include "module_harness.h"

class Shun : public ModuleHarness {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(dir.Path("modules"));
        std::filesystem::create_symlink(kStandardModules + "/user_shun.so", dir.Path("modules/user_shun.so"));
    }
    std::vector<std::string> DenyCommands(int client = 0) const
    {
        std::vector<std::string> out;
        for (const std::string& command : CommandsAfterSignon(client)) {
            if (command.starts_with("toc_add_deny") || command.starts_with("toc_add_permit"))
                out.push_back(command);
        }
        return out;
    }
};

TEST_F(Shun, CommandsSayWhatTheyDidAndTellTheServer)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(SignOn());
    server.SendData(0, "UPDATE_BUDDY:Bob Smith:T:0:0:0: O");
    ASSERT_TRUE(WaitForLine(Status("Bob Smith signed on.")));
    const std::string longName(511, 'x');
    struct Case {
        std::string typed;
        std::string said;
        std::vector<std::string> sent;
    };
    const Case cases[] = {
        {"/block Bob Smith", "User added to block list: Bob Smith.", {"toc_add_deny bobsmith"}},
        {"/BLOCK bobsmith", "That user is already blocked.", {}},
        {"/block alice", "User added to block list: alice.", {"toc_add_deny alice"}},
        {"/blocklist", "Blocked users: Bob Smith, alice", {}},
        {"/block", "Specify a name.", {}},
        {"/block    ", "Specify a name.", {}},
        {"/block " + longName + "y", "Name length too large.", {}},
        {"/block " + longName, "User added to block list: " + longName + ".", {"toc_add_deny " + longName}},
        {"/unblock nobody", "That user is not in the list.", {}},
        {"/unblock", "Specify a name.", {}},
        {"/unblock BOB SMITH", "User unblocked: BOB SMITH.",
         {"toc_add_permit bobsmith", "toc_add_deny", "toc_add_deny alice " + longName}},
        {"/blocklist extra words", "Blocked users: alice, " + longName, {}},
        {"/blocked", "Command 'blocked' is not valid.", {}},
        {"/help", "  /blocklist: lists the blocked users", {}},  // the module names its commands
    };
    for (const Case& c : cases) {
        const std::size_t sentBefore = DenyCommands().size();
        Type(c.typed);
        ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return DenyCommands().size() >= sentBefore + c.sent.size(); }));
        ASSERT_TRUE(ClientSendsArrived());
        EXPECT_EQ(LinesWithoutPresence().back(), Status(c.said)) << c.typed;
        const std::vector<std::string> all = DenyCommands();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(sentBefore), all.end()), c.sent)
            << c.typed;
    }
    EXPECT_EQ(ctx.online.RowOf("bobsmith"), -1) << "a blocked user leaves the online list";
}

TEST_F(Shun, DenyListIsSplitAndSentAgainAtEachSignOn)
{
    // 150 names of 20 characters, CR LF line ends, the last without one.
    std::string file;
    std::vector<std::string> names;
    for (int i = 0; i < 150; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Blocked User %07d", i);
        names.push_back(NormalizeName(name));
        file += std::string(name) + (i + 1 < 150 ? "\r\n" : "");
    }
    WriteBytes(dir.Path("blocklst.cfg"), file);
    ASSERT_NO_FATAL_FAILURE(Start());
    for (int client = 0; client < 2; ++client) {
        ASSERT_TRUE(SignOn(client));
        std::vector<std::string> sentNames;
        const std::vector<std::string> commands = DenyCommands(client);
        ASSERT_GT(commands.size(), 1u);
        for (const std::string& command : commands) {
            EXPECT_LE(command.size(), 1024u + 1 + 511);
            std::vector<std::string> words = Parsed("toc_add_deny", client)[&command - commands.data()];
            sentNames.insert(sentNames.end(), words.begin() + 1, words.end());
        }
        EXPECT_EQ(sentNames, names);
        const std::vector<std::string> wire = CommandsAfterSignon(client);
        EXPECT_LT(std::find(wire.begin(), wire.end(), commands.back()), std::find(wire.begin(), wire.end(), "toc_init_done"));
        DisconnectFromServer(ctx.Out(), ctx.session);
        ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.connectionStatus == STATUS_OFFLINE; }));
    }
    Type("/blocklist");
    EXPECT_TRUE(Lines().back().starts_with(Status("Blocked users: Blocked User 0000000, Blocked User 0000001, ")));
    EXPECT_TRUE(Lines().back().ends_with(", Blocked User 0000149")) << "no CR is part of a name";
}

TEST_F(Shun, ListSurvivesTheRunInItsFileAndATooBigFileIsKept)
{
    // Offline: the list changes although nothing reaches the server.
    ASSERT_NO_FATAL_FAILURE(Start());
    const auto modeOfFile = [&] {
        struct stat info {};
        return stat(dir.Path("blocklst.cfg").c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
    };
    Type("/block Bob Smith");
    EXPECT_EQ(modeOfFile(), 0644u) << "a new list";
    // A list the user made private stays private when it is replaced.
    ASSERT_EQ(chmod(dir.Path("blocklst.cfg").c_str(), 0600), 0);
    Type("/block alice");
    EXPECT_EQ(LinesWithoutPresence().back(), Status("User added to block list: alice."));
    ShutdownClient(ctx);
    EXPECT_EQ(ReadBytes(dir.Path("blocklst.cfg")), "Bob Smith\nalice\n");
    EXPECT_EQ(modeOfFile(), 0600u);

    const std::string big(8192, 'a');
    WriteBytes(dir.Path("blocklst.cfg"), big);
    ClientContext second;
    second.settings.profile.folder = dir.Folder();
    RecordingWindow secondWindow;
    StartClient(second, secondWindow, kLibraryPath);
    secondWindow.input = "/block carol";
    SubmitInputLine(second);
    EXPECT_NE(second.transcript.output.Text().find("STATUS MESSAGE: blocklst.cfg is too big!"), std::string::npos);
    ShutdownClient(second);
    EXPECT_EQ(ReadBytes(dir.Path("blocklst.cfg")), big) << "the user's file is never written over";
}

TEST_F(Shun, BlockedEchoBotFallsSilentUntilUnblocked)
{
    server.SetEchoBot(true);
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(SignOn());
    ASSERT_TRUE(WaitForLine(Status("Echo Bot signed on.")));
    Type("/block Echo Bot");
    SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, "Echo Bot", "anyone there?", false);
    ASSERT_TRUE(AnswersArrived());
    EXPECT_FALSE(TranscriptHas("<-Echo Bot:  anyone there?"));
    EXPECT_EQ(ctx.online.RowOf("echobot"), -1);

    Type("/unblock echobot");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.online.RowOf("echobot") >= 0; }))
        << "the server shows it again";
    SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, "Echo Bot", "back?", false);
    EXPECT_TRUE(WaitForLine("<-Echo Bot:  back?"));
}

TEST_F(Shun, OnlyScreenNamesReachTheServerAndEachStaysOneArgument)
{
    // Lines no screen name could be, ahead of the Echo Bot: each would once
    // have swallowed the names after it into one quoted argument.
    const std::string tooLongDave = "d" + std::string(600, ' ') + "ave";  // never sent, though it reads "dave"
    const std::string file = "a\"b\nEcho Bot\nbob\\\nsec\0ond\n$(x)[y]\n"s + std::string(600, 'z') +
                             "\nBOB\r\nb o b\n{brace}\n" + tooLongDave + "\n  \ncarol";
    WriteBytes(dir.Path("blocklst.cfg"), file);
    server.SetEchoBot(true);
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(SignOn());
    const std::vector<std::string> deny = DenyCommands();
    ASSERT_EQ(deny.size(), 1u);
    EXPECT_EQ(Parsed("toc_add_deny"), (std::vector<std::vector<std::string>>{{"toc_add_deny", "echobot", "bob", "carol"}}));
    SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, "Echo Bot", "anyone there?", false);
    ASSERT_TRUE(AnswersArrived());
    EXPECT_FALSE(TranscriptHas("<-Echo Bot:  anyone there?")) << "the Echo Bot is blocked";

    struct Case {
        std::string typed;
        std::vector<std::string> said;  // the last lines
        std::vector<std::string> sent;
    };
    const Case cases[] = {
        {"/blocklist", {"Blocked users: Echo Bot, BOB, b o b, carol",
                        "7 lines of blocklst.cfg not sent to the server: not a screen name."}, {}},
        {"/block x\"y", {"'x\"y' is not a screen name."}, {}},
        {"/block dan\\", {"'dan\\' is not a screen name."}, {}},
        {"/block $(rm)", {"'$(rm)' is not a screen name."}, {}},
        {"/block D@n_1.x-y", {"User added to block list: D@n_1.x-y."}, {"toc_add_deny d@n_1.x-y"}},
        // Every spelling goes, and the server is told only the rest.
        {"/unblock bob", {"User unblocked: bob."}, {"toc_add_permit bob", "toc_add_deny", "toc_add_deny echobot carol d@n_1.x-y"}},
        {"/unblock a\"b", {"User unblocked: a\"b."}, {}},
        {"/blocklist", {"Blocked users: Echo Bot, carol, D@n_1.x-y",
                        "6 lines of blocklst.cfg not sent to the server: not a screen name."}, {}},
        {"/block dave", {"User added to block list: dave."}, {"toc_add_deny dave"}},  // the long line blocked nobody
    };
    for (const Case& c : cases) {
        const std::size_t sentBefore = DenyCommands().size();
        Type(c.typed);
        ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return DenyCommands().size() >= sentBefore + c.sent.size(); }));
        ASSERT_TRUE(ClientSendsArrived());
        const std::vector<std::string> lines = LinesWithoutPresence();
        std::vector<std::string> said;
        for (const std::string& line : c.said)
            said.push_back(Status(line));
        EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<std::ptrdiff_t>(said.size()), lines.end()), said)
            << c.typed;
        const std::vector<std::string> all = DenyCommands();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(sentBefore), all.end()), c.sent)
            << c.typed;
    }
    // Saved at once, every untouched line byte for byte.
    EXPECT_EQ(ReadBytes(dir.Path("blocklst.cfg")), "Echo Bot\nbob\\\nsec\0ond\n$(x)[y]\n"s + std::string(600, 'z') +
                                                       "\n{brace}\n" + tooLongDave + "\n  \ncarol\nD@n_1.x-y\ndave\n");
}

TEST_F(Shun, AListThatCannotBeKeptIsSaidOnceAndNoSaveMakesAFileTheNextStartRefuses)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ShutdownClient(ctx);  // each case runs its own client in its own folder
    const std::string nearlyFull = std::string(8190, 'n') + "x";  // 8,191 bytes, no line end
    struct Case {
        const char* what;
        std::function<void(const TempDir&)> arrange;  // before the start
        std::function<void(const TempDir&)> breakIt;  // after the start
        std::string atStart;                          // the line the start gives, or ""
        std::string notKept;                          // the line at the first change, or "" when kept
    };
    const auto file = [](const TempDir& profile) { return profile.Path("blocklst.cfg"); };
    const Case cases[] = {
        {"a folder", [&](const TempDir& p) { std::filesystem::create_directory(file(p)); }, {},
         "Cannot read blocklst.cfg: Is a directory.",
         "The block list will not be kept after this run (blocklst.cfg could not be read: Is a directory)."},
        {"a FIFO", [&](const TempDir& p) { ASSERT_EQ(mkfifo(file(p).c_str(), 0644), 0); }, {},
         "Cannot read blocklst.cfg: Not a regular file.",
         "The block list will not be kept after this run (blocklst.cfg could not be read: Not a regular file)."},
        {"a link loop", [&](const TempDir& p) { std::filesystem::create_symlink("blocklst.cfg", file(p)); }, {},
         "Cannot read blocklst.cfg: Too many levels of symbolic links.",
         "The block list will not be kept after this run (blocklst.cfg could not be read: Too many levels of "
         "symbolic links)."},
        {"too big", [&](const TempDir& p) { WriteBytes(file(p), std::string(8192, 'a')); }, {},
         "blocklst.cfg is too big!", "The block list will not be kept after this run (blocklst.cfg is too big)."},
        {"a folder that goes",
         [&](const TempDir& p) {
             std::filesystem::create_directory(p.Path("sub"));
             WriteBytes(p.Path("sub/list"), "alice\n");
             std::filesystem::create_symlink("sub/list", file(p));
         },
         [](const TempDir& p) { std::filesystem::remove_all(p.Path("sub")); }, "",
         "The block list will not be kept after this run (cannot write blocklst.cfg: No such file or directory)."},
        {"8,191 bytes", [&](const TempDir& p) { WriteBytes(file(p), nearlyFull); }, {}, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir profile;
        std::filesystem::create_directory(profile.Path("modules"));
        std::filesystem::create_symlink(kStandardModules + "/user_shun.so", profile.Path("modules/user_shun.so"));
        c.arrange(profile);
        ClientContext run;
        run.settings.profile.folder = profile.Folder();
        RecordingWindow runWindow;
        StartClient(run, runWindow, kLibraryPath);
        if (c.breakIt)
            c.breakIt(profile);
        const auto has = [&](const std::string& line) {
            return run.transcript.output.Text().find(Status(line)) != std::string::npos;
        };
        if (!c.atStart.empty()) {
            EXPECT_TRUE(has(c.atStart)) << run.transcript.output.Text();
        }
        for (const char* typed : {"/block x1", "/block x2"}) {
            runWindow.input = typed;
            SubmitInputLine(run);
        }
        if (c.notKept.empty()) {
            EXPECT_TRUE(has("Block list is too big!")) << "an addition that would not fit the file";
        } else {
            const std::string text = run.transcript.output.Text();
            const std::size_t first = text.find(Status(c.notKept));
            EXPECT_NE(first, std::string::npos) << text;
            EXPECT_EQ(text.find(Status(c.notKept), first + 1), std::string::npos) << "said once";
        }
        StderrCapture errors;
        ShutdownClient(run);
        // Told as the client tells its own: standard error and the closing window's box.
        EXPECT_EQ(errors.Text().find("quenlo: Could not save blocklst.cfg: ") != std::string::npos, !c.notKept.empty())
            << errors.Text();
        EXPECT_EQ(has("Could not save blocklst.cfg: "), !c.notKept.empty());
        EXPECT_EQ(std::count_if(run.settings.saveFailures.begin(), run.settings.saveFailures.end(),
                                [](const SaveFailure& failure) { return failure.file == "blocklst.cfg"; }),
                  c.notKept.empty() ? 0 : 1);
        if (c.notKept.empty()) {
            EXPECT_EQ(ReadBytes(file(profile)), nearlyFull);
            ClientContext next;
            next.settings.profile.folder = profile.Folder();
            RecordingWindow nextWindow;
            StartClient(next, nextWindow, kLibraryPath);
            nextWindow.input = "/blocklist";
            SubmitInputLine(next);
            EXPECT_NE(next.transcript.output.Text().find("not sent to the server"), std::string::npos)
                << "the file loads again";
            ShutdownClient(next);
        }
    }
}

class Parley : public ModuleHarness {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(dir.Path("modules"));
        std::filesystem::create_symlink(kStandardModules + "/user_parley.so", dir.Path("modules/user_parley.so"));
    }
    static constexpr const char* kRefusal = "This client doesn't support chatting.";
};

TEST_F(Parley, InvitationIsAnsweredAsATypedLine)
{
    server.SetEchoBot(true);
    ASSERT_NO_FATAL_FAILURE(Start());
    window.formatting = "<b>$</b>";
    ASSERT_TRUE(SignOn());
    server.SendData(0, "CHAT_INVITE:Room 1:77:Bob Smith:join us");
    ASSERT_TRUE(WaitForLine(Status("Bob Smith tried to do a chat invite, auto-replying with denial.")));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !Parsed("toc_send_im").empty(); }));
    EXPECT_EQ(Parsed("toc_send_im").back(),
              (std::vector<std::string>{"toc_send_im", "bobsmith", std::string("<b>") + kRefusal + "</b>"}));

    // The Echo Bot invites on request; the answer goes back to it.
    window.formatting = "";
    SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, "Echo Bot", "invite me", false);
    ASSERT_TRUE(WaitForLine(Status("Echo Bot tried to do a chat invite, auto-replying with denial.")));
    EXPECT_TRUE(WaitForLine(std::string("<-Echo Bot:  ") + kRefusal));
}

TEST_F(Parley, OtherMessagesAndMalformedInvitationsAreIgnored)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(SignOn());
    for (const char* message : {"chat_invite:Room 1:77:Bob:hi", "CHAT_INVITE:Room 1", "CHAT_INVITE:Room 1:77",
                                "CHAT_INVITE:Room 1:77::hi", "IM_IN:Bob:F:CHAT_INVITE"}) {
        server.SendData(0, message);
    }
    server.SendData(0, "CHAT_INVITE:Room:1:" + std::string(600, 'z') + ":hi");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !Parsed("toc_send_im").empty(); }));
    EXPECT_EQ(ctx.session.pacer.Waiting(), 0u);
    ASSERT_TRUE(ClientSendsArrived());
    ASSERT_EQ(Parsed("toc_send_im").size(), 1u);
    EXPECT_EQ(Parsed("toc_send_im")[0][1], std::string(511, 'z'));
}

TEST_F(Parley, AnotherModulesVetoStopsTheAnswerButNotTheLine)
{
    InstallRecorder("user_veto.so");
    Configure({"user_veto.so|OnSendIM|-1"});
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(SignOn());
    server.SendData(0, "CHAT_INVITE:Room 1:77:Bob Smith:join us");
    ASSERT_TRUE(WaitForLine(Status("Bob Smith tried to do a chat invite, auto-replying with denial.")));
    EXPECT_EQ(ctx.session.pacer.Waiting(), 0u);
    ASSERT_TRUE(ClientSendsArrived());
    EXPECT_TRUE(Parsed("toc_send_im").empty());
    EXPECT_EQ(LogOf("OnSendIM"), (std::vector<std::string>{std::string("user_veto.so|OnSendIM|Bob Smith|") + kRefusal + "|0"}));
}

TEST_F(Parley, EachInviterIsAnsweredOnceAndTheAnswersArePaced)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(SignOn());
    // 2,000 invitations from 50 inviters.
    for (int i = 0; i < 2000; ++i)
        server.SendData(0, "CHAT_INVITE:Room:1:inviter" + std::to_string(i % 50) + ":join");
    const auto answered = [&] {
        const std::vector<std::string> lines = LinesWithoutPresence();
        return std::count_if(lines.begin(), lines.end(),
                             [](const std::string& line) { return line.ends_with("auto-replying with denial."); });
    };
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return answered() >= 50; }));
    ASSERT_TRUE(AnswersArrived());
    EXPECT_EQ(answered(), 50);
    EXPECT_EQ(Parsed("toc_send_im").size(), static_cast<std::size_t>(SendPacer::kBurst));
    EXPECT_EQ(ctx.session.pacer.Waiting(), 50u - static_cast<std::size_t>(SendPacer::kBurst))
        << "the rest wait their turn";
}
