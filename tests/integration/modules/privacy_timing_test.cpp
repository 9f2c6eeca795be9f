// The block list through the real client, the real user_shun and the
// client's pacer, against the fake server: a block holds at every moment,
// whatever the pace, a pause or the order of the user's commands.
#include <algorithm>
#include <filesystem>

#include "module_harness.h"
#include "privacy_model.h"

namespace {

class PrivacyTiming : public ModuleHarness {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(dir.Path("modules"));
        std::filesystem::create_symlink(kStandardModules + "/user_shun.so", dir.Path("modules/user_shun.so"));
        WriteBytes(dir.Path("blocklst.cfg"), "spammer\nex\n");
    }
    // The pacer on a clock the test turns.
    void TurnClock()
    {
        ctx.session.pacer.SetClock([this] { return now; });
    }
    void Advance(int intervals)
    {
        now += intervals * SendPacer::kIntervalMs;
        ctx.session.pacer.SendDue();
    }
    bool WaitForCommand(const std::string& command)
    {
        return faketoc::FakeTocServer::WaitFor([&] {
            const auto& all = Peer().commands;
            return std::find(all.begin(), all.end(), command) != all.end();
        });
    }
    // Replays what the server received: no automatic reply reaches a name
    // it denies at that moment, and every name is denied or not as `after`
    // says once the last change is complete.
    void CheckServerState(const std::vector<std::string>& denied, const std::vector<std::string>& allowed)
    {
        PrivacyModel server;
        for (const std::string& command : CommandsAfterSignon()) {
            server.Apply(command);
            const std::string to = PrivacyModel::AutomaticRecipient(command);
            EXPECT_TRUE(to.empty() || !server.Denies(to)) << "an away reply went to " << to;
        }
        for (const std::string& name : denied)
            EXPECT_TRUE(server.Denies(name)) << name;
        for (const std::string& name : allowed)
            EXPECT_FALSE(server.Denies(name)) << name;
    }
    std::int64_t now = 1000000;
};

TEST_F(PrivacyTiming, AnUnblockLeavesWholeAndWaitingRepliesNeverReachABlockedUser)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(SignOn());
    TurnClock();
    // The block is in the file before the user is told of it.
    window.onAppended = [this](std::string_view line) {
        if (const std::size_t at = line.find("User added to block list: "); at != std::string_view::npos) {
            const std::string_view name = line.substr(at + 26, line.find('.', at + 26) - at - 26);
            EXPECT_NE(ReadBytes(dir.Path("blocklst.cfg")).find(std::string(name) + "\n"), std::string::npos) << name;
        }
    };
    Type("/away gone");
    for (int i = 1; i <= 6; ++i)
        Type("/block user" + std::to_string(i));  // six of the eight at once
    for (int i = 0; i < 5; ++i)
        server.SendData(0, "IM_IN:Bob:F:are you there?");
    server.SendData(0, "IM_IN:Carol:F:hi");
    server.SendData(0, "IM_IN:Spammer:F:buy now");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return TranscriptHas("<-Carol:  hi"); }));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return TranscriptHas("<-Spammer:  buy now"); }));
    // Two replies to bob went; one more waits (a flood waits once), then carol's.
    EXPECT_EQ(ctx.session.pacer.Waiting(), 2u);

    Type("/block bob");
    EXPECT_EQ(ctx.session.pacer.Waiting(), 2u) << "the reply waiting for bob is gone, the block waits";
    Type("/unblock ex");
    Advance(1);
    EXPECT_EQ(ctx.session.pacer.Waiting(), 5u) << "no step of a change leaves before the pace allows all of them";
    Advance(3);
    const std::string denyList = "toc_add_deny spammer user1 user2 user3 user4 user5 user6 bob";
    ASSERT_TRUE(WaitForCommand(denyList));
    const std::vector<std::string> wire = CommandsAfterSignon();
    const auto permit = std::find(wire.begin(), wire.end(), "toc_add_permit ex");
    ASSERT_NE(permit, wire.end());
    EXPECT_EQ(std::vector<std::string>(permit - 1, permit + 3),
              (std::vector<std::string>{"toc_add_deny bob", "toc_add_permit ex", "toc_add_deny", denyList}));
    Advance(1);
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.pacer.Waiting() == 0; }));
    server.SendData(0, "IM_IN:Spammer:F:still there?");
    server.SendData(0, "IM_IN:Bob:F:hello?");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return TranscriptHas("<-Bob:  hello?"); }));
    Advance(10);
    CheckServerState({"spammer", "bob", "user6"}, {"ex", "carol"});
    const std::vector<std::string> replies = CommandsAfterSignon();
    int toBob = 0, toCarol = 0, toSpammer = 0;
    for (const std::string& command : replies) {
        const std::string to = PrivacyModel::AutomaticRecipient(command);
        toBob += to == "bob";
        toCarol += to == "carol";
        toSpammer += to == "spammer";
    }
    EXPECT_EQ(toBob, 2) << "only the replies that went before the block";
    EXPECT_EQ(toCarol, 1);
    EXPECT_EQ(toSpammer, 0);

    // Back from away: replies still waiting are dropped with the away.
    server.SendData(0, "IM_IN:Dave:F:one");
    for (int i = 0; i < 9; ++i)
        server.SendData(0, "IM_IN:Someone" + std::to_string(i) + ":F:two");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return TranscriptHas("<-Someone8:  two"); }));
    ASSERT_GT(ctx.session.pacer.Waiting(), 0u);
    Type("/away");
    EXPECT_EQ(ctx.session.pacer.Waiting(), 0u);
}

