// What the client sends once the server accepts the sign-on: its buddies,
// readiness, capabilities and profile (the configuration follows the
// server's CONFIG, config_sync.h).
#pragma once

#include <string>

struct SessionState;
struct SettingsState;

// Always 1: the client has sent its own completion commands.
int CompleteSignon(SessionState& session, const SettingsState& settings);
// The client's own configuration: mode 4, one group, the buddies in list
// order while the command stays short; sent where the server stores none.
std::string PlainBuddyConfig(const SettingsState& settings);
// toc_add_buddy batches: the user's own name first, then every buddy.
void RegisterBuddies(SessionState& session, const SettingsState& settings);
