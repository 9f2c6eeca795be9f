#include "transcript_accessible.h"

#include <QAccessibleWidget>

#include "transcript_pane.h"

namespace {

class TranscriptAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TranscriptAccessible(TranscriptPane* pane) : QAccessibleWidget(pane, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return Pane()->PlainText();
        return QAccessibleWidget::text(t);
    }

    // QAccessibleTextInterface
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex == 0)
            Pane()->SelectionOffsets(startOffset, endOffset);
    }
    int selectionCount() const override
    {
        int start = 0;
        int end = 0;
        Pane()->SelectionOffsets(&start, &end);
        return start == end ? 0 : 1;
    }
    void addSelection(int startOffset, int endOffset) override { Pane()->SetSelectionOffsets(startOffset, endOffset); }
    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex == 0) {
            const int cursor = Pane()->CursorOffset();
            Pane()->SetSelectionOffsets(cursor, cursor);
        }
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex == 0)
            Pane()->SetSelectionOffsets(startOffset, endOffset);
    }
    int cursorPosition() const override { return Pane()->CursorOffset(); }
    void setCursorPosition(int position) override { Pane()->SetSelectionOffsets(position, position); }
    QString text(int startOffset, int endOffset) const override { return Pane()->TextBetween(startOffset, endOffset); }
    int characterCount() const override { return Pane()->CharacterCount(); }
    QRect characterRect(int offset) const override
    {
        const QRect rect = Pane()->CharacterRect(offset);
        if (rect.isEmpty())
            return rect;
        return QRect(Pane()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
    }
    int offsetAtPoint(const QPoint& point) const override
    {
        return Pane()->OffsetAt(Pane()->viewport()->mapFromGlobal(point));
    }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return {};
    }

private:
    TranscriptPane* Pane() const { return static_cast<TranscriptPane*>(widget()); }
};

}  // namespace

QAccessibleInterface* TranscriptAccessibleFactory(const QString&, QObject* object)
{
    if (auto* pane = dynamic_cast<TranscriptPane*>(object))
        return new TranscriptAccessible(pane);
    return nullptr;
}
