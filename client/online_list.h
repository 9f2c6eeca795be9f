// The online list: the screen names now online, each exactly as the server
// gave it, one entry per normalised name, in NameSortsBefore order
// (name_order.h). Kept once, here; its model (online_list_model.h) shows it
// to the window's view by row. Insert, removal and the row of an entry
// or the entry at a row all take logarithmic time, so a flood of arrivals in
// any order stays cheap.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "buddy_presence.h"

// Told of every change around it, by row, the way an item view needs it:
// before (the rows still as they were) and after.
class OnlineListObserver {
public:
    virtual void OnlineRowInserting(int row) = 0;
    virtual void OnlineRowInserted(int row, std::string_view name) = 0;
    virtual void OnlineRowRemoving(int row) = 0;
    virtual void OnlineRowRemoved(int row) = 0;
    // The entry at row stays where it is; what is shown of it changed.
    virtual void OnlineRowChanged(int /*row*/) {}
    virtual void OnlineListClearing() = 0;
    virtual void OnlineListCleared() = 0;

protected:
    ~OnlineListObserver() = default;
};

class OnlineList {
public:
    OnlineList();
    ~OnlineList();
    OnlineList(const OnlineList&) = delete;
    OnlineList& operator=(const OnlineList&) = delete;

    int Count() const;
    bool Empty() const { return Count() == 0; }
    // The entry at row, 0 <= row < Count().
    const std::string& At(int row) const;
    // The row of the entry whose normalised form is that of name, or -1.
    int RowOf(std::string_view name) const;

    // Who is told of each change from now on (one at most; nullptr: nobody).
    void Watch(OnlineListObserver* observer) { observer_ = observer; }
    OnlineListObserver* Watcher() const { return observer_; }

    // Adds name as given unless an entry with the same normalised form is
    // listed; false then, and nothing changes.
    bool Insert(std::string_view name, const BuddyPresence& presence = {});
    // What the server last said of a listed name; nullptr when not listed.
    const BuddyPresence* PresenceOf(std::string_view name) const;
    // Replaces the presence of a listed name; its row stays. False when the
    // name is not listed.
    bool SetPresence(std::string_view name, const BuddyPresence& presence);
    // Removes the entry with the same normalised form as name; false if none.
    bool Remove(std::string_view name);
    void Clear();

private:
    // The ordered tree and its index, kept out of this header: it is included
    // wherever the client's state is.
    struct Entries;
    std::unique_ptr<Entries> entries_;
    OnlineListObserver* observer_ = nullptr;
};
