// Server messages handed on by the library: instant messages, buddies,
// warnings and profile links, as the user sees them.
#include "client_harness.h"
#include "outgoing.h"
#include "output.h"

namespace {

class ServerMessagesTest : public ClientHarness {
protected:
    void SetUp() override
    {
        ClientHarness::SetUp();
        // The test plays every other party itself.
        server.SetRelay(false);
        expectSelfPresence = false;
        ASSERT_TRUE(SignOn());
        baseline_ = Lines().size();
    }
    // Sends one message and waits until the client has handled it: a marker
    // message the client shows follows it on the same connection.
    void Deliver(const std::string& message)
    {
        const std::size_t before = Lines().size();
        server.SendData(0, message);
        server.SendData(0, "EVILED:0:marker" + std::to_string(++markers_));
        const std::string marker = "STATUS MESSAGE: You have been warned by marker" + std::to_string(markers_) +
                                   ". Your warning level is now 0%.";
        // A warning delivered shows a line of the marker's kind before it.
        const std::size_t earlier = message.starts_with("EVILED") ? 1 : 0;
        ASSERT_TRUE(WaitForMarker(before, marker, "You have been ", earlier)) << message;
    }
    // Lines shown since sign-on, marker lines left out.
    std::vector<std::string> NewLines() const
    {
        std::vector<std::string> out;
        const std::vector<std::string> all = Lines();
        for (std::size_t i = baseline_; i < all.size(); ++i) {
            if (all[i].find("You have been warned by marker") == std::string::npos)
                out.push_back(all[i]);
        }
        return out;
    }
    std::size_t baseline_ = 0;
    int markers_ = 0;
};

TEST_F(ServerMessagesTest, InstantMessageLosesPageTagsAndKeepsColons)
{
    Deliver("IM_IN:Bob:F:<HTML><BODY BGCOLOR=#00ff00>hi: there</BODY></HTML>");
    Deliver("IM_IN:Bob:F:a:b::c:");
    Deliver("IM_IN:Bob:F:<font color=\"red\">x <3 you</font>");
    const std::vector<std::string> expected = {"<-Bob:  hi: there", "<-Bob:  a:b::c:", "<-Bob:  x <3 you"};
    EXPECT_EQ(NewLines(), expected);
}

TEST_F(ServerMessagesTest, AutomaticReplyIsMarkedAndNeverAnswered)
{
    ctx.away.Set("gone fishing");
    Deliver("IM_IN:Bob:T:brb");
    const std::vector<std::string> expected = {"<-Bob AUTORESPONSE:  brb"};
    EXPECT_EQ(NewLines(), expected);
    EXPECT_EQ(ctx.session.pacer.Waiting(), 0u);
    ASSERT_TRUE(ClientSendsArrived());
    EXPECT_TRUE(Parsed("toc_send_im").empty());
}

TEST_F(ServerMessagesTest, AwayReplyFollowsTheIncomingLine)
{
    ctx.away.Set("gone \"fishing\" {back} $5");
    Deliver("IM_IN:Bob Smith:F:are you there?");
    const std::vector<std::string> expected = {"<-Bob Smith:  are you there?",
                                               "Bob Smith->:  gone \"fishing\" {back} $5"};
    EXPECT_EQ(NewLines(), expected);
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !Parsed("toc_send_im").empty(); }));
    const auto replies = Parsed("toc_send_im");
    ASSERT_EQ(replies.size(), 1u);
    const std::vector<std::string> reply = {"toc_send_im", "bobsmith", "gone \"fishing\" {back} $5", "auto"};
    EXPECT_EQ(replies[0], reply);
}

// The window is asked for a sound at each event, never for an automatic
// reply coming or going; sent messages sound once they have gone.
TEST_F(ServerMessagesTest, SoundsAreCuedForEventsButNotForAutomaticReplies)
{
    ctx.away.Set("gone fishing");
    Deliver("IM_IN:Bob:F:hi");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return TranscriptHas("Bob->:  gone fishing"); }));
    Deliver("IM_IN:Carol:T:I am away too");
    Deliver("UPDATE_BUDDY:Dave:T:0:0:0: O");
    Deliver("UPDATE_BUDDY:Dave:T:0:0:0: O");  // no change, no sound
    Deliver("UPDATE_BUDDY:Dave:F:0:0:0: O");
    ctx.away.Unset();
    SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, "Bob", "back now", false);
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return TranscriptHas("Bob->:  back now"); }));
    const std::vector<SoundEvent> expected = {SoundEvent::MessageIn, SoundEvent::BuddySignedOn,
                                              SoundEvent::BuddySignedOff, SoundEvent::MessageSent};
    EXPECT_EQ(window.sounds, expected);
}

TEST_F(ServerMessagesTest, NoAwayReplyWithoutASender)
{
    ctx.away.Set("gone fishing");
    Deliver("IM_IN::F:hi");
    Deliver("IM_IN:   :F:blanks only");
    Deliver("IM_IN:Bob:F:real");
    // Only Bob's message is answered.
    EXPECT_EQ(ctx.session.pacer.Waiting(), 0u);
    ASSERT_TRUE(ClientSendsArrived());
    const auto replies = Parsed("toc_send_im");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0][1], "bob");
}

