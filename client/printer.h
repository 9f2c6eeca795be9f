// The printer of lines: what an operation needs to show a line (the
// transcript with its records and log, the user's output settings, the
// profile folder a relative log path lies in, and the window of the moment). A small handle, made by the client (ClientContext::
// Out) and passed by reference or kept by value; it owns nothing.
#pragma once

#include <string>

#include "client_window.h"

struct TranscriptState;
struct UserInfo;

class Printer {
public:
    Printer(TranscriptState& transcript, UserInfo& outputSettings, const std::string& logFolder,
            const WindowSlot& window)
        : transcript_(&transcript), outputSettings_(&outputSettings), logFolder_(&logFolder), window_(&window)
    {
    }

    TranscriptState& Transcript() const { return *transcript_; }
    // The time prefix, the log path and the log switch, which the output
    // path turns off when the log cannot be opened.
    UserInfo& OutputSettings() const { return *outputSettings_; }
    // The folder a relative log path lies in (the profile's).
    const std::string& LogFolder() const { return *logFolder_; }
    ClientWindow& Window() const { return window_->Get(); }

private:
    TranscriptState* transcript_;
    UserInfo* outputSettings_;
    const std::string* logFolder_;
    const WindowSlot* window_;
};
