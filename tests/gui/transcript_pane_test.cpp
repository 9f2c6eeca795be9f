// The output pane on its own: what it holds, where it scrolls, what a user
// can select and copy.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest/QTest>
#include <functional>

#include "transcript_pane.h"

namespace {

class TranscriptPaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pane.resize(400, 200);
        pane.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    }
    // The pane reads the text where it lies, as it reads the transcript.
    void SetText(std::string_view bytes)
    {
        text.assign(bytes);
        pane.ShowText(&text);
    }
    void AppendText(std::string_view bytes)
    {
        text.append(bytes);
        pane.TextAppended();
        pane.CatchUp();
    }
    std::string text;
    TranscriptPane pane;
};

TEST_F(TranscriptPaneTest, HoldsTheTranscriptWithPlainLineBreaks)
{
    SetText("first\r\nsecond\r\n");
    AppendText("third <b>not markup</b>\r\n");
    AppendText("fourth, in two");
    AppendText(" pieces\r\n");
    EXPECT_EQ(pane.PlainText(), "first\nsecond\nthird <b>not markup</b>\nfourth, in two pieces\n");
    EXPECT_EQ(pane.LineCount(), 5);  // the text ends with a break: an empty last line
    EXPECT_EQ(pane.LastLineText(), "fourth, in two pieces");
    SetText("");
    EXPECT_EQ(pane.PlainText(), "");
    EXPECT_EQ(pane.LineCount(), 1);
}

TEST_F(TranscriptPaneTest, LinesThatStreamInAreShownOnceTheTurnEnds)
{
    SetText("one\r\n");
    for (int i = 0; i < 50; ++i) {
        text += "line " + std::to_string(i) + "\r\n";
        pane.TextAppended();
        pane.ScrollToEnd();
    }
    // Not yet: the pane catches up after the turn, and only once.
    EXPECT_EQ(pane.LineCount(), 2);
    EXPECT_EQ(pane.verticalScrollBar()->value(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane.LastLineText() == "line 49"; }, 1000));
    EXPECT_EQ(pane.LineCount(), 52);
    EXPECT_EQ(pane.verticalScrollBar()->value(), pane.verticalScrollBar()->maximum());
    EXPECT_GT(pane.verticalScrollBar()->value(), 0);
    // A carriage return inside a line is not shown, as at its end.
    text += "a\rb\r\n";
    pane.TextAppended();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane.LastLineText() == "ab"; }, 1000));
}

TEST_F(TranscriptPaneTest, InvalidUtf8IsShownWithoutHarm)
{
    SetText(std::string("caf\xe9 \xff\xfe end\r\n"));
    EXPECT_TRUE(pane.PlainText().endsWith(QStringLiteral(" end\n")));
    pane.repaint();
}

