// The one walk over the buddy list's lines, used by every reader of the list
// (loading, editing, the editor, the sign-on upload), so they all agree on
// what a name is.
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>

#include "name_lines.h"

using BuddyLine = NameLine;

// The longest buddy name kept, from blist.cfg or from the server.
inline constexpr std::size_t kMaxBuddyNameLength = 1023;

// The lines of blist.cfg (name_lines.h): visit(const BuddyLine&) returns true
// to stop the walk; the result tells whether it stopped.
template <typename Visit>
bool ForEachBuddyLine(std::string_view list, Visit&& visit)
{
    return ForEachNameLine(list, std::forward<Visit>(visit));
}
