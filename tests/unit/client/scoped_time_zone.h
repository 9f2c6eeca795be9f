// Runs a test in a local time zone far from UTC, so that any use of local
// time instead of UTC shows in the result.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (old_)
            setenv("TZ", old_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> old_;
};

// Seconds since the epoch for a time of day on an arbitrary day (2024-03-10).
constexpr std::time_t UtcTime(int hour, int minute, int second)
{
    return std::time_t{19792} * 86400 + hour * 3600 + minute * 60 + second;
}
