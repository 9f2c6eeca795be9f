#include "main_dialog.h"

#include <algorithm>

#include <QApplication>
#include <QInputDialog>
#include <QCloseEvent>
#include <QShowEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QItemSelectionModel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include "app_icon.h"
#include "buddy_editor_dialog.h"
#include "client_context.h"
#include "client_lifecycle.h"
#include "connection.h"
#include "conversation_window.h"
#include "display_text.h"
#include "event_sounds.h"
#include "find_bar.h"
#include "input_line.h"
#include "normalize_name.h"
#include "outgoing.h"
#include "settings_store.h"
#include "sound_settings_dialog.h"
#include "online_list_model.h"
#include "online_view_switch.h"
#include "presence_delegate.h"
#include "output.h"
#include "transcript_pane.h"
#include "user_config_dialog.h"
#include "user_info.h"

MainDialog::MainDialog(ClientContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx)
{
    setWindowTitle(QStringLiteral("ZORVANE"));
    soundClock_.start();
    setWindowIcon(ApplicationIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    BuildControls();
    NameControls();

    pump_.setSingleShot(true);
    QObject::connect(&pump_, &QTimer::timeout, this, [this] { PumpTick(ctx_); });
}

MainDialog::~MainDialog()
{
    conversations_.reset();
    ctx_.DetachWindow(*this);
}

void MainDialog::BuildControls()
{
    QMenuBar* menuBar = BuildMenu();
    CreateControls();
    viewSwitch_->AddMenu(*menuBar);
    LayOutControls(menuBar);
    ConnectControls();
}

QMenuBar* MainDialog::BuildMenu()
{
    auto* menuBar = new QMenuBar(this);
    QMenu* file = menuBar->addMenu(QStringLiteral("&File"));
    QObject::connect(file->addAction(QStringLiteral("&Config")), &QAction::triggered, this,
                     [this] { OpenUserConfig(); });
    QObject::connect(file->addAction(QStringLiteral("&BLEED")), &QAction::triggered, this,
                     [this] { OpenBuddyEditor(); });
    QAction* newMessage = file->addAction(QStringLiteral("&New message..."));
    newMessage->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    QObject::connect(newMessage, &QAction::triggered, this, [this] { AskForConversation(); });
    QObject::connect(file->addAction(QStringLiteral("S&ounds...")), &QAction::triggered, this,
                     [this] { OpenSoundSettings(); });
    QObject::connect(file->addAction(QStringLiteral("E&xit")), &QAction::triggered, this, [this] { close(); });
    return menuBar;
}

void MainDialog::CreateControls()
{
    output_ = new TranscriptPane(this);
    output_->setMinimumSize(520, 300);
    output_->markupLinks = [this](std::size_t offset) { return ctx_.transcript.lines.LinksAt(offset); };
    find_ = new FindBar(*output_, this, this);

    // The view shows the client's own list, which keeps the order (without
    // regard to case); the model tells it of each row that comes or goes.
    onlineModel_ = new OnlineListModel(ctx_.online, &DisplayText, this);
    online_ = new QListView(this);
    online_->setModel(onlineModel_);
    online_->setSelectionMode(QAbstractItemView::MultiSelection);
    online_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    online_->setUniformItemSizes(true);  // plain text lines: no row needs measuring on its own
    online_->setFixedWidth(200);
    online_->setItemDelegate(new PresenceDelegate(online_));  // away or idle: dimmed
    viewSwitch_ = new OnlineViewSwitch(ctx_.Out(), ctx_.online, ctx_.settings, ctx_.config, *online_, *onlineModel_, this);

    warn_ = new QPushButton(QStringLiteral("&Warn"), this);
    info_ = new QPushButton(QStringLiteral("&Info"), this);
    input_ = new QLineEdit(this);
    send_ = new QPushButton(QStringLiteral("&Send"), this);
    formatting_ = new QLineEdit(this);
    connect_ = new QPushButton(QStringLiteral("&Connect"), this);
    disconnect_ = new QPushButton(QStringLiteral("&Disconnect"), this);
    exit_ = new QPushButton(QStringLiteral("E&xit"), this);

    for (QPushButton* button : {warn_, info_, connect_, disconnect_, exit_})
        button->setAutoDefault(false);
    // Named, so the window's parts can be found by name (findChild) and
    // addressed in style sheets.
    output_->setObjectName(QStringLiteral("output"));
    online_->setObjectName(QStringLiteral("onlineList"));
    input_->setObjectName(QStringLiteral("inputLine"));
    formatting_->setObjectName(QStringLiteral("formatting"));
    warn_->setObjectName(QStringLiteral("warn"));
    info_->setObjectName(QStringLiteral("info"));
    send_->setObjectName(QStringLiteral("send"));
    connect_->setObjectName(QStringLiteral("connect"));
    disconnect_->setObjectName(QStringLiteral("disconnect"));
    exit_->setObjectName(QStringLiteral("exit"));
    send_->setDefault(true);
    ShowConnectionState(ConnectionState::Offline);
}

void MainDialog::LayOutControls(QMenuBar* menuBar)
{
    auto* onlineLabel = new QLabel(QStringLiteral("Online Selection Box:"), this);
    onlineLabel->setBuddy(online_);
    auto* formattingLabel = new QLabel(QStringLiteral("Formatting:"), this);
    formattingLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    formattingLabel->setBuddy(formatting_);

    auto* left = new QVBoxLayout;
    left->addWidget(onlineLabel);
    left->addWidget(online_, 1);
    auto* userButtons = new QHBoxLayout;
    userButtons->addWidget(warn_);
    userButtons->addWidget(info_);
    left->addLayout(userButtons);

    auto* top = new QHBoxLayout;
    top->addLayout(left);
    auto* transcript = new QVBoxLayout;
    transcript->addWidget(output_, 1);
    transcript->addWidget(find_);
    top->addLayout(transcript, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(send_);
    bottom->addWidget(formattingLabel);
    bottom->addWidget(formatting_, 1);
    bottom->addWidget(connect_);
    bottom->addWidget(disconnect_);
    bottom->addWidget(exit_);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addLayout(top, 1);
    layout->addWidget(input_);
    layout->addLayout(bottom);

    setTabOrder(output_, online_);
    setTabOrder(online_, warn_);
    setTabOrder(warn_, info_);
    setTabOrder(info_, input_);
    setTabOrder(input_, send_);
    setTabOrder(send_, formatting_);
    setTabOrder(formatting_, connect_);
    setTabOrder(connect_, disconnect_);
    setTabOrder(disconnect_, exit_);
}

void MainDialog::ConnectControls()
{
    QObject::connect(send_, &QPushButton::clicked, this, [this] { SubmitInputLine(ctx_); });
    QObject::connect(connect_, &QPushButton::clicked, this, [this] { Connect(); });
    QObject::connect(disconnect_, &QPushButton::clicked, this, [this] { DisconnectFromServer(ctx_.Out(), ctx_.session); });
    QObject::connect(warn_, &QPushButton::clicked, this, [this] { ActOnSelected(ctx_.Out(), ctx_.session, ctx_.online, UserAction::Warn); });
    QObject::connect(info_, &QPushButton::clicked, this, [this] { ActOnSelected(ctx_.Out(), ctx_.session, ctx_.online, UserAction::Info); });
    QObject::connect(exit_, &QPushButton::clicked, this, [this] { close(); });

    // Conversations open from a name in the list, a message's line, or a
    // notification (UseNotificationSink).
    QObject::connect(online_, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.row() >= 0 && index.row() < ctx_.online.Count())
            OpenConversation(ctx_.online.At(index.row()));
    });
    online_->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(online_, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
        const QModelIndex index = online_->indexAt(point);
        if (!index.isValid() || index.row() >= ctx_.online.Count())
            return;
        QMenu menu(this);
        QAction* open = menu.addAction(QStringLiteral("&Open conversation"));
        if (menu.exec(online_->viewport()->mapToGlobal(point)) == open)
            OpenConversation(ctx_.online.At(index.row()));
    });
    output_->lineActivated = [this](std::size_t offset) {
        const TranscriptLine* line = ctx_.transcript.lines.RecordAt(offset);
        if (line != nullptr && (line->kind == LineKind::Incoming || line->kind == LineKind::AutoIncoming))
            OpenConversation(ctx_.transcript.lines.PeerName(line->peer));
    };

    // Up and Down recall the history in the input line only; in the online
    // list and the transcript they move there and nothing else.
    input_->installEventFilter(this);
    input_->setFocus();
}

