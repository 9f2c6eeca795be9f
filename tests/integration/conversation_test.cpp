// Lines that know what they are, and messages to anyone: /msg and /r
// through the same path as a typed line, against the fake server.
#include <cstring>
#include <filesystem>

#include "client_harness.h"
#include "input_line.h"
#include "outgoing.h"
#include "output.h"
#include "client_lifecycle.h"

namespace {

class ConversationTest : public ClientHarness {
protected:
    void Type(const std::string& line)
    {
        window.input = line;
        SubmitInputLine(ctx);
    }
    std::vector<std::vector<std::string>> Sends() { return Parsed("toc_send_im"); }
    bool WaitForSends(std::size_t count)
    {
        return faketoc::FakeTocServer::WaitFor([&] { return Sends().size() >= count; });
    }
};

// Each line's record: kind, peer and where its text begins; the text and the
// log keep the message's entities as they came.
TEST_F(ConversationTest, LinesRecordKindAndPeerWhileTextAndLogStayAsTheyCame)
{
    ctx.settings.userInfo.logToFile = 1;
    SetFieldText(ctx.settings.userInfo.logPath, "log.txt");
    ASSERT_TRUE(SignOn());
    const std::size_t before = ctx.transcript.lines.Count();
    server.SendData(0, "IM_IN:Stranger Dan:F:hi &lt;3 <a href=\"http://example.org/x\">my page</a>");
    ASSERT_TRUE(WaitForLine("<-Stranger Dan:  hi &lt;3 my page"));
    server.SendData(0, "IM_IN:Bob:T:gone fishing");
    ASSERT_TRUE(WaitForLine("<-Bob AUTORESPONSE:  gone fishing"));
    SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, "Stranger Dan", "back", false);
    ASSERT_TRUE(WaitForLine("Stranger Dan->:  back"));
    PumpTick(ctx);  // the turn's log lines reach the file

    const TranscriptLines& lines = ctx.transcript.lines;
    ASSERT_EQ(lines.Count(), before + 3);
    struct Want {
        LineKind kind;
        const char* peer;
        const char* text;
    };
    const Want wants[] = {{LineKind::Incoming, "strangerdan", "<-Stranger Dan:  hi &lt;3 my page\r\n"},
                          {LineKind::AutoIncoming, "bob", "<-Bob AUTORESPONSE:  gone fishing\r\n"},
                          {LineKind::Outgoing, "strangerdan", "Stranger Dan->:  back\r\n"}};
    const std::string& text = ctx.transcript.output.Text();
    for (std::size_t i = 0; i < std::size(wants); ++i) {
        const TranscriptLine& line = lines[before + i];
        EXPECT_EQ(line.kind, wants[i].kind) << i;
        EXPECT_EQ(lines.PeerName(line.peer), wants[i].peer) << i;
        EXPECT_EQ(text.compare(line.offset, std::strlen(wants[i].text), wants[i].text), 0) << i;
    }
    const std::vector<LineLink>* links = lines.LinksAt(lines[before].offset + 3);
    ASSERT_NE(links, nullptr);
    EXPECT_EQ(links->at(0).url, "http://example.org/x");
    EXPECT_EQ(links->at(0).label, "my page");
    EXPECT_EQ(lines.LastSender(), "strangerdan");  // automatic replies do not count
    EXPECT_NE(ReadBytes(dir.Path("log.txt")).find("<-Stranger Dan:  hi &lt;3 my page\r\n"), std::string::npos);
}

TEST_F(ConversationTest, MsgReachesAnyNameAndRAnswersTheLastSender)
{
    ASSERT_TRUE(SignOn());
    Type("/r too early");
    EXPECT_EQ(Lines().back(), "STATUS MESSAGE: No one has sent you a message yet.");

    Type("/msg notlisted hello there");
    ASSERT_TRUE(WaitForSends(1));
    EXPECT_EQ(Sends().back(), std::vector<std::string>({"toc_send_im", "notlisted", "hello there"}));
    EXPECT_TRUE(TranscriptHas("notlisted->:  hello there"));

    server.SendData(0, "IM_IN:Carol:F:ping");
    ASSERT_TRUE(WaitForLine("<-Carol:  ping"));
    server.SendData(0, "IM_IN:Dave:T:I am away");
    ASSERT_TRUE(WaitForLine("<-Dave AUTORESPONSE:  I am away"));
    window.formatting = "<b>$</b>";
    Type("/r pong");
    ASSERT_TRUE(WaitForSends(2));
    EXPECT_EQ(Sends().back(), std::vector<std::string>({"toc_send_im", "carol", "<b>pong</b>"}));

    const std::size_t sent = Sends().size();
    for (const char* bad : {"/msg", "/msg bob", "/msg bo\"b hi", "/msg bob /away"}) {
        Type(bad);
        EXPECT_TRUE(Lines().back().starts_with("STATUS MESSAGE: ")) << bad;
    }
    EXPECT_EQ(Sends().size(), sent);
}

}  // namespace
