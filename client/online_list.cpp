#include "online_list.h"

#include <unordered_map>

#include <ext/pb_ds/assoc_container.hpp>
#include <ext/pb_ds/tree_policy.hpp>

#include "name_order.h"
#include "normalize_name.h"

namespace {

struct SortsBefore {
    bool operator()(const std::string& a, const std::string& b) const { return NameSortsBefore(a, b); }
};

}  // namespace

struct OnlineList::Entries {
    // A red-black tree whose nodes know their subtree's size: the rank of a
    // name and the name at a rank in O(log n). Its nodes never move, so the
    // index by normalised form can point at them.
    using Ordered = __gnu_pbds::tree<std::string, __gnu_pbds::null_type, SortsBefore, __gnu_pbds::rb_tree_tag,
                                     __gnu_pbds::tree_order_statistics_node_update>;

    Ordered ordered;
    struct Entry {
        Ordered::iterator at;
        BuddyPresence presence;
    };
    // Normalised form -> the entry in ordered and what the server said of it.
    std::unordered_map<std::string, Entry> byKey;
};

OnlineList::OnlineList() : entries_(std::make_unique<Entries>()) {}

OnlineList::~OnlineList() = default;

int OnlineList::Count() const
{
    return static_cast<int>(entries_->ordered.size());
}

const std::string& OnlineList::At(int row) const
{
    return *entries_->ordered.find_by_order(static_cast<std::size_t>(row));
}

int OnlineList::RowOf(std::string_view name) const
{
    const auto entry = entries_->byKey.find(NormalizeName(name));
    if (entry == entries_->byKey.end())
        return -1;
    return static_cast<int>(entries_->ordered.order_of_key(*entry->second.at));
}

const BuddyPresence* OnlineList::PresenceOf(std::string_view name) const
{
    const auto entry = entries_->byKey.find(NormalizeName(name));
    return entry == entries_->byKey.end() ? nullptr : &entry->second.presence;
}

bool OnlineList::SetPresence(std::string_view name, const BuddyPresence& presence)
{
    const auto entry = entries_->byKey.find(NormalizeName(name));
    if (entry == entries_->byKey.end())
        return false;
    entry->second.presence = presence;
    if (observer_ != nullptr)
        observer_->OnlineRowChanged(static_cast<int>(entries_->ordered.order_of_key(*entry->second.at)));
    return true;
}

bool OnlineList::Insert(std::string_view name, const BuddyPresence& presence)
{
    OnlineListObserver* observer = observer_;
    const auto [entry, added] = entries_->byKey.try_emplace(NormalizeName(name));
    if (!added)
        return false;
    std::string listed(name);
    const int row = static_cast<int>(entries_->ordered.order_of_key(listed));
    if (observer != nullptr)
        observer->OnlineRowInserting(row);
    entry->second.at = entries_->ordered.insert(std::move(listed)).first;
    entry->second.presence = presence;
    if (observer != nullptr)
        observer->OnlineRowInserted(row, name);
    return true;
}

bool OnlineList::Remove(std::string_view name)
{
    OnlineListObserver* observer = observer_;
    const auto entry = entries_->byKey.find(NormalizeName(name));
    if (entry == entries_->byKey.end())
        return false;
    const int row = static_cast<int>(entries_->ordered.order_of_key(*entry->second.at));
    if (observer != nullptr)
        observer->OnlineRowRemoving(row);
    entries_->ordered.erase(entry->second.at);
    entries_->byKey.erase(entry);
    if (observer != nullptr)
        observer->OnlineRowRemoved(row);
    return true;
}

void OnlineList::Clear()
{
    OnlineListObserver* observer = observer_;
    if (observer != nullptr)
        observer->OnlineListClearing();
    entries_->byKey.clear();
    entries_->ordered.clear();
    if (observer != nullptr)
        observer->OnlineListCleared();
}
