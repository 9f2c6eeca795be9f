// The connection as the user starts it: connect, disconnect, re-initialising
// after a settings change, and the "reconnect" command.
#pragma once

#include <string_view>

struct ClientContext;
struct SessionState;

void ConnectToServer(ClientContext& ctx);
void DisconnectFromServer(ClientContext& ctx);
void ReinitConnection(ClientContext& ctx);
// The "reconnect" command: off, wait, on again with the current settings.
void ReconnectAfterPause(ClientContext& ctx);
// Closing the client: no reconnect wait may end in a connection afterwards.
void StopReconnectWaits(SessionState& session);

inline constexpr std::string_view kLibraryNotLoaded = "The protocol library libtocwire.so is not loaded.";
