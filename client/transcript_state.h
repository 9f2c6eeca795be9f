// The transcript as the output path keeps it (output.h): its text, the
// auto-clear size, what the pane still has to be told, the log file and
// the clock of the time prefixes.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "message_text.h"
#include "transcript.h"
#include "transcript_lines.h"

struct TranscriptState {
    OutputBuffer output;
    TranscriptLines lines;  // what each line of the text is
    std::int32_t autoClearSize = 0;  // compared as an unsigned count; 0 = off
    bool scrollPending = false;
    bool paneStale = false;  // the pane shows text the transcript no longer has
    bool firstRefreshPending = false;
    LogWriter log;
    // Room kept from line to line: for composing a line, and for the two
    // forms of a message's text.
    std::string spareLine;
    MessageText spareMessage;
    std::function<std::time_t()> clock = [] { return std::time(nullptr); };
};
