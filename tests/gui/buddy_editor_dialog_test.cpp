// "Buddy List Entry Editor" offscreen: the list in case-blind order, Add and
// Remove on a copy that OK applies (the server told only while connected,
// blist.cfg written at once) and Cancel drops, Enter in the name field adding.
#include <functional>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest/QTest>

#include "buddy_editor_dialog.h"
#include "main_window_harness.h"

namespace {

class BuddyEditorTest : public MainWindowHarness {
protected:
    static std::vector<std::string> Entries(const BuddyEditorDialog& dialog)
    {
        std::vector<std::string> names;
        for (int row = 0; row < dialog.BuddyList()->count(); ++row)
            names.push_back(dialog.BuddyList()->item(row)->text().toStdString());
        return names;
    }

    static void Add(BuddyEditorDialog& dialog, const char* name)
    {
        dialog.NameEdit()->setText(name);
        QTest::mouseClick(dialog.AddButton(), Qt::LeftButton);
    }

    static void Select(BuddyEditorDialog& dialog, const char* name)
    {
        const QList<QListWidgetItem*> found = dialog.BuddyList()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name;
        dialog.BuddyList()->setCurrentItem(found.front());
        ASSERT_TRUE(found.front()->isSelected());
    }

    // Signs on with this buddy list and has the server report these names online.
    void SignOnWithOnline(std::vector<const char*> online)
    {
        ASSERT_TRUE(SignOn());
        for (const char* name : online)
            ASSERT_TRUE(server.SendData(0, std::string("UPDATE_BUDDY:") + name + ":T:0:0:0: O"));
        ASSERT_TRUE(faketoc::FakeTocServer::WaitFor(
            [&] { return OnlineRowCount() == static_cast<int>(online.size()); }));
    }
};

TEST_F(BuddyEditorTest, ShowsTheControlsItNeeds)
{
    Start();
    BuddyEditorDialog dialog(ctx, &window);
    EXPECT_EQ(dialog.windowTitle(), "Buddy List Entry Editor");
    EXPECT_TRUE(dialog.isModal());
    EXPECT_EQ(dialog.AddButton()->text(), "&Add");
    EXPECT_EQ(dialog.RemoveButton()->text(), "&Remove");
    EXPECT_EQ(dialog.CancelButton()->text(), "&Cancel");
    EXPECT_EQ(dialog.BuddyList()->selectionMode(), QAbstractItemView::SingleSelection);
    bool okIsDefault = false;
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        okIsDefault |= button->text() == "&OK" && button->isDefault();
    EXPECT_TRUE(okIsDefault);
}

TEST_F(BuddyEditorTest, ListsTheBuddyListWithoutRegardToCase)
{
    WriteBytes(dir.Path("blist.cfg"), "carl\nBob Smith\nalice\nDave\n");
    Start();
    BuddyEditorDialog dialog(ctx, &window);
    // A case-sensitive order would put the capitals first.
    EXPECT_EQ(Entries(dialog), (std::vector<std::string>{"alice", "Bob Smith", "carl", "Dave"}));

    dialog.show();
    Add(dialog, "Ben");
    Add(dialog, "ZED");
    Add(dialog, "aaron");
    EXPECT_EQ(Entries(dialog), (std::vector<std::string>{"aaron", "alice", "Ben", "Bob Smith", "carl", "Dave", "ZED"}));
}

TEST_F(BuddyEditorTest, OfflineAddKeepsTheNameAndSendsNothing)
{
    Start();
    BuddyEditorDialog dialog(ctx, &window);
    dialog.show();

    Add(dialog, "Bob Smith");
    EXPECT_EQ(Entries(dialog), std::vector<std::string>{"Bob Smith"});
    EXPECT_EQ(dialog.NameEdit()->text(), "");  // ready for the next name

    // The same name once normalised: refused, and said so in the dialog.
    Add(dialog, "bobsmith");
    EXPECT_EQ(Entries(dialog), std::vector<std::string>{"Bob Smith"});
    EXPECT_EQ(dialog.Refusal()->text(), "'Bob Smith' is already on the list.");
    EXPECT_EQ(dialog.NameEdit()->text(), "bobsmith");  // kept to be mended

    // An empty edit box adds nothing.
    Add(dialog, "");
    EXPECT_EQ(Entries(dialog), std::vector<std::string>{"Bob Smith"});

    // Nothing reaches the list or the file before OK; OK writes the file at once.
    EXPECT_EQ(ctx.settings.buddyList, "");
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(ctx.settings.buddyList, "Bob Smith\n");
    EXPECT_EQ(ReadBytes(dir.Path("blist.cfg")), "Bob Smith\n");
    EXPECT_FALSE(HappensWithin([&] { return server.ClientCount() > 0; }, 150));
    EXPECT_EQ(PaneText(), "");
}

// Enter in the name field adds the name and leaves the dialog open; Enter
// elsewhere is OK.
TEST_F(BuddyEditorTest, EnterInTheNameFieldAdds)
{
    Start();
    BuddyEditorDialog dialog(ctx, &window);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    for (const char* name : {"carl", "Dave"}) {
        dialog.NameEdit()->setFocus();
        QTest::keyClicks(dialog.NameEdit(), name);
        QTest::keyClick(dialog.NameEdit(), Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible()) << name;
    }
    EXPECT_EQ(Entries(dialog), (std::vector<std::string>{"carl", "Dave"}));
    dialog.BuddyList()->setFocus();
    QTest::keyClick(dialog.BuddyList(), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(ReadBytes(dir.Path("blist.cfg")), "carl\nDave\n");
}

// Cancel, Escape and the window's close button all drop the dialog's
// changes: nothing is sent, the list and the file stay.
TEST_F(BuddyEditorTest, CancelDropsTheChanges)
{
    WriteBytes(dir.Path("blist.cfg"), "Bob Smith\ncarl\n");
    Start();
    SignOnWithOnline({"Bob Smith"});
    const std::vector<std::function<void(BuddyEditorDialog&)>> cancels = {
        [](BuddyEditorDialog& d) { QTest::mouseClick(d.CancelButton(), Qt::LeftButton); },
        [](BuddyEditorDialog& d) { QTest::keyClick(d.BuddyList(), Qt::Key_Escape); },
        [](BuddyEditorDialog& d) { d.close(); },
    };
    for (std::size_t i = 0; i < cancels.size(); ++i) {
        BuddyEditorDialog dialog(ctx, &window);
        dialog.show();
        Add(dialog, "Dave");
        Select(dialog, "Bob Smith");
        QTest::mouseClick(dialog.RemoveButton(), Qt::LeftButton);
        EXPECT_EQ(Entries(dialog), (std::vector<std::string>{"carl", "Dave"})) << i;
        cancels[i](dialog);
        EXPECT_EQ(dialog.result(), QDialog::Rejected) << i;
    }
    ASSERT_TRUE(ClientSendsArrived());
    EXPECT_EQ(ctx.settings.buddyList, "Bob Smith\ncarl\n");
    EXPECT_EQ(ReadBytes(dir.Path("blist.cfg")), "Bob Smith\ncarl\n");
    EXPECT_EQ(OnlineListTexts(), std::vector<std::string>{"Bob Smith"});
    EXPECT_EQ(CountCommandsStartingWith(0, "toc_add_buddy dave"), 0);
    EXPECT_EQ(CountCommandsStartingWith(0, "toc_remove_buddy"), 0);
}

TEST_F(BuddyEditorTest, OnlineAddTellsTheServerOnceWhenAccepted)
{
    Start();
    ASSERT_TRUE(SignOn());
    BuddyEditorDialog dialog(ctx, &window);
    dialog.show();

    Add(dialog, "Bob Smith");
    Add(dialog, "BOBSMITH");
    // A name added and taken off again is no change.
    Add(dialog, "carl");
    Select(dialog, "carl");
    QTest::mouseClick(dialog.RemoveButton(), Qt::LeftButton);
    ASSERT_TRUE(ClientSendsArrived());
    EXPECT_EQ(CountCommandsStartingWith(0, "toc_add_buddy bobsmith"), 0);

    dialog.accept();
    ASSERT_TRUE(ClientSendsArrived());
    EXPECT_EQ(CountCommandsStartingWith(0, "toc_add_buddy bobsmith"), 1);
    EXPECT_EQ(CountCommandsStartingWith(0, "toc_add_buddy carl"), 0);
    EXPECT_EQ(CountCommandsStartingWith(0, "toc_remove_buddy"), 0);
    EXPECT_EQ(ctx.settings.buddyList, "Bob Smith\n");
}

TEST_F(BuddyEditorTest, OnlineRemoveTakesTheNameOffTheOnlineListAndTellsTheServer)
{
    WriteBytes(dir.Path("blist.cfg"), "Bob Smith\ncarl\n");
    Start();
    SignOnWithOnline({"Bob Smith", "carl"});
    ASSERT_EQ(OnlineListTexts(), (std::vector<std::string>{"Bob Smith", "carl"}));

    BuddyEditorDialog dialog(ctx, &window);
    dialog.show();
    Select(dialog, "Bob Smith");
    QTest::mouseClick(dialog.RemoveButton(), Qt::LeftButton);
    EXPECT_EQ(Entries(dialog), std::vector<std::string>{"carl"});
    dialog.accept();

    EXPECT_EQ(ctx.settings.buddyList, "carl\n");
    // The list view catches up within a frame.
    EXPECT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return OnlineListTexts() == std::vector<std::string>{"carl"}; }));
    EXPECT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return HasCommand(0, "toc_remove_buddy bobsmith"); }));
}

