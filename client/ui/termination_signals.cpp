#include "termination_signals.h"

#include <csignal>

#include "signal_events.h"

void CloseOnTerminationSignals(std::function<void()> onSignal)
{
    DeliverSignalsToEventLoop({SIGTERM, SIGINT, SIGHUP}, std::move(onSignal));
}
