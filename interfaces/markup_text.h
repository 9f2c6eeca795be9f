// Instant messages arrive as HTML ("<FONT COLOR=...>hi &amp; bye</FONT>").
// MarkupToText gives the text a reader sees: tags removed, <br> and </p> as
// line ends, the common named entities and numeric ones (&#233;, &#x263A;,
// written as UTF-8) decoded; an unknown or unfinished entity stays as
// written. Header-only, part of the module SDK.
#pragma once

#include <string>
#include <string_view>

namespace quenlo_markup_detail {

inline bool IEquals(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

inline void AppendUtf8(std::string& out, unsigned long code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// The entity's text between '&' and ';'; false when it is not one we know.
inline bool DecodeEntity(std::string_view name, std::string& out)
{
    static constexpr std::pair<std::string_view, std::string_view> kNamed[] = {
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", "\xC2\xA0"},
    };
    for (const auto& [entity, text] : kNamed) {
        if (name == entity) {
            out.append(text);
            return true;
        }
    }
    if (name.size() < 2 || name[0] != '#')
        return false;
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8)
        return false;
    unsigned long code = 0;
    for (const char c : digits) {
        int value = -1;
        if (c >= '0' && c <= '9') value = c - '0';
        else if (hex && c >= 'a' && c <= 'f') value = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') value = c - 'A' + 10;
        if (value < 0)
            return false;
        code = code * (hex ? 16 : 10) + static_cast<unsigned long>(value);
    }
    AppendUtf8(out, code);
    return true;
}

}  // namespace quenlo_markup_detail

inline std::string MarkupToText(std::string_view html)
{
    using namespace quenlo_markup_detail;
    std::string out;
    out.reserve(html.size());
    std::size_t i = 0;
    while (i < html.size()) {
        const char c = html[i];
        if (c == '<') {
            const std::size_t end = html.find('>', i + 1);
            if (end == std::string_view::npos) {
                out.append(html.substr(i));  // not a tag: "a < b"
                break;
            }
            std::string_view tag = html.substr(i + 1, end - i - 1);
            const std::size_t nameEnd = tag.find_first_of(" \t\r\n/>", tag.starts_with('/') ? 1 : 0);
            const std::string_view name = tag.substr(0, nameEnd);
            if (IEquals(name, "br") || IEquals(name, "/p"))
                out.push_back('\n');
            i = end + 1;
            continue;
        }
        if (c == '&') {
            const std::size_t end = html.find(';', i + 1);
            if (end != std::string_view::npos && end - i <= 10 && DecodeEntity(html.substr(i + 1, end - i - 1), out)) {
                i = end + 1;
                continue;
            }
        }
        out.push_back(c);
        ++i;
    }
    return out;
}