void MainDialog::Initialize(const char* libraryName)
{
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_ = new QSystemTrayIcon(needsAttention_ ? AttentionIcon() : ApplicationIcon(), this);
        tray_->setToolTip(QStringLiteral("ZORVANE"));
        QObject::connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger)
                ToggleHidden();
        });
        // Desktops that show the icon as a StatusNotifierItem open its menu
        // instead of sending a click: the menu offers the same toggle.
        auto* trayMenu = new QMenu(this);
        trayMenu->addAction(QStringLiteral("Show/Hide"), this, [this] { ToggleHidden(); });
        trayMenu->addAction(QStringLiteral("Exit"), this, [this] { close(); });
        tray_->setContextMenu(trayMenu);
        tray_->show();
    }
    StartClient(ctx_, *this, libraryName);
    viewSwitch_->Refresh();  // the buddy list is read now
}

void MainDialog::Shutdown()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    pump_.stop();
    if (tray_ != nullptr) {
        tray_->hide();
        delete tray_;
        tray_ = nullptr;
    }
    ShutdownClient(ctx_);
    output_->CatchUp();
    ShowSaveFailures();
}

void MainDialog::CloseForSignal()
{
    closingForSignal_ = true;
    // A box or dialog open over the window runs a loop of its own, which
    // would hold the signal until someone answers it: it goes first.
    CloseModalWidgets();
    close();
}

