// The main window offscreen: its controls and menu, the buttons through a
// connection's life, Escape and Enter, the online list's order, a start
// without the protocol library, and the tray toggle where no tray exists.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QtTest/QTest>

#include "connection.h"
#include "main_window_harness.h"

namespace {


struct ButtonStates {
    bool connect, send, warn, info, disconnect;
    bool operator==(const ButtonStates&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ButtonStates& s)
{
    return out << "{connect " << s.connect << ", send " << s.send << ", warn " << s.warn << ", info " << s.info
               << ", disconnect " << s.disconnect << "}";
}

constexpr ButtonStates kOffline{true, true, false, false, false};
constexpr ButtonStates kSigningOn{false, true, false, false, false};
constexpr ButtonStates kOnline{false, true, true, true, true};

QStringList ActionTexts(const QList<QAction*>& actions)
{
    QStringList texts;
    for (QAction* action : actions) {
        if (!action->isSeparator())
            texts << action->text();
    }
    return texts;
}

QLabel* LabelWithText(const QWidget& parent, const QString& text)
{
    for (QLabel* label : parent.findChildren<QLabel*>()) {
        if (label->text() == text)
            return label;
    }
    return nullptr;
}

QPushButton* PushButtonWithText(const QWidget& parent, const QString& text)
{
    for (QPushButton* button : parent.findChildren<QPushButton*>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

class MainWindowTest : public StartedWindowTest {
protected:
    ButtonStates States() const
    {
        return {Button("connect")->isEnabled(), Button("send")->isEnabled(), Button("warn")->isEnabled(),
                Button("info")->isEnabled(), Button("disconnect")->isEnabled()};
    }
};

TEST_F(MainWindowTest, InitialWindowHasTitleControlsAndMenu)
{
    EXPECT_EQ(window.windowTitle(), "ZORVANE");
    EXPECT_EQ(States(), kOffline);

    const auto* menuBar = window.findChild<QMenuBar*>();
    ASSERT_NE(menuBar, nullptr);
    ASSERT_EQ(ActionTexts(menuBar->actions()), (QStringList{"&File", "&View"}));
    QMenu* file = menuBar->actions().front()->menu();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ActionTexts(file->actions()), (QStringList{"&Config", "&BLEED", "&New message...", "S&ounds...", "E&xit"}));

    EXPECT_EQ(Button("warn")->text(), "&Warn");
    EXPECT_EQ(Button("info")->text(), "&Info");
    EXPECT_EQ(Button("send")->text(), "&Send");
    EXPECT_EQ(Button("connect")->text(), "&Connect");
    EXPECT_EQ(Button("disconnect")->text(), "&Disconnect");
    QPushButton* exit = PushButtonWithText(window, "E&xit");
    ASSERT_NE(exit, nullptr);
    EXPECT_TRUE(exit->isEnabled());
    // Enter in the input line presses Send.
    EXPECT_TRUE(Button("send")->isDefault());

    const QLabel* onlineLabel = LabelWithText(window, "Online Selection Box:");
    ASSERT_NE(onlineLabel, nullptr);
    EXPECT_EQ(onlineLabel->buddy(), OnlineList());
    const QLabel* formattingLabel = LabelWithText(window, "Formatting:");
    ASSERT_NE(formattingLabel, nullptr);
    EXPECT_EQ(formattingLabel->buddy(), FormattingBox());

    // The pane is read-only: typing into it changes nothing.
    const QString before = OutputPane()->PlainText();
    QTest::keyClicks(OutputPane(), "typed");
    EXPECT_EQ(OutputPane()->PlainText(), before);
    EXPECT_EQ(OnlineList()->selectionMode(), QAbstractItemView::MultiSelection);
    // First run: no userinfo.cfg, so the template is the default.
    EXPECT_EQ(FormattingBox()->text(), "$");
    EXPECT_EQ(InputLine()->text(), "");
}

// How the connection ends after it was online.
enum class Drop { DisconnectButton, ServerCloses };

class ButtonStatesTest : public MainWindowTest, public ::testing::WithParamInterface<Drop> {};

TEST_P(ButtonStatesTest, FollowTheConnectionThroughItsLife)
{
    server.SetAutoSignOn(false);
    EXPECT_EQ(States(), kOffline);

    QTest::mouseClick(Button("connect"), Qt::LeftButton);
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor(
        [&] { return ctx.session.connectionStatus == STATUS_SIGNING_ON && HasCommandStartingWith(0, "toc_signon"); }));
    EXPECT_EQ(States(), kSigningOn);
    EXPECT_TRUE(WaitForPaneLine("STATUS MESSAGE: Logging onto AIM..."));

    ASSERT_TRUE(server.AcceptSignOn(0));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.connectionStatus == STATUS_ONLINE; }));
    EXPECT_EQ(States(), kOnline);
    EXPECT_TRUE(WaitForPaneLine("STATUS MESSAGE: Connected to AIM server."));

    ASSERT_TRUE(server.SendData(0, "UPDATE_BUDDY:Bob Peer:T:0:0:0: O"));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return OnlineRowCount() == 1; }));

    if (GetParam() == Drop::DisconnectButton)
        QTest::mouseClick(Button("disconnect"), Qt::LeftButton);
    else
        server.Close(0);
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.connectionStatus == STATUS_OFFLINE; }));
    EXPECT_EQ(States(), kOffline);
    EXPECT_EQ(OnlineRowCount(), 0);
    EXPECT_TRUE(WaitForPaneLine("STATUS MESSAGE: Disconnected from AIM server."));
}

