// The pieces of the transcript that need no window: the line forms, the
// time prefix, markup stripping and the log file.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

inline constexpr std::string_view kImSeed = "<HTML><BODY>";
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

// "%s<-%s:  " (incoming) or "%s%s->:  " (outgoing), the stripped text, CR LF.
std::string ComposeImLine(std::string_view prefix, std::string_view screenName, std::string_view strippedText,
                          bool incoming);

// The transcript text: absent until the first line, then grown by lines.
class OutputBuffer {
public:
    bool Exists() const { return exists_; }
    const std::string& Text() const { return text_; }
    std::size_t Length() const { return text_.size(); }
    // The grow step before an addition: an absent transcript starts with the seed.
    void Grow(std::string_view seed);
    void Append(std::string_view line) { text_.append(line); }
    // Empties the text; the transcript still exists.
    void Clear() { text_.clear(); }

private:
    bool exists_ = false;
    std::string text_;
};

// Appends lines to the log file. The file is opened on the first line and
// kept open while the path stays the same, so each line costs one write.
class LogWriter {
public:
    LogWriter() = default;
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;
    ~LogWriter();
    // False when the file cannot be opened (missing folder, a folder's name).
    bool Write(std::string_view path, std::string_view text);
    void Close();

private:
    int fd_ = -1;
    std::string openPath_;
};
