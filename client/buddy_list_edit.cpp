#include "buddy_list_edit.h"

#include <algorithm>
#include <vector>

#include "buddy_lines.h"
#include "client_context.h"
#include "config_sync.h"
#include "output.h"
#include "normalize_name.h"
#include "send_command.h"
#include "server_messages.h"
#include "settings_files.h"
#include "settings_store.h"
#include "visible_text.h"
#include "toc_limits.h"

namespace {

// The list's normalised names, in list order, each once.
std::vector<std::string> Keys(std::string_view list)
{
    std::vector<std::string> keys;
    ForEachBuddyLine(list, [&](const BuddyLine& line) {
        std::string key = NormalizeName(line.name);
        if (std::find(keys.begin(), keys.end(), key) == keys.end())
            keys.push_back(std::move(key));
        return false;
    });
    return keys;
}

bool Holds(const std::vector<std::string>& keys, const std::string& key)
{
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// "<command> name name ...", as few commands as fit the server's line.
void SendNames(ClientContext& ctx, std::string_view command, const std::vector<std::string>& names)
{
    std::string line(command);
    for (const std::string& name : names) {
        if (line.size() > command.size() && line.size() + 1 + name.size() > kMaxTocText) {
            SendCommand(ctx.session, line);
            line.assign(command);
        }
        line.append(" ").append(name);
    }
    if (line.size() > command.size())
        SendCommand(ctx.session, line);
}

}  // namespace

BuddyAdd BuddyListEdit::Add(std::string_view name)
{
    name = name.substr(0, kMaxEditorName);
    if (name.empty())
        return BuddyAdd::Empty;
    if (!IsValidScreenName(name))
        return BuddyAdd::NotAScreenName;
    return AddBuddy(list_, name) ? BuddyAdd::Added : BuddyAdd::AlreadyListed;
}

bool BuddyListEdit::Remove(std::string_view name)
{
    return RemoveBuddy(list_, NormalizeName(name));
}

std::string BuddyAddRefusal(BuddyAdd result, std::string_view name, std::string_view list)
{
    name = name.substr(0, kMaxEditorName);
    switch (result) {
    case BuddyAdd::NotAScreenName:
        return "Cannot add '" + VisibleText(name) + "': a screen name holds only letters, digits, blanks and @._-";
    case BuddyAdd::AlreadyListed: {
        const std::string key = NormalizeName(name);
        std::string listed;
        ForEachBuddyLine(list, [&](const BuddyLine& line) {
            if (NormalizeName(line.name) != key)
                return false;
            listed.assign(line.name);
            return true;
        });
        return "'" + VisibleText(listed) + "' is already on the list.";
    }
    case BuddyAdd::Added:
    case BuddyAdd::Empty:
        break;
    }
    return {};
}

bool BuddyListEdit::SetGroup(std::string_view name, std::string_view group)
{
    const std::vector<std::string> listed = Keys(list_);
    if (!Holds(listed, NormalizeName(name)))
        return false;
    // A group name is one line of the groups file and of the configuration.
    if (std::any_of(group.begin(), group.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return false;
    PutInGroup(groups_, name, group);
    return true;
}

BuddyGroups BuddyListEdit::Groups() const
{
    const std::vector<std::string> listed = Keys(list_);
    BuddyGroups groups = groups_;
    for (BuddyGroup& group : groups)
        std::erase_if(group.buddies, [&](const std::string& name) { return !Holds(listed, NormalizeName(name)); });
    return groups;
}

bool BuddyListEdit::GroupsChanged() const
{
    return FormatGroups(Groups()) != FormatGroups(originalGroups_);
}

void AcceptBuddyListEdit(ClientContext& ctx, const BuddyListEdit& edit)
{
    const bool groupsChanged = edit.GroupsChanged();
    if (groupsChanged) {
        ctx.config.groups = edit.Groups();
        if (!SaveBuddyGroups(ctx.config, ctx.settings))
            PrintLine(ctx.Out(), "Could not save the buddy groups to " + std::string(kGroupsFile) + ".");
    }
    const std::vector<std::string> before = Keys(ctx.settings.buddyList);
    const std::vector<std::string> after = Keys(edit.List());
    const bool changed = ctx.settings.buddyList != edit.List();
    ctx.settings.buddyList = edit.List();
    if (ctx.session.connectionStatus != STATUS_OFFLINE) {
        std::vector<std::string> gone;
        for (const std::string& key : before) {
            if (Holds(after, key))
                continue;
            ctx.online.Remove(key);
            // A name that could never have been sent is not sent now either.
            if (IsValidScreenName(key))
                gone.push_back(key);
        }
        std::vector<std::string> added;
        for (const std::string& key : after) {
            if (!Holds(before, key) && IsValidScreenName(key))
                added.push_back(key);
        }
        SendNames(ctx, "toc_remove_buddy", gone);
        SendNames(ctx, "toc_add_buddy", added);
        // A configuration the server stores follows the change, so the next
        // sign-on's join does not bring a removed buddy back.
        if (ctx.config.stored && (groupsChanged || !gone.empty() || !added.empty()) &&
            ctx.session.connectionStatus == STATUS_ONLINE && !ctx.config.waiting)
            SendClientConfig(ctx.config, ctx.session, ctx.settings);
    }
    if (changed)
        SaveBuddyListNow(ctx.Out(), ctx.settings);
}