void MainDialog::ShowSaveFailures()
{
    // The transcript is about to disappear with the window: the user who
    // closed it is told in a box (standard error has it too).
    if (ctx_.settings.saveFailures.empty() || closingForSignal_)
        return;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("ZORVANE"),
                    DisplayText(SaveFailureText(ctx_.settings.saveFailures)), QMessageBox::Ok, this);
    boxes_->Present(box);
}

void MainDialog::ToggleHidden()
{
    // Without a tray icon there would be no way back to a hidden window.
    if (tray_ == nullptr)
        return;
    if (hidden_) {
        show();
        hidden_ = false;
    } else {
        hide();
        hidden_ = true;
    }
}

void MainDialog::reject()
{
    Connect();
}

void MainDialog::Connect()
{
    ConnectToServer(ctx_.Out(), ctx_.session, ctx_.settings);
    // On a first start nothing is set up yet: the status line says what is
    // missing, and the dialog where it is entered opens.
    const UserInfo& info = ctx_.settings.userInfo;
    if (!shutDown_ && (FieldText(info.screenName).empty() || FieldText(info.password).empty()))
        OpenUserConfig();
}

void MainDialog::accept()
{
    close();
}

void MainDialog::closeEvent(QCloseEvent* event)
{
    if (!shutDown_ && !closeGuard_.MayCloseNow()) {
        event->ignore();
        return;
    }
    Shutdown();
    event->accept();
    // The program lives as long as the window. Qt ends its loop by itself
    // only when a visible window closes; one hidden by the tray icon must
    // end it too.
    QCoreApplication::quit();
}

void MainDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Attended();
}

void MainDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Shown again while it still counts as the active window: no activation
    // change will follow.
    if (isActiveWindow())
        Attended();
}

void MainDialog::Attended()
{
    // Back in the window: the transcript shows what the notifications said.
    if (notifier_ != nullptr)
        notifier_->WithdrawAll();
    SetNeedsAttention(false);
}