TEST_F(PrivacyTiming, APauseIsADisconnectToTheModulesAndItsSignOnRebuildsTheDenyList)
{
    InstallRecorder("user_recorder.so");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(SignOn());
    Type("/unblock ex");
    ASSERT_TRUE(WaitForCommand("toc_add_deny spammer"));
    server.SendData(0, "PAUSE");
    ASSERT_TRUE(WaitForLine(Status("The server paused the connection.")));
    Type("/block foo");  // refused by the paused connection, kept in the list
    server.SendData(0, "SIGN_ON:TOC1.0");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return Parsed("toc_init_done").size() == 2; }));
    const std::vector<std::string> wire = CommandsAfterSignon();
    const auto secondSignon = std::find(wire.rbegin(), wire.rend(), "toc_init_done");
    EXPECT_NE(std::find(secondSignon, wire.rend(), "toc_add_deny spammer foo"), wire.rend())
        << "the deny list goes again before the sign-on completes";
    CheckServerState({"spammer", "foo"}, {"ex"});
    EXPECT_EQ(LogOf("OnConnect").size(), 2u);
    EXPECT_EQ(LogOf("OnDisconnect").size(), 1u);
    const std::vector<std::string> lines = Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), Status("Connected to AIM server.")), 2);

    // A drop while paused tells the modules nothing more: connects and
    // disconnects stay in pairs.
    server.SendData(0, "PAUSE");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return LogOf("OnDisconnect").size() == 2; }));
    server.Close(0);
    ASSERT_TRUE(WaitForLine(Status("Disconnected from AIM server.")));
    EXPECT_EQ(LogOf("OnDisconnect").size(), 2u);
}

TEST_F(PrivacyTiming, RepliesRefusedInAFloodAreSaidOnceWithTheirCount)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(SignOn());
    TurnClock();
    Type("/away gone");
    const int senders = 8 + static_cast<int>(SendPacer::kMaxWaiting) + 20;
    for (int i = 0; i < senders; ++i)
        server.SendData(0, "IM_IN:sender" + std::to_string(i) + ":F:hi");
    ASSERT_TRUE(WaitForLine("<-sender" + std::to_string(senders - 1) + ":  hi", 20000));
    std::vector<std::string> lines = Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), Status("Cannot send IM.")), 1);
    for (std::size_t i = 0; i <= SendPacer::kMaxWaiting && ctx.session.pacer.Waiting() > 0; ++i)
        Advance(1);
    EXPECT_EQ(ctx.session.pacer.Waiting(), 0u);
    lines = Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         Status("Cannot send IM: 19 more automatic replies were refused while too many waited.")),
              1);
}

TEST_F(PrivacyTiming, ATemporaryFileLeftByACrashIsRemovedAtStart)
{
    WriteBytes(dir.Path(".blocklst.cfg.Ab12Cd"), "half");
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_FALSE(std::filesystem::exists(dir.Path(".blocklst.cfg.Ab12Cd")));
    EXPECT_EQ(ReadBytes(dir.Path("blocklst.cfg")), "spammer\nex\n");
}

}  // namespace
