// The one walk over the buddy list's lines, used by every reader of the list
// (loading, editing, the editor, the sign-on upload), so they all agree on
// what a name is.
#pragma once

#include <cstddef>
#include <string_view>

struct BuddyLine {
    std::string_view name;  // without its line end
    std::size_t begin;      // where the line starts in the list
    std::size_t next;       // where the next line starts (past the line end)
};

// A line runs to its LF; a last line without LF ends at the end of the text.
// A CR just before the LF belongs to the line end (a blist.cfg edited on
// another system), so "bob\r\n" holds the name "bob"; a CR anywhere else is
// part of the name. visit(const BuddyLine&) returns true to stop the walk;
// the result tells whether it stopped.
template <typename Visit>
bool ForEachBuddyLine(std::string_view list, Visit&& visit)
{
    std::size_t pos = 0;
    while (pos < list.size()) {
        const std::size_t lf = list.find('\n', pos);
        std::size_t end = lf == std::string_view::npos ? list.size() : lf;
        const std::size_t next = lf == std::string_view::npos ? list.size() : lf + 1;
        if (lf != std::string_view::npos && end > pos && list[end - 1] == '\r')
            --end;
        if (visit(BuddyLine{list.substr(pos, end - pos), pos, next}))
            return true;
        pos = next;
    }
    return false;
}
