// All of one client's state: settings, buddy list, transcript, connection,
// history and away state. One per process in the program; every test makes
// a fresh one.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "answer_watch.h"
#include "client_callbacks.h"
#include "client_window.h"
#include "file_ops.h"
#include "host_services.h"
#include "input_history.h"
#include "online_list.h"
#include "profile.h"
#include "protocol_binding.h"
#include "reconnect.h"
#include "send_command.h"
#include "send_pacer.h"
#include "settings_store.h"
#include "toc_limits.h"
#include "transcript.h"
#include "user_info.h"
#include "user_module_host.h"

inline constexpr const char* kClientVersion = "zorvane";

struct ClientContext {
    ClientContext() = default;
    ClientContext(const ClientContext&) = delete;
    ClientContext& operator=(const ClientContext&) = delete;

    // Where the settings, the log and the "modules" folder are.
    Profile profile;
    UserInfo userInfo{};
    std::string buddyList;
    // Why a settings file that is there could not be read at start, or empty.
    // Such a file is never written in this run (settings_store.h).
    std::string userInfoUnreadable;
    std::string buddyListUnreadable;
    // What the close could not save, for the window to show.
    std::vector<SaveFailure> saveFailures;
    // What the settings files and /savebuffer are read and written through.
    FileOps* files = &SystemFileOps();
    bool modulesShuttingDown = false;  // a module's "Could not save ..." joins saveFailures

    // Transcript and log
    OutputBuffer output;
    std::int32_t autoClearSize = 0;  // compared as an unsigned count; 0 = off
    bool scrollPending = false;
    bool paneStale = false;          // the pane shows text the transcript no longer has
    bool firstRefreshPending = false;
    LogWriter log{profile.folder};  // a relative log path lies in the profile folder
    std::function<std::time_t()> clock = [] { return std::time(nullptr); };

    ClientWindow* window = nullptr;
    // The online list; the window shows it.
    OnlineList online;

    // Connection
    ProtocolApi api;
    ClientCallbacks callbacks{*this};
    int connectionStatus = 0;  // STATUS_OFFLINE
    bool protocolInitialised = false;
    int pendingProfileRequests = 0;
    bool shutDown = false;  // after ShutdownClient no delayed reconnect may run
    Reconnect reconnect;
    AnswerWatch answerWatch;  // says so when a server never answers
    // From the TCP connect to SIGN_ON; handed to the library at each TOC_Init.
    int signonTimeLimitMs = kSignonTimeLimitMs;
    // What the client sends on its own is paced (send_command.h).
    int automaticSends = 0;   // open AutomaticSends scopes
    bool signingOn = false;   // the modules' OnConnect is running
    SendPacer pacer{[this](const std::string& command) { return SendCommandNow(*this, command); }};

    // Input line
    InputHistory history;
    std::string awayText;
    bool awayFlag = false;

    // User modules, and the services the client offers them.
    UserModuleHost modules;
    ClientHostServices hostServices{*this};
    ClientExtendedHostServices extendedHostServices{*this};
    std::string installedModuleFolder;  // searched after the profile's "modules"; empty: none
};
