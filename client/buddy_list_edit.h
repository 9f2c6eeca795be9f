// The buddy list editor's work, apart from its widgets: a copy of the list
// that Add and Remove change while the editor is open. Nothing reaches the
// client's list, the server or blist.cfg until the editor is accepted;
// cancelling just drops the copy.
#pragma once

#include <string>
#include <string_view>

struct ClientContext;

inline constexpr std::size_t kMaxEditorName = 511;

enum class BuddyAdd { Added, Empty, NotAScreenName, AlreadyListed };

class BuddyListEdit {
public:
    explicit BuddyListEdit(std::string list) : original_(list), list_(std::move(list)) {}

    // The name as typed (cut to kMaxEditorName) goes to the end of the copy,
    // unless it is empty, no screen name, or already there once normalised.
    BuddyAdd Add(std::string_view name);
    // The first entry with this name once normalised leaves the copy.
    bool Remove(std::string_view name);

    const std::string& List() const { return list_; }
    bool Changed() const { return list_ != original_; }

private:
    std::string original_;
    std::string list_;
};

// Why an Add was refused, for the editor to show beside the name; "" when
// it was not refused.
std::string BuddyAddRefusal(BuddyAdd result, std::string_view name, std::string_view list);

// OK: the copy becomes the client's buddy list. While not offline, names
// that left it leave the online list, and the server is told of each name
// that came or went (and only of those: one removed and added back again is
// no change). blist.cfg is written at once when the list changed.
void AcceptBuddyListEdit(ClientContext& ctx, const BuddyListEdit& edit);
