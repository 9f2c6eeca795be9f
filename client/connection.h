// The connection as the user sees it: connect, the library's status reports,
// re-initialising after a settings change, and server error texts.
#pragma once

#include <string_view>

struct ClientContext;

// TOC_Send with length -1 on a writable copy of the command; -1 means not
// sent (also when the protocol library is not bound).
int SendCommand(ClientContext& ctx, std::string_view command);
void ConnectToServer(ClientContext& ctx);
void DisconnectFromServer(ClientContext& ctx);
void ReinitConnection(ClientContext& ctx);
void HandleStatusChange(ClientContext& ctx, int status);
// The status line for a server ERROR's argument text ("901:bob" and so on).
std::string_view ErrorCodeText(std::string_view argument);
void ClearOnlineList(ClientContext& ctx);
// The "reconnect" command: off, wait, on again with the current settings.
void ReconnectAfterPause(ClientContext& ctx);
// Closing the client: no reconnect wait may end in a connection afterwards.
void StopReconnectWaits(ClientContext& ctx);

inline constexpr std::string_view kLibraryNotLoaded = "The protocol library libtocwire.so is not loaded.";
