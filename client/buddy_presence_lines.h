// A listed buddy's presence changed: the online list's row is updated in
// place, and a buddy going away or coming back is said in the transcript.
#pragma once

#include <string_view>

#include "buddy_presence.h"

#include "printer.h"

class OnlineList;

void UpdateBuddyPresence(const Printer& out, OnlineList& online, std::string_view buddy, const BuddyPresence& presence);
