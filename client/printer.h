// The printer of lines: what an operation needs to show a line (the
// transcript with its records and log, the user's output settings and the
// window of the moment). A small handle, made by the client (ClientContext::
// Out) and passed by reference or kept by value; it owns nothing.
#pragma once

#include "client_window.h"

struct TranscriptState;
struct UserInfo;

class Printer {
public:
    Printer(TranscriptState& transcript, UserInfo& outputSettings, const WindowSlot& window)
        : transcript_(&transcript), outputSettings_(&outputSettings), window_(&window)
    {
    }

    TranscriptState& Transcript() const { return *transcript_; }
    // The time prefix, the log path and the log switch, which the output
    // path turns off when the log cannot be opened.
    UserInfo& OutputSettings() const { return *outputSettings_; }
    ClientWindow& Window() const { return window_->Get(); }

private:
    TranscriptState* transcript_;
    UserInfo* outputSettings_;
    const WindowSlot* window_;
};