INSTANTIATE_TEST_SUITE_P(Drops, ButtonStatesTest, ::testing::Values(Drop::DisconnectButton, Drop::ServerCloses),
                         [](const auto& info) {
                             return info.param == Drop::DisconnectButton ? "DisconnectButton" : "ServerCloses";
                         });

// Escape is the dialog's cancel key; here it connects and never closes.
class EscapeKeyTest : public MainWindowTest, public ::testing::WithParamInterface<int> {
protected:
    QWidget* Target() const
    {
        return GetParam() == 0 ? static_cast<QWidget*>(InputLine()) : FormattingBox();
    }
};

TEST_P(EscapeKeyTest, StartsAConnectionAndKeepsTheWindowOpen)
{
    QWidget* target = Target();
    target->setFocus();
    QTest::keyClick(target, Qt::Key_Escape);

    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return server.ClientCount() == 1; }));
    EXPECT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.connectionStatus == STATUS_ONLINE; }));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.IsShutDown());
    // Connected: Escape has nothing more to do and says nothing.
    const std::string before = ctx.transcript.output.Text();
    QTest::keyClick(target, Qt::Key_Escape);
    ASSERT_TRUE(ClientSendsArrived()) << "the connection stays";
    EXPECT_EQ(ctx.transcript.output.Text(), before);
    EXPECT_EQ(server.ClientCount(), 1);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.Path("userinfo.cfg"))));
}

INSTANTIATE_TEST_SUITE_P(FocusOn, EscapeKeyTest, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "InputLine" : "FormattingBox"; });

TEST_F(MainWindowTest, EnterInTheInputLineSendsToTheSelectedName)
{
    ASSERT_TRUE(SignOn());
    ASSERT_TRUE(server.SendData(0, "UPDATE_BUDDY:Bob Peer:T:0:0:0: O"));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return OnlineRowCount() == 1; }));
    ASSERT_TRUE(ClickOnlineRow("Bob Peer"));

    InputLine()->setFocus();
    QTest::keyClicks(InputLine(), "hello there");
    QTest::keyClick(InputLine(), Qt::Key_Return);

    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !Parsed("toc_send_im").empty(); }));
    EXPECT_EQ(Parsed("toc_send_im"), (std::vector<std::vector<std::string>>{{"toc_send_im", "bobpeer", "hello there"}}));
    EXPECT_EQ(InputLine()->text(), "");
    EXPECT_TRUE(WaitForPaneLine("Bob Peer->:  hello there"));
    EXPECT_FALSE(window.IsShutDown());
}

