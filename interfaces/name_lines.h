// The one walk over a file of names, one a line (blist.cfg, blocklst.cfg),
// for the client and the standard modules alike, so they agree on what a
// line and a name are.
#pragma once

#include <cstddef>
#include <string_view>

struct NameLine {
    std::string_view name;  // without its line end
    std::size_t begin;      // where the line starts in the text
    std::size_t next;       // where the next line starts (past the line end)
};

// A line runs to its LF; a last line without LF ends at the end of the text.
// A CR just before the LF belongs to the line end (a file edited on another
// system), so "bob\r\n" holds the name "bob"; a CR anywhere else is part of
// the name. visit(const NameLine&) returns true to stop the walk; the result
// tells whether it stopped.
template <typename Visit>
bool ForEachNameLine(std::string_view text, Visit&& visit)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lf = text.find('\n', pos);
        std::size_t end = lf == std::string_view::npos ? text.size() : lf;
        const std::size_t next = lf == std::string_view::npos ? text.size() : lf + 1;
        if (lf != std::string_view::npos && end > pos && text[end - 1] == '\r')
            --end;
        if (visit(NameLine{text.substr(pos, end - pos), pos, next}))
            return true;
        pos = next;
    }
    return false;
}
