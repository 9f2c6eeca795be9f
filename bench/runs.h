// The measurements made in child processes of the benchmark, one process per
// run so each starts from a fresh client. Each prints figure lines on
// stdout, problems on stderr, and returns the process's exit status.
#pragma once

#include <cstddef>
#include <string>

namespace bench {

// The server writes count IM_IN frames; the window takes them in.
int RunBurst(std::size_t count, bool log);
// The cost of one instant-message line as the transcript grows to 1,000,
// 100,000 and 1,000,000 lines (only the levels up to maxLines).
int RunGrowth(std::size_t maxLines);
// The server announces count distinct buddies in the named order
// (ascending, descending, random); the online list takes them in.
int RunFlood(std::size_t count, const std::string& order);
// The signed-on client left alone for a number of seconds.
int RunIdle(int seconds);
// The server writes count IM_IN frames from count different senders to a
// client in a process of its own; timed until the last is in its log file.
// who: "active" (its window in front), "inactive" (another window in
// front) or "c_floor" (the bare C reader instead of the client).
int RunBlackBox(std::size_t count, const std::string& who);
// That client: signed on with its log on, its window active or not, then
// its event loop alone.
int RunBlackBoxClient(int port, bool active);

}  // namespace bench
