// Up and Down walk the input history while the main window is the active
// window, whichever of its controls has the focus; one press is one step,
// held-key repeats are not.
#include <QKeyEvent>
#include <QWidget>
#include <QtTest/QTest>

#include "main_window_harness.h"

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
            window.InputLine()->setText(line);
            QTest::mouseClick(Button(ClientWindow::Button::Send), Qt::LeftButton);
        }
        ASSERT_EQ(window.InputLine()->text(), "");
    }

    std::string Input() const { return window.InputLine()->text().toStdString(); }

    // A press (and its release) of Up or Down on a control, as the keyboard delivers it.
    static void Press(QWidget* target, Qt::Key key) { QTest::keyClick(target, key); }

    // A held key's repeated press.
    static void RepeatPress(QWidget* target, Qt::Key key)
    {
        QKeyEvent repeat(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(target, &repeat);
    }
};

TEST_F(HistoryKeysTest, EachPressStepsOnceWhicheverControlHasTheFocus)
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
    const std::pair<const char*, QWidget*> controls[] = {
        {"input line", window.InputLine()},
        {"formatting box", window.FormattingBox()},
        {"output pane", window.OutputPane()},
    };
    for (const auto& [name, control] : controls) {
        SCOPED_TRACE(name);
        control->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), control);
        for (std::size_t i = 0; i < std::size(walk); ++i) {
            Press(control, walk[i].key);
            EXPECT_EQ(Input(), walk[i].shown) << "after press " << i + 1;
        }
    }
    // The keys only recall; the template is not touched.
    EXPECT_EQ(window.FormattingBox()->text(), "$");
}

TEST_F(HistoryKeysTest, HeldKeyRepeatsDoNotStep)
{
    window.InputLine()->setFocus();
    Press(window.InputLine(), Qt::Key_Up);
    ASSERT_EQ(Input(), "third line");
    for (int i = 0; i < 5; ++i)
        RepeatPress(window.InputLine(), Qt::Key_Up);
    EXPECT_EQ(Input(), "third line");

    Press(window.InputLine(), Qt::Key_Up);
    EXPECT_EQ(Input(), "/autoreconnect");

    for (int i = 0; i < 5; ++i)
        RepeatPress(window.InputLine(), Qt::Key_Down);
    EXPECT_EQ(Input(), "/autoreconnect");
    Press(window.InputLine(), Qt::Key_Down);
    EXPECT_EQ(Input(), "third line");
}

TEST_F(HistoryKeysTest, NothingHappensWhileAnotherWindowIsActive)
{
    window.InputLine()->setFocus();
    QWidget other;
    other.setWindowTitle("another program");
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    ASSERT_FALSE(window.isActiveWindow());

    Press(window.InputLine(), Qt::Key_Up);
    EXPECT_EQ(Input(), "");

    // Back in front, the input line has the focus again and the key steps.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_EQ(QApplication::focusWidget(), window.InputLine());
    Press(window.InputLine(), Qt::Key_Up);
    EXPECT_EQ(Input(), "third line");
}

TEST_F(HistoryKeysTest, SubmittingReturnsToTheFreshLine)
{
    window.InputLine()->setFocus();
    Press(window.InputLine(), Qt::Key_Up);
    Press(window.InputLine(), Qt::Key_Up);
    ASSERT_EQ(Input(), "/autoreconnect");
    // Sending the recalled line stores it again as the newest.
    QTest::keyClick(window.InputLine(), Qt::Key_Return);
    ASSERT_EQ(Input(), "");
    EXPECT_TRUE(WaitForPaneLine("STATUS MESSAGE: Autoreconnect disabled."));

    Press(window.InputLine(), Qt::Key_Up);
    EXPECT_EQ(Input(), "/autoreconnect");
    Press(window.InputLine(), Qt::Key_Up);
    EXPECT_EQ(Input(), "third line");
}

}  // namespace