TEST_F(BuddyEditorTest, RemoveWithoutSelectionDoesNothing)
{
    WriteBytes(dir.Path("blist.cfg"), "Bob Smith\ncarl\n");
    Start();
    SignOnWithOnline({"Bob Smith"});

    BuddyEditorDialog dialog(ctx, &window);
    dialog.show();
    dialog.BuddyList()->clearSelection();
    ASSERT_TRUE(dialog.BuddyList()->selectedItems().isEmpty());
    QTest::mouseClick(dialog.RemoveButton(), Qt::LeftButton);
    dialog.accept();

    ASSERT_TRUE(ClientSendsArrived());
    EXPECT_EQ(Entries(dialog), (std::vector<std::string>{"Bob Smith", "carl"}));
    EXPECT_EQ(ctx.settings.buddyList, "Bob Smith\ncarl\n");
    EXPECT_EQ(OnlineListTexts(), std::vector<std::string>{"Bob Smith"});
    EXPECT_EQ(CountCommandsStartingWith(0, "toc_remove_buddy"), 0);
}

TEST_F(BuddyEditorTest, OfflineRemoveChangesOnlyTheList)
{
    WriteBytes(dir.Path("blist.cfg"), "Bob Smith\ncarl\n");
    Start();
    BuddyEditorDialog dialog(ctx, &window);
    dialog.show();
    Select(dialog, "carl");
    QTest::mouseClick(dialog.RemoveButton(), Qt::LeftButton);

    EXPECT_EQ(Entries(dialog), std::vector<std::string>{"Bob Smith"});
    dialog.accept();
    EXPECT_EQ(ctx.settings.buddyList, "Bob Smith\n");
    EXPECT_FALSE(HappensWithin([&] { return server.ClientCount() > 0; }, 150));
}

