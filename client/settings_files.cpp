#include "settings_files.h"

#include <bit>
#include <cstring>
#include <type_traits>

#include "atomic_file.h"
#include "buddy_lines.h"
#include "normalize_name.h"
#include "settings_read.h"

// userinfo.cfg is the record's memory image; its integers are little-endian.
static_assert(std::endian::native == std::endian::little, "userinfo.cfg is the little-endian record image");
static_assert(std::is_trivially_copyable_v<UserInfo>);

namespace {

constexpr mode_t kUserInfoMode = 0600;  // it holds the password
constexpr mode_t kBuddyListMode = 0644;

// The entry whose normalised form equals key, first in list order.
bool FindEntry(std::string_view list, const std::string& key, BuddyLine& found)
{
    return ForEachBuddyLine(list, [&](const BuddyLine& line) {
        if (NormalizeName(line.name) != key)
            return false;
        found = line;
        return true;
    });
}

// A name the list can hold as one entry and the server can be sent.
bool UsableName(std::string_view name)
{
    return name.size() <= kMaxBuddyNameLength && IsValidScreenName(name);
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

bool LoadUserInfo(UserInfo& info, const std::string& path, std::string* whyUnreadable, FileOps& files,
                  std::size_t* fileSize)
{
    // One byte more than the record tells a longer file from an exact one.
    const SettingsRead file = ReadSettingsFile(path, kUserInfoSize + 1, files);
    if (whyUnreadable != nullptr)
        *whyUnreadable = file.why;
    if (fileSize != nullptr)
        *fileSize = file.outcome == SettingsRead::Outcome::Read ? file.bytes.size() : kUserInfoSize;
    if (file.outcome != SettingsRead::Outcome::Read) {
        SetUserInfoDefaults(info);
        return false;
    }
    if (file.bytes.size() >= kUserInfoSize) {
        std::memcpy(&info, file.bytes.data(), kUserInfoSize);
        return true;
    }
    // A short file: what it holds of a field is no value of that field.
    SetUserInfoDefaults(info);
    const auto take = [&](auto& field) {
        const std::size_t offset = static_cast<std::size_t>(reinterpret_cast<const char*>(&field) -
                                                            reinterpret_cast<const char*>(&info));
        if (offset + sizeof field <= file.bytes.size())
            std::memcpy(&field, file.bytes.data() + offset, sizeof field);
    };
    take(info.screenName);
    take(info.password);
    take(info.formatting);
    take(info.oscarServer);
    take(info.oscarPort);
    take(info.tocServer);
    take(info.tocPort);
    take(info.userProfile);
    take(info.logToFile);
    take(info.logPath);
    take(info.timestamp);
    return true;
}

bool SameSettings(const UserInfo& a, const UserInfo& b)
{
    return FieldText(a.screenName) == FieldText(b.screenName) && FieldText(a.password) == FieldText(b.password) &&
           FieldText(a.formatting) == FieldText(b.formatting) && FieldText(a.oscarServer) == FieldText(b.oscarServer) &&
           a.oscarPort == b.oscarPort && FieldText(a.tocServer) == FieldText(b.tocServer) && a.tocPort == b.tocPort &&
           FieldText(a.userProfile) == FieldText(b.userProfile) && a.logToFile == b.logToFile &&
           FieldText(a.logPath) == FieldText(b.logPath) && a.timestamp == b.timestamp;
}

bool SaveUserInfo(const UserInfo& info, const std::string& path, FileOps& files)
{
    return WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(&info), sizeof info),
                               kUserInfoMode, files);
}

std::string LoadBuddyList(const std::string& path, std::string* whyUnreadable, FileOps& files)
{
    SettingsRead file = ReadSettingsFile(path, std::numeric_limits<std::size_t>::max(), files);
    if (whyUnreadable != nullptr)
        *whyUnreadable = file.why;
    if (file.outcome != SettingsRead::Outcome::Read) {
        return {};
    }
    // Every byte is kept, NUL and high bytes included, and the list is never
    // cut: whatever is read here is what the next save writes back.
    return std::move(file.bytes);
}

bool SaveBuddyList(std::string_view list, const std::string& path, FileOps& files)
{
    return WriteFileAtomically(path, list, kBuddyListMode, files);
}

bool AddBuddy(std::string& list, std::string_view screenName)
{
    if (!UsableName(screenName))
        return false;
    BuddyLine found{};
    if (FindEntry(list, NormalizeName(screenName), found))
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
    BuddyLine found{};
    if (!FindEntry(list, key, found))
        return false;
    list.erase(found.begin, found.next - found.begin);
    return true;
}

std::vector<std::string> BuddyListNames(std::string_view list)
{
    std::vector<std::string> names;
    ForEachBuddyLine(list, [&](const BuddyLine& line) {
        if (!line.name.empty())
            names.emplace_back(line.name);
        return false;
    });
    return names;
}