TEST_F(TranscriptPaneTest, ScrollsToTheEndAndBack)
{
    std::string lines;
    for (int i = 0; i < 1000; ++i)
        lines += "line " + std::to_string(i) + "\r\n";
    SetText(lines);
    QScrollBar* bar = pane.verticalScrollBar();
    EXPECT_EQ(bar->value(), 0);
    pane.ScrollToEnd();
    // The last lines fill the pane: the top line is well past the start and
    // the remaining lines fit in the height.
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_GT(bar->maximum(), 950);
    EXPECT_LT(bar->maximum(), 1000);
    QTest::keyClick(&pane, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(bar->value(), 0);
    QTest::keyClick(&pane, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(bar->value(), bar->maximum());
    pane.repaint();
}

TEST_F(TranscriptPaneTest, LongLinesWrapSoFewerFitTheHeight)
{
    std::string shortLines;
    std::string longLines;
    for (int i = 0; i < 200; ++i) {
        shortLines += "x\r\n";
        longLines += std::string(400, 'w') + " " + std::string(400, 'v') + "\r\n";
    }
    SetText(shortLines);
    const int shortMaximum = pane.verticalScrollBar()->maximum();
    SetText(longLines);
    const int longMaximum = pane.verticalScrollBar()->maximum();
    // Wrapped lines take several rows each, so fewer of them share the last screen.
    EXPECT_GT(longMaximum, shortMaximum);
}

// Lines taller than the pane, with blanks or without: the end of the text
// shows at the bottom with what came before above it, and the wheel reaches
// every row of them.
TEST_F(TranscriptPaneTest, LinesTallerThanThePaneAreShownWholeAndScrollable)
{
    struct Case {
        const char* name;
        std::string line;
    };
    std::string words;
    while (words.size() < 2000)
        words += "word" + std::to_string(words.size() % 97) + " ";
    const Case cases[] = {{"2000 with blanks", words.substr(0, 2000)},
                          {"2000 without blanks", std::string(2000, 'w')},
                          {"10000 without blanks", std::string(10000, 'm')}};
    const QRect view = pane.viewport()->rect();
    const auto shown = [&](int offset) { return view.contains(pane.CharacterRect(offset)); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int first = 7;  // after "before\n"
        const int lastChar = first + static_cast<int>(c.line.size()) - 1;
        SetText("before\r\n");
        AppendText(c.line + "\r\n");
        pane.ScrollToEnd();
        pane.CatchUp();
        EXPECT_TRUE(shown(lastChar));
        // Painted, not blank: the pane holds the line's ink.
        const QImage image = pane.viewport()->grab().toImage();
        int ink = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                ink += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
        }
        EXPECT_GT(ink, view.width() * view.height() / 50);

        // Each row of the line passes through the pane on the way up.
        std::vector<bool> seen(5, false);
        for (int turn = 0; turn < 1000; ++turn) {
            for (int part = 0; part < 5; ++part)
                seen[part] = seen[part] || shown(first + (lastChar - first) * part / 4);
            if (seen[0])
                break;
            QWheelEvent up(QPointF(10, 10), pane.viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 120),
                           Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(pane.viewport(), &up);
        }
        EXPECT_EQ(seen, std::vector<bool>(5, true));

        // A short line after it: the long one's end still fills the pane above it.
        AppendText("after\r\n");
        pane.ScrollToEnd();
        pane.CatchUp();
        EXPECT_TRUE(shown(lastChar + 2));
        EXPECT_TRUE(shown(lastChar));
    }
}

// A line's layout is kept between catch-ups; once the line or the width
// changes, the end of the text still sits at the bottom of the pane.
TEST_F(TranscriptPaneTest, TheEndStaysInViewWhenItsLinesAreLaidOutAnew)
{
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    std::string lines;
    for (int i = 0; i < 40; ++i)
        lines += "line " + std::to_string(i) + " with some words to wrap when narrow\r\n";
    const std::string tail(600, 'w');
    const Case cases[] = {{"the last line grows", [&] { AppendText(tail + "\r\n"); }},
                          {"the pane narrows", [&] { pane.resize(120, 200); }}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pane.resize(400, 200);
        SetText(lines);
        AppendText("last");
        pane.ScrollToEnd();
        pane.CatchUp();
        c.change();
        pane.ScrollToEnd();
        pane.CatchUp();
        const int lastChar = pane.CharacterCount() - 1 - (text.ends_with("\n") ? 1 : 0);
        EXPECT_TRUE(pane.viewport()->rect().contains(pane.CharacterRect(lastChar)));
    }
}

TEST_F(TranscriptPaneTest, MouseSelectionCopiesTheTextUnderIt)
{
    SetText("alpha beta\r\ngamma delta\r\n");
    EXPECT_TRUE(pane.SelectedText().isEmpty());
    const QPoint start(2, 6);  // left end of the first line
    const QPoint end(pane.viewport()->width() - 5, 6 + 2 * pane.fontMetrics().height() - 4);
    QTest::mousePress(pane.viewport(), Qt::LeftButton, {}, start);
    QTest::mouseMove(pane.viewport(), end);
    QMouseEvent move(QEvent::MouseMove, end, pane.viewport()->mapToGlobal(end), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(pane.viewport(), &move);
    QTest::mouseRelease(pane.viewport(), Qt::LeftButton, {}, end);
    EXPECT_EQ(pane.SelectedText(), "alpha beta\ngamma delta");

    QApplication::clipboard()->clear();
    QTest::keyClick(&pane, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "alpha beta\ngamma delta");

    pane.SelectAll();
    EXPECT_EQ(pane.SelectedText(), "alpha beta\ngamma delta\n");
    // New text keeps nothing selected that is no longer there.
    SetText("other");
    EXPECT_TRUE(pane.SelectedText().isEmpty());
}

TEST_F(TranscriptPaneTest, TheKeyboardMovesACaretThatAssistiveTechnologyFollows)
{
    SetText("alpha beta\r\ngamma\r\n");  // as characters: "alpha beta\ngamma\n"
    pane.setFocus();
    QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(&pane)->textInterface();
    ASSERT_NE(text, nullptr);
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int caret, selectionStart, selectionEnd;
    };
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Step steps[] = {
        {Qt::Key_Right, none, 1, 1, 1},
        {Qt::Key_End, none, 10, 10, 10},
        {Qt::Key_Right, none, 11, 11, 11},  // over the line break
        {Qt::Key_End, Qt::ShiftModifier, 16, 11, 16},
        {Qt::Key_Left, Qt::ShiftModifier, 15, 11, 15},
        {Qt::Key_Up, none, 4, 4, 4},
        {Qt::Key_Down, Qt::ShiftModifier, 15, 4, 15},
        {Qt::Key_Left, none, 14, 14, 14},
        {Qt::Key_End, Qt::ControlModifier, 17, 17, 17},
        {Qt::Key_PageUp, none, 0, 0, 0},
        {Qt::Key_PageDown, Qt::ShiftModifier, 17, 0, 17},
        {Qt::Key_Home, Qt::ControlModifier, 0, 0, 0},
        {Qt::Key_Left, none, 0, 0, 0},  // held at the start
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.key);
        QTest::keyClick(&pane, step.key, step.modifiers);
        int start = -1;
        int end = -1;
        text->selection(0, &start, &end);
        EXPECT_EQ(text->cursorPosition(), step.caret);
        EXPECT_EQ(start, step.selectionStart);
        EXPECT_EQ(end, step.selectionEnd);
    }
    QTest::keyClick(&pane, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&pane, Qt::Key_Down, Qt::ShiftModifier);
    QApplication::clipboard()->clear();
    QTest::keyClick(&pane, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "alpha beta\ng");
    QTest::keyClick(&pane, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(text->selectionCount(), 1);
    EXPECT_EQ(pane.SelectedText(), "alpha beta\ngamma\n");
    // Read-only: typing changes nothing.
    QTest::keyClicks(&pane, "xyz");
    EXPECT_EQ(pane.PlainText(), "alpha beta\ngamma\n");
    EXPECT_EQ(text, QAccessible::queryAccessibleInterface(&pane)->textInterface());
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(&pane)->state().selectableText);
}

}  // namespace
