#include "conversation_window.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app_icon.h"
#include "client_context.h"
#include "conversation_commands.h"
#include "display_text.h"
#include "find_bar.h"
#include "input_line.h"
#include "normalize_name.h"
#include "transcript_pane.h"

// One person's view: a copy of their lines (so the main transcript's clear
// or auto-clear leaves an open conversation whole), the links the lines'
// markup carried, the pane, the find bar and the input line.
struct ConversationWindow::Conversation final : QWidget {
    std::string peer;  // normalised
    std::string name;  // as first seen
    std::string text;
    std::unordered_map<std::size_t, std::vector<LineLink>> links;
    TranscriptPane* pane = nullptr;
    FindBar* find = nullptr;
    QLineEdit* input = nullptr;
    bool unread = false;
};

ConversationWindow::ConversationWindow(ClientContext& ctx, std::function<void()> backToMain, QWidget* parent)
    : QWidget(parent, Qt::Window), ctx_(ctx), backToMain_(std::move(backToMain)), tabs_(new QTabWidget(this))
{
    setWindowIcon(ApplicationIcon());
    resize(620, 420);
    tabs_->setTabsClosable(true);
    tabs_->setDocumentMode(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(tabs_);
    QObject::connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        MarkRead(index);
        if (QLineEdit* input = CurrentInput())
            input->setFocus();
        ShowTitle();
    });
    QObject::connect(tabs_, &QTabWidget::tabCloseRequested, this, [this](int index) {
        Conversation* talk = At(index);
        tabs_->removeTab(index);
        delete talk;
        if (tabs_->count() == 0)
            hide();
        ShowTitle();
    });
    auto shortcut = [this](const QKeySequence& keys, auto run) {
        QObject::connect(new QShortcut(keys, this), &QShortcut::activated, this, run);
    };
    auto step = [this](int by) {
        if (tabs_->count() > 0)
            tabs_->setCurrentIndex((tabs_->currentIndex() + by + tabs_->count()) % tabs_->count());
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), [step] { step(1); });
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), [step] { step(-1); });
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), [step] { step(-1); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_W), [this] { CloseCurrent(); });
    shortcut(QKeySequence(Qt::Key_Escape), [this] {
        if (backToMain_)
            backToMain_();
    });
    ctx_.transcript.lines.onLine = [this](const PrintedLine& line) { OnLine(line); };
}

ConversationWindow::~ConversationWindow()
{
    ctx_.transcript.lines.onLine = nullptr;
}

ConversationWindow::Conversation* ConversationWindow::At(int index) const
{
    return static_cast<Conversation*>(tabs_->widget(index));
}

ConversationWindow::Conversation* ConversationWindow::Find(std::string_view peer) const
{
    for (int i = 0; i < tabs_->count(); ++i) {
        if (At(i)->peer == peer)
            return At(i);
    }
    return nullptr;
}

void ConversationWindow::Append(Conversation& talk, std::size_t, std::string_view text,
                                const std::vector<LineLink>& links)
{
    if (!links.empty())
        talk.links[talk.text.size()] = links;
    talk.text.append(text);
}

