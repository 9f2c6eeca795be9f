// The main window: the output pane, the online list, the input line, the
// Formatting box, five buttons and the File menu, over the client logic.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "box_presenter.h"
#include "client_window.h"
#include "message_notifier.h"
#include "modal_close_guard.h"
#include "profile_viewer.h"

class EventSounds;
class OnlineListModel;
class OnlineViewSwitch;
class QListView;
class QMenuBar;
class QLineEdit;
class QPushButton;
class QSystemTrayIcon;
struct ClientContext;
class TranscriptPane;
class ConversationWindow;
class FindBar;

class MainDialog final : public QDialog, public ClientWindow {
public:
    explicit MainDialog(ClientContext& ctx, QWidget* parent = nullptr);
    ~MainDialog() override;

    // Adds the tray icon and starts the client (settings, library, modules).
    void Initialize(const char* libraryName = nullptr);
    // The orderly close shared by the close box, the Exit button and File, Exit.
    void Shutdown();
    bool IsShutDown() const { return shutDown_; }
    // A termination signal's close: the same shutdown, but nobody is at the
    // screen to answer a message box, so save failures go to standard error only.
    void CloseForSignal();

    // The tray icon's click: hide the window, or show it again.
    void ToggleHidden();
    bool HasTrayIcon() const { return tray_ != nullptr; }
    // Shown, in front and active: a click on a notification, or a second
    // start of the program on this profile.
    void BringToFront();
    // Messages came while the user was elsewhere and the window has not been
    // active since: the tray icon carries a mark.
    bool NeedsAttention() const { return needsAttention_; }

    // The conversation with this screen name, opened or brought forward.
    void OpenConversation(const std::string& name);
    // File, New message...: asks for a name and opens its conversation.
    void AskForConversation();
    ConversationWindow* Conversations() const { return conversations_.get(); }
    FindBar* OutputFind() const { return find_; }

    // ClientWindow
    void ShowOutputText(const std::string& text) override;
    void OutputTextAppended(std::string_view line) override;
    void ScrollOutputToEnd() override;
    std::vector<int> SelectedOnlineRows() const override;
    std::string InputText() const override;
    void SetInputText(std::string_view text) override;
    std::string FormattingText() const override;
    void SetFormattingText(std::string_view text) override;
    void ShowConnectionState(ConnectionState state) override;
    void* OwnerHandle() override { return static_cast<QWidget*>(this); }
    void RequestPump(int delayMs) override;
    void NotifyIncomingMessage(std::string_view sender, std::string_view text) override;
    // A box with the reason, and a button that opens the configuration.
    void OfferUserConfig(std::string_view reason) override;
    void ShowProfile(std::string_view screenName, std::string_view address) override;
    void CueSound(SoundEvent event) override;
    // Tests put a recorder in place of the desktop's notification service.
    void UseNotificationSink(NotificationSink& sink);
    // Who answers the window's own boxes: the one that lists unsaved
    // settings and the configuration offer (ModalBoxPresenter until told
    // otherwise).
    void UseBoxPresenter(BoxPresenter& presenter) { boxes_ = &presenter; }

    // Settings dialogs, opened from the File menu.
    void OpenUserConfig();
    void OpenBuddyEditor();
    void OpenSoundSettings();
    // Connect and Escape: connects, or opens the configuration dialog when
    // the screen name or password is still missing.
    void Connect();

protected:
    void reject() override;  // Escape connects; it never closes the window
    void accept() override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The window's controls: the menu, the widgets, their layout and tab
    // order, then what each control does.
    void BuildControls();
    QMenuBar* BuildMenu();
    void CreateControls();
    void LayOutControls(QMenuBar* menuBar);
    void ConnectControls();
    void NameControls();
    void ShowSaveFailures();
    void SetNeedsAttention(bool on);
    void Attended();

    ClientContext& ctx_;
    TranscriptPane* output_ = nullptr;
    QListView* online_ = nullptr;
    OnlineListModel* onlineModel_ = nullptr;
    OnlineViewSwitch* viewSwitch_ = nullptr;  // flat or grouped, offline buddies or not
    QLineEdit* input_ = nullptr;
    QLineEdit* formatting_ = nullptr;
    QPushButton* warn_ = nullptr;
    QPushButton* info_ = nullptr;
    QPushButton* send_ = nullptr;
    QPushButton* connect_ = nullptr;
    QPushButton* disconnect_ = nullptr;
    QPushButton* exit_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    BoxPresenter* boxes_ = &ModalBoxPresenter();
    bool hidden_ = false;
    bool needsAttention_ = false;
    bool shutDown_ = false;
    bool closingForSignal_ = false;
    bool configOffered_ = false;  // the configuration offer is waiting or open
    // Made on the first message that needs one, so start-up never waits for the bus.
    std::unique_ptr<DesktopNotifications> desktopNotifications_;
    std::unique_ptr<MessageNotifier> notifier_;
    QTimer pump_;
    std::unique_ptr<ProfileViewer> profiles_;  // made on the first Info answer
    SoundGate soundGate_;
    QElapsedTimer soundClock_;  // started with the window
    std::unique_ptr<EventSounds> sounds_;  // made on the first sound
    std::unique_ptr<ConversationWindow> conversations_;  // made on the first one opened
    FindBar* find_ = nullptr;
    // A close requested while a modal box is open waits for the box's loop.
    ModalCloseGuard closeGuard_{[this] { close(); }};
};
