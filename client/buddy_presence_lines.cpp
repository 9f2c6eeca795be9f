#include "buddy_presence_lines.h"

#include <string>

#include "online_list.h"
#include "output.h"
#include "visible_text.h"

void UpdateBuddyPresence(const Printer& out, OnlineList& online, std::string_view buddy, const BuddyPresence& presence)
{
    const BuddyPresence* listed = online.PresenceOf(buddy);
    // Servers repeat UPDATE_BUDDY for nothing new: the idle count keeps going.
    if (listed == nullptr || SamePresence(*listed, presence))
        return;
    const bool wasAway = listed->away;
    online.SetPresence(buddy, presence);
    if (presence.away != wasAway)
        PrintLine(out, VisibleText(buddy) + (presence.away ? " is away." : " is back."));
}
