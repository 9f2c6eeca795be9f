// The pieces of the transcript that need no window: the line forms, the
// time prefix, markup stripping and the log file.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

#include "pages_ahead.h"

inline constexpr std::string_view kImTranscriptStart = "<HTML><BODY>";
inline constexpr std::size_t kMaxComposedLine = 4095;   // a status or plain line, CR LF included
inline constexpr std::size_t kMaxStrippedText = 8191;   // a message after markup stripping

// "[hh:mm:ss] " in UTC, or "" when timestamps are off.
std::string TimestampPrefix(bool enabled, std::time_t now);

// The display form of a message: every tag ("<" and a letter, "/", "!" or
// "?", up to the next ">") left out, "<BR>" (any case) becomes one blank. A
// "<" that opens no tag, or that no ">" follows, is text. Cut to 8191.
std::string StripMarkup(std::string_view text);

// "%sSTATUS MESSAGE: %s\r\n" with the prefix, or "%s\r\n" for a plain line
// (never a prefix). The text is cut so the line, CR LF kept, fits its room.
std::string ComposePrintLine(std::string_view prefix, std::string_view text, bool isStatus);

// "%s<-%s:  " (incoming) or "%s%s->:  " (outgoing), the stripped text, CR LF,
// appended to `line`.
void AppendImLine(std::string& line, std::string_view prefix, std::string_view screenName,
                  std::string_view strippedText, bool incoming);

// The transcript text: absent until the first line, then grown by lines.
// The output pane reads this text where it lies (it keeps no copy), so the
// text an auto-clear empties is kept aside, retired, until the pane has been
// given the new text.
class OutputBuffer {
public:
    bool Exists() const { return exists_; }
    const std::string& Text() const { return texts_[current_]; }
    std::size_t Length() const { return Text().size(); }
    // Before an addition: an absent transcript starts with the seed; one that
    // exists (even emptied) is left as it is.
    void StartIfAbsent(std::string_view seed);
    void Append(std::string_view line);
    // Empties the text (the transcript still exists), keeping the old text
    // readable at the same address until DropOldText.
    void EmptyKeepingOldText();
    void DropOldText();

private:
    PagesAhead pagesAhead_[2];
    bool exists_ = false;
    std::string texts_[2];
    int current_ = 0;
};

// Appends lines to the log file. The file is opened on the first line and
// kept open while the path stays the same; a relative path lies in the
// folder given with it (the working directory when empty). Queued
// lines wait in order for the next Flush (the client flushes once per turn
// of its event loop), so a burst costs one write per turn rather than one
// per line.
class LogWriter {
public:
    LogWriter() = default;
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;
    ~LogWriter();
    // Queues text behind the lines already waiting. The file is opened here,
    // so a path that cannot be opened (missing folder, a folder's name)
    // gives false at once and the text is not kept.
    bool Queue(std::string_view path, std::string_view text, std::string_view folder = {});
    // Writes what is queued. What a write error (a full disk) keeps from
    // the file is dropped here (the transcript still has it); the error is
    // kept for TakeFailure, once until a write succeeds again.
    void Flush();
    // The error (errno) of a write that failed since the last call, when
    // the writes before it had succeeded; 0 otherwise.
    int TakeFailure();
    // Queue and Flush: the text and everything before it reach the file now.
    bool Write(std::string_view path, std::string_view text, std::string_view folder = {});
    // Flushes, then closes the file.
    void Close();

private:
    int fd_ = -1;
    std::string openPath_;
    std::string queued_;
    bool failing_ = false;    // the last write failed
    int unreportedError_ = 0;
};
