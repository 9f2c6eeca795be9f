// The output pane: a read-only view of the transcript that keeps its text as
// UTF-8 with one offset per line and lays out only the lines on screen, so a
// line costs the same whether the pane holds a thousand lines or a million,
// and about its own bytes in memory. Lines wrap at the pane's width; the view
// scrolls by whole lines. Text can be selected with the mouse and copied.
#pragma once

#include <QAbstractScrollArea>
#include <QRect>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QTextLayout;

class TranscriptPane final : public QAbstractScrollArea {
public:
    explicit TranscriptPane(QWidget* parent = nullptr);
    ~TranscriptPane() override;

    // The transcript's CR LF line ends are shown as plain breaks.
    void SetText(std::string_view utf8);
    void AppendText(std::string_view utf8);
    void ScrollToEnd();

    QString PlainText() const;
    QString SelectedText() const;
    int LineCount() const { return static_cast<int>(starts_.size()); }
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
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Position {
        int line = 0;
        int column = 0;  // in the line's QString characters
        bool operator<(const Position& o) const { return line != o.line ? line < o.line : column < o.column; }
        bool operator==(const Position& o) const = default;
    };

    std::string_view LineBytes(int line) const;
    QString LineText(int line) const;
    // Lays a line out at the pane's current width; returns its height.
    int LayOut(int line, QTextLayout& layout) const;
    int TextWidth() const;
    void UpdateScrollRange();
    Position PositionAt(const QPoint& point) const;
    void AddLineStarts(std::size_t from);
    // Character offsets of line starts, built on the first question from
    // assistive technology and extended as lines arrive.
    void EnsureCharStarts() const;
    int OffsetOf(const Position& position) const;
    Position PositionOf(int offset) const;
    void AnnounceAppended(int oldCount);

    std::string text_;                  // without CR; lines end with LF
    std::vector<std::size_t> starts_;   // where each line begins in text_
    Position anchor_;
    Position cursor_;
    bool selecting_ = false;
    mutable std::vector<int> charStarts_;
};
