// The library's status reports as the user sees them: the status line, the
// connection state announced to the window, the online list, the modules' connect and disconnect calls,
// and the attempt after a drop.
#pragma once

struct ClientContext;

void HandleStatusChange(ClientContext& ctx, int status);
void ClearOnlineList(ClientContext& ctx);
