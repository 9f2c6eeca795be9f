// The output pane on its own: what it holds, where it scrolls, what a user
// can select and copy.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QtTest/QTest>

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
    TranscriptPane pane;
};

TEST_F(TranscriptPaneTest, HoldsTheTranscriptWithPlainLineBreaks)
{
    pane.SetText("first\r\nsecond\r\n");
    pane.AppendText("third <b>not markup</b>\r\n");
    pane.AppendText("fourth, in two");
    pane.AppendText(" pieces\r\n");
    EXPECT_EQ(pane.PlainText(), "first\nsecond\nthird <b>not markup</b>\nfourth, in two pieces\n");
    EXPECT_EQ(pane.LineCount(), 5);  // the text ends with a break: an empty last line
    EXPECT_EQ(pane.LastLineText(), "fourth, in two pieces");
    pane.SetText("");
    EXPECT_EQ(pane.PlainText(), "");
    EXPECT_EQ(pane.LineCount(), 1);
}

TEST_F(TranscriptPaneTest, InvalidUtf8IsShownWithoutHarm)
{
    pane.SetText(std::string("caf\xe9 \xff\xfe end\r\n"));
    EXPECT_TRUE(pane.PlainText().endsWith(QStringLiteral(" end\n")));
    pane.repaint();
}

TEST_F(TranscriptPaneTest, ScrollsToTheEndAndBack)
{
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    pane.SetText(text);
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
    pane.SetText(shortLines);
    const int shortMaximum = pane.verticalScrollBar()->maximum();
    pane.SetText(longLines);
    const int longMaximum = pane.verticalScrollBar()->maximum();
    // Wrapped lines take several rows each, so fewer of them share the last screen.
    EXPECT_GT(longMaximum, shortMaximum);
}

TEST_F(TranscriptPaneTest, MouseSelectionCopiesTheTextUnderIt)
{
    pane.SetText("alpha beta\r\ngamma delta\r\n");
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
    pane.SetText("other");
    EXPECT_TRUE(pane.SelectedText().isEmpty());
}

}  // namespace
