#include "stored_config.h"

#include <unordered_set>

#include "buddy_lines.h"
#include "normalize_name.h"
#include "outgoing.h"
#include "toc_limits.h"

namespace {

template <typename Visit>
void ForEachLine(std::string_view text, Visit visit)
{
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        visit(line);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
}

BuddyGroup& GroupNamed(BuddyGroups& groups, std::string_view name)
{
    for (BuddyGroup& group : groups) {
        if (group.name == name)
            return group;
    }
    groups.push_back(BuddyGroup{std::string(name), {}});
    return groups.back();
}

// Reads "g" and "b" lines into groups; hands every other line to other.
template <typename Other>
BuddyGroups ReadGroups(std::string_view text, Other other)
{
    BuddyGroups groups;
    std::unordered_set<std::string> seen;
    BuddyGroup* current = nullptr;
    ForEachLine(text, [&](std::string_view line) {
        if (line.starts_with("g ")) {
            current = &GroupNamed(groups, line.substr(2));
        } else if (line.starts_with("b ") && line.size() > 2) {
            const std::string_view name = line.substr(2);
            if (!seen.insert(NormalizeName(name)).second)
                return;
            if (current == nullptr)
                current = &GroupNamed(groups, kDefaultGroupName);
            current->buddies.emplace_back(name);
        } else if (!line.empty()) {
            other(line);
        }
    });
    return groups;
}

// A text as it may stand in a config line inside the quoted argument.
std::string ConfigText(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            continue;
        if (c == '"' || c == '\\' || c == '{' || c == '}')
            out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

}  // namespace

StoredConfig ParseStoredConfig(std::string_view text)
{
    StoredConfig config;
    config.groups = ReadGroups(text, [&](std::string_view line) {
        if (line.starts_with("m ") && config.mode.empty())
            config.mode = line.substr(2);
        else if (!line.starts_with("m"))
            config.kept.emplace_back(line);
    });
    return config;
}

BuddyGroups ParseGroups(std::string_view text)
{
    return ReadGroups(text, [](std::string_view) {});
}

std::string FormatGroups(const BuddyGroups& groups)
{
    std::string text;
    for (const BuddyGroup& group : groups) {
        text += "g " + group.name + "\n";
        for (const std::string& buddy : group.buddies)
            text += "b " + buddy + "\n";
    }
    return text;
}

std::string GroupOf(const BuddyGroups& groups, std::string_view name)
{
    const std::string key = NormalizeName(name);
    for (const BuddyGroup& group : groups) {
        for (const std::string& buddy : group.buddies) {
            if (NormalizeName(buddy) == key)
                return group.name;
        }
    }
    return {};
}

void PutInGroup(BuddyGroups& groups, std::string_view name, std::string_view group)
{
    const std::string key = NormalizeName(name);
    for (BuddyGroup& each : groups)
        std::erase_if(each.buddies, [&](const std::string& buddy) { return NormalizeName(buddy) == key; });
    if (!group.empty())
        GroupNamed(groups, group).buddies.emplace_back(name);
}

JoinedConfig JoinConfig(const StoredConfig& stored, const BuddyGroups& local, std::string& buddyList)
{
    JoinedConfig joined;
    joined.groups = stored.groups;
    std::unordered_set<std::string> grouped;
    for (const BuddyGroup& group : joined.groups) {
        for (const std::string& buddy : group.buddies)
            grouped.insert(NormalizeName(buddy));
    }
    std::unordered_set<std::string> listed;
    std::vector<std::string> listNames;
    ForEachBuddyLine(buddyList, [&](const BuddyLine& line) {
        if (!line.name.empty() && listed.insert(NormalizeName(line.name)).second)
            listNames.emplace_back(line.name);
        return false;
    });
    // The client's buddies the server lacks, in their own group.
    for (const std::string& name : listNames) {
        const std::string key = NormalizeName(name);
        if (!IsValidScreenName(name) || !grouped.insert(key).second)
            continue;
        std::string group = GroupOf(local, name);
        if (group.empty())
            group = kDefaultGroupName;
        GroupNamed(joined.groups, group).buddies.push_back(key);
    }
    // The server's buddies the client lacks join its list.
    for (const BuddyGroup& group : joined.groups) {
        for (const std::string& buddy : group.buddies) {
            if (IsValidScreenName(buddy) && listed.insert(NormalizeName(buddy)).second) {
                if (!buddyList.empty() && buddyList.back() != '\n')
                    buddyList.push_back('\n');
                buddyList += buddy + "\n";
                joined.newToList.push_back(buddy);
            }
        }
    }
    return joined;
}

std::string ConfigCommand(std::string_view mode, const BuddyGroups& groups, const std::vector<std::string>& kept)
{
    const std::string head = "toc_set_config \"m " + (mode.empty() ? std::string("4") : ConfigText(mode)) + "\n";
    std::string tail;
    for (const std::string& line : kept)
        tail += ConfigText(line) + "\n";
    tail += "\"";
    std::string body;
    const auto fits = [&](std::string_view more) {
        return TocWireLength(head) + TocWireLength(body) + TocWireLength(more) + TocWireLength(tail) <= kMaxTocText;
    };
    for (const BuddyGroup& group : groups) {
        const std::string groupLine = "g " + ConfigText(group.name) + "\n";
        if (!fits(groupLine))
            break;
        body += groupLine;
        bool full = false;
        for (const std::string& buddy : group.buddies) {
            const std::string buddyLine = "b " + ConfigText(buddy) + "\n";
            if (!fits(buddyLine)) {
                full = true;
                break;
            }
            body += buddyLine;
        }
        if (full)
            break;
    }
    // Kept lines that alone pass the limit are cut with the rest: the
    // command must stay one line on the wire.
    std::string command = head + body + tail;
    if (TocWireLength(command) > kMaxTocText)
        command = head + body + "\"";
    return command;
}
