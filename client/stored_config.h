// The TOC configuration a server stores for an account (CONFIG at sign-on,
// replaced by toc_set_config): lines "m <mode>", "g <group>", "b <buddy>"
// (in the group above it), "p <name>" and "d <name>" (permit and deny).
// Read here, joined with the client's own buddy list and groups, and written
// back with the permit/deny lines and any other lines exactly as they came.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct BuddyGroup {
    std::string name;
    std::vector<std::string> buddies;  // as stored or listed, not normalised
};
using BuddyGroups = std::vector<BuddyGroup>;

inline constexpr std::string_view kDefaultGroupName = "Buddies";

struct StoredConfig {
    std::string mode;                 // after "m ", empty when none
    BuddyGroups groups;               // each buddy once, in its first group
    std::vector<std::string> kept;    // "p", "d" and unknown lines, whole, in order

    bool Empty() const { return mode.empty() && groups.empty() && kept.empty(); }
};

// Reads CONFIG's text (LF or CR LF line ends). A buddy before any group
// goes to kDefaultGroupName; a buddy listed twice stays in its first group.
StoredConfig ParseStoredConfig(std::string_view text);

// The groups file of the profile: the same "g" and "b" lines.
BuddyGroups ParseGroups(std::string_view text);
std::string FormatGroups(const BuddyGroups& groups);

// The group a name is in (compared normalised), or empty.
std::string GroupOf(const BuddyGroups& groups, std::string_view name);
// Moves name to group (made at the end when new); an empty group takes it
// out of every group.
void PutInGroup(BuddyGroups& groups, std::string_view name, std::string_view group);

// The join of the stored groups with the client's own: every stored buddy in
// its stored group, then each listed buddy the server lacks in its local
// group (or kDefaultGroupName). Names in the groups but not in buddyList
// ("name\n" lines) are appended to it, and returned.
struct JoinedConfig {
    BuddyGroups groups;
    std::vector<std::string> newToList;
};
JoinedConfig JoinConfig(const StoredConfig& stored, const BuddyGroups& local, std::string& buddyList);

// "toc_set_config \"...\"": the mode (the stored one, else 4), the kept
// lines, then groups and buddies as far as the command stays within the
// line limit. Quotes, backslashes and braces in names are escaped; control
// characters are never sent.
std::string ConfigCommand(std::string_view mode, const BuddyGroups& groups, const std::vector<std::string>& kept);
