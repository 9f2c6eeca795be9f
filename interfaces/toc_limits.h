// Limits of the TOC wire shared by the client and the protocol library.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

// The longest text of one TOC command line, and of one argument text received:
// a TOC server reads a line into a 2048-byte buffer that keeps its terminator.
// The library cuts what it sends and hands on here; the client cuts each text
// it puts into a command (a typed line, a message, an away text, a
// configuration or registration batch) and each sender it shows to the same
// length, so nothing is cut later in a place the user does not see.
inline constexpr std::size_t kMaxTocText = 2047;

// The bytes the protocol library puts a backslash before when it sends a
// command line, and a line's length once it has.
inline constexpr bool IsTocSpecial(char c)
{
    return c == '$' || c == '(' || c == ')' || c == '[' || c == ']';
}
inline std::size_t TocWireLength(std::string_view line)
{
    return line.size() + static_cast<std::size_t>(std::count_if(line.begin(), line.end(), IsTocSpecial));
}

// The room a caller gives TOC_Send for a text it passes with length -1, which
// the library cuts and escapes in place: twice kMaxTocText and the terminator.
inline constexpr std::size_t kTocSendBufferSize = 4096;
static_assert(2 * kMaxTocText + 1 <= kTocSendBufferSize);

// How long the protocol library waits, from the TCP connect to SIGN_ON,
// before it gives the attempt up. The client uses the same figure to tell a
// server that never answered from one that refused or closed at once. A host
// may give both a shorter limit (TOC_SetSignonTimeLimit in tocwire.h).
inline constexpr int kSignonTimeLimitMs = 30000;
