#include "settings_files.h"

#include <bit>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>

#include "atomic_file.h"
#include "normalize_name.h"

// userinfo.cfg is the record's memory image; its integers are little-endian.
static_assert(std::endian::native == std::endian::little, "userinfo.cfg is the little-endian record image");
static_assert(std::is_trivially_copyable_v<UserInfo>);

namespace {

constexpr mode_t kUserInfoMode = 0600;  // it holds the password
constexpr mode_t kBuddyListMode = 0644;

// Opens a settings file for reading. Only a regular file counts: a folder,
// a FIFO or a device under the name is treated like a missing file (and a
// FIFO with no writer must not block the client).
int OpenSettingsFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

// Reads up to room bytes; returns how many arrived before the end or an error.
std::size_t ReadUpTo(int fd, char* out, std::size_t room)
{
    std::size_t got = 0;
    while (got < room) {
        const ssize_t n = read(fd, out + got, room - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

// One buddy-list entry: [begin, end) without its line end, and where the
// next entry starts.
struct Entry {
    std::size_t begin;
    std::size_t end;
    std::size_t next;
};

// Entries run to their LF; a last entry without LF ends at the end of the
// text. A CR just before the LF belongs to the line end (blist.cfg edited
// on another system), so "bob\r" and "bob" are the same entry.
template <typename Fn>
bool ForEachEntry(std::string_view list, Fn&& fn)
{
    std::size_t pos = 0;
    while (pos < list.size()) {
        const std::size_t lf = list.find('\n', pos);
        Entry e{pos, lf == std::string_view::npos ? list.size() : lf,
                lf == std::string_view::npos ? list.size() : lf + 1};
        if (lf != std::string_view::npos && e.end > e.begin && list[e.end - 1] == '\r')
            --e.end;
        if (fn(e))
            return true;
        pos = e.next;
    }
    return false;
}

// The entry whose normalised form equals key, first in list order.
bool FindEntry(std::string_view list, const std::string& key, Entry& found)
{
    return ForEachEntry(list, [&](const Entry& e) {
        if (NormalizeName(list.substr(e.begin, e.end - e.begin)) != key)
            return false;
        found = e;
        return true;
    });
}

// A name the list can hold as one entry and that has a non-empty normalised form.
bool UsableName(std::string_view name)
{
    return !name.empty() && name.size() <= kMaxBuddyNameLength &&
           name.find_first_of(std::string_view("\n\r\0", 3)) == std::string_view::npos;
}

}  // namespace

void SetUserInfoDefaults(UserInfo& info)
{
    info = UserInfo{};
    SetFieldText(info.formatting, "$");
    SetFieldText(info.oscarServer, kDefaultLoginHost);
    info.oscarPort = 5190;
    SetFieldText(info.tocServer, kDefaultTocHost);
    info.tocPort = 9898;
    SetFieldText(info.userProfile, "<br>");
    info.logToFile = 0;
    SetFieldText(info.logPath, kDefaultLogPath);
    info.timestamp = 1;
}

bool LoadUserInfo(UserInfo& info, const std::string& path)
{
    const int fd = OpenSettingsFile(path);
    if (fd < 0) {
        SetUserInfoDefaults(info);
        return false;
    }
    // Read into a copy first so a partial read never leaves a torn integer.
    char image[kUserInfoSize];
    const std::size_t got = ReadUpTo(fd, image, sizeof image);
    close(fd);
    std::memcpy(&info, image, got);
    return true;
}

bool SaveUserInfo(const UserInfo& info, const std::string& path)
{
    return WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(&info), sizeof info),
                               kUserInfoMode);
}

std::string LoadBuddyList(const std::string& path)
{
    std::string list;
    const int fd = OpenSettingsFile(path);
    if (fd < 0)
        return list;
    // Every byte is kept, high bytes included, and the list is never cut:
    // whatever is read here is what the next save writes back.
    char chunk[65536];
    for (;;) {
        const std::size_t got = ReadUpTo(fd, chunk, sizeof chunk);
        for (std::size_t i = 0; i < got; ++i) {
            if (chunk[i] != '\0')
                list.push_back(chunk[i]);
        }
        if (got < sizeof chunk)
            break;
    }
    close(fd);
    return list;
}

bool SaveBuddyList(std::string_view list, const std::string& path)
{
    return WriteFileAtomically(path, list, kBuddyListMode);
}

bool AddBuddy(std::string& list, std::string_view screenName)
{
    if (!UsableName(screenName))
        return false;
    const std::string key = NormalizeName(screenName);
    if (key.empty())
        return false;
    Entry found{};
    if (FindEntry(list, key, found))
        return false;
    // A last entry without its LF gets one first, so the two names stay apart.
    if (!list.empty() && list.back() != '\n')
        list.push_back('\n');
    list.append(screenName);
    list.push_back('\n');
    return true;
}

bool RemoveBuddy(std::string& list, std::string_view screenName)
{
    const std::string key = NormalizeName(screenName);
    if (key.empty())
        return false;
    Entry found{};
    if (!FindEntry(list, key, found))
        return false;
    list.erase(found.begin, found.next - found.begin);
    return true;
}

std::vector<std::string> BuddyListNames(std::string_view list)
{
    std::vector<std::string> names;
    ForEachEntry(list, [&](const Entry& e) {
        if (e.end > e.begin)
            names.emplace_back(list.substr(e.begin, e.end - e.begin));
        return false;
    });
    return names;
}
