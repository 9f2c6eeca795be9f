// The output pane: a read-only view of the transcript. It reads the text
// where the transcript keeps it (no copy), with one offset per line, and lays
// out only the lines on screen, so a line costs the same whether the pane
// holds a thousand lines or a million. Lines wrap at the pane's width. The
// scroll bar counts lines; the wheel scrolls by rows, through a line taller
// than the pane too, and the end of the text sits at the bottom of the pane.
// Text can be selected with the mouse and copied.
// While lines stream in, the pane catches up at most once a frame.
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QRect>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "frame_pacer.h"
#include "line_starts.h"

class QTextLayout;
struct LineLink;

class TranscriptPane final : public QAbstractScrollArea {
public:
    explicit TranscriptPane(QWidget* parent = nullptr);
    ~TranscriptPane() override;

    // Shows text (nullptr: nothing) from its start, at once. The pane keeps
    // a pointer: the owner keeps the string alive and only appends to it
    // until the next ShowText. CR LF line ends are shown as plain breaks.
    void ShowText(const std::string* text);
    // The text grew at its end; the pane catches up after this turn of the
    // event loop, or once a frame while it keeps growing.
    void TextAppended();
    // Scrolls to the end, with the pane's next catch-up if one is due.
    void ScrollToEnd();
    // Brings the view up to the text now: new lines, scroll range, a
    // scroll asked for, one repaint.
    void CatchUp();

    // Where the links of a line beginning at this byte offset of the text
    // lead, when its words were a link in the message's markup.
    std::function<const std::vector<LineLink>*(std::size_t offset)> markupLinks;
    // A double-click on a line: the byte offset where it begins.
    std::function<void(std::size_t offset)> lineActivated;
    // Opens an address; the desktop's browser unless set (tests).
    std::function<void(const QString& url)> openLink;

    // Find: the word's matches are marked where they are in view; FindStep
    // selects the next or previous one and brings it into view.
    void SetFindWord(const QString& word);
    std::size_t FindCount() const { return findCount_; }
    // The count changed (lines came, or the text was replaced).
    std::function<void()> findCountChanged;
    bool FindStep(bool forward);

    QString PlainText() const;
    QString SelectedText() const;
    int LineCount() const { return static_cast<int>(starts_.Count()); }
    // The last line that holds any text.
    QString LastLineText() const;
    void SelectAll();
    void CopySelection() const;

    // The text as assistive technology sees it: one string of characters,
    // lines joined by '\n', offsets counted in that string.
    int CharacterCount() const;
    QString TextBetween(int start, int end) const;
    void SelectionOffsets(int* start, int* end) const;  // equal when nothing is selected
    int CursorOffset() const;
    void SetSelectionOffsets(int anchor, int cursor);
    QRect CharacterRect(int offset) const;  // in viewport coordinates; empty when off screen
    int OffsetAt(const QPoint& viewportPoint) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct Position {
        int line = 0;
        int column = 0;  // in the line's QString characters
        bool operator<(const Position& o) const { return line != o.line ? line < o.line : column < o.column; }
        bool operator==(const Position& o) const = default;
    };

    // Where the view starts: the top line, and how many pixels of it are
    // scrolled off above the pane.
    struct ScrollPosition {
        int line = 0;
        int offset = 0;
    };

    std::string_view LineBytes(int line) const;
    int LineOfOffset(std::size_t offset) const;
    // The links of a line as shown: column, length and address.
    struct ShownLink {
        int column = 0;
        int length = 0;
        QString url;
    };
    std::vector<ShownLink> LinksOf(int line, const QString& text) const;
    // The link under a point of the viewport, or an empty address.
    QString LinkAt(const QPoint& point) const;
    void SelectMatch(int line, int column);
    QString LineText(int line) const;
    // Lays a line out at the pane's current width; returns its height. With
    // keepGlyphs the shaped text stays in the layout for drawing it.
    int LayOut(int line, QTextLayout& layout, bool keepGlyphs = false) const;
    int LineHeight(int line) const;
    // A line laid out at the pane's width and font, with its glyphs kept for
    // drawing; bytes is the line's length then (the last line may grow).
    struct LaidOutLine {
        std::size_t bytes = 0;
        int height = 0;
        std::unique_ptr<QTextLayout> layout;
    };
    // The line's layout, made once and kept while the line may still be
    // drawn: a catch-up lays out the last screenful to place the text's end,
    // and the paint that follows draws those same lines. The reference holds
    // until the next call.
    const LaidOutLine& LaidOut(int line) const;
    // Forgets the layouts of lines neither in the view nor at the text's end.
    void KeepLaidOutInReach() const;
    int TextWidth() const;
    void UpdateScrollRange();
    // The position at which the bottom of line last meets the bottom of the
    // pane, or the text's start when everything up to last is shorter.
    ScrollPosition EndOf(int last) const;
    void SetScrollPosition(ScrollPosition position);
    // Moves the view by pixels, held between the text's start and its end.
    void ScrollByPixels(int dy);
    bool AtEnd() const;
    Position PositionAt(const QPoint& point) const;
    // Indexes the line starts of the text from indexed_ to its end.
    void IndexNewText();
    // Character offsets of line starts, built on the first question from
    // assistive technology and extended as lines arrive.
    void EnsureCharStarts() const;
    int OffsetOf(const Position& position) const;
    Position PositionOf(int offset) const;
    void AnnounceAppended(int oldCount);
    // The caret: where a key moves it, then the move itself (the selection
    // grows from its anchor with Shift), kept in view and told to assistive
    // technology.
    Position CaretTarget(const QKeyEvent* event) const;
    void MoveCaret(const Position& to, bool extend);
    void KeepCaretInView();

    const std::string* text_;           // the transcript's text, with its CR LF line ends
    std::size_t indexed_ = 0;           // bytes of it the view has taken in
    LineStarts starts_;                 // where each line begins in *text_
    bool scrollToEndPending_ = false;
    int topOffset_ = 0;              // pixels of the top line scrolled off
    int endOffset_ = 0;              // topOffset_ at the end of the text
    bool positioning_ = false;       // the pane itself moves the scroll bar
    int wheelRemainder_ = 0;         // wheel turns too small to scroll a pixel yet
    FramePacer pacer_{[this] { CatchUp(); }};
    Position anchor_;
    Position cursor_;
    bool selecting_ = false;
    mutable std::vector<int> charStarts_;
    QString findWord_;
    std::size_t findCount_ = 0;
    QPoint pressPoint_;
    mutable std::unordered_map<int, LaidOutLine> laidOut_;
    mutable int laidOutWidth_ = 0;  // and font, the layouts were made for
    mutable QFont laidOutFont_;
};
