#include "transcript_pane.h"

#include "display_text.h"
#include "shown_text.h"
#include "transcript_accessible.h"
#include "transcript_lines.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QUrl>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kMargin = 4;

const std::string kNoText;

}  // namespace

TranscriptPane::TranscriptPane(QWidget* parent) : QAbstractScrollArea(parent), text_(&kNoText)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(TranscriptAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    setAccessibleName(QStringLiteral("Conversation"));
}

TranscriptPane::~TranscriptPane() = default;

void TranscriptPane::IndexNewText()
{
    const char* data = text_->data();
    const std::size_t size = text_->size();
    std::size_t from = indexed_;
    while (from < size) {
        const void* found = std::memchr(data + from, '\n', size - from);
        if (found == nullptr)
            break;
        from = static_cast<std::size_t>(static_cast<const char*>(found) - data) + 1;
        starts_.Add(from);
    }
    indexed_ = size;
}

void TranscriptPane::ShowText(const std::string* text)
{
    if (QAccessible::isActive() && CharacterCount() > 0) {
        QAccessibleTextRemoveEvent event(this, 0, TextBetween(0, CharacterCount()));
        QAccessible::updateAccessibility(&event);
    }
    text_ = text != nullptr ? text : &kNoText;
    laidOut_.clear();
    charStarts_.clear();
    indexed_ = 0;
    starts_.Reset();
    anchor_ = cursor_ = Position{};
    endOffset_ = 0;
    SetScrollPosition(ScrollPosition{});
    findCount_ = 0;
    CatchUp();
    if (!findWord_.isEmpty()) {
        SetFindWord(findWord_);
        if (findCountChanged)
            findCountChanged();
    }
}

void TranscriptPane::TextAppended()
{
    pacer_.Changed();
}

void TranscriptPane::ScrollToEnd()
{
    if (pacer_.Pending()) {
        scrollToEndPending_ = true;
        return;
    }
    SetScrollPosition(ScrollPosition{verticalScrollBar()->maximum(), endOffset_});
}

void TranscriptPane::CatchUp()
{
    if (text_->size() < indexed_) {
        // The text was cut behind the view's back: start over with it.
        ShowText(text_);
        return;
    }
    pacer_.Updated();
    const bool announce = QAccessible::isActive();
    const int oldCount = announce ? CharacterCount() : 0;
    const bool grew = text_->size() > indexed_ || indexed_ == 0;
    const std::size_t before = indexed_;
    IndexNewText();
    if (!findWord_.isEmpty() && indexed_ > before) {
        findCount_ += TextFinder(TypedBytes(findWord_)).Count(std::string_view(*text_).substr(before, indexed_ - before));
        if (findCountChanged)
            findCountChanged();
    }
    if (grew)
        UpdateScrollRange();
    if (scrollToEndPending_) {
        scrollToEndPending_ = false;
        SetScrollPosition(ScrollPosition{verticalScrollBar()->maximum(), endOffset_});
    }
    viewport()->update();
    if (announce)
        AnnounceAppended(oldCount);
}

std::string_view TranscriptPane::LineBytes(int line) const
{
    const std::size_t begin = starts_[static_cast<std::size_t>(line)];
    std::size_t end = indexed_;
    if (static_cast<std::size_t>(line) + 1 < starts_.Count())
        end = starts_[static_cast<std::size_t>(line) + 1] - 1;  // before its LF
    // Held to the text as it is now, should it have been cut since.
    const std::string_view text = std::string_view(*text_).substr(0, end);
    return text.substr(std::min(begin, text.size()));
}

QString TranscriptPane::LineText(int line) const
{
    std::string_view bytes = LineBytes(line);
    std::string decoded;
    // Entities show as the characters they stand for; the text keeps them.
    if (bytes.find('&') != std::string_view::npos) {
        decoded = DecodeEntities(bytes, IsValidUtf8(bytes));
        bytes = decoded;
    }
    if (bytes.find('\r') == std::string_view::npos)
        return DisplayText(bytes);
    // Carriage returns are never shown (the line's own CR LF, or any inside it).
    std::string without;
    without.reserve(bytes.size());
    for (char c : bytes) {
        if (c != '\r')
            without.push_back(c);
    }
    return DisplayText(without);
}

