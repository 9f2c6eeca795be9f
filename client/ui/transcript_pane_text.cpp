// The transcript pane's text as character offsets, for assistive technology.
#include "transcript_pane.h"

#include <QAccessible>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>

#include "display_text.h"

namespace {
constexpr int kMargin = 4;  // as the pane draws
}  // namespace

void TranscriptPane::EnsureCharStarts() const
{
    if (charStarts_.empty())
        charStarts_.push_back(0);
    for (std::size_t line = charStarts_.size(); line < starts_.Count(); ++line)
        charStarts_.push_back(charStarts_.back() + static_cast<int>(LineText(static_cast<int>(line) - 1).size()) + 1);
}

int TranscriptPane::CharacterCount() const
{
    EnsureCharStarts();
    return charStarts_.back() + static_cast<int>(LineText(LineCount() - 1).size());
}

int TranscriptPane::OffsetOf(const Position& position) const
{
    EnsureCharStarts();
    const int line = std::clamp(position.line, 0, LineCount() - 1);
    return charStarts_[static_cast<std::size_t>(line)] +
           std::clamp(position.column, 0, static_cast<int>(LineText(line).size()));
}

TranscriptPane::Position TranscriptPane::PositionOf(int offset) const
{
    EnsureCharStarts();
    offset = std::clamp(offset, 0, CharacterCount());
    const auto after = std::upper_bound(charStarts_.begin(), charStarts_.end(), offset);
    const int line = static_cast<int>(after - charStarts_.begin()) - 1;
    return Position{line, offset - charStarts_[static_cast<std::size_t>(line)]};
}

QString TranscriptPane::TextBetween(int start, int end) const
{
    const Position from = PositionOf(start);
    const Position to = PositionOf(end);
    QString out;
    for (int line = from.line; line <= to.line; ++line) {
        const QString text = LineText(line);
        const int begin = line == from.line ? from.column : 0;
        const int stop = line == to.line ? to.column : static_cast<int>(text.size());
        out += text.mid(begin, std::max(0, stop - begin));
        if (line != to.line)
            out += QLatin1Char('\n');
    }
    return out;
}

void TranscriptPane::SelectionOffsets(int* start, int* end) const
{
    *start = OffsetOf(std::min(anchor_, cursor_));
    *end = OffsetOf(std::max(anchor_, cursor_));
}

int TranscriptPane::CursorOffset() const
{
    return OffsetOf(cursor_);
}

void TranscriptPane::SetSelectionOffsets(int anchor, int cursor)
{
    anchor_ = PositionOf(anchor);
    cursor_ = PositionOf(cursor);
    viewport()->update();
}

QRect TranscriptPane::CharacterRect(int offset) const
{
    const Position at = PositionOf(offset);
    int y = kMargin - topOffset_;
    for (int line = verticalScrollBar()->value(); line < LineCount() && y < viewport()->height(); ++line) {
        QTextLayout layout;
        const int height = LayOut(line, layout);
        if (line == at.line) {
            const QTextLine row = layout.lineForTextPosition(at.column);
            if (!row.isValid())
                return {};
            const int x = static_cast<int>(row.cursorToX(at.column));
            const int next = static_cast<int>(row.cursorToX(at.column + 1));
            return QRect(kMargin + x, y + static_cast<int>(row.y()), std::max(1, next - x),
                         static_cast<int>(row.height()));
        }
        y += height;
    }
    return {};
}

int TranscriptPane::OffsetAt(const QPoint& viewportPoint) const
{
    return OffsetOf(PositionAt(viewportPoint));
}

// New lines are announced together as the pane catches up with the text, at
// most once a frame while they stream in, so a flood gives one event a frame.
void TranscriptPane::AnnounceAppended(int oldCount)
{
    if (!QAccessible::isActive())
        return;
    const int count = CharacterCount();
    if (count <= oldCount)
        return;
    QAccessibleTextInsertEvent event(this, oldCount, TextBetween(oldCount, count));
    QAccessible::updateAccessibility(&event);
}
