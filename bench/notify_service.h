// A stand-in for the desktop's notification service, for the black-box runs:
// it answers org.freedesktop.Notifications on the session bus named by
// DBUS_SESSION_BUS_ADDRESS and counts the Notify calls it gets.
#pragma once

namespace bench {

// The service's own process: registers, prints "ready", serves until its
// standard input closes, then prints "notify_calls N" and
// "notify_max_per_second M" (the most calls within any one second).
int RunNotifyService();

}  // namespace bench