int TranscriptPane::LineOfOffset(std::size_t offset) const
{
    int low = 0;
    int high = LineCount() - 1;
    while (low < high) {
        const int mid = low + (high - low + 1) / 2;
        if (starts_[static_cast<std::size_t>(mid)] <= offset)
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

std::vector<TranscriptPane::ShownLink> TranscriptPane::LinksOf(int line, const QString& text) const
{
    std::vector<ShownLink> links;
    const std::string utf8 = text.toStdString();
    for (const TextRange& range : BareLinks(utf8)) {
        const int column = static_cast<int>(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(range.begin)).size());
        QString url = QString::fromUtf8(utf8.data() + range.begin, static_cast<qsizetype>(range.length));
        const int length = static_cast<int>(url.size());
        if (url.startsWith(QLatin1String("www.")))
            url.prepend(QLatin1String("http://"));
        links.push_back({column, length, url});
    }
    if (markupLinks) {
        if (const std::vector<LineLink>* marked = markupLinks(starts_[static_cast<std::size_t>(line)])) {
            // The words of each link, found after the line's head ("name:  ").
            const int head = static_cast<int>(text.indexOf(QLatin1String(":  ")));
            int from = head < 0 ? 0 : head + 3;
            for (const LineLink& link : *marked) {
                const QString label = DisplayText(DecodeEntities(link.label));
                const int at = static_cast<int>(text.indexOf(label, from));
                if (at < 0)
                    continue;
                links.push_back({at, static_cast<int>(label.size()), DisplayText(DecodeEntities(link.url))});
                from = at + static_cast<int>(label.size());
            }
        }
    }
    return links;
}

QString TranscriptPane::LinkAt(const QPoint& point) const
{
    const Position at = PositionAt(point);
    const QString text = LineText(at.line);
    for (const ShownLink& link : LinksOf(at.line, text)) {
        if (at.column >= link.column && at.column < link.column + link.length)
            return link.url;
    }
    return {};
}

void TranscriptPane::SetFindWord(const QString& word)
{
    findWord_ = word;
    const TextFinder finder(TypedBytes(word));
    findCount_ = finder.Count(std::string_view(*text_).substr(0, indexed_));
    viewport()->update();
}

void TranscriptPane::SelectMatch(int line, int column)
{
    anchor_ = Position{line, column};
    cursor_ = Position{line, column + static_cast<int>(findWord_.size())};
    KeepCaretInView();
    viewport()->update();
}

bool TranscriptPane::FindStep(bool forward)
{
    if (findWord_.isEmpty() || findCount_ == 0 || LineCount() == 0)
        return false;
    // From the current match (the selection), or from the top of the view.
    const bool haveSelection = !(anchor_ == cursor_);
    Position from = haveSelection ? std::min(anchor_, cursor_) : Position{verticalScrollBar()->value(), -1};
    const QString current = LineText(from.line);
    const int inLine = forward ? static_cast<int>(current.indexOf(findWord_, from.column + 1, Qt::CaseInsensitive))
                               : (from.column <= 0 ? -1
                                                   : static_cast<int>(current.lastIndexOf(
                                                         findWord_, from.column - 1, Qt::CaseInsensitive)));
    if (inLine >= 0) {
        SelectMatch(from.line, inLine);
        return true;
    }
    // Another line: found in the bytes, then placed in the line as shown;
    // past either end the search goes round.
    const TextFinder finder(TypedBytes(findWord_));
    const std::string_view text = std::string_view(*text_).substr(0, indexed_);
    auto lineStart = [this](int line) { return line >= LineCount() ? indexed_ : starts_[static_cast<std::size_t>(line)]; };
    std::size_t found = finder.NextLine(text, forward ? lineStart(from.line + 1) : lineStart(from.line), forward);
    if (found == std::string_view::npos)
        found = finder.NextLine(text, forward ? 0 : text.size(), forward);
    if (found == std::string_view::npos)
        return false;
    const int line = LineOfOffset(found);
    const QString shown = LineText(line);
    const int column = static_cast<int>(forward ? shown.indexOf(findWord_, 0, Qt::CaseInsensitive)
                                                : shown.lastIndexOf(findWord_, -1, Qt::CaseInsensitive));
    if (column < 0)
        return false;
    SelectMatch(line, column);
    return true;
}

QString TranscriptPane::PlainText() const
{
    // Line by line: each line is decoded on its own, as it is shown.
    QString text;
    for (int line = 0; line < LineCount(); ++line) {
        if (line > 0)
            text.append(QLatin1Char('\n'));
        text.append(LineText(line));
    }
    return text;
}

QString TranscriptPane::LastLineText() const
{
    for (int line = LineCount() - 1; line >= 0; --line) {
        QString text = LineText(line);
        if (!text.isEmpty())
            return text;
    }
    return {};
}

int TranscriptPane::TextWidth() const
{
    return std::max(1, viewport()->width() - 2 * kMargin);
}

int TranscriptPane::LayOut(int line, QTextLayout& layout, bool keepGlyphs) const
{
    layout.setText(LineText(line));
    layout.setFont(font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setCacheEnabled(keepGlyphs);
    layout.beginLayout();
    qreal y = 0;
    for (;;) {
        QTextLine row = layout.createLine();
        if (!row.isValid())
            break;
        row.setLineWidth(TextWidth());
        row.setPosition(QPointF(0, y));
        y += row.height();
    }
    layout.endLayout();
    const int height = static_cast<int>(std::ceil(y));
    return std::max(height, fontMetrics().height());
}

int TranscriptPane::LineHeight(int line) const
{
    return LaidOut(line).height;
}

const TranscriptPane::LaidOutLine& TranscriptPane::LaidOut(int line) const
{
    if (laidOutWidth_ != TextWidth() || laidOutFont_ != font()) {
        laidOut_.clear();
        laidOutWidth_ = TextWidth();
        laidOutFont_ = font();
    }
    const std::size_t bytes = LineBytes(line).size();
    LaidOutLine& laid = laidOut_[line];
    if (laid.layout == nullptr || laid.bytes != bytes) {
        laid.layout = std::make_unique<QTextLayout>();
        laid.height = LayOut(line, *laid.layout, true);
        laid.bytes = bytes;
    }
    return laid;
}

void TranscriptPane::KeepLaidOutInReach() const
{
    // Every line is at least a row high, so no more lines than rows show.
    const int rows = viewport()->height() / std::max(1, fontMetrics().height()) + 1;
    const int top = verticalScrollBar()->value();
    const int endTop = verticalScrollBar()->maximum();
    std::erase_if(laidOut_, [&](const auto& entry) {
        const int line = entry.first;
        return (line < top || line > top + rows) && line < endTop;
    });
}

TranscriptPane::ScrollPosition TranscriptPane::EndOf(int last) const
{
    // Lines are laid out from last upwards until the pane is full: one
    // screenful, whatever the text's length. The top one may show only its
    // lower part, and a line taller than the pane shows its end.
    const int available = std::max(1, viewport()->height() - 2 * kMargin);
    int top = std::clamp(last, 0, LineCount() - 1);
    int used = LineHeight(top);
    while (used < available && top > 0)
        used += LineHeight(--top);
    return ScrollPosition{top, std::max(0, used - available)};
}

bool TranscriptPane::AtEnd() const
{
    const QScrollBar* bar = verticalScrollBar();
    return bar->value() == bar->maximum() && topOffset_ == endOffset_;
}

void TranscriptPane::SetScrollPosition(ScrollPosition position)
{
    QScrollBar* bar = verticalScrollBar();
    positioning_ = true;
    bar->setValue(position.line);
    positioning_ = false;
    topOffset_ = bar->value() == position.line ? std::max(0, position.offset) : 0;
    viewport()->update();
}

void TranscriptPane::ScrollByPixels(int dy)
{
    const int last = LineCount() - 1;
    ScrollPosition to{std::clamp(verticalScrollBar()->value(), 0, last), topOffset_ + dy};
    while (to.offset < 0 && to.line > 0)
        to.offset += LineHeight(--to.line);
    to.offset = std::max(0, to.offset);
    for (int height = LineHeight(to.line); to.line < last && to.offset >= height; height = LineHeight(to.line)) {
        to.offset -= height;
        ++to.line;
    }
    const ScrollPosition end{verticalScrollBar()->maximum(), endOffset_};
    if (to.line > end.line || (to.line == end.line && to.offset > end.offset))
        to = end;
    SetScrollPosition(to);
}

void TranscriptPane::UpdateScrollRange()
{
    // The scroll bar's last value is the top line of the text's end.
    const ScrollPosition end = EndOf(LineCount() - 1);
    const int available = viewport()->height() - 2 * kMargin;
    QScrollBar* bar = verticalScrollBar();
    positioning_ = true;
    bar->setRange(0, end.line);
    positioning_ = false;
    endOffset_ = end.offset;
    if (bar->value() == end.line)
        topOffset_ = std::min(topOffset_, endOffset_);
    KeepLaidOutInReach();
    bar->setPageStep(std::max(1, available / std::max(1, fontMetrics().height())));
}

void TranscriptPane::resizeEvent(QResizeEvent* event)
{
    const bool atEnd = AtEnd();
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
    if (atEnd)
        SetScrollPosition(ScrollPosition{verticalScrollBar()->maximum(), endOffset_});
    else
        SetScrollPosition(ScrollPosition{verticalScrollBar()->value(), 0});
}

void TranscriptPane::scrollContentsBy(int, int)
{
    // Moved by the scroll bar itself (dragged, clicked, a key): whole lines,
    // and its last value is the end of the text.
    if (!positioning_) {
        const QScrollBar* bar = verticalScrollBar();
        topOffset_ = bar->value() == bar->maximum() ? endOffset_ : 0;
    }
    viewport()->update();
}

void TranscriptPane::wheelEvent(QWheelEvent* event)
{
    // Rows, as the desktop sets them per notch; pixels from a touchpad.
    int dy = -event->pixelDelta().y();
    if (event->pixelDelta().isNull()) {
        wheelRemainder_ -= event->angleDelta().y() * QApplication::wheelScrollLines() * fontMetrics().height();
        dy = wheelRemainder_ / QWheelEvent::DefaultDeltasPerStep;
        wheelRemainder_ %= QWheelEvent::DefaultDeltasPerStep;
    }
    if (dy != 0)
        ScrollByPixels(dy);
    event->accept();
}

void TranscriptPane::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const Position from = std::min(anchor_, cursor_);
    const Position to = std::max(anchor_, cursor_);
    QTextLayout::FormatRange selected;
    selected.format.setBackground(palette().brush(QPalette::Highlight));
    selected.format.setForeground(palette().brush(QPalette::HighlightedText));
    painter.setPen(palette().color(QPalette::Text));
    int y = kMargin - topOffset_;
    for (int line = verticalScrollBar()->value(); line < LineCount() && y < viewport()->height(); ++line) {
        const LaidOutLine& laid = LaidOut(line);
        const QTextLayout& layout = *laid.layout;
        const int height = laid.height;
        QList<QTextLayout::FormatRange> selections;
        const QString& shown = layout.text();
        for (const ShownLink& link : LinksOf(line, shown)) {
            QTextLayout::FormatRange range;
            range.start = link.column;
            range.length = link.length;
            range.format.setFontUnderline(true);
            range.format.setForeground(palette().brush(QPalette::Link));
            selections.append(range);
        }
        if (!findWord_.isEmpty()) {
            QTextLayout::FormatRange mark;
            mark.format.setBackground(QColor(255, 230, 0));
            mark.format.setForeground(QColor(Qt::black));
            for (qsizetype at = shown.indexOf(findWord_, 0, Qt::CaseInsensitive); at >= 0;
                 at = shown.indexOf(findWord_, at + findWord_.size(), Qt::CaseInsensitive)) {
                mark.start = static_cast<int>(at);
                mark.length = static_cast<int>(findWord_.size());
                selections.append(mark);
            }
        }
        if (from < to && line >= from.line && line <= to.line) {
            selected.start = line == from.line ? from.column : 0;
            const int end = line == to.line ? to.column : static_cast<int>(layout.text().size()) + 1;
            selected.length = std::max(0, end - selected.start);
            selections.append(selected);
        }
        layout.draw(&painter, QPointF(kMargin, y), selections);
        if (line == cursor_.line && hasFocus())
            layout.drawCursor(&painter, QPointF(kMargin, y), cursor_.column);
        y += height;
    }
    KeepLaidOutInReach();
}

TranscriptPane::Position TranscriptPane::PositionAt(const QPoint& point) const
{
    int y = kMargin - topOffset_;
    const int first = verticalScrollBar()->value();
    if (point.y() < y)
        return Position{first, 0};
    for (int line = first; line < LineCount(); ++line) {
        QTextLayout layout;
        const int height = LayOut(line, layout);
        if (point.y() < y + height || line == LineCount() - 1) {
            const qreal rowY = point.y() - y;
            for (int i = 0; i < layout.lineCount(); ++i) {
                const QTextLine row = layout.lineAt(i);
                if (rowY < row.y() + row.height() || i == layout.lineCount() - 1)
                    return Position{line, row.xToCursor(point.x() - kMargin)};
            }
            return Position{line, 0};
        }
        y += height;
        if (y > viewport()->height())
            return Position{line, static_cast<int>(LineText(line).size())};
    }
    return Position{LineCount() - 1, 0};
}

void TranscriptPane::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    pressPoint_ = event->position().toPoint();
    anchor_ = cursor_ = PositionAt(event->position().toPoint());
    selecting_ = true;
    viewport()->update();
}

