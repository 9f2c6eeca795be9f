// Info, end to end offscreen: the server's GOTO_URL is fetched from its TOC
// port and the profile shows in a window of its own as text with its links;
// a page that cannot be had is said so in the transcript.
#include <QTextBrowser>
#include <QTextDocument>

#include "input_line.h"
#include "main_window_harness.h"
#include "profile_viewer.h"
#include "settings_files.h"

namespace {

class ProfileViewerTest : public MainWindowHarness {};

TEST_F(ProfileViewerTest, ShowsTheProfileAsTextWithItsLinks)
{
    Start();
    SetFieldText(ctx.settings.userInfo.userProfile,
                 "Hello <b>there</b><br><a href=\"http://example.org/x?a=1&amp;b=2\">my page</a> "
                 "<img src=\"http://example.org/i.png\"><a href=\"javascript:alert(1)\">no</a>");
    ASSERT_TRUE(SignOn());
    RequestInfo(ctx.Out(), ctx.session, "Alice Test");
    ASSERT_TRUE(WaitForPaneLine("STATUS MESSAGE: Fetching the profile of alicetest..."));
    ProfileWindow* shown = nullptr;
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] {
        const QList<ProfileWindow*> windows = window.findChildren<ProfileWindow*>();
        shown = windows.isEmpty() ? nullptr : windows.front();
        return shown != nullptr && shown->isVisible();
    }));
    EXPECT_EQ(shown->windowTitle(), "Profile of alicetest");
    const QString text = shown->Text()->toPlainText();
    EXPECT_TRUE(text.contains("Username: alicetest")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("Hello there\nmy page no")) << text.toStdString();
    const QString html = shown->Text()->document()->toHtml();
    EXPECT_TRUE(html.contains("href=\"http://example.org/x?a=1&amp;b=2\"")) << html.toStdString();
    EXPECT_FALSE(html.contains("javascript")) << html.toStdString();
    EXPECT_FALSE(html.contains("<img")) << html.toStdString();
    shown->close();
}

TEST_F(ProfileViewerTest, AFailedFetchSaysWhy)
{
    Start();
    ASSERT_TRUE(SignOn());
    RequestInfo(ctx.Out(), ctx.session, "nobody");
    EXPECT_TRUE(WaitForPaneLine("STATUS MESSAGE: Could not fetch the profile of nobody: nobody is not signed on. "
                                "(the server answered 404 Not Found).",
                                20000))
        << PaneText();
    EXPECT_TRUE(window.findChildren<ProfileWindow*>().isEmpty());
}

TEST(ProfileLinkTest, OnlyWebAndMailLinksAreFollowed)
{
    const QUrl page("http://localhost:9898/info?user=bob");
    EXPECT_EQ(ProfileWindow::LinkTarget(page, "info?user=echobot"), QUrl("http://localhost:9898/info?user=echobot"));
    EXPECT_EQ(ProfileWindow::LinkTarget(page, "https://example.org/"), QUrl("https://example.org/"));
    EXPECT_EQ(ProfileWindow::LinkTarget(page, "mailto:bob@example.org"), QUrl("mailto:bob@example.org"));
    EXPECT_TRUE(ProfileWindow::LinkTarget(page, "file:///etc/passwd").isEmpty());
    EXPECT_TRUE(ProfileWindow::LinkTarget(page, "aim:goim?screenname=x").isEmpty());
}

}  // namespace
