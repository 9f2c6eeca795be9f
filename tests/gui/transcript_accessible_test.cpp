// The transcript pane as assistive technology sees it, and the names of the
// main window's controls.
#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QLineEdit>
#include <QListWidget>

#include "main_window_harness.h"
#include "transcript_pane.h"

namespace {

[[maybe_unused]] QAccessibleTextInterface* TextOf(QWidget* widget)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible != nullptr ? accessible->textInterface() : nullptr;
}

TEST(TranscriptAccessibleTest, TextLinesSelectionAndCaret)
{
    TranscriptPane pane;
    pane.resize(400, 200);
    std::string transcript = "first line\r\ncaf\xe9 second\r\n";
    pane.ShowText(&transcript);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&pane);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Conversation");
    EXPECT_TRUE(accessible->state().readOnly);
    EXPECT_TRUE(accessible->state().multiLine);
    QAccessibleTextInterface* text = accessible->textInterface();
    ASSERT_NE(text, nullptr);

    const QString whole = QStringLiteral("first line\ncaf\u00e9 second\n");
    EXPECT_EQ(text->characterCount(), whole.size());
    EXPECT_EQ(text->text(0, text->characterCount()), whole);
    EXPECT_EQ(text->text(6, 15), QStringLiteral("line\ncaf\u00e9"));
    // Offsets past either end are held to the text.
    EXPECT_EQ(text->text(-5, 5), "first");
    EXPECT_EQ(text->text(20, 1000), "nd\n");

    // Lines that arrive later extend the offsets, also across a line that grew.
    for (const char* more : {"third", " continued\r\nfourth"}) {
        transcript += more;
        pane.TextAppended();
        pane.CatchUp();
    }
    EXPECT_EQ(text->text(23, text->characterCount()), QStringLiteral("third continued\nfourth"));
    int start = -1;
    int line = -1;
    EXPECT_EQ(text->textAtOffset(25, QAccessible::LineBoundary, &start, &line), QStringLiteral("third continued\n"));

    EXPECT_EQ(text->selectionCount(), 0);
    text->setSelection(0, 11, 15);
    EXPECT_EQ(pane.SelectedText(), QStringLiteral("caf\u00e9"));
    int end = 0;
    text->selection(0, &start, &end);
    EXPECT_EQ(start, 11);
    EXPECT_EQ(end, 15);
    EXPECT_EQ(text->cursorPosition(), 15);
    pane.SelectAll();
    EXPECT_EQ(text->selectionCount(), 1);
    text->removeSelection(0);
    EXPECT_EQ(text->selectionCount(), 0);

    // After the transcript is emptied the offsets start again.
    std::string next = "new\r\n";
    pane.ShowText(&next);
    EXPECT_EQ(text->characterCount(), 4);
    EXPECT_EQ(text->text(0, 3), "new");
}

class ControlNamesTest : public MainWindowHarness {};

TEST_F(ControlNamesTest, EveryControlSaysWhatItIs)
{
    QList<QWidget*> controls;
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (child->focusPolicy() != Qt::NoFocus && child->isVisibleTo(&window) &&
            !child->inherits("QScrollBar") && child->parentWidget() != nullptr &&
            !child->parentWidget()->inherits("QAbstractScrollArea"))
            controls.append(child);
    }
    ASSERT_GE(controls.size(), 10);
    for (QWidget* control : controls) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).remove(QLatin1Char('&')).trimmed().isEmpty())
            << control->metaObject()->className();
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(InputLine())->text(QAccessible::Name), "Message");
}

}  // namespace