void TranscriptPane::mouseMoveEvent(QMouseEvent* event)
{
    if (!selecting_)
        return;
    QScrollBar* bar = verticalScrollBar();
    if (event->position().y() < 0)
        bar->setValue(bar->value() - 1);
    else if (event->position().y() > viewport()->height())
        bar->setValue(bar->value() + 1);
    cursor_ = PositionAt(event->position().toPoint());
    viewport()->update();
}

void TranscriptPane::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        selecting_ = false;
        // A click, not a drag, on a link opens it; nothing is ever fetched here.
        const QPoint point = event->position().toPoint();
        if ((point - pressPoint_).manhattanLength() < 4 && LineCount() > 0) {
            const QString url = LinkAt(point);
            if (!url.isEmpty()) {
                if (openLink)
                    openLink(url);
                else
                    QDesktopServices::openUrl(QUrl(url));
            }
        }
    }
    if (QApplication::clipboard()->supportsSelection() && !(anchor_ == cursor_)) {
        QApplication::clipboard()->setText(SelectedText(), QClipboard::Selection);
    }
}

QString TranscriptPane::SelectedText() const
{
    const Position from = std::min(anchor_, cursor_);
    const Position to = std::max(anchor_, cursor_);
    if (!(from < to))
        return {};
    QString out;
    for (int line = from.line; line <= to.line && line < LineCount(); ++line) {
        const QString text = LineText(line);
        const int begin = line == from.line ? from.column : 0;
        const int end = line == to.line ? std::min<int>(to.column, static_cast<int>(text.size())) : static_cast<int>(text.size());
        out += text.mid(begin, std::max(0, end - begin));
        if (line != to.line)
            out += QLatin1Char('\n');
    }
    return out;
}

void TranscriptPane::SelectAll()
{
    anchor_ = Position{0, 0};
    cursor_ = Position{LineCount() - 1, static_cast<int>(LineText(LineCount() - 1).size())};
    viewport()->update();
}

void TranscriptPane::CopySelection() const
{
    const QString text = SelectedText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void TranscriptPane::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && lineActivated && LineCount() > 0) {
        const Position at = PositionAt(event->position().toPoint());
        lineActivated(starts_[static_cast<std::size_t>(at.line)]);
    }
    QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void TranscriptPane::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* copy = menu.addAction(QStringLiteral("&Copy"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(!(anchor_ == cursor_));
    QAction* all = menu.addAction(QStringLiteral("Select &All"));
    all->setShortcut(QKeySequence::SelectAll);
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == copy)
        CopySelection();
    else if (chosen == all)
        SelectAll();
}
