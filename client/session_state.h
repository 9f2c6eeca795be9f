// The connection to the server: the protocol library's entry points, the
// status it last reported, the reconnect timers, the answer watch, and the
// pace and origin of what is sent. The connection code (connection.h,
// connection_status.h, send_command.h) keeps it. It stands alone: the
// library's calls into the client reach the whole client (ClientCallbacks,
// owned beside it).
#pragma once

#include <string>

#include "answer_watch.h"
#include "protocol_binding.h"
#include "reconnect.h"
#include "send_command.h"
#include "send_pacer.h"
#include "toc_limits.h"
#include "tocwire.h"

struct SessionState {
    SessionState() : pacer([this](const std::string& command) { return SendCommandNow(*this, command); }) {}
    SessionState(const SessionState&) = delete;
    SessionState& operator=(const SessionState&) = delete;

    ProtocolApi api;
    // The client's calls from the library, handed over at each TOC_Init.
    ProtocolCallbacks* callbacks = nullptr;
    int connectionStatus = STATUS_OFFLINE;
    bool protocolInitialised = false;
    int pendingProfileRequests = 0;
    // A toc_get_info went out; the server's GOTO_URL answers it.
    void ProfileRequested() { ++pendingProfileRequests; }
    // Whether a GOTO_URL answers a request of ours, which it then ends.
    bool TakeProfileRequest()
    {
        if (pendingProfileRequests <= 0)
            return false;
        --pendingProfileRequests;
        return true;
    }
    bool clientClosed = false;  // after ShutdownClient no delayed reconnect may run
    Reconnect reconnect;
    AnswerWatch answerWatch;  // says so when a server never answers
    // From the TCP connect to SIGN_ON; handed to the library at each TOC_Init.
    int signonTimeLimitMs = kSignonTimeLimitMs;
    // What the client sends on its own is paced (send_command.h).
    int automaticSends = 0;  // open AutomaticSends scopes
    bool modulesConnecting = false;  // the modules' OnConnect is running
    bool paused = false;     // the server paused the connection and has not signed on again
    bool resumedAfterPause = false;  // the last SIGN_ON ended a pause: the same connection goes on
    int refusedReplies = 0;  // automatic replies refused while the pacer's line was full
    SendPacer pacer;
};