TEST_F(ServerMessagesTest, BuddiesArriveAndLeaveOncePerNormalisedName)
{
    Deliver("UPDATE_BUDDY:Some Body:T:0:0:0: O");
    Deliver("UPDATE_BUDDY:Some Body:T:0:0:0: O");
    Deliver("UPDATE_BUDDY:SOMEBODY:T:0:0:0: O");
    EXPECT_EQ(window.OnlineNames(), std::vector<std::string>({"Some Body"}));
    Deliver("UPDATE_BUDDY:somebody:F:0:0:0: O");
    Deliver("UPDATE_BUDDY:somebody:F:0:0:0: O");
    const std::vector<std::string> expected = {"STATUS MESSAGE: Some Body signed on.",
                                               "STATUS MESSAGE: somebody signed off."};
    EXPECT_EQ(NewLines(), expected);
    EXPECT_EQ(window.OnlineCount(), 0);
}

TEST_F(ServerMessagesTest, OnlineListKeepsItsOrderWithoutRegardToCase)
{
    for (const char* name : {"carl", "Bob", "alice", "Dave"})
        Deliver(std::string("UPDATE_BUDDY:") + name + ":T:0:0:0: O");
    EXPECT_EQ(window.OnlineNames(), std::vector<std::string>({"alice", "Bob", "carl", "Dave"}));
}

TEST_F(ServerMessagesTest, WarningsWithAndWithoutAWarner)
{
    Deliver("EVILED:10:");
    Deliver("EVILED:15:Bob");
    Deliver("EVILED");
    const std::vector<std::string> expected = {
        "STATUS MESSAGE: You have been anonymously warned. Your warning level is now 10%.",
        "STATUS MESSAGE: You have been warned by Bob. Your warning level is now 15%.",
        "STATUS MESSAGE: You have been anonymously warned. Your warning level is now %."};
    EXPECT_EQ(NewLines(), expected);
}

// The window fetches the page; the transcript gets a status line, never the raw link.
TEST_F(ServerMessagesTest, ProfileFetchedOnlyWhileARequestIsPending)
{
    Deliver("GOTO_URL:bob:info?user=bob");
    EXPECT_TRUE(NewLines().empty());
    ctx.session.pendingProfileRequests = 1;
    Deliver("GOTO_URL:Info:/info?user=Bob%20Smith");
    Deliver("GOTO_URL:bob:info?user=bob");
    EXPECT_EQ(NewLines(), std::vector<std::string>{"STATUS MESSAGE: Fetching the profile of Bob Smith..."});
    ASSERT_EQ(window.profiles.size(), 1u);
    EXPECT_EQ(window.profiles[0].first, "Bob Smith");
    EXPECT_EQ(window.profiles[0].second,
              "http://127.0.0.1:" + std::to_string(server.Port()) + "/info?user=Bob%20Smith");
    EXPECT_EQ(ctx.session.pendingProfileRequests, 0);
}

TEST_F(ServerMessagesTest, MissingFieldsGiveEmptyFields)
{
    Deliver("IM_IN:bob");
    Deliver("IM_IN:bob:T");
    Deliver("IM_IN");
    Deliver("UPDATE_BUDDY");
    Deliver("GOTO_URL");
    Deliver("CHAT_INVITE:room");
    const std::vector<std::string> expected = {"<-bob:  ", "<-bob AUTORESPONSE:  ", "<-:  "};
    EXPECT_EQ(NewLines(), expected);
    EXPECT_EQ(window.OnlineCount(), 0);
}

TEST_F(ServerMessagesTest, ServerTextIsNeverAFormat)
{
    Deliver("IM_IN:%s%n:F:%x%n%s");
    Deliver("EVILED:%n:%s");
    const std::vector<std::string> expected = {
        "<-%s%n:  %x%n%s", "STATUS MESSAGE: You have been warned by %s. Your warning level is now %n%."};
    EXPECT_EQ(NewLines(), expected);
}

TEST_F(ServerMessagesTest, OversizeFieldsAreCutNotOverrun)
{
    const std::string longName(4000, 'n');
    Deliver("UPDATE_BUDDY:" + longName + ":T:0:0:0: O");
    ASSERT_EQ(window.OnlineCount(), 1);
    // The library hands on at most 2047 characters of arguments; the buddy name has room for 1023.
    EXPECT_EQ(window.OnlineNames()[0], std::string(1023, 'n'));
    Deliver("IM_IN:bob:F:" + std::string(8000, 'm'));
    const std::string last = NewLines().back();
    EXPECT_EQ(last.rfind("<-bob:  mmm", 0), 0u);
    EXPECT_EQ(last.size(), std::string("<-bob:  ").size() + 2047 - std::string("bob:F:").size());
}

TEST_F(ServerMessagesTest, FloodOfBuddiesKeepsOneEntryPerName)
{
    for (int i = 0; i < 2000; ++i)
        server.SendData(0, "UPDATE_BUDDY:user" + std::to_string(i % 500) + ":T:0:0:0: O");
    Deliver("IM_IN:bob:F:done");
    EXPECT_EQ(window.OnlineCount(), 500);
    EXPECT_EQ(ctx.online.Count(), 500);
    EXPECT_EQ(window.badOnlineNotices, 0);
}

}  // namespace
