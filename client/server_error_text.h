// What the status line says for a server ERROR.
#pragma once

#include <string>
#include <string_view>

// The text for an ERROR's argument ("901:bob" and so on).
std::string_view ErrorCodeText(std::string_view argument);

// The ERROR's number: the text before the first colon read as a decimal
// number; 0 when it is none.
long ErrorCode(std::string_view argument);

// Why the server refused a sign-on, in the words of the TOC protocol
// ("Incorrect nickname or password." for ERROR:980 ...); "" for a code that
// is not a sign-on error.
std::string SignonErrorText(std::string_view argument);

inline constexpr long kIncorrectPassword = 980;
// Refusals that trying again cannot mend (the password, the warning level)
// or makes worse (connecting too often).
bool RetryingCannotMend(long code);