// A blist.cfg written on another system: the editor shows the names without
// their CR and without blank lines, and Remove deletes such an entry whole.
TEST_F(BuddyEditorTest, CrLfListShowsPlainNamesThatRemoveDeletes)
{
    WriteBytes(dir.Path("blist.cfg"), "Bob Smith\r\n\r\ncarl\r\n");
    Start();
    BuddyEditorDialog dialog(ctx, &window);
    dialog.show();
    EXPECT_EQ(Entries(dialog), (std::vector<std::string>{"Bob Smith", "carl"}));
    Select(dialog, "carl");
    QTest::mouseClick(dialog.RemoveButton(), Qt::LeftButton);
    EXPECT_EQ(Entries(dialog), std::vector<std::string>{"Bob Smith"});
    dialog.accept();
    EXPECT_EQ(ctx.settings.buddyList, "Bob Smith\r\n\r\n");
}

TEST_F(BuddyEditorTest, AddRefusesANameNoScreenNameHasInTheDialog)
{
    Start();
    ASSERT_TRUE(SignOn());
    BuddyEditorDialog dialog(ctx, &window);
    dialog.show();
    Add(dialog, "x\" \"y");
    EXPECT_TRUE(Entries(dialog).empty());
    EXPECT_EQ(dialog.Refusal()->text(),
              "Cannot add 'x\" \"y': a screen name holds only letters, digits, blanks and @._-");
    Add(dialog, "xy");
    EXPECT_EQ(dialog.Refusal()->text(), "");  // a good name clears it
    dialog.accept();
    EXPECT_EQ(ctx.settings.buddyList, "xy\n");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return HasCommand(0, "toc_add_buddy xy"); }));
    EXPECT_EQ(CountCommandsStartingWith(0, "toc_add_buddy"), 2);  // the sign-on's own and xy
}

}  // namespace