void MainDialog::SetNeedsAttention(bool on)
{
    if (needsAttention_ == on)
        return;
    needsAttention_ = on;
    if (tray_ != nullptr)
        tray_->setIcon(on ? AttentionIcon() : ApplicationIcon());
}

void MainDialog::BringToFront()
{
    // A second start while this one is on its way out shows nothing.
    if (shutDown_)
        return;
    if (isMinimized())
        showNormal();
    else
        show();
    hidden_ = false;
    raise();
    activateWindow();
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == input_ && event->type() == QEvent::KeyPress && isActiveWindow()) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Held keys repeat; one press is one step.
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            if (!key->isAutoRepeat())
                HistoryStep(ctx_.history, ctx_.Window(), key->key() == Qt::Key_Up);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void MainDialog::ShowOutputText(const std::string& text)
{
    output_->ShowText(&text);
}

void MainDialog::OutputTextAppended(std::string_view)
{
    output_->TextAppended();
}

void MainDialog::ScrollOutputToEnd()
{
    output_->ScrollToEnd();
}

std::vector<int> MainDialog::SelectedOnlineRows() const
{
    if (viewSwitch_->Grouped())
        return viewSwitch_->SelectedOnlineRows();
    // The selection's rows must be the list's rows as they are now.
    onlineModel_->Flush();
    std::vector<int> rows;
    for (const QModelIndex& index : online_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::string MainDialog::InputText() const
{
    return FieldBytes(input_);
}

void MainDialog::SetInputText(std::string_view text)
{
    SetFieldBytes(input_, text);
}

std::string MainDialog::FormattingText() const
{
    return FieldBytes(formatting_);
}

void MainDialog::SetFormattingText(std::string_view text)
{
    SetFieldBytes(formatting_, text);
}

void MainDialog::ShowConnectionState(ConnectionState state)
{
    const bool reconnecting = state == ConnectionState::Reconnecting;
    connect_->setEnabled(state == ConnectionState::Offline || reconnecting);
    // Signing on only takes Connect away; the rest stay as the state before left them.
    if (state == ConnectionState::SigningOn)
        return;
    const bool online = state == ConnectionState::Online;
    send_->setEnabled(true);
    for (QPushButton* button : {warn_, info_})
        button->setEnabled(online);
    // While the client reconnects by itself, Disconnect stops it.
    disconnect_->setEnabled(online || reconnecting);
}

void MainDialog::OfferUserConfig(std::string_view reason)
{
    if (shutDown_ || configOffered_)
        return;
    configOffered_ = true;
    // Not from inside the protocol library's report: the box runs an event loop.
    QTimer::singleShot(0, this, [this, text = DisplayText(reason)] {
        if (shutDown_ || closeGuard_.Waiting()) {
            configOffered_ = false;
            return;
        }
        QMessageBox box(QMessageBox::Warning, QStringLiteral("ZORVANE"), text, QMessageBox::Cancel, this);
        box.setInformativeText(QStringLiteral("Check the screen name and password in the configuration?"));
        QPushButton* open = box.addButton(QStringLiteral("Open &Config"), QMessageBox::AcceptRole);
        box.setDefaultButton(open);
        boxes_->Present(box);
        configOffered_ = false;
        if (box.clickedButton() == open && !shutDown_ && !closeGuard_.Waiting())
            OpenUserConfig();
    });
}

void MainDialog::RequestPump(int delayMs)
{
    if (shutDown_)
        return;
    // A tick due no later than asked needs no clock read: every line of a
    // burst asks for one, and the first of the turn has armed it already.
    if (pump_.isActive() && pump_.interval() <= delayMs)
        return;
    if (!pump_.isActive() || pump_.remainingTime() > delayMs)
        pump_.start(delayMs);
}

void MainDialog::OpenUserConfig()
{
    UserConfigDialog dialog(ctx_.Out(), ctx_.session, ctx_.settings, this);
    dialog.exec();
}

void MainDialog::OpenSoundSettings()
{
    SoundSettingsDialog dialog(ctx_.Out(), ctx_.settings, this);
    dialog.exec();
}

void MainDialog::CueSound(SoundEvent event)
{
    const bool looking = isVisible() && !isMinimized() && isActiveWindow();
    // The clock is read only for a cue that may sound.
    if (soundGate_.Refuses(event, ctx_.settings.app.sounds, looking) ||
        !soundGate_.ShouldPlay(event, ctx_.settings.app.sounds, looking, soundClock_.elapsed()))
        return;
    if (sounds_ == nullptr)
        sounds_ = std::make_unique<EventSounds>();  // the first sound opens the device
    sounds_->Play(event);
}

void MainDialog::OpenBuddyEditor()
{
    BuddyEditorDialog dialog(ctx_, this);
    dialog.exec();
    viewSwitch_->Refresh();
}

void MainDialog::ShowProfile(std::string_view screenName, std::string_view address)
{
    if (profiles_ == nullptr)
        profiles_ = std::make_unique<ProfileViewer>(this, [this](const std::string& line) {
            if (!shutDown_)  // a fetch that ends after the close has nobody to tell
                PrintLine(ctx_.Out(), line);
        });
    profiles_->Fetch(screenName, address);
}

void MainDialog::NotifyIncomingMessage(std::string_view sender, std::string_view text)
{
    if (notifier_ == nullptr) {
        desktopNotifications_ = std::make_unique<DesktopNotifications>();
        UseNotificationSink(*desktopNotifications_);
    }
    // Counted here; whether the user looks, and what is shown, are decided
    // once per turn of the event loop.
    notifier_->Add(sender, text);
}

void MainDialog::UseNotificationSink(NotificationSink& sink)
{
    notifier_ = std::make_unique<MessageNotifier>(sink);
    // The user is looking at the conversation: the transcript says it all.
    notifier_->looking = [this] { return isVisible() && !isMinimized() && isActiveWindow(); };
    notifier_->unseen = [this] {
        QApplication::alert(this);
        SetNeedsAttention(true);
    };
    sink.clicked = [this](quint32 id) {
        if (notifier_ == nullptr || !notifier_->Owns(id))
            return;
        const std::string sender = notifier_->SenderOf(id);
        if (sender.empty())
            BringToFront();
        else
            OpenConversation(sender);
    };
    sink.closed = [this](quint32 id) {
        if (notifier_ != nullptr)
            notifier_->Forget(id);
    };
}

// What assistive technology calls each control: the visible labels say it
// for most; these have none, or only a mnemonic.
void MainDialog::NameControls()
{
    input_->setAccessibleName(QStringLiteral("Message"));
    input_->setAccessibleDescription(QStringLiteral("Sent to every name selected in the online list"));
    online_->setAccessibleName(QStringLiteral("Online buddies"));
    formatting_->setAccessibleName(QStringLiteral("Formatting"));
    formatting_->setAccessibleDescription(QStringLiteral("$ stands for the text you type"));
    warn_->setAccessibleDescription(QStringLiteral("Warn the selected users"));
    info_->setAccessibleDescription(QStringLiteral("Ask for the selected users' profiles"));
}

void MainDialog::OpenConversation(const std::string& name)
{
    if (!IsValidScreenName(name))
        return;
    if (conversations_ == nullptr)
        conversations_ = std::make_unique<ConversationWindow>(ctx_, [this] { BringToFront(); });
    conversations_->Open(name);
}

void MainDialog::AskForConversation()
{
    bool ok = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("New message"), QStringLiteral("Screen name:"),
                                               QLineEdit::Normal, QString(), &ok);
    if (!ok || name.trimmed().isEmpty())
        return;
    const std::string typed = TypedBytes(name.trimmed());
    if (!CheckRecipient(ctx_.Out(), typed))
        return;
    OpenConversation(typed);
}
