// Limits of the TOC wire shared by the client and the protocol library.
#pragma once

#include <cstddef>
#include <cstdlib>

// The longest text of one TOC command line, and of one argument text received:
// a TOC server reads a line into a 2048-byte buffer that keeps its terminator.
// The library cuts what it sends and hands on here; the client cuts each text
// it puts into a command (a typed line, a message, an away text, a
// configuration or registration batch) and each sender it shows to the same
// length, so nothing is cut later in a place the user does not see.
inline constexpr std::size_t kMaxTocText = 2047;

// How long the protocol library waits, from the TCP connect to SIGN_ON,
// before it gives the attempt up. The client uses the same figure to tell a
// server that never answered from one that refused or closed at once.
inline constexpr int kSignonTimeLimitMs = 30000;

// The limit in force: TOCWIRE_SIGNON_TIMEOUT_MS (milliseconds, for tests)
// may shorten it; anything but a positive number keeps the default.
inline int SignonTimeLimitMs()
{
    const char* text = std::getenv("TOCWIRE_SIGNON_TIMEOUT_MS");
    if (text == nullptr)
        return kSignonTimeLimitMs;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value <= 0 || value > kSignonTimeLimitMs)
        return kSignonTimeLimitMs;
    return static_cast<int>(value);
}
