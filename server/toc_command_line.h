// How the TOC server reads a client's TOC command line, as real TOC servers
// do: blank-separated arguments, double-quoted arguments that may hold
// blanks, and a backslash that makes the next character literal.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tocserver {

// The command text of a DATA payload: everything before the first NUL.
std::string CommandText(std::string_view payload);

// Splits a command line into its words, unescaped. Quotes group and are
// removed; `""` is an empty argument; a quote left open runs to the end of the
// line; a lone backslash at the very end stays as it is.
std::vector<std::string> SplitArguments(std::string_view line);

// Blanks removed, A to Z lowered; every other byte kept.
std::string NormalizeScreenName(std::string_view name);
// The value of one hexadecimal digit, or -1.
int HexValue(char c);

// "0x" and two hex digits per byte, each byte XOR "Tic/Toc" at position i mod 7.
std::string RoastPassword(std::string_view password);
// The inverse; nothing for a text without the "0x" prefix, with an odd number
// of digits or with a character that is not a hex digit.
std::optional<std::string> UnroastPassword(std::string_view roasted);

}  // namespace tocserver
