// The library's status reports as the user sees them: the status line, the
// connection state announced to the window, the online list, the modules' connect and disconnect calls,
// (the automatic tries after a drop follow in reconnect_series.h).
#pragma once

struct ClientContext;

void HandleStatusChange(ClientContext& ctx, int status);
