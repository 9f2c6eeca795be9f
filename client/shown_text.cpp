#include "shown_text.h"

#include "markup_text.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

struct NamedEntity {
    std::string_view name;
    std::string_view utf8;
    char byte;
};
constexpr std::array<NamedEntity, 6> kNamed{{
    {"amp", "&", '&'},
    {"lt", "<", '<'},
    {"gt", ">", '>'},
    {"quot", "\"", '"'},
    {"apos", "'", '\''},
    {"nbsp", "\xC2\xA0", '\xA0'},
}};

void AppendCodePoint(std::string& out, unsigned long code, bool utf8)
{
    if (utf8)
        quenlo_markup_detail::AppendUtf8(out, code);
    else
        out.push_back(static_cast<char>(code));
}

}  // namespace

std::size_t DecodeEntityAt(std::string_view text, std::string& out, bool utf8)
{
    const std::size_t semi = text.substr(0, 12).find(';');
    if (semi == std::string_view::npos || semi < 2)
        return 0;
    const std::string_view body = text.substr(1, semi - 1);
    if (body[0] != '#') {
        for (const NamedEntity& entity : kNamed) {
            if (body == entity.name) {
                if (utf8)
                    out.append(entity.utf8);
                else
                    out.push_back(entity.byte);
                return semi + 1;
            }
        }
        return 0;
    }
    const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 7)
        return 0;
    unsigned long code = 0;
    for (const char c : digits) {
        int value = -1;
        if (c >= '0' && c <= '9')
            value = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            value = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            value = c - 'A' + 10;
        if (value < 0)
            return 0;
        code = code * (hex ? 16 : 10) + static_cast<unsigned long>(value);
    }
    // No NUL, no surrogate halves, nothing past Unicode; one byte where
    // the text is not UTF-8. Line breaks would split the line: left as is.
    if (code == 0 || code == '\r' || code == '\n' || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ||
        (!utf8 && code > 0xFF))
        return 0;
    AppendCodePoint(out, code, utf8);
    return semi + 1;
}

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string DecodeEntities(std::string_view text, bool utf8)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t amp = std::min(text.find('&', i), text.size());
        out.append(text.substr(i, amp - i));
        i = amp;
        if (i == text.size())
            break;
        const std::size_t used = DecodeEntityAt(text.substr(i), out, utf8);
        if (used == 0) {
            out.push_back('&');
            ++i;
        } else {
            i += used;
        }
    }
    return out;
}

std::vector<TextRange> BareLinks(std::string_view text)
{
    std::vector<TextRange> links;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t found = std::min({text.find("http://", i), text.find("https://", i), text.find("www.", i)});
        if (found == std::string_view::npos)
            break;
        // "www." inside a word ("awww.") is no address.
        const bool startsWord = found == 0 || text[found - 1] == ' ' || text[found - 1] == '(' ||
                                text[found - 1] == '<' || text[found - 1] == '"' || text[found - 1] == '\'' ||
                                text[found - 1] == ':';
        std::size_t end = found;
        while (end < text.size() && static_cast<unsigned char>(text[end]) > ' ' && text[end] != '"' &&
               text[end] != '<' && text[end] != '>')
            ++end;
        while (end > found && std::strchr(".,;:!?)'", text[end - 1]) != nullptr)
            --end;
        const std::size_t schemeEnd = text.substr(found, end - found).find("//");
        const std::size_t minimum = schemeEnd != std::string_view::npos ? schemeEnd + 3 : 5;
        if (startsWord && end - found >= minimum)
            links.push_back({found, end - found});
        i = std::max(end, found + 1);
    }
    return links;
}

TextFinder::TextFinder(std::string_view word)
{
    word_.reserve(word.size());
    for (const char c : word)
        word_.push_back(Lower(c));
    // A word is found within a line.
    word_ = word_.substr(0, std::min(word_.find('\r'), word_.find('\n')));
}

bool TextFinder::MatchesAt(const char* at) const
{
    for (std::size_t k = 1; k < word_.size(); ++k) {
        if (Lower(at[k]) != word_[k])
            return false;
    }
    return true;
}

std::size_t TextFinder::CountRaw(std::string_view text) const
{
    if (word_.empty() || text.size() < word_.size())
        return 0;
    // The first character is found by memchr in each of its two cases
    // (fast over megabytes); the rest is compared where it is.
    const char first = word_[0];
    const char upper = first >= 'a' && first <= 'z' ? static_cast<char>(first - 'a' + 'A') : first;
    const char* const begin = text.data();
    const char* const last = begin + (text.size() - word_.size()) + 1;  // past the last start
    auto next = [last](const char* from, char c) -> const char* {
        if (from >= last)
            return last;
        const void* found = std::memchr(from, c, static_cast<std::size_t>(last - from));
        return found != nullptr ? static_cast<const char*>(found) : last;
    };
    const char* a = next(begin, first);
    const char* b = upper != first ? next(begin, upper) : last;
    std::size_t count = 0;
    while (a < last || b < last) {
        const char* at = std::min(a, b);
        if (MatchesAt(at))
            ++count;
        if (at == a)
            a = next(a + 1, first);
        else
            b = next(b + 1, upper);
    }
    return count;
}

std::size_t TextFinder::CountInLine(std::string_view line) const
{
    if (line.find('&') == std::string_view::npos)
        return CountRaw(line);
    return CountRaw(DecodeEntities(line));
}

std::size_t TextFinder::Count(std::string_view text) const
{
    if (word_.empty())
        return 0;
    std::size_t count = CountRaw(text);
    // Lines with entities are counted again as shown: their raw matches out,
    // their decoded ones in.
    std::size_t at = 0;
    while ((at = text.find('&', at)) != std::string_view::npos) {
        const std::size_t begin = text.rfind('\n', at) == std::string_view::npos ? 0 : text.rfind('\n', at) + 1;
        const std::size_t newline = text.find('\n', at);
        const std::size_t end = newline == std::string_view::npos ? text.size() : newline;
        const std::string_view line = text.substr(begin, end - begin);
        count -= CountRaw(line);
        count += CountRaw(DecodeEntities(line));
        at = end;
    }
    return count;
}

std::size_t TextFinder::NextLine(std::string_view text, std::size_t from, bool forward) const
{
    if (word_.empty())
        return std::string_view::npos;
    from = std::min(from, text.size());
    if (forward) {
        std::size_t begin = from;
        while (begin < text.size()) {
            const std::size_t newline = text.find('\n', begin);
            const std::size_t end = newline == std::string_view::npos ? text.size() : newline + 1;
            if (CountInLine(text.substr(begin, end - begin)) > 0)
                return begin;
            begin = end;
        }
        return std::string_view::npos;
    }
    std::size_t end = from;
    while (end > 0) {
        const std::size_t newline = end >= 2 ? text.rfind('\n', end - 2) : std::string_view::npos;
        const std::size_t begin = newline == std::string_view::npos ? 0 : newline + 1;
        if (CountInLine(text.substr(begin, end - begin)) > 0)
            return begin;
        end = begin;
    }
    return std::string_view::npos;
}
