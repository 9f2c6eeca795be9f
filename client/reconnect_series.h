// The automatic tries after a dropped connection, as the user sees them:
// with the "autoreconnect" switch on, a drop of a signed-on connection that
// the client did not cause starts them. Each try waits (5 s, 10 s, 30 s, then
// a minute each) and says so, says when it starts and why it failed
// ("refused" when the server refused), and shows none of the library's
// boxes. They end when one signs on, at Disconnect, at Connect, when the
// switch goes off, at shutdown, and at a sign-on refusal that trying again
// cannot mend.
#pragma once

#include "printer.h"

struct SessionState;
struct SettingsState;

// Every status the library reports, after the client has shown it.
void FollowStatusForReconnect(const Printer& out, SessionState& session, const SettingsState& settings, int status);
// The server refused a sign-on with this ERROR code.
void ReconnectAfterSignonRefusal(const Printer& out, SessionState& session, long code);
// Disconnect, or the switch turned off: the tries end and a try under way is
// abandoned. False when no tries were going on.
bool StopReconnecting(const Printer& out, SessionState& session);
// Connect by hand (or the "reconnect" command): the tries end without a word;
// a try under way goes on as the user's own, its boxes shown again.
void TakeOverFromAutomaticTries(const Printer& out, SessionState& session);
// The try under way was dropped without a report (its connect abandoned):
// the next one is scheduled.
void TryEndedWithoutAnswer(const Printer& out, SessionState& session, const SettingsState& settings);
