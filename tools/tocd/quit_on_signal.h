// Turns SIGINT and SIGTERM into QCoreApplication::quit(), delivered through
// the event loop (a signal handler may only write to a pipe).
#pragma once

// Call once, after the QCoreApplication exists. False if the pipe or the
// handlers could not be set up.
bool QuitOnSignals();
