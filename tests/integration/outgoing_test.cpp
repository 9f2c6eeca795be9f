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
    SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, "Bob Smith", text, false);
    ASSERT_TRUE(WaitForSends(1));
    EXPECT_EQ(LastSend(), std::vector<std::string>({"toc_send_im", "bobsmith", text}));
    EXPECT_EQ(Lines().back(), "Bob Smith->:  " + text);
}

TEST_F(OutgoingTest, NoInputAddsAnArgumentOrACommand)
{
    ASSERT_TRUE(SignOn());
    const std::string text = "x\" auto\ntoc_evil bob norm \\\" \"";
    SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, "bob", text, false);
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
        SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, name, "hi", false);
        RequestInfo(ctx.Out(), ctx.session, name);
        WarnUser(ctx.Out(), ctx.session, name);
        ASSERT_EQ(Lines().size(), before + 3) << name;
        EXPECT_EQ(Lines().back(), std::string("STATUS MESSAGE: '") + name + "' is not a screen name.");
    }
    SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, "bob", "marker", false);
    ASSERT_TRUE(WaitForSends(1));
    EXPECT_EQ(Parsed("toc_send_im").size(), 1u);
    EXPECT_TRUE(Parsed("toc_get_info").empty());
    EXPECT_TRUE(Parsed("toc_evil").empty());
}

TEST_F(OutgoingTest, LinesAreJoinedWithBreaks)
{
    ASSERT_TRUE(SignOn());
    SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, "bob", "first\nsecond", false);
    ASSERT_TRUE(WaitForSends(1));
    EXPECT_EQ(LastSend(), std::vector<std::string>({"toc_send_im", "bob", "first<BR>second"}));
    // The echo shows the text before escaping; the pane shows no markup.
    EXPECT_EQ(Lines().back(), "bob->:  first\nsecond");
}

TEST(EscapeTocText, CutsBeforeEscapingAndNeverOverruns)
{
    EXPECT_EQ(EscapeTocText(std::string(3000, 'x')), std::string(2047, 'x'));
    EXPECT_EQ(EscapeTocText(std::string(2047, '\n')).size(), 4u * 2047u);
    EXPECT_EQ(EscapeTocText(std::string(3000, '"')).size(), 2u * 2047u);
}

std::string Repeat(std::string_view piece, std::size_t times)
{
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

// A text too long for one command line goes out cut between whole
// characters: the line on the wire (both escapings) fits 2047 bytes with
// its closing quote and " auto", nearly full, and the echo shows what went.
TEST_F(OutgoingTest, LongTextsAreCutBetweenWholeEscapes)
{
    ASSERT_TRUE(SignOn());
    const std::string texts[] = {std::string(3000, 'x'), std::string(1500, '"'), std::string(1500, '\n'),
                                 std::string(1500, '$'), Repeat("\xc3\xa9", 1500), Repeat("a\\[", 900)};
    std::size_t sent = 0;
    for (bool automatic : {false, true}) {
        for (const std::string& text : texts) {
            SCOPED_TRACE(text.substr(0, 4) + (automatic ? " auto" : ""));
            SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, "bob", text, automatic);
            ASSERT_TRUE(WaitForSends(++sent));
            const std::string& wire = Peer().commands.back();
            EXPECT_LE(wire.size(), 2047u);
            EXPECT_GE(wire.size(), 2047u - 3);
            EXPECT_TRUE(wire.ends_with(automatic ? "\" auto" : "\"")) << wire.substr(wire.size() - 8);
            // What the server read is the start of the text, whole characters only.
            const std::string arrived = LastSend().at(2);
            std::string expected;
            std::size_t taken = 0;
            while (expected.size() < arrived.size() && taken < text.size()) {
                const char c = text[taken++];
                expected += c == '\n' ? std::string("<BR>") : std::string(1, c);
            }
            EXPECT_EQ(arrived, expected);
            EXPECT_NE(static_cast<unsigned char>(text[taken]) & 0xC0, 0x80u);
            EXPECT_TRUE(TranscriptHas("bob->:  " + text.substr(0, taken))) << taken;
        }
    }
}

TEST_F(OutgoingTest, OfflineSendShowsFailureAndNoEcho)
{
    SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, "bob", "hello", false);
    EXPECT_EQ(Lines(), std::vector<std::string>({"STATUS MESSAGE: Cannot send IM."}));
}

TEST_F(OutgoingTest, PausedServerRefusesUntilSignOn)
{
    ASSERT_TRUE(SignOn());
    const std::size_t before = Lines().size();
    server.SendData(0, "PAUSE");
    server.SendData(0, "EVILED:0:x");
    ASSERT_TRUE(WaitForMarker(before, "STATUS MESSAGE: You have been warned by x. Your warning level is now 0%.",
                              "You have been"));
    SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, "bob", "during pause", false);
    EXPECT_EQ(Lines().back(), "STATUS MESSAGE: Cannot send IM.");
    server.SendData(0, "SIGN_ON:TOC1.0");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return Parsed("toc_set_info").size() == 2; }));
    SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, "bob", "after pause", false);
    ASSERT_TRUE(WaitForSends(1));
    EXPECT_EQ(LastSend().at(2), "after pause");
}

}  // namespace
