// The user's own idle time, told to the server: toc_set_idle with the
// seconds idle once the desktop session has had no input for the threshold,
// toc_set_idle 0 at the first input after that. Where the idle time comes
// from is the window's business (the X11 screen-saver extension, a D-Bus
// idle monitor, or input the client saw); this keeps only what was told.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class IdleReport {
public:
    // Seconds since the last input of the desktop session; negative: unknown.
    using IdleSource = std::function<std::int64_t()>;

    void SetSource(IdleSource source) { source_ = std::move(source); }
    bool HasSource() const { return static_cast<bool>(source_); }
    void SetThresholdSeconds(std::int64_t seconds) { thresholdSeconds_ = seconds > 0 ? seconds : 1; }
    std::int64_t ThresholdSeconds() const { return thresholdSeconds_; }
    // Off: nothing more is reported (an idle already told is taken back).
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Enabled() const { return enabled_; }

    // The command the idle time calls for now, or empty: "toc_set_idle N"
    // when the threshold has passed and the server does not know yet,
    // "toc_set_idle 0" when input came after that.
    std::string Check();
    // A new connection: its server has been told nothing.
    void NewConnection() { told_ = false; }
    bool Told() const { return told_; }

private:
    IdleSource source_;
    std::int64_t thresholdSeconds_ = 10 * 60;
    bool enabled_ = true;
    bool told_ = false;
};
