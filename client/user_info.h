// The user's settings: one fixed 3,472-byte record that is also the exact
// image of userinfo.cfg. Text fields are NUL-terminated within their width
// (a field without a terminator ends at its width); integers are 32-bit
// little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

struct UserInfo {
    char screenName[64];
    char password[64];
    char formatting[1024];
    char oscarServer[128];
    std::int32_t oscarPort;
    char tocServer[128];
    std::int32_t tocPort;
    char userProfile[1024];
    std::int32_t logToFile;
    char logPath[1024];
    std::int32_t timestamp;
};

inline constexpr std::size_t kUserInfoSize = 3472;
static_assert(sizeof(UserInfo) == kUserInfoSize);
static_assert(offsetof(UserInfo, screenName) == 0);
static_assert(offsetof(UserInfo, password) == 64);
static_assert(offsetof(UserInfo, formatting) == 128);
static_assert(offsetof(UserInfo, oscarServer) == 1152);
static_assert(offsetof(UserInfo, oscarPort) == 1280);
static_assert(offsetof(UserInfo, tocServer) == 1284);
static_assert(offsetof(UserInfo, tocPort) == 1412);
static_assert(offsetof(UserInfo, userProfile) == 1416);
static_assert(offsetof(UserInfo, logToFile) == 2440);
static_assert(offsetof(UserInfo, logPath) == 2444);
static_assert(offsetof(UserInfo, timestamp) == 3468);

inline constexpr const char* kDefaultLoginHost = "localhost";
inline constexpr const char* kDefaultTocHost = "localhost";
inline constexpr const char* kDefaultLogPath = "zorvane_log.txt";

// A text field's content: up to its first NUL, or its whole width.
template <std::size_t N>
std::string_view FieldText(const char (&field)[N])
{
    return std::string_view(field, strnlen(field, N));
}

// The characters a text field holds: its width less the terminator.
template <std::size_t N>
constexpr std::size_t FieldRoom(const char (&)[N])
{
    return N - 1;
}

// Stores text into a field, cut to width - 1 characters; the rest is zeroed.
template <std::size_t N>
void SetFieldText(char (&field)[N], std::string_view text)
{
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, N - n);
}
