// The main window as the client logic sees it. The Qt dialog implements it;
// tests implement it with a recording fake. The logic never includes a widget
// header: everything it shows or reads passes through here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sound_cues.h"

// What the connection is, as the logic announces it; the window decides what
// each state means for its controls.
// Reconnecting: offline, with automatic tries going on (Disconnect stops them).
enum class ConnectionState { Offline, SigningOn, Online, Reconnecting };

// The online list is not shown through here: the window's view binds the
// list's own model (online_list_model.h).
class ClientWindow {
public:
    // Output pane: plain text, never rendered as markup. The pane shows the
    // text it is given where it lies, without a copy: the caller keeps that
    // string alive, and only appends to it, until the next ShowOutputText;
    // OutputTextAppended tells of each addition (line is what was added).
    virtual void ShowOutputText(const std::string& text) = 0;
    virtual void OutputTextAppended(std::string_view line) = 0;
    virtual void ScrollOutputToEnd() = 0;

    // The online list's selected rows, ascending; several may be selected.
    // The selection stays on its names as rows come and go.
    virtual std::vector<int> SelectedOnlineRows() const = 0;

    virtual std::string InputText() const = 0;
    virtual void SetInputText(std::string_view text) = 0;
    virtual std::string FormattingText() const = 0;
    virtual void SetFormattingText(std::string_view text) = 0;

    // The connection entered this state.
    virtual void ShowConnectionState(ConnectionState state) = 0;
    // The owner of the protocol library's message boxes (a QWidget* in the real window).
    virtual void* OwnerHandle() = 0;
    // Asks for PumpTick to run once, after delayMs milliseconds.
    virtual void RequestPump(int delayMs) = 0;
    // An instant message from someone else has just been shown (text with
    // its markup still in); the window may tell the desktop when the user is
    // not looking at it.
    virtual void NotifyIncomingMessage(std::string_view /*sender*/, std::string_view /*text*/) {}
    // The server refused the sign-on for a reason the user's settings can
    // mend (reason says which): the window may offer its configuration.
    virtual void OfferUserConfig(std::string_view /*reason*/) {}
    // Something happened that may have a sound (never an automatic reply's
    // coming or going): the window plays it if the user's choices, its own
    // activity and the pace of sounds allow (SoundGate).
    virtual void CueSound(SoundEvent /*event*/) {}
    // The server pointed to someone's profile page: the window fetches the
    // address (http or https) and shows the profile, or says why it cannot.
    virtual void ShowProfile(std::string_view /*screenName*/, std::string_view /*address*/) {}
    // False only for the null window: nobody sees the client, no pump ticks
    // come, and the Formatting box is the saved one.
    virtual bool HasScreen() const { return true; }

protected:
    ~ClientWindow() = default;
};

// The window of a client that has none (before the real one exists, after
// it is gone, and in tests that need none): shows nothing, reads empty
// texts and no selection, and owns no message boxes (the protocol library
// and the modules then write their boxes' texts to standard error).
class NullWindow final : public ClientWindow {
public:
    void ShowOutputText(const std::string&) override {}
    void OutputTextAppended(std::string_view) override {}
    void ScrollOutputToEnd() override {}
    std::vector<int> SelectedOnlineRows() const override { return {}; }
    std::string InputText() const override { return {}; }
    void SetInputText(std::string_view) override {}
    std::string FormattingText() const override { return {}; }
    void SetFormattingText(std::string_view) override {}
    void ShowConnectionState(ConnectionState) override {}
    void* OwnerHandle() override { return nullptr; }
    void RequestPump(int) override {}
    bool HasScreen() const override { return false; }
};


// Where the client shows itself: the null window until a window attaches,
// and again once it detaches. Whoever keeps the slot reaches the window of
// the moment, never one that has gone.
class WindowSlot {
public:
    WindowSlot() = default;
    WindowSlot(const WindowSlot&) = delete;
    WindowSlot& operator=(const WindowSlot&) = delete;

    ClientWindow& Get() const { return *current_; }
    void Attach(ClientWindow& window) { current_ = &window; }
    // Only the attached window detaches itself.
    void Detach(const ClientWindow& window)
    {
        if (current_ == &window)
            current_ = &none_;
    }

private:
    NullWindow none_;
    ClientWindow* current_ = &none_;
};
