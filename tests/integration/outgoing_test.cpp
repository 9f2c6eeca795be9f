// Outgoing instant messages as the server receives them after its own
// unescaping, and the echo the user sees.
#include "client_harness.h"
#include "input_line.h"
#include "outgoing.h"

namespace {

class OutgoingTest : public ClientHarness {
protected:
    // The text argument of the last toc_send_im the server received.
    std::vector<std::string> LastSend()
    {
        const auto sends = Parsed("toc_send_im");
        return sends.empty() ? std::vector<std::string>{} : sends.back();
    }
    bool WaitForSends(std::size_t count)
    {
        return faketoc::FakeTocServer::WaitFor([&] { return Parsed("toc_send_im").size() >= count; });
    }
};

TEST_F(OutgoingTest, SpecialCharactersArriveAsTheOriginalText)
{
    ASSERT_TRUE(SignOn());
    const std::string text = "say \"hi\" to {them} \\ pay $5 [now] (ok)";
    SendInstantMessage(ctx, "Bob Smith", text, false);
    ASSERT_TRUE(WaitForSends(1));
    EXPECT_EQ(LastSend(), std::vector<std::string>({"toc_send_im", "bobsmith", text}));
    EXPECT_EQ(Lines().back(), "Bob Smith->:  " + text);
}

TEST_F(OutgoingTest, NoInputAddsAnArgumentOrACommand)
{
    ASSERT_TRUE(SignOn());
    const std::string text = "x\" auto\ntoc_evil bob norm \\\" \"";
    SendInstantMessage(ctx, "bob", text, false);
    ASSERT_TRUE(WaitForSends(1));
    EXPECT_EQ(LastSend(), std::vector<std::string>({"toc_send_im", "bob", "x\" auto<BR>toc_evil bob norm \\\" \""}));
    EXPECT_TRUE(Parsed("toc_evil").empty());
}

// Names reach commands unquoted: one that holds what no screen name has
// (from the server's buddy updates or from a module) is never sent.
TEST_F(OutgoingTest, NamesThatAreNoScreenNameStayOffTheWire)
{
    ASSERT_TRUE(SignOn());
    const char* names[] = {"bob\"x", "a\\b", "evil\"auto", "{x}", "caf\xe9"};
    for (const char* name : names) {
        const std::size_t before = Lines().size();
        SendInstantMessage(ctx, name, "hi", false);
        RequestInfo(ctx, name);
        WarnUser(ctx, name);
        ASSERT_EQ(Lines().size(), before + 3) << name;
        EXPECT_EQ(Lines().back(), std::string("STATUS MESSAGE: '") + name + "' is not a screen name.");
    }
    SendInstantMessage(ctx, "bob", "marker", false);
    ASSERT_TRUE(WaitForSends(1));
    EXPECT_EQ(Parsed("toc_send_im").size(), 1u);
    EXPECT_TRUE(Parsed("toc_get_info").empty());
    EXPECT_TRUE(Parsed("toc_evil").empty());
}

TEST_F(OutgoingTest, LinesAreJoinedWithBreaks)
{
    ASSERT_TRUE(SignOn());
    SendInstantMessage(ctx, "bob", "first\nsecond", false);
    ASSERT_TRUE(WaitForSends(1));
    EXPECT_EQ(LastSend(), std::vector<std::string>({"toc_send_im", "bob", "first<BR>second"}));
    // The echo shows the text before escaping; the pane shows no markup.
    EXPECT_EQ(Lines().back(), "bob->:  first\nsecond");
}

TEST_F(OutgoingTest, LongMessageIsCutBeforeEscaping)
{
    ASSERT_TRUE(SignOn());
    EXPECT_EQ(EscapeTocText(std::string(3000, 'x')), std::string(2047, 'x'));
    SendInstantMessage(ctx, "bob", std::string(3000, 'x'), false);
    ASSERT_TRUE(WaitForSends(1));
    // A command line has room for 2047 characters on the wire: the library
    // cuts the whole line there, so the text keeps what fits after
    // 'toc_send_im bob "'.
    EXPECT_EQ(LastSend().at(2), std::string(2047 - 17, 'x'));
    EXPECT_EQ(Lines().back(), "bob->:  " + std::string(3000, 'x'));
}

TEST_F(OutgoingTest, WorstCaseEscapingNeverOverruns)
{
    EXPECT_EQ(EscapeTocText(std::string(2047, '\n')).size(), 4u * 2047u);
    EXPECT_EQ(EscapeTocText(std::string(3000, '"')), [] {
        std::string s;
        for (int i = 0; i < 2047; ++i)
            s += "\\\"";
        return s;
    }());
    ASSERT_TRUE(SignOn());
    // The library cuts an over-long command line; nothing breaks and the
    // connection stays usable.
    SendInstantMessage(ctx, "bob", std::string(2047, '\n'), false);
    SendInstantMessage(ctx, "bob", std::string(1000, '"'), false);
    SendInstantMessage(ctx, "bob", "after", false);
    ASSERT_TRUE(WaitForSends(3));
    EXPECT_EQ(LastSend(), std::vector<std::string>({"toc_send_im", "bob", "after"}));
    EXPECT_EQ(Parsed("toc_send_im")[1].at(2), std::string(1000, '"'));
}

TEST_F(OutgoingTest, OfflineSendShowsFailureAndNoEcho)
{
    SendInstantMessage(ctx, "bob", "hello", false);
    EXPECT_EQ(Lines(), std::vector<std::string>({"STATUS MESSAGE: Cannot send IM."}));
}

TEST_F(OutgoingTest, PausedServerRefusesUntilSignOn)
{
    ASSERT_TRUE(SignOn());
    server.SendData(0, "PAUSE");
    server.SendData(0, "EVILED:0:x");
    ASSERT_TRUE(WaitForLine("STATUS MESSAGE: You have been warned by x. Your warning level is now 0%."));
    SendInstantMessage(ctx, "bob", "during pause", false);
    EXPECT_EQ(Lines().back(), "STATUS MESSAGE: Cannot send IM.");
    server.SendData(0, "SIGN_ON:TOC1.0");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return Parsed("toc_set_info").size() == 2; }));
    SendInstantMessage(ctx, "bob", "after pause", false);
    ASSERT_TRUE(WaitForSends(1));
    EXPECT_EQ(LastSend().at(2), "after pause");
}

}  // namespace
