// Turns POSIX signals into calls on the Qt event loop: the handler only
// writes a byte to a socket pair (all a signal handler may safely do), and a
// notifier on the other end runs onSignal.
#pragma once

#include <functional>
#include <initializer_list>

// Call once, after the QCoreApplication exists. False if the pipe or a
// handler could not be set up.
bool DeliverSignalsToEventLoop(std::initializer_list<int> signalNumbers, std::function<void()> onSignal);
