// Conversations in the real window: opened from a message's line, sending to
// their person alone, marked unread, text shown as its sender meant it,
// links opened, and find.
#include <QLineEdit>
#include <QtTest/QTest>

#include "conversation_window.h"
#include "find_bar.h"
#include "main_window_harness.h"
#include "transcript_pane.h"

namespace {

class ConversationWindowTest : public StartedWindowTest {};

TEST_F(ConversationWindowTest, SendsToItsPersonAloneWhileTheMainLineSendsToTheSelection)
{
    ASSERT_TRUE(SignOn());
    ASSERT_TRUE(server.SendData(0, "UPDATE_BUDDY:Bob Peer:T:0:0:0: O"));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return OnlineRowCount() == 1; }));
    ASSERT_TRUE(ClickOnlineRow("Bob Peer"));
    ASSERT_TRUE(server.SendData(0, "IM_IN:strangerdan:F:hi &lt;3 <a href=\"http://example.org/p\">my page</a>"));
    ASSERT_TRUE(WaitForPaneLine("<-strangerdan:  hi <3 my page"));

    // A double-click on the incoming line opens the stranger's conversation.
    TranscriptPane* main = OutputPane();
    main->CatchUp();
    const int line = main->LineCount() - 1;
    ASSERT_TRUE(main->LastLineText() == "<-strangerdan:  hi <3 my page");
    QStringList opened;
    main->openLink = [&](const QString& url) { opened << url; };
    main->lineActivated(main->LineCount() > 0 ? std::string_view(ctx.transcript.output.Text()).rfind("<-strangerdan") : 0);
    ConversationWindow* talks = window.Conversations();
    ASSERT_NE(talks, nullptr);
    ASSERT_EQ(talks->Count(), 1);
    EXPECT_EQ(talks->CurrentPane()->accessibleName(), "Conversation with strangerdan");
    EXPECT_EQ(talks->CurrentPane()->LastLineText(), "<-strangerdan:  hi <3 my page");
    (void)line;

    QTest::keyClicks(talks->CurrentInput(), "only you");
    QTest::keyClick(talks->CurrentInput(), Qt::Key_Return);
    InputLine()->setText("to the list");
    QTest::keyClick(InputLine(), Qt::Key_Return);
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return Parsed("toc_send_im").size() == 2; }));
    EXPECT_EQ(Parsed("toc_send_im"), (std::vector<std::vector<std::string>>{
                                         {"toc_send_im", "strangerdan", "only you"},
                                         {"toc_send_im", "bobpeer", "to the list"}}));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor(
        [&] { return talks->CurrentPane()->LastLineText() == "strangerdan->:  only you"; }));

    // A second person: a message for the first while the second is in front marks it.
    window.OpenConversation("Bob Peer");
    ASSERT_EQ(talks->Count(), 2);
    ASSERT_TRUE(server.SendData(0, "IM_IN:strangerdan:F:still there?"));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return talks->TabText(0) == "* strangerdan"; }));
    EXPECT_FALSE(talks->CurrentPane()->PlainText().contains("still there?"));

    // Find in the main pane: the count of all matches, shown as it is shown.
    window.OutputFind()->Open();
    QTest::keyClicks(window.OutputFind()->WordBox(), "<3");
    EXPECT_EQ(window.OutputFind()->CountText(), "1 match");
    EXPECT_EQ(main->SelectedText(), "<3");
}

}  // namespace
