// The buddy list editor's work, apart from its widgets: a copy of the list
// that Add and Remove change while the editor is open. Nothing reaches the
// client's list, the server or blist.cfg until the editor is accepted;
// cancelling just drops the copy.
#pragma once

#include <string>
#include <string_view>

#include "stored_config.h"

struct ClientContext;

inline constexpr std::size_t kMaxEditorName = 511;

enum class BuddyAdd { Added, Empty, NotAScreenName, AlreadyListed };

class BuddyListEdit {
public:
    explicit BuddyListEdit(std::string list, BuddyGroups groups = {})
        : original_(list), list_(std::move(list)), originalGroups_(groups), groups_(std::move(groups))
    {
    }

    // The name as typed (cut to kMaxEditorName) goes to the end of the copy,
    // unless it is empty, no screen name, or already there once normalised.
    BuddyAdd Add(std::string_view name);
    // The first entry with this name once normalised leaves the copy.
    bool Remove(std::string_view name);

    // Puts a listed name in a group (a new one made at the end); an empty
    // group takes it out of its group. False when the name is not listed.
    bool SetGroup(std::string_view name, std::string_view group);
    std::string GroupOf(std::string_view name) const { return ::GroupOf(groups_, name); }
    // The groups, without names that left the list.
    BuddyGroups Groups() const;

    const std::string& List() const { return list_; }
    bool Changed() const { return list_ != original_; }
    bool GroupsChanged() const;

private:
    std::string original_;
    std::string list_;
    BuddyGroups originalGroups_;
    BuddyGroups groups_;
};

// Why an Add was refused, for the editor to show beside the name; "" when
// it was not refused.
std::string BuddyAddRefusal(BuddyAdd result, std::string_view name, std::string_view list);

// OK: the copy becomes the client's buddy list. While not offline, names
// that left it leave the online list, and the server is told of each name
// that came or went (and only of those: one removed and added back again is
// no change). blist.cfg is written at once when the list changed.
void AcceptBuddyListEdit(ClientContext& ctx, const BuddyListEdit& edit);
