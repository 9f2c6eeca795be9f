// Up and Down walk the input history in the input line while the main
// window is the active window; one press is one step, held-key repeats are
// not. In the other controls the keys do their own work only.
#include <QKeyEvent>
#include <QWidget>
#include <QtTest/QTest>

#include "main_window_harness.h"
#include "server_messages.h"

namespace {

class HistoryKeysTest : public StartedWindowTest {
protected:
    void SetUp() override
    {
        StartedWindowTest::SetUp();
        if (HasFatalFailure())
            return;
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window)) << "the platform did not activate the main window";
        // Offline: the slash command runs, the two plain lines print "Not logged on.".
        for (const char* line : {"first line", "/autoreconnect", "third line"}) {
            InputLine()->setText(line);
            QTest::mouseClick(Button("send"), Qt::LeftButton);
        }
        ASSERT_EQ(InputLine()->text(), "");
    }

    std::string Input() const { return InputLine()->text().toStdString(); }

    // A press (and its release) of Up or Down on a control, as the keyboard delivers it.
    static void Press(QWidget* target, Qt::Key key) { QTest::keyClick(target, key); }

    // A held key's repeated press.
    static void RepeatPress(QWidget* target, Qt::Key key)
    {
        QKeyEvent repeat(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(target, &repeat);
    }
};

TEST_F(HistoryKeysTest, EachPressInTheInputLineStepsOnce)
{
    struct Step {
        Qt::Key key;
        const char* shown;
    };
    // Newest first; past the oldest line Up changes nothing, and Down from
    // the newest empties the line, then changes nothing.
    const Step walk[] = {
        {Qt::Key_Up, "third line"},  {Qt::Key_Up, "/autoreconnect"}, {Qt::Key_Up, "first line"},
        {Qt::Key_Up, "first line"},  {Qt::Key_Down, "/autoreconnect"}, {Qt::Key_Down, "third line"},
        {Qt::Key_Down, ""},          {Qt::Key_Down, ""},
    };
    InputLine()->setFocus();
    for (std::size_t i = 0; i < std::size(walk); ++i) {
        Press(InputLine(), walk[i].key);
        EXPECT_EQ(Input(), walk[i].shown) << "after press " << i + 1;
    }
}

TEST_F(HistoryKeysTest, OtherControlsKeepTheKeysToThemselves)
{
    ASSERT_TRUE(SignOn());  // offline, the list is emptied before the view would show it
    for (const char* name : {"Alice", "Bob", "Carol"})
        ASSERT_TRUE(ctx.online.Insert(name));
    // The list view catches up within a frame.
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return OnlineList()->model()->rowCount() == 3; }));
    InputLine()->setText("half typed");
    const std::pair<const char*, QWidget*> controls[] = {
        {"online list", OnlineList()},
        {"output pane", OutputPane()},
        {"formatting box", FormattingBox()},
    };
    for (const auto& [name, control] : controls) {
        SCOPED_TRACE(name);
        control->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), control);
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up})
            Press(control, key);
        EXPECT_EQ(Input(), "half typed");
    }
    EXPECT_EQ(FormattingBox()->text(), "$");

    // In the list the keys move the current row, as in any list.
    QListView* list = OnlineList();
    list->setFocus();
    list->setCurrentIndex(list->model()->index(0, 0));
    Press(list, Qt::Key_Down);
    Press(list, Qt::Key_Down);
    EXPECT_EQ(list->currentIndex().row(), 2);
    Press(list, Qt::Key_Up);
    EXPECT_EQ(list->currentIndex().row(), 1);
    EXPECT_EQ(Input(), "half typed");
}

TEST_F(HistoryKeysTest, HeldKeyRepeatsDoNotStep)
{
    InputLine()->setFocus();
    Press(InputLine(), Qt::Key_Up);
    ASSERT_EQ(Input(), "third line");
    for (int i = 0; i < 5; ++i)
        RepeatPress(InputLine(), Qt::Key_Up);
    EXPECT_EQ(Input(), "third line");

    Press(InputLine(), Qt::Key_Up);
    EXPECT_EQ(Input(), "/autoreconnect");

    for (int i = 0; i < 5; ++i)
        RepeatPress(InputLine(), Qt::Key_Down);
    EXPECT_EQ(Input(), "/autoreconnect");
    Press(InputLine(), Qt::Key_Down);
    EXPECT_EQ(Input(), "third line");
}

TEST_F(HistoryKeysTest, NothingHappensWhileAnotherWindowIsActive)
{
    InputLine()->setFocus();
    QWidget other;
    other.setWindowTitle("another program");
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    ASSERT_FALSE(window.isActiveWindow());

    Press(InputLine(), Qt::Key_Up);
    EXPECT_EQ(Input(), "");

    // Back in front, the input line has the focus again and the key steps.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_EQ(QApplication::focusWidget(), InputLine());
    Press(InputLine(), Qt::Key_Up);
    EXPECT_EQ(Input(), "third line");
}

TEST_F(HistoryKeysTest, SubmittingReturnsToTheFreshLine)
{
    InputLine()->setFocus();
    Press(InputLine(), Qt::Key_Up);
    Press(InputLine(), Qt::Key_Up);
    ASSERT_EQ(Input(), "/autoreconnect");
    // Sending the recalled line stores it again as the newest.
    QTest::keyClick(InputLine(), Qt::Key_Return);
    ASSERT_EQ(Input(), "");
    EXPECT_TRUE(WaitForPaneLine("STATUS MESSAGE: Autoreconnect disabled."));

    Press(InputLine(), Qt::Key_Up);
    EXPECT_EQ(Input(), "/autoreconnect");
    Press(InputLine(), Qt::Key_Up);
    EXPECT_EQ(Input(), "third line");
}

}  // namespace
