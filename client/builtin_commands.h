// The handlers of the client's own slash commands that act on more than one
// call (the table is in slash_commands.cpp).
#pragma once

#include <string_view>

#include "printer.h"

struct AwayState;
struct SettingsState;
struct ModuleState;
struct SessionState;

// "savebuffer": the transcript into a file, replaced atomically.
void SaveBuffer(const Printer& out, const SettingsState& settings, std::string_view path);
// "mclear": the transcript length after which it is cleared; 0 turns it off.
void SetAutoClear(const Printer& out, std::string_view argument);
void ToggleAutoReconnect(const Printer& out, SessionState& session);
// "away": an empty argument unsets the away message, any other sets it
// (through the Formatting template) and tells the server.
void SetAway(const Printer& out, SessionState& session, AwayState& away, std::string_view argument);
// "modules": the loaded user modules and what they say about themselves.
void ListModules(const Printer& out, const ModuleState& modules);
