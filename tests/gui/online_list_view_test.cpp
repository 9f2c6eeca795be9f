// The online list in the real window: the selection stays on the names the
// user clicked while others arrive and leave around them, messages go to
// exactly those names, and names are shown as the window shows any text.
#include <QAccessible>
#include <QAction>
#include <QtTest/QTest>

#include <fstream>

#include "config_sync.h"
#include "main_window_harness.h"
#include "app_settings.h"

namespace {

class OnlineListViewTest : public MainWindowHarness {
protected:
    void SetUp() override
    {
        MainWindowHarness::SetUp();
        Start();
        ASSERT_TRUE(SignOn());
    }

    // Announces arrivals ("+name") and departures ("-name") and waits until
    // the list has the given number of rows.
    bool Announce(std::initializer_list<const char*> changes, int rows)
    {
        for (const char* change : changes) {
            const std::string name = change + 1;
            const char* flag = change[0] == '+' ? ":T" : ":F";
            if (!server.SendData(0, "UPDATE_BUDDY:" + name + flag + ":0:0:0: O"))
                return false;
        }
        return faketoc::FakeTocServer::WaitFor([&] { return OnlineRowCount() == rows; });
    }

    using Names = std::vector<std::string>;
};

TEST_F(OnlineListViewTest, SelectionStaysOnItsNamesAsOthersComeAndGo)
{
    ASSERT_TRUE(Announce({"+carl", "+Bob Smith", "+eve"}, 3));
    ASSERT_TRUE(ClickOnlineRow("Bob Smith"));
    ASSERT_TRUE(ClickOnlineRow("eve"));
    ASSERT_EQ(SelectedOnlineTexts(), (Names{"Bob Smith", "eve"}));

    // Before, between and after the selected rows.
    ASSERT_TRUE(Announce({"+alice", "+dave", "+zed", "+Bobby"}, 7));
    EXPECT_EQ(OnlineListTexts(), (Names{"alice", "Bob Smith", "Bobby", "carl", "dave", "eve", "zed"}));
    EXPECT_EQ(SelectedOnlineTexts(), (Names{"Bob Smith", "eve"}));

    ASSERT_TRUE(Announce({"-alice", "-dave", "-zed"}, 4));
    EXPECT_EQ(SelectedOnlineTexts(), (Names{"Bob Smith", "eve"}));

    // A selected name that leaves takes its selection with it, and does not
    // get it back when it returns.
    ASSERT_TRUE(Announce({"-bobsmith"}, 3));
    EXPECT_EQ(SelectedOnlineTexts(), Names{"eve"});
    ASSERT_TRUE(Announce({"+Bob Smith"}, 4));
    EXPECT_EQ(SelectedOnlineTexts(), Names{"eve"});

    InputLine()->setFocus();
    QTest::keyClicks(InputLine(), "hi");
    QTest::keyClick(InputLine(), Qt::Key_Return);
    ASSERT_TRUE(ClientSendsArrived());
    EXPECT_EQ(Parsed("toc_send_im"), (std::vector<std::vector<std::string>>{{"toc_send_im", "eve", "hi"}}));
}

TEST_F(OnlineListViewTest, ANameArrivingInsideASelectedRunIsNotSelected)
{
    ASSERT_TRUE(Announce({"+b", "+d", "+f"}, 3));
    for (const char* name : {"b", "d", "f"})
        ASSERT_TRUE(ClickOnlineRow(name));
    ASSERT_TRUE(Announce({"+c", "+E", "+a"}, 6));
    EXPECT_EQ(OnlineListTexts(), (Names{"a", "b", "c", "d", "E", "f"}));
    EXPECT_EQ(SelectedOnlineTexts(), (Names{"b", "d", "f"}));

    // Clicking a selected row again deselects it; the rest stay.
    ASSERT_TRUE(ClickOnlineRow("d"));
    ASSERT_TRUE(Announce({"-c"}, 5));
    EXPECT_EQ(SelectedOnlineTexts(), (Names{"b", "f"}));
    Button("warn")->click();
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return Parsed("toc_evil").size() == 2; }));
    EXPECT_EQ(Parsed("toc_evil")[0][1], "b");
    EXPECT_EQ(Parsed("toc_evil")[1][1], "f");
}

