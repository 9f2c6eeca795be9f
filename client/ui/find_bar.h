// Find in a transcript pane: a word box that finds as it is typed, the
// count of all matches, Enter / F3 for the next match and Shift+Enter /
// Shift+F3 for the one before, Escape to close. Ctrl+F in the window that
// holds it opens it.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class TranscriptPane;

class FindBar final : public QWidget {
public:
    // `scope` is the widget whose Ctrl+F, F3 and Shift+F3 reach the bar.
    FindBar(TranscriptPane& pane, QWidget* scope, QWidget* parent = nullptr);
    void Open();
    void Close();
    QLineEdit* WordBox() const { return word_; }
    QString CountText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowCount();
    TranscriptPane& pane_;
    QLineEdit* word_;
    QLabel* count_;
};
