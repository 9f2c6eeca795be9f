#include "quit_on_signal.h"

#include <csignal>

#include <QCoreApplication>

#include "signal_events.h"

bool QuitOnSignals()
{
    return DeliverSignalsToEventLoop({SIGINT, SIGTERM}, [] { QCoreApplication::quit(); });
}