void ConversationWindow::Open(const std::string& name)
{
    const std::string peer = NormalizeName(name);
    if (peer.empty())
        return;
    Conversation* talk = Find(peer);
    if (talk == nullptr) {
        talk = new Conversation;
        talk->peer = peer;
        talk->name = name;
        // What the transcript holds of this person, from its records.
        const TranscriptLines& lines = ctx_.transcript.lines;
        const std::string& all = ctx_.transcript.output.Text();
        for (std::size_t i = 0; i < lines.Count(); ++i) {
            if (lines.PeerName(lines[i].peer) != peer)
                continue;
            const std::size_t begin = std::min(lines[i].offset, all.size());
            const std::size_t end = i + 1 < lines.Count() ? std::min(lines[i + 1].offset, all.size()) : all.size();
            const std::vector<LineLink>* links = lines.LinksAt(begin);
            Append(*talk, begin, std::string_view(all).substr(begin, end - begin),
                   links != nullptr ? *links : std::vector<LineLink>{});
        }
        talk->pane = new TranscriptPane(talk);
        talk->pane->setAccessibleName(QStringLiteral("Conversation with ") + DisplayText(name));
        talk->pane->markupLinks = [talk](std::size_t offset) -> const std::vector<LineLink>* {
            const auto found = talk->links.find(offset);
            return found != talk->links.end() ? &found->second : nullptr;
        };
        talk->find = new FindBar(*talk->pane, talk, talk);
        talk->input = new QLineEdit(talk);
        talk->input->setAccessibleName(QStringLiteral("Message to ") + DisplayText(name));
        auto* send = new QPushButton(QStringLiteral("&Send"), talk);
        auto* add = new QPushButton(QStringLiteral("&Add to buddy list"), talk);
        auto* row = new QHBoxLayout;
        row->addWidget(talk->input, 1);
        row->addWidget(send);
        row->addWidget(add);
        auto* layout = new QVBoxLayout(talk);
        layout->setContentsMargins(0, 4, 0, 0);
        layout->addWidget(talk->pane, 1);
        layout->addWidget(talk->find);
        layout->addLayout(row);
        auto submit = [this, talk] {
            const std::string typed = FieldBytes(talk->input);
            if (SubmitLineTo(ctx_, typed, {talk->name}))
                talk->input->clear();
        };
        QObject::connect(talk->input, &QLineEdit::returnPressed, talk, submit);
        QObject::connect(send, &QPushButton::clicked, talk, submit);
        QObject::connect(add, &QPushButton::clicked, talk, [this, talk] { AddBuddyFromConversation(ctx_, talk->name); });
        tabs_->addTab(talk, DisplayText(name));
        talk->pane->ShowText(&talk->text);
        talk->pane->ScrollToEnd();
    }
    tabs_->setCurrentWidget(talk);
    MarkRead(tabs_->currentIndex());
    ShowTitle();
    show();
    raise();
    activateWindow();
    talk->input->setFocus();
}

void ConversationWindow::OnLine(const PrintedLine& line)
{
    if (line.peer.empty())
        return;
    Conversation* talk = Find(line.peer);
    if (talk == nullptr)
        return;
    Append(*talk, line.record.offset, line.text, line.links);
    talk->pane->TextAppended();
    talk->pane->ScrollToEnd();
    const bool inFront = isVisible() && isActiveWindow() && tabs_->currentWidget() == talk;
    if (!inFront && (line.record.kind == LineKind::Incoming || line.record.kind == LineKind::AutoIncoming)) {
        talk->unread = true;
        tabs_->setTabText(tabs_->indexOf(talk), QStringLiteral("* ") + DisplayText(talk->name));
        ShowTitle();
    }
}

void ConversationWindow::MarkRead(int index)
{
    Conversation* talk = index >= 0 ? At(index) : nullptr;
    if (talk == nullptr || !talk->unread || !isActiveWindow())
        return;
    talk->unread = false;
    tabs_->setTabText(index, DisplayText(talk->name));
}

void ConversationWindow::ShowTitle()
{
    const Conversation* talk = tabs_->count() > 0 ? At(tabs_->currentIndex()) : nullptr;
    int unread = 0;
    for (int i = 0; i < tabs_->count(); ++i)
        unread += At(i)->unread ? 1 : 0;
    QString title = talk != nullptr ? DisplayText(talk->name) + QStringLiteral(" - Conversation")
                                    : QStringLiteral("Conversations");
    if (unread > 0)
        title += QStringLiteral(" (%1 unread)").arg(unread);
    setWindowTitle(title);
}

void ConversationWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        MarkRead(tabs_->currentIndex());
        ShowTitle();
    }
}

int ConversationWindow::Count() const
{
    return tabs_->count();
}

QString ConversationWindow::TabText(int index) const
{
    return tabs_->tabText(index);
}

int ConversationWindow::CurrentIndex() const
{
    return tabs_->currentIndex();
}

TranscriptPane* ConversationWindow::CurrentPane() const
{
    return tabs_->count() > 0 ? At(tabs_->currentIndex())->pane : nullptr;
}

QLineEdit* ConversationWindow::CurrentInput() const
{
    return tabs_->count() > 0 ? At(tabs_->currentIndex())->input : nullptr;
}

FindBar* ConversationWindow::CurrentFind() const
{
    return tabs_->count() > 0 ? At(tabs_->currentIndex())->find : nullptr;
}

void ConversationWindow::CloseCurrent()
{
    if (tabs_->count() > 0)
        emit tabs_->tabCloseRequested(tabs_->currentIndex());
}
