// What a desktop gives the black-box client: an X display (Xvfb, or the one
// named by QUENLO_BENCH_DISPLAY), a private D-Bus session and on it a
// notification service that counts Notify calls (this program again, in
// its notify_service child mode). Everything started here is stopped, by
// its process id, when the session ends.
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace bench {

class DesktopSession {
public:
    DesktopSession() = default;
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // Starts the three; false (with the reason on stderr) if one did not.
    bool Start();
    const std::string& Display() const { return display_; }
    const std::string& BusAddress() const { return busAddress_; }
    // Stops the notification service and reads its counts (false if it
    // did not report them).
    bool TakeNotifyCounts(std::size_t& calls, std::size_t& maxPerSecond);

private:
    pid_t xvfb_ = -1;
    pid_t bus_ = -1;
    pid_t service_ = -1;
    int serviceIn_ = -1;
    int serviceOut_ = -1;
    std::string display_;
    std::string busAddress_;
};

// A line from a pipe, without its end ("" at end of file).
std::string ReadLineFrom(int fd);

}  // namespace bench
