// Every instant message the client sends passes one operation.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "printer.h"

struct ModuleState;
struct SessionState;


// What a line break (LF) of a message becomes on the wire.
inline constexpr std::string_view kLineBreakTag = "<BR>";

// Escapes free text for a double-quoted TOC argument: cut to kMaxTocText, a
// backslash before '"', '\\', '{' and '}', each LF becomes "<BR>". The
// result can be four times as long as the cut text.
std::string EscapeTocText(std::string_view text);

// The wire length of a text once escaped for a quoted argument.
std::size_t QuotedWireLength(std::string_view text);
// What is left of the line limit (kMaxTocText) for the quoted text of a
// command around which `head` and `tail` (quotes included) are sent; 0 when
// they fill it already.
std::size_t QuotedRoom(std::string_view head, std::string_view tail);

// A text escaped for a quoted argument and cut, between two whole characters
// (an escape and a UTF-8 sequence are never split), so that its wire length
// is at most `room`. `taken` is how many bytes of the text went in.
struct QuotedText {
    std::string escaped;
    std::size_t taken = 0;
};
QuotedText EscapeTocTextWithin(std::string_view text, std::size_t room);
// The characters of a text as the user sees them: UTF-8 sequences count once.
std::size_t CharacterCount(std::string_view text);
// `at`, or the start of the UTF-8 sequence that `at` lies inside.
std::size_t CharacterBoundary(std::string_view text, std::size_t at);

// The text goes out cut to what fits one command line (closing quote and
// " auto" included); the echo shows the part that was sent.
void SendInstantMessage(const Printer& out, SessionState& session, ModuleState& modules, std::string_view recipient, std::string_view text, bool automatic);
// Says how many more automatic replies were refused since the first one was
// reported; the pacer calls it when its waiting line empties.
void ReportRefusedReplies(const Printer& out, SessionState& session);
// The command head of a message to `recipient`, up to its opening quote,
// and the tail from the closing quote.
std::string SendImHead(std::string_view recipient);
std::string_view SendImTail(bool automatic);

// A name from the server or a module goes into a command only when it is a
// screen name; otherwise a status line says so and the caller sends nothing.
bool CheckRecipient(const Printer& out, std::string_view name);
