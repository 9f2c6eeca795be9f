// The client's one output path: every status, plain and message line goes
// through here into the transcript, the output pane and the log.
#pragma once

#include <string_view>

#include "printer.h"

struct MessageText;

void PrintLine(const Printer& out, std::string_view text, bool isStatus = true);
// A line a user module printed: the same text as PrintLine's, of its own kind.
void PrintModuleLine(const Printer& out, std::string_view text, bool isStatus);
// The caller starts the transcript with the message seed first (StartTranscriptForIm).
// `peer` is the other person's name when screenName is not just that (an
// automatic reply's "NAME AUTORESPONSE").
void PrintImLine(const Printer& out, std::string_view screenName, std::string_view text, bool incoming,
                 std::string_view peer = {}, bool automatic = false);
// The same, with both forms of the text already made (SplitMessageMarkup).
void PrintShownImLine(const Printer& out, std::string_view screenName, const MessageText& message, bool incoming,
                      std::string_view peer = {}, bool automatic = false);
void StartTranscriptForIm(const Printer& out);
// Gives the pane the whole transcript (it reads the text where it lies).
void RefreshOutputPane(const Printer& out);
// The "clear" command: the transcript, if it exists, and the pane become empty.
void ClearTranscript(const Printer& out);
// Writes the log lines queued during this turn of the event loop; a write
// that fails after good ones is reported with a status line.
void FlushLog(const Printer& out);
