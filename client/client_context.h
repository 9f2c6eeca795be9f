// One client: the composition of its parts, each kept by its own code. One
// per process in the program; every test makes a fresh one.
#pragma once

#include "away_state.h"
#include "client_callbacks.h"
#include "client_window.h"
#include "input_history.h"
#include "module_state.h"
#include "online_list.h"
#include "session_state.h"
#include "settings_state.h"
#include "transcript_state.h"

inline constexpr const char* kClientVersion = "zorvane";

struct ClientContext;
void ReportRefusedReplies(ClientContext& ctx);  // outgoing.h

struct ClientContext {
private:
    // First, so the window outlives every part that may print.
    NullWindow noWindow_;
    ClientWindow* window_ = &noWindow_;

public:
    ClientContext() { session.pacer.SetOnEmptied([this] { ReportRefusedReplies(*this); }); }
    ClientContext(const ClientContext&) = delete;
    ClientContext& operator=(const ClientContext&) = delete;

    // The window the client shows itself in; the null window until one is
    // attached, and again after it is detached.
    ClientWindow& Window() const { return *window_; }
    void AttachWindow(ClientWindow& window) { window_ = &window; }
    // Only the attached window detaches itself.
    void DetachWindow(const ClientWindow& window)
    {
        if (window_ == &window)
            window_ = &noWindow_;
    }

    SettingsState settings;
    TranscriptState transcript{settings.profile.folder};
    OnlineList online;  // the window shows it
    SessionState session;
    ClientCallbacks callbacks{*this};  // the protocol library's calls into the client
    InputHistory history;
    AwayState away;
    ModuleState modules{*this};
};
