#pragma once

#include <functional>

// Turns SIGTERM, SIGINT and SIGHUP (a session ending, Ctrl+C in a terminal)
// into a call of onSignal on the event loop, so the client closes in order
// and keeps its settings instead of dying mid-run.
void CloseOnTerminationSignals(std::function<void()> onSignal);
