// Text rules of the TOC wire: the library's escaping of every command line it
// sends, the split of a received payload into command name and arguments, and
// password roasting.
#pragma once
#include "toc_limits.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tocwire {

// A command line is cut to kMaxTocText before escaping, a received argument
// text to kMaxTocText (toc_limits.h).
inline constexpr std::size_t kMaxCommandName = 1023;   // received command names are cut here
inline constexpr std::size_t kMaxRoastedPassword = 510;  // "0x" + 2 digits each + NUL fit 1024 bytes
inline constexpr std::string_view kRoastKey = "Tic/Toc";

// Cuts the text to kMaxTocText characters and puts a backslash before each
// '$', '(', ')', '[' and ']'. The result is at most 4094 characters.
std::string EscapeSpecials(std::string_view text);

// The same, rewriting a NUL-terminated caller buffer in place (the caller
// provides room for the escaped text). Returns the new length.
std::size_t EscapeSpecialsInPlace(char* text);

struct TocMessage {
    std::string command;
    std::string arguments;
};

// The command name is the payload up to the first ':' (or NUL, or the end);
// the arguments are what follows that ':' up to the first NUL or the end.
// Both are cut to their room.
TocMessage SplitPayload(std::string_view payload);

// The same two texts, each ended by a NUL (as callbacks hand them on).
struct TocMessageText {
    std::string_view command;
    std::string_view arguments;
};

// The same split without a copy, over a payload the caller may write to:
// each text is ended by a NUL found in the payload or written over the
// colon or over the first byte past a cut. False when a text runs to the
// payload's end with no NUL after it (a server that ends frames without
// one); the payload is left as it was, and the caller copies instead.
bool SplitPayloadInPlace(char* payload, std::size_t size, TocMessageText& out);

// "0x" and two lower-case hex digits per byte of the password XORed with the
// roasting key. Passwords longer than kMaxRoastedPassword are cut there.
std::string RoastPassword(std::string_view password);

}  // namespace tocwire
