// Handing one command line to the protocol library.
#pragma once

#include <functional>
#include <string_view>

struct SessionState;

// TOC_Send with length -1 on a writable copy of the command; -1 means not
// sent (also when the protocol library is not bound, and for an empty
// command). While an AutomaticSends scope is open on a signed-on
// connection the command goes through the client's pacer (send_pacer.h):
// 0 then means sent or waiting its turn. `onSent` runs when the command has
// really gone to the library, now or when its turn comes; never when not.
int SendCommand(SessionState& session, std::string_view command, std::function<void()> onSent = {});
// Straight to the library, whatever the pace.
int SendCommandNow(SessionState& session, std::string_view command);

// Marks what is sent while it lives as sent by the client on its own (a
// module's service call, an automatic reply), not by the user's own action.
class AutomaticSends {
public:
    explicit AutomaticSends(SessionState& session);
    ~AutomaticSends();
    AutomaticSends(const AutomaticSends&) = delete;
    AutomaticSends& operator=(const AutomaticSends&) = delete;

private:
    SessionState& session_;
};
