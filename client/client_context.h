// One client: the composition of its parts, each kept by its own code. One
// per process in the program; every test makes a fresh one.
#pragma once

#include "away_state.h"
#include "client_callbacks.h"
#include "client_version.h"
#include "client_window.h"
#include "config_sync.h"
#include "idle_report.h"
#include "input_history.h"
#include "module_state.h"
#include "online_list.h"
#include "outgoing.h"
#include "printer.h"
#include "session_state.h"
#include "settings_state.h"
#include "transcript_state.h"

struct ClientContext {
private:
    // First, so the window outlives every part that may print.
    WindowSlot window_;

public:
    ClientContext()
    {
        session.callbacks = &callbacks;
        session.pacer.SetOnEmptied([this] { ReportRefusedReplies(Out(), session); });
    }
    ClientContext(const ClientContext&) = delete;
    ClientContext& operator=(const ClientContext&) = delete;

    // The window the client shows itself in; the null window until one is
    // attached, and again after it is detached.
    ClientWindow& Window() const { return window_.Get(); }
    void AttachWindow(ClientWindow& window) { window_.Attach(window); }
    // Only the attached window detaches itself.
    void DetachWindow(const ClientWindow& window) { window_.Detach(window); }
    // The printer of lines, for operations that show what they do.
    Printer Out() { return Printer(transcript, settings.userInfo, settings.profile.folder, window_); }

    SettingsState settings;
    TranscriptState transcript;
    OnlineList online;  // the window shows it
    SessionState session;
    ClientCallbacks callbacks{*this};  // the protocol library's calls into the client
    InputHistory history;
    AwayState away;
    IdleReport idle;  // the user's own idle time, as told to the server
    ConfigSync config;  // the account's stored configuration and the user's groups
    ModuleState modules{*this};
};
