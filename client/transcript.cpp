#include "transcript.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include <utility>

#include "path_in_folder.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kStatusLabel = "STATUS MESSAGE: ";
// The prefix, arrow and name of a message line share one working text of this room.
constexpr std::size_t kMaxImHead = 4095;

bool IsBreakTag(std::string_view tag)
{
    return tag.size() == 2 && (tag[0] == 'B' || tag[0] == 'b') && (tag[1] == 'R' || tag[1] == 'r');
}

// What follows a "<" in a tag: a name, an end tag, a comment or a
// declaration. "5 < 6", "<3" and "<>" are text.
bool OpensTag(std::string_view after)
{
    if (after.empty())
        return false;
    const unsigned char c = static_cast<unsigned char>(after[0]);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' || c == '!' || c == '?';
}

// Out of line on purpose: with a piece's bound in sight (a cut to its
// room) the compiler copies it inline with "rep movs", whose start-up costs
// more than a whole short piece through memcpy, once per line.
[[gnu::noinline]] void AppendPiece(std::string& out, std::string_view piece)
{
    out.append(piece);
}

void AppendCut(std::string& out, std::string_view text, std::size_t limit)
{
    if (out.size() >= limit)
        return;
    AppendPiece(out, text.substr(0, limit - out.size()));
}

}  // namespace

std::string TimestampPrefix(bool enabled, std::time_t now)
{
    if (!enabled)
        return {};
    // Lines come in bursts within one second: each second is formatted once.
    static bool cached = false;
    static std::time_t cachedTime = 0;
    static char cachedText[64];
    if (cached && now == cachedTime)
        return cachedText;
    std::tm parts{};
    if (gmtime_r(&now, &parts) == nullptr)
        return {};
    std::snprintf(cachedText, sizeof cachedText, "[%02d:%02d:%02d] ", parts.tm_hour, parts.tm_min, parts.tm_sec);
    cached = true;
    cachedTime = now;
    return cachedText;
}

std::string StripMarkup(std::string_view text)
{
    std::string out;
    std::size_t i = 0;
    // Each character is looked at a bounded number of times, so ten thousand
    // nested or unclosed tags cost no more than plain text of the same length.
    while (i < text.size() && out.size() < kMaxStrippedText) {
        const std::size_t open = std::min(text.find('<', i), text.size());
        if (open != i || !OpensTag(text.substr(i + 1))) {
            // The plain run up to the next "<" that may open a tag, copied at
            // once within the room left; a "<" that opens none is text.
            const std::size_t end = open == i ? std::min(text.find('<', i + 1), text.size()) : open;
            const std::size_t run = std::min(end - i, kMaxStrippedText - out.size());
            AppendPiece(out, text.substr(i, run));
            i += run;
            continue;
        }
        const std::size_t close = text.find('>', i + 1);
        if (close == std::string_view::npos) {
            // Nothing closes it: "x <b" is text, and so is all that follows
            // (no later "<" can be closed either).
            AppendPiece(out, text.substr(i, kMaxStrippedText - out.size()));
            break;
        }
        if (IsBreakTag(text.substr(i + 1, close - i - 1)))
            out.push_back(' ');
        i = close + 1;
    }
    return out;
}

std::string ComposePrintLine(std::string_view prefix, std::string_view text, bool isStatus)
{
    const std::size_t room = kMaxComposedLine - kLineEnd.size();
    std::string line;
    if (isStatus) {
        AppendCut(line, prefix, room);
        AppendCut(line, kStatusLabel, room);
    }
    AppendCut(line, text, room);
    line.append(kLineEnd);
    return line;
}

void AppendImLine(std::string& line, std::string_view prefix, std::string_view screenName,
                  std::string_view strippedText, bool incoming)
{
    // An over-long name is cut rather than the ":  " that ends the head.
    constexpr std::string_view kEnd = ":  ";
    const std::size_t fixed = prefix.size() + 2 + kEnd.size();
    const std::size_t nameRoom = fixed < kMaxImHead ? kMaxImHead - fixed : 0;
    screenName = screenName.substr(0, nameRoom);
    strippedText = strippedText.substr(0, kMaxStrippedText);

    line.reserve(line.size() + fixed + screenName.size() + strippedText.size() + kLineEnd.size());
    line.append(prefix);
    if (incoming) {
        line.append("<-");
        AppendPiece(line, screenName);
    } else {
        AppendPiece(line, screenName);
        line.append("->");
    }
    line.append(kEnd);
    AppendPiece(line, strippedText);
    line.append(kLineEnd);
}

void OutputBuffer::StartIfAbsent(std::string_view seed)
{
    if (exists_)
        return;
    exists_ = true;
    texts_[current_].assign(seed);
}

void OutputBuffer::Append(std::string_view line)
{
    // Once past a small size the room grows by one large chunk: grown by
    // doubling, a burst of lines would copy the text (into pages faulted
    // in afresh) again and again. Room not yet written costs no memory;
    // past the chunk the text doubles as before. A text kept small by
    // auto-clear never takes the chunk.
    constexpr std::size_t kSmallRoom = 64u << 10;
    constexpr std::size_t kChunk = 16u << 20;
    std::string& text = texts_[current_];
    if (text.capacity() - text.size() < line.size() && text.size() >= kSmallRoom && text.capacity() < kChunk)
        text.reserve(kChunk);
    text.append(line);
    if (text.capacity() >= kChunk)
        pagesAhead_[current_].Written(text.data(), text.size(), text.capacity());
}

void OutputBuffer::EmptyKeepingOldText()
{
    current_ ^= 1;
    texts_[current_].clear();
}

void OutputBuffer::DropOldText()
{
    std::string().swap(texts_[current_ ^ 1]);  // frees its memory
}

namespace {

// More than this waiting is written at once, so one long turn cannot hold
// an unbounded amount back.
constexpr std::size_t kMaxQueuedBytes = 4u << 20;

}  // namespace

LogWriter::~LogWriter()
{
    Close();
}

void LogWriter::Close()
{
    Flush();
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    openPath_.clear();
}

bool LogWriter::Queue(std::string_view path, std::string_view text, std::string_view folder)
{
    if (fd_ < 0 || path != openPath_) {
        Close();
        const std::string pathText(path);
        const std::string file = PathInFolder(folder, path);
        // O_NONBLOCK: a FIFO under the log's name fails at once instead of
        // waiting for a reader; regular files are unaffected.
        fd_ = open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
        if (fd_ < 0)
            return false;
        openPath_ = pathText;
    }
    queued_.append(text);
    if (queued_.size() >= kMaxQueuedBytes)
        Flush();
    return true;
}

bool LogWriter::Write(std::string_view path, std::string_view text, std::string_view folder)
{
    if (!Queue(path, text, folder))
        return false;
    Flush();
    return true;
}

int LogWriter::TakeFailure()
{
    return std::exchange(unreportedError_, 0);
}

void LogWriter::Flush()
{
    std::string_view text = queued_;
    while (fd_ >= 0 && !text.empty()) {
        const ssize_t n = write(fd_, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (!failing_)
                unreportedError_ = n < 0 ? errno : EIO;
            failing_ = true;
            break;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
        if (text.empty())
            failing_ = false;
    }
    queued_.clear();
    if (queued_.capacity() > kMaxQueuedBytes)
        std::string().swap(queued_);
}
