// Names that come from outside the program (file names, what a module says
// about itself, names and texts a server sends) are shown inside the
// program's own lines. A line break or another control character in such a
// name would start a line of its own that looks like one of the program's,
// so every byte of a control character is shown as "\xNN" instead: the
// bytes 0x00-0x1F and 0x7F, and the UTF-8 forms of the Unicode line breaks
// U+0085, U+2028 and U+2029 (which the output pane would break the line
// at). Everything else, high bytes included, stays as it is.
#pragma once

#include <string>
#include <string_view>

// True when VisibleText would give the text back unchanged (most names):
// it holds no control byte and no byte that may start a line break.
inline bool IsVisibleAsIs(std::string_view text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || byte == 0xC2 || byte == 0xE2)
            return false;
    }
    return true;
}

inline std::string VisibleText(std::string_view text)
{
    if (IsVisibleAsIs(text))
        return std::string(text);

    constexpr char kHex[] = "0123456789abcdef";
    const auto escape = [&](std::string& out, std::string_view bytes) {
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F) {
            escape(out, text.substr(i, 1));
        } else if (text.substr(i, 2) == "\xC2\x85") {
            escape(out, text.substr(i, 2));
            ++i;
        } else if (text.substr(i, 3) == "\xE2\x80\xA8" || text.substr(i, 3) == "\xE2\x80\xA9") {
            escape(out, text.substr(i, 3));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}
