// The canonical form of a screen name: every blank (0x20) removed and the
// letters A-Z lowered; every other byte, other white space included, stays.
// Two names are the same name when their normalised forms are equal, and
// every name sent to the server is sent normalised.
#pragma once

#include <string>
#include <string_view>

std::string NormalizeName(std::string_view name);

// A text that can be a screen name: at least one character that is not a
// blank, and nothing but ASCII letters, digits, blanks and "@._-". Anything
// else (quotes, backslashes, braces, control or high bytes) could change the
// meaning of the command the name is put into, so it is never sent.
bool IsValidScreenName(std::string_view name);

// Whether two texts are equal with the letters A-Z taken as a-z (how slash
// command words and module file names are matched).
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