TEST_F(MainWindowTest, OnlineListSortsWithoutRegardToCase)
{
    ASSERT_TRUE(SignOn());
    for (const char* name : {"bob", "Alice", "carl"})
        ASSERT_TRUE(server.SendData(0, std::string("UPDATE_BUDDY:") + name + ":T:0:0:0: O"));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return OnlineRowCount() == 3; }));

    EXPECT_EQ(OnlineListTexts(), (std::vector<std::string>{"Alice", "bob", "carl"}));
    for (const char* line :
         {"STATUS MESSAGE: bob signed on.", "STATUS MESSAGE: Alice signed on.", "STATUS MESSAGE: carl signed on."})
        EXPECT_TRUE(WaitForPaneLine(line)) << line;

    // Byte order would put both capitals first.
    ASSERT_TRUE(server.SendData(0, "UPDATE_BUDDY:Dave:T:0:0:0: O"));
    ASSERT_TRUE(server.SendData(0, "UPDATE_BUDDY:al:T:0:0:0: O"));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return OnlineRowCount() == 5; }));
    EXPECT_EQ(OnlineListTexts(), (std::vector<std::string>{"al", "Alice", "bob", "carl", "Dave"}));

    // A departure takes exactly that name out and keeps the order.
    ASSERT_TRUE(server.SendData(0, "UPDATE_BUDDY:bob:F:0:0:0: O"));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return OnlineRowCount() == 4; }));
    EXPECT_EQ(OnlineListTexts(), (std::vector<std::string>{"al", "Alice", "carl", "Dave"}));
    EXPECT_TRUE(WaitForPaneLine("STATUS MESSAGE: bob signed off."));
}

TEST_F(MainWindowTest, WithoutASystemTrayTheWindowIsNeverHidden)
{
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        // With a tray, a click hides the window and the next one shows it.
        ASSERT_TRUE(window.HasTrayIcon());
        window.ToggleHidden();
        EXPECT_FALSE(window.isVisible());
        window.ToggleHidden();
        EXPECT_TRUE(window.isVisible());
        return;
    }
    EXPECT_FALSE(window.HasTrayIcon());
    for (int i = 0; i < 3; ++i) {
        window.ToggleHidden();
        EXPECT_TRUE(window.isVisible()) << "after toggle " << i + 1;
    }
}

// A start whose protocol library cannot be loaded.
class MissingLibraryTest : public MainWindowHarness {};

TEST_F(MissingLibraryTest, PrintsTheFatalLineAndStaysUsable)
{
    Start("/nonexistent/quenlo/libtocwire.so");
    ASSERT_FALSE(ctx.session.api.Bound());
    EXPECT_TRUE(window.isVisible());

    // The line went out before the test switched timestamps off: a time prefix may lead.
    const std::string fatal = "STATUS MESSAGE: FATAL ERROR: Couldn't load libtocwire.so!";
    EXPECT_TRUE(faketoc::FakeTocServer::WaitFor([&] {
        for (const std::string& line : PaneLines()) {
            if (line.ends_with(fatal))
                return true;
        }
        return false;
    })) << PaneText();

    QTest::mouseClick(Button("connect"), Qt::LeftButton);
    EXPECT_TRUE(WaitForPaneLine("STATUS MESSAGE: " + std::string(kLibraryNotLoaded))) << PaneText();
    EXPECT_FALSE(HappensWithin([&] { return server.ClientCount() > 0; }, 150));

    InputLine()->setText("still here");
    QTest::mouseClick(Button("send"), Qt::LeftButton);
    EXPECT_TRUE(WaitForPaneLine("STATUS MESSAGE: Not logged on."));
    EXPECT_EQ(InputLine()->text(), "");

    // The close still saves the settings.
    window.close();
    EXPECT_TRUE(window.IsShutDown());
    EXPECT_EQ(ReadBytes(dir.Path("userinfo.cfg")).size(), kUserInfoSize);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(dir.Path("blist.cfg"))));
}

}  // namespace
