// What the client sends once the server accepts the sign-on: its
// configuration, its buddies, readiness, capabilities and profile.
#pragma once

struct ClientContext;

// Always 1: the client has sent its own completion commands.
int CompleteSignon(ClientContext& ctx);
void SendBuddyConfig(ClientContext& ctx);