TEST_F(OnlineListViewTest, GoingOfflineEmptiesTheListAndItsSelection)
{
    ASSERT_TRUE(Announce({"+carl", "+eve"}, 2));
    ASSERT_TRUE(ClickOnlineRow("eve"));
    server.Close(0);
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.connectionStatus == STATUS_OFFLINE; }));
    EXPECT_EQ(OnlineRowCount(), 0);
    EXPECT_TRUE(OnlineList()->selectionModel()->selectedRows().empty());

    ASSERT_TRUE(SignOn(1));
    ASSERT_TRUE(server.SendData(1, "UPDATE_BUDDY:eve:T:0:0:0: O"));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return OnlineRowCount() == 1; }));
    EXPECT_TRUE(SelectedOnlineTexts().empty());
}

TEST_F(OnlineListViewTest, NamesAreShownLikeAnyOtherText)
{
    ASSERT_TRUE(Announce({"+J\xC3\xBCrgen", "+Ann Lee"}, 2));
    EXPECT_EQ(OnlineListTexts(), (Names{"Ann Lee", "J\xC3\xBCrgen"}));
    EXPECT_FALSE(OnlineList()->model()->flags(OnlineList()->model()->index(0, 0)) & Qt::ItemIsEditable);
}

}  // namespace

// With groups the list shows them as headings over their online buddies,
// offline buddies on request; a message goes to the buddy clicked under
// its group.
class GroupedListViewTest : public MainWindowHarness {};

TEST_F(GroupedListViewTest, BuddiesUnderTheirGroupsAndOfflineOnRequest)
{
    std::ofstream(ctx.settings.profile.File("blist.cfg")) << "dave\nBob\nerin\n";
    // The default group named in the file and the buddies in no group share one heading.
    std::ofstream(ctx.settings.profile.File(kGroupsFile)) << "g Buddies\nb erin\ng Friends\nb dave\nb Bob\n";
    LoadBuddyGroups(ctx.config, ctx.settings);
    Start();
    ASSERT_TRUE(SignOn());
    for (const char* name : {"carl", "Bob"})
        ASSERT_TRUE(server.SendData(0, std::string("UPDATE_BUDDY:") + name + ":T:0:0:0: O"));
    const std::vector<std::string> online = {"Friends (1/2)", "  Bob", "Buddies (1/2)", "  carl"};
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return OnlineListTexts() == online; }))
        << testing::PrintToString(OnlineListTexts());

    QAction* showOffline = nullptr;
    for (QAction* action : window.findChildren<QAction*>()) {
        if (action->text() == "Show &offline buddies")
            showOffline = action;
    }
    ASSERT_NE(showOffline, nullptr);
    showOffline->trigger();
    const std::vector<std::string> all = {"Friends (1/2)", "  Bob", "  dave", "Buddies (1/2)", "  carl", "  erin"};
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return OnlineListTexts() == all; }))
        << testing::PrintToString(OnlineListTexts());
    EXPECT_EQ(OnlineList()->model()->index(2, 0).data(Qt::AccessibleDescriptionRole).toString(),
              "dave: offline");
    EXPECT_TRUE(LoadAppSettings(ctx.settings.profile).presence.showOffline);
    // What a screen reader is given for the row.
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(OnlineList());
    ASSERT_NE(list, nullptr);
    QStringList descriptions;
    for (int i = 0; i < list->childCount(); ++i) {
        if (QAccessibleInterface* cell = list->child(i))
            descriptions << cell->text(QAccessible::Description);
    }
    EXPECT_TRUE(descriptions.contains("dave: offline")) << descriptions.join('|').toStdString();

    ASSERT_TRUE(ClickOnlineRow("  carl"));
    ASSERT_TRUE(ClickOnlineRow("Friends (1/2)"));  // neither a heading nor an offline buddy is selected
    ASSERT_TRUE(ClickOnlineRow("  erin"));
    // An arrival rebuilds the rows; the selection stays on carl.
    ASSERT_TRUE(server.SendData(0, "UPDATE_BUDDY:Abe:T:0:0:0: O"));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return OnlineRowCount() == 7; }));
    EXPECT_EQ(SelectedOnlineTexts(), std::vector<std::string>{"  carl"});
    InputLine()->setFocus();
    QTest::keyClicks(InputLine(), "hi");
    QTest::keyClick(InputLine(), Qt::Key_Return);
    ASSERT_TRUE(ClientSendsArrived());
    EXPECT_EQ(Parsed("toc_send_im"), (std::vector<std::vector<std::string>>{{"toc_send_im", "carl", "hi"}}));
}
