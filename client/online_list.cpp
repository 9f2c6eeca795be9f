#include "online_list.h"

#include "client_window.h"
#include "normalize_name.h"

bool OnlineList::SortsBefore::operator()(const std::string& a, const std::string& b) const
{
    return NameSortsBefore(a, b);
}

const std::string& OnlineList::At(int row) const
{
    return *ordered_.find_by_order(static_cast<std::size_t>(row));
}

int OnlineList::RowOf(std::string_view name) const
{
    const auto entry = byKey_.find(NormalizeName(name));
    if (entry == byKey_.end())
        return -1;
    return static_cast<int>(ordered_.order_of_key(*entry->second));
}

bool OnlineList::Insert(std::string_view name, OnlineListObserver* observer)
{
    const auto [entry, added] = byKey_.try_emplace(NormalizeName(name));
    if (!added)
        return false;
    std::string listed(name);
    const int row = static_cast<int>(ordered_.order_of_key(listed));
    if (observer != nullptr)
        observer->OnlineRowInserting(row);
    entry->second = ordered_.insert(std::move(listed)).first;
    if (observer != nullptr)
        observer->OnlineRowInserted(row, name);
    return true;
}

bool OnlineList::Remove(std::string_view name, OnlineListObserver* observer)
{
    const auto entry = byKey_.find(NormalizeName(name));
    if (entry == byKey_.end())
        return false;
    const int row = static_cast<int>(ordered_.order_of_key(*entry->second));
    if (observer != nullptr)
        observer->OnlineRowRemoving(row);
    ordered_.erase(entry->second);
    byKey_.erase(entry);
    if (observer != nullptr)
        observer->OnlineRowRemoved(row);
    return true;
}

void OnlineList::Clear(OnlineListObserver* observer)
{
    if (observer != nullptr)
        observer->OnlineListClearing();
    byKey_.clear();
    ordered_.clear();
    if (observer != nullptr)
        observer->OnlineListCleared();
}
