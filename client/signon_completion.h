// What the client sends once the server accepts the sign-on: its
// configuration, its buddies, readiness, capabilities and profile.
#pragma once

struct SessionState;
struct SettingsState;

// Always 1: the client has sent its own completion commands.
int CompleteSignon(SessionState& session, const SettingsState& settings);
void SendBuddyConfig(SessionState& session, const SettingsState& settings);
