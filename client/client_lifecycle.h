// The client's start, its periodic chores, and its orderly close.
#pragma once

struct ClientContext;
class ClientWindow;

inline constexpr int kFirstRefreshDelayMs = 500;

// The window's initialisation after its controls exist: settings, buddy list,
// the protocol library, the modules. `libraryName` is the protocol library's
// file name (its bare name in the program; tests may pass another).
void StartClient(ClientContext& ctx, ClientWindow& window, const char* libraryName = nullptr);

// One tick of the pump: the first full refresh of the pane, the scroll to
// its end after each print, and the online list emptied while offline. The
// window runs it only when asked (ClientWindow::RequestPump), so the idle
// client does not wake.
void PumpTick(ClientContext& ctx);

// Signs off, releases the protocol library, shuts the modules down (their
// libraries are released with the context, after the window), keeps the
// Formatting box's text, and writes both settings files.
void ShutdownClient(ClientContext& ctx);
