#include "buddy_presence.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <ctime>

namespace {

std::int64_t Number(std::string_view text)
{
    std::int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && value > 0 ? value : 0;
}

std::string Plural(std::int64_t count, std::string_view unit)
{
    return std::to_string(count) + " " + std::string(unit) + (count == 1 ? "" : "s");
}

std::string SpanText(std::int64_t minutes)
{
    if (minutes < 60)
        return Plural(minutes, "minute");
    if (minutes < 60 * 24)
        return Plural(minutes / 60, "hour") + (minutes % 60 != 0 ? " " + Plural(minutes % 60, "minute") : "");
    return Plural(minutes / (60 * 24), "day") +
           (minutes / 60 % 24 != 0 ? " " + Plural(minutes / 60 % 24, "hour") : "");
}

std::string LocalTimeText(std::int64_t unixSeconds, std::int64_t nowUnix)
{
    const std::time_t when = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr)
        return {};
    char text[32];
    // The day only when it is not today's.
    const char* format = nowUnix - unixSeconds < 20 * 3600 ? "%H:%M" : "%Y-%m-%d %H:%M";
    if (std::strftime(text, sizeof text, format, &local) == 0)
        return {};
    return text;
}

constexpr int kMaxIdleMinutes = 1 << 24;  // about 31 years: keeps the sums in range

}  // namespace

BuddyPresence ParsePresence(std::string_view warning, std::string_view signonTime, std::string_view idle,
                            std::string_view userClass, std::int64_t nowMs)
{
    BuddyPresence presence;
    presence.warningLevel = static_cast<int>(std::min<std::int64_t>(Number(warning), 100));
    presence.onlineSince = Number(signonTime);
    presence.idleMinutes = static_cast<int>(std::min<std::int64_t>(Number(idle), kMaxIdleMinutes));
    presence.idleSeenMs = nowMs;
    // " O", "AOU": the second character U is an unconfirmed account, the
    // third U is away.
    presence.unconfirmed = userClass.size() > 1 && userClass[1] == 'U';
    presence.away = userClass.size() > 2 && userClass[2] == 'U';
    return presence;
}

bool SamePresence(const BuddyPresence& a, const BuddyPresence& b)
{
    return a.away == b.away && a.unconfirmed == b.unconfirmed && a.warningLevel == b.warningLevel &&
           a.onlineSince == b.onlineSince && a.idleMinutes == b.idleMinutes;
}

int IdleMinutesAt(const BuddyPresence& presence, std::int64_t nowMs)
{
    if (presence.idleMinutes <= 0)
        return 0;
    const std::int64_t since = nowMs > presence.idleSeenMs ? (nowMs - presence.idleSeenMs) / 60000 : 0;
    return static_cast<int>(std::min<std::int64_t>(presence.idleMinutes + since, kMaxIdleMinutes));
}

std::string ShortIdleText(int minutes)
{
    if (minutes < 60)
        return std::to_string(minutes) + "m";
    if (minutes < 60 * 24)
        return std::to_string(minutes / 60) + "h";
    return std::to_string(minutes / (60 * 24)) + "d";
}

std::string PresenceSuffix(const BuddyPresence& presence, std::int64_t nowMs)
{
    std::string suffix;
    const auto add = [&suffix](const std::string& part) {
        if (!suffix.empty())
            suffix += ", ";
        suffix += part;
    };
    if (presence.away)
        add("away");
    if (const int idle = IdleMinutesAt(presence, nowMs); idle > 0)
        add(ShortIdleText(idle));
    if (presence.warningLevel > 0)
        add(std::to_string(presence.warningLevel) + "%");
    return suffix;
}

bool PresenceDimmed(const BuddyPresence& presence)
{
    return presence.away || presence.idleMinutes > 0;
}

std::string PresenceDescription(std::string_view name, const BuddyPresence& presence, std::int64_t nowMs,
                                std::int64_t nowUnix)
{
    std::string text(name);
    text += presence.away ? ": away" : ": available";
    if (const int idle = IdleMinutesAt(presence, nowMs); idle > 0)
        text += "; idle for " + SpanText(idle);
    if (presence.warningLevel > 0)
        text += "; warning level " + std::to_string(presence.warningLevel) + "%";
    if (presence.onlineSince > 0) {
        if (const std::string since = LocalTimeText(presence.onlineSince, nowUnix); !since.empty()) {
            text += "; online since " + since;
            if (nowUnix > presence.onlineSince)
                text += " (" + SpanText((nowUnix - presence.onlineSince) / 60) + ")";
        }
    }
    if (presence.unconfirmed)
        text += "; unconfirmed account";
    return text;
}

std::int64_t SteadyNowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
