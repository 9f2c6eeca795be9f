// Presence on the wire and in the list: buddies going away, idle and
// warned; the user's own away and idle time across connections; the stored
// configuration joined at sign-on; rendezvous offers declined.
#include "client_harness.h"
#include "config_sync.h"
#include "input_line.h"
#include "settings_files.h"
#include "signon_presence.h"

namespace {

class PresenceTest : public ClientHarness {
protected:
    void Type(const std::string& line)
    {
        window.input = line;
        SubmitInputLine(ctx);
    }
    const BuddyPresence* Presence(const std::string& name) const { return ctx.online.PresenceOf(name); }
};

TEST_F(PresenceTest, UpdatesChangeTheRowInPlaceAndSayAwayAndBack)
{
    server.SetRelay(false);
    expectSelfPresence = false;
    ASSERT_TRUE(SignOn());
    for (const char* name : {"carl", "Bob", "alice"})
        server.SendData(0, std::string("UPDATE_BUDDY:") + name + ":T:0:1000:0: O");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return window.OnlineCount() == 3; }));

    // Away, then idle 65 minutes and warned, then back: each seen, the order kept.
    const struct {
        const char* update;
        bool away;
        int idle;
        int warning;
        const char* line;
    } steps[] = {
        {"UPDATE_BUDDY:Bob:T:0:1000:0: OU", true, 0, 0, "STATUS MESSAGE: Bob is away."},
        {"UPDATE_BUDDY:Bob:T:10:1000:65: OU", true, 65, 10, nullptr},
        {"UPDATE_BUDDY:Bob:T:10:1000:0: O", false, 0, 10, "STATUS MESSAGE: Bob is back."},
    };
    for (const auto& step : steps) {
        const std::size_t linesBefore = Lines().size();
        server.SendData(0, step.update);
        ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] {
            const BuddyPresence* p = Presence("bob");
            return p != nullptr && p->away == step.away && p->idleMinutes == step.idle && p->warningLevel == step.warning;
        })) << step.update;
        if (step.line != nullptr)
            ASSERT_TRUE(WaitForLine(step.line));
        else
            EXPECT_EQ(Lines().size(), linesBefore) << step.update;
        EXPECT_EQ(window.OnlineNames(), std::vector<std::string>({"alice", "Bob", "carl"}));
    }
}

TEST_F(PresenceTest, AwayIsSentAgainOnANewConnectionButNotAfterAPause)
{
    ctx.session.reconnect.SetAutomatic(true);
    ctx.session.reconnect.SetRetryDelaysMs({50});
    ASSERT_TRUE(SignOn(0));
    // Clearing an away never set sends nothing.
    Type("/away");
    Type("/away out to lunch");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return Parsed("toc_set_away").size() == 1; }));

    server.SendData(0, "PAUSE");
    server.SendData(0, "SIGN_ON:TOC1.0");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return Parsed("toc_set_info").size() == 2; }));
    ASSERT_TRUE(ClientSendsArrived());
    EXPECT_EQ(Parsed("toc_set_away").size(), 1u);

    server.Close(0);
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return server.ClientCount() == 2 && Peer(1).signedOn; }));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !Parsed("toc_set_away", 1).empty(); }));
    EXPECT_EQ(Parsed("toc_set_away", 1)[0], std::vector<std::string>({"toc_set_away", "out to lunch"}));
}

TEST_F(PresenceTest, IdleIsToldAfterTheThresholdAndTakenBackAtInput)
{
    std::int64_t idleSeconds = 0;
    ctx.idle.SetSource([&] { return idleSeconds; });
    ctx.idle.SetThresholdSeconds(3);
    ASSERT_TRUE(SignOn());
    // When it is said and how often is IdleReport's (its unit test); here,
    // that the running client watches and the server hears.
    IdleWatch watch(ctx.session, ctx.idle, 20);
    idleSeconds = 4;
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return Parsed("toc_set_idle").size() == 1; }));
    EXPECT_EQ(Parsed("toc_set_idle")[0], std::vector<std::string>({"toc_set_idle", "4"}));
    idleSeconds = 0;
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return Parsed("toc_set_idle").size() == 2; }));
    EXPECT_EQ(Parsed("toc_set_idle")[1], std::vector<std::string>({"toc_set_idle", "0"}));
}

TEST_F(PresenceTest, StoredConfigurationIsJoinedAndWrittenBack)
{
    ctx.config.waitMs = 10000;  // the CONFIG comes long before this
    ctx.settings.buddyList = "Dave\nbob\n";
    server.SetAutoSignOn(false);
    ConnectToServer(ctx.Out(), ctx.session, ctx.settings);
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return server.ClientCount() == 1 && Peer(0).screenName.size(); }));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return server.AcceptSignOn(0); }));
    server.SendData(0, "CONFIG:m 3\ng Friends\nb Bob\nb Carl Z\ng Work\nb erin\np permitted\nd Den Ied\n");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !Parsed("toc_set_config").empty(); }));
    const std::vector<std::string> config = Parsed("toc_set_config")[0];
    ASSERT_EQ(config.size(), 2u);
    EXPECT_EQ(config[1], "m 3\ng Friends\nb Bob\nb Carl Z\ng Work\nb erin\ng Buddies\nb dave\np permitted\nd Den Ied\n");
    EXPECT_EQ(ctx.settings.buddyList, "Dave\nbob\nCarl Z\nerin\n");
    // The server's buddies the client lacked are registered.
    bool registered = false;
    for (const auto& batch : Parsed("toc_add_buddy"))
        registered = registered || (batch == std::vector<std::string>({"toc_add_buddy", "carlz", "erin"}));
    EXPECT_TRUE(registered);
    EXPECT_EQ(LoadBuddyList(ctx.settings.profile.File(kGroupsFile)),
              "g Friends\nb Bob\nb Carl Z\ng Work\nb erin\ng Buddies\nb dave\n");
}

TEST_F(PresenceTest, CapabilitiesAreNoneAndARendezvousIsDeclined)
{
    server.SetRelay(false);
    ASSERT_TRUE(SignOn());
    EXPECT_EQ(Parsed("toc_set_caps")[0], std::vector<std::string>({"toc_set_caps"}));
    server.SendData(0, "RVOUS_PROPOSE:Bob Smith:09461343-4C7F-11D1-8222-444553540000:aGVsbG8=:1:1.2.3.4:5.6.7.8:"
                       "0.0.0.0:5190:10001:dGVzdA==");
    ASSERT_TRUE(WaitForLine("STATUS MESSAGE: Bob Smith wants to send you a file; this client cannot receive files."));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !Parsed("toc_rvous_cancel").empty(); }));
    EXPECT_EQ(Parsed("toc_rvous_cancel")[0],
              std::vector<std::string>({"toc_rvous_cancel", "bobsmith", "aGVsbG8=", "09461343-4C7F-11D1-8222-444553540000"}));
    // A cookie that could change the command is not sent back.
    server.SendData(0, "RVOUS_PROPOSE:Bob:09461345-4C7F-11D1-8222-444553540000:a\" b:1");
    ASSERT_TRUE(WaitForLine("STATUS MESSAGE: Bob wants a direct connection; this client cannot make one."));
    ASSERT_TRUE(ClientSendsArrived());
    EXPECT_EQ(Parsed("toc_rvous_cancel").size(), 1u);
}

}  // namespace
