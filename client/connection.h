// The connection as the user starts it: connect, disconnect, re-initialising
// after a settings change, and the "reconnect" command; and the library calls
// the automatic tries of reconnect_series.h make.
#pragma once

#include <string_view>

#include "printer.h"

struct SessionState;
struct SettingsState;

// Connect, Escape: starts a connection unless one is up or being made.
void ConnectToServer(const Printer& out, SessionState& session, const SettingsState& settings);
// Disconnect: signs off, or stops the automatic tries.
void DisconnectFromServer(const Printer& out, SessionState& session);
void ReinitConnection(const Printer& out, SessionState& session, const SettingsState& settings);
// The "reconnect" command: off, wait, on again with the current settings.
void ReconnectAfterPause(const Printer& out, SessionState& session, const SettingsState& settings);
// Closing the client: no reconnect wait may end in a connection afterwards.
void StopReconnectWaits(SessionState& session);

// Connected, signing on, or a connect the server has not answered yet.
bool ConnectionUnderWay(const SessionState& session);

// An automatic try: a connection started as Connect would, but with the
// library's boxes kept closed (nobody is waiting for it).
enum class TryStart { Started, Failed, Impossible };
TryStart ConnectAutomatically(const Printer& out, SessionState& session, const SettingsState& settings);
// Ends a connection attempt still under way (connecting or signing on).
void AbandonAttempt(SessionState& session);
// The library's boxes kept closed, or shown again.
void SetLibraryQuiet(SessionState& session, bool quiet);
// Why the library's last connect failed (errno), 0 when it did not or the
// library cannot tell.
int LastConnectError(const SessionState& session);

inline constexpr std::string_view kLibraryNotLoaded = "The protocol library libtocwire.so is not loaded.";
