// The online list: the screen names now online, each exactly as the server
// gave it, one entry per normalised name, in NameSortsBefore order. Kept once,
// here; the window shows it by row. Insert, removal and the row of an entry
// or the entry at a row all take logarithmic time, so a flood of arrivals in
// any order stays cheap.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include <ext/pb_ds/assoc_container.hpp>
#include <ext/pb_ds/tree_policy.hpp>

// Told of every change around it, by row, the way an item view needs it:
// before (the rows still as they were) and after.
class OnlineListObserver {
public:
    virtual void OnlineRowInserting(int row) = 0;
    virtual void OnlineRowInserted(int row, std::string_view name) = 0;
    virtual void OnlineRowRemoving(int row) = 0;
    virtual void OnlineRowRemoved(int row) = 0;
    virtual void OnlineListClearing() = 0;
    virtual void OnlineListCleared() = 0;

protected:
    ~OnlineListObserver() = default;
};

class OnlineList {
public:
    int Count() const { return static_cast<int>(ordered_.size()); }
    bool Empty() const { return ordered_.empty(); }
    // The entry at row, 0 <= row < Count().
    const std::string& At(int row) const;
    // The row of the entry whose normalised form is that of name, or -1.
    int RowOf(std::string_view name) const;

    // Adds name as given unless an entry with the same normalised form is
    // listed; false then, and nothing changes.
    bool Insert(std::string_view name, OnlineListObserver* observer = nullptr);
    // Removes the entry with the same normalised form as name; false if none.
    bool Remove(std::string_view name, OnlineListObserver* observer = nullptr);
    void Clear(OnlineListObserver* observer = nullptr);

private:
    struct SortsBefore {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    // A red-black tree whose nodes know their subtree's size: the rank of a
    // name and the name at a rank in O(log n). Its nodes never move, so the
    // index by normalised form can point at them.
    using Ordered = __gnu_pbds::tree<std::string, __gnu_pbds::null_type, SortsBefore, __gnu_pbds::rb_tree_tag,
                                     __gnu_pbds::tree_order_statistics_node_update>;

    Ordered ordered_;
    // Normalised form -> the entry in ordered_.
    std::unordered_map<std::string, Ordered::iterator> byKey_;
};
