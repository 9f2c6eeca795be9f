// Conversations: one tab per person in one window, as Pidgin does, so the
// keyboard (Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+W) walks all of them under any
// window manager and a dozen talks do not make a dozen windows. Each tab
// shows that person's lines only, in the same pane as the main window's,
// and sends to that person alone through the main input line's path.
#pragma once

#include <QWidget>
#include <string>
#include <unordered_map>
#include <vector>

#include "transcript_lines.h"

struct ClientContext;
class FindBar;
class QLineEdit;
class QTabWidget;
class TranscriptPane;

class ConversationWindow final : public QWidget {
public:
    ConversationWindow(ClientContext& ctx, std::function<void()> backToMain, QWidget* parent = nullptr);
    ~ConversationWindow() override;

    // Opens (or brings forward) the conversation with this screen name,
    // with what the transcript already holds of it.
    void Open(const std::string& name);
    int Count() const;
    QString TabText(int index) const;
    int CurrentIndex() const;
    // The current conversation's parts, or nullptr when none is open.
    TranscriptPane* CurrentPane() const;
    QLineEdit* CurrentInput() const;
    FindBar* CurrentFind() const;
    void CloseCurrent();

protected:
    void changeEvent(QEvent* event) override;

private:
    struct Conversation;
    void OnLine(const PrintedLine& line);
    Conversation* Find(std::string_view peer) const;
    Conversation* At(int index) const;
    void Append(Conversation& talk, std::size_t offset, std::string_view text, const std::vector<LineLink>& links);
    void MarkRead(int index);
    void ShowTitle();

    ClientContext& ctx_;
    std::function<void()> backToMain_;
    QTabWidget* tabs_;
};
