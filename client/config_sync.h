// The account's stored configuration, kept rather than overwritten: after
// each sign-on the client waits a moment for the server's CONFIG, joins it
// with its own buddy list and groups (stored_config.h), registers the
// buddies it learnt, and writes the joined configuration back with the
// stored permit/deny lines as they were. A server that sends no CONFIG
// (or an empty one) gets the client's own configuration, as before.
// The user's groups live in the profile's groups file.
#pragma once

#include <QTimer>

#include <string>
#include <string_view>

#include "stored_config.h"

#include "printer.h"

struct SessionState;
struct SettingsState;

inline constexpr const char* kGroupsFile = "groups.cfg";

struct ConfigSync {
    int waitMs = 2000;     // for CONFIG after SIGN_ON
    BuddyGroups groups;    // the user's groups, as in the groups file
    std::string mode;      // the stored configuration's mode and kept lines,
    std::vector<std::string> kept;  // written back with every change
    bool stored = false;   // the server sent a configuration worth keeping
    bool waiting = false;  // signed on, no CONFIG yet
    QTimer timer;
};

// Reads the groups file of the profile (a missing file: no groups).
void LoadBuddyGroups(ConfigSync& sync, const SettingsState& settings);
// Writes it; false when it could not be written.
bool SaveBuddyGroups(const ConfigSync& sync, const SettingsState& settings);

// At each SIGN_ON: the configuration waits for CONFIG or for waitMs.
void AwaitStoredConfig(ConfigSync& sync, SessionState& session, const SettingsState& settings);
// CONFIG: the stored configuration arrived.
void HandleStoredConfig(const Printer& out, ConfigSync& sync, SessionState& session, SettingsState& settings,
                        std::string_view text);
// Sends the configuration as it stands (after the buddy editor's changes).
void SendClientConfig(const ConfigSync& sync, SessionState& session, const SettingsState& settings);
