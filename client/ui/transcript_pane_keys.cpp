// The transcript pane read by keyboard: a caret that the arrow keys, Home,
// End, Page Up and Page Down move (with Ctrl, to either end of the text),
// Shift to select, Ctrl+A and Ctrl+C. The pane stays read-only.
#include "transcript_pane.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>

void TranscriptPane::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        CopySelection();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        MoveCaret(CaretTarget(event), (event->modifiers() & Qt::ShiftModifier) != 0);
        return;
    default:
        break;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

TranscriptPane::Position TranscriptPane::CaretTarget(const QKeyEvent* event) const
{
    const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
    const int last = LineCount() - 1;
    const auto lineLength = [this](int line) { return static_cast<int>(LineText(line).size()); };
    Position at{std::clamp(cursor_.line, 0, last), 0};
    at.column = std::clamp(cursor_.column, 0, lineLength(at.line));
    const int page = verticalScrollBar()->pageStep();
    switch (event->key()) {
    case Qt::Key_Left:
        if (at.column > 0)
            --at.column;
        else if (at.line > 0)
            at = Position{at.line - 1, lineLength(at.line - 1)};
        break;
    case Qt::Key_Right:
        if (at.column < lineLength(at.line))
            ++at.column;
        else if (at.line < last)
            at = Position{at.line + 1, 0};
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const bool up = event->key() == Qt::Key_Up || event->key() == Qt::Key_PageUp;
        const int step = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down ? 1 : page;
        at.line = std::clamp(at.line + (up ? -step : step), 0, last);
        at.column = std::min(cursor_.column, lineLength(at.line));
        break;
    }
    case Qt::Key_Home:
        at = control ? Position{0, 0} : Position{at.line, 0};
        break;
    case Qt::Key_End:
        at = control ? Position{last, lineLength(last)} : Position{at.line, lineLength(at.line)};
        break;
    default:
        break;
    }
    return at;
}

void TranscriptPane::MoveCaret(const Position& to, bool extend)
{
    cursor_ = to;
    if (!extend)
        anchor_ = to;
    KeepCaretInView();
    viewport()->update();
    if (!QAccessible::isActive())
        return;
    const int offset = CursorOffset();
    QAccessibleTextCursorEvent moved(this, offset);
    QAccessible::updateAccessibility(&moved);
    int start = 0;
    int end = 0;
    SelectionOffsets(&start, &end);
    QAccessibleTextSelectionEvent selected(this, start, end);
    selected.setCursorPosition(offset);
    QAccessible::updateAccessibility(&selected);
}

void TranscriptPane::KeepCaretInView()
{
    const QScrollBar* bar = verticalScrollBar();
    const ScrollPosition bottom = EndOf(cursor_.line);
    if (cursor_.line < bar->value() || (cursor_.line == bar->value() && topOffset_ > 0))
        SetScrollPosition(ScrollPosition{cursor_.line, 0});
    else if (bottom.line > bar->value() || (bottom.line == bar->value() && bottom.offset > topOffset_))
        SetScrollPosition(bottom);
}

void TranscriptPane::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();  // the caret shows while the pane has the focus
}

void TranscriptPane::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}
