// The handlers of the client's own slash commands that act on more than one
// call (the table is in slash_commands.cpp).
#pragma once

#include <string_view>

struct ClientContext;

// "savebuffer": the transcript into a file, replaced atomically.
void SaveBuffer(ClientContext& ctx, std::string_view path);
// "mclear": the transcript length after which it is cleared; 0 turns it off.
void SetAutoClear(ClientContext& ctx, std::string_view argument);
void ToggleAutoReconnect(ClientContext& ctx);
// "away": an empty argument unsets the away message, any other sets it
// (through the Formatting template) and tells the server.
void SetAway(ClientContext& ctx, std::string_view argument);
// "modules": the loaded user modules and what they say about themselves.
void ListModules(ClientContext& ctx);
