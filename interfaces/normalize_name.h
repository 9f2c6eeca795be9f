// The canonical form of a screen name: every blank (0x20) removed and the
// letters A-Z lowered; every other byte, other white space included, stays.
// Two names are the same name when their normalised forms are equal, and
// every name sent to the server is sent normalised.
//
// Header-only (inline), so the client, the protocol library and every user
// module get their own copy and a module built against the installed SDK
// needs no library of the client's. Keep it C++17 and free of other headers
// of this project.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quenlo_detail {

inline char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace quenlo_detail

inline std::string NormalizeName(std::string_view name)
{
    // Written in place, then cut to what was kept: no check per character.
    std::string out(name.size(), '\0');
    std::size_t kept = 0;
    for (char c : name) {
        if (c != ' ')
            out[kept++] = quenlo_detail::LowerAscii(c);
    }
    out.resize(kept);
    return out;
}

// A text that can be a screen name: at least one character that is not a
// blank, and nothing but ASCII letters, digits, blanks and "@._-"; or an SMS
// recipient, a "+" followed by digits (blanks allowed between them). Anything
// else (quotes, backslashes, braces, control or high bytes) could change the
// meaning of the command the name is put into, so it is never sent.
inline bool IsValidScreenName(std::string_view name)
{
    if (!name.empty() && name.front() == '+') {
        bool hasDigit = false;
        for (char c : name.substr(1)) {
            if (!quenlo_detail::IsAsciiDigit(c) && c != ' ')
                return false;
            hasDigit = hasDigit || c != ' ';
        }
        return hasDigit;
    }
    bool hasNonBlank = false;
    for (char c : name) {
        const bool letterOrDigit =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || quenlo_detail::IsAsciiDigit(c);
        if (!letterOrDigit && c != ' ' && c != '@' && c != '.' && c != '_' && c != '-')
            return false;
        hasNonBlank = hasNonBlank || c != ' ';
    }
    return hasNonBlank;
}

// Whether two texts are equal with the letters A-Z taken as a-z (how slash
// command words and module file names are matched).
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (quenlo_detail::LowerAscii(a[i]) != quenlo_detail::LowerAscii(b[i]))
            return false;
    }
    return true;
}
