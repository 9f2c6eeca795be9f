// A ClientWindow that records what the client logic shows and lets a test
// play the user: it keeps the pane text and every call that changed it, the
// online list (a row-by-row copy of what the client announced, with a
// selection, checking each announcement against the rows it has), the input and
// Formatting texts, the connection states announced, scrolls and pump
// requests. It mirrors the online list once the list is told to report to it
// (OnlineList::Watch).
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "client_window.h"
#include "online_list.h"

class RecordingWindow final : public ClientWindow, public OnlineListObserver {
public:
    struct PaneCall {
        bool whole;  // ShowOutputText (true) or OutputTextAppended (false)
        std::string text;
        bool operator==(const PaneCall&) const = default;
    };

    // Output pane
    void ShowOutputText(const std::string& text) override
    {
        pane.assign(text);
        paneCalls.push_back({true, text});
    }
    void OutputTextAppended(std::string_view text) override
    {
        pane.append(text);
        paneCalls.push_back({false, std::string(text)});
        if (onAppended)
            onAppended(text);
    }
    // Runs at each line shown, when set: what else holds at that moment.
    std::function<void(std::string_view)> onAppended;
    void ScrollOutputToEnd() override { ++scrolls; }

    // Online list: rows as announced. A row out of range, or an "after"
    // that does not match its "before", counts as a bad notice.
    void OnlineRowInserting(int row) override { Expect(Pending::Insert, row, row <= OnlineCount()); }
    void OnlineRowInserted(int row, std::string_view name) override
    {
        if (Settle(Pending::Insert, row))
            online.insert(online.begin() + row, OnlineRow{std::string(name), false});
    }
    void OnlineRowRemoving(int row) override { Expect(Pending::Remove, row, row < OnlineCount()); }
    void OnlineRowRemoved(int row) override
    {
        if (Settle(Pending::Remove, row))
            online.erase(online.begin() + row);
    }
    void OnlineListClearing() override { Expect(Pending::Clear, 0, true); }
    void OnlineListCleared() override
    {
        if (Settle(Pending::Clear, 0))
            online.clear();
    }
    std::vector<int> SelectedOnlineRows() const override
    {
        std::vector<int> rows;
        for (std::size_t row = 0; row < online.size(); ++row) {
            if (online[row].selected)
                rows.push_back(static_cast<int>(row));
        }
        return rows;
    }

    // Input line and Formatting box
    std::string InputText() const override { return input; }
    void SetInputText(std::string_view text) override { input.assign(text); }
    std::string FormattingText() const override { return formatting; }
    void SetFormattingText(std::string_view text) override { formatting.assign(text); }

    void ShowConnectionState(ConnectionState state) override { connectionStates.push_back(state); }
    void OfferUserConfig(std::string_view reason) override { configOffers.emplace_back(reason); }
    void* OwnerHandle() override { return owner; }
    void RequestPump(int delayMs) override
    {
        ++pumpRequests;
        lastPumpDelayMs = delayMs;
    }

    void ShowProfile(std::string_view screenName, std::string_view address) override
    {
        profiles.push_back({std::string(screenName), std::string(address)});
    }
    void CueSound(SoundEvent event) override { sounds.push_back(event); }

    // Test helpers
    int OnlineCount() const { return static_cast<int>(online.size()); }
    // Selects (or deselects) the entry with exactly this text, as a click would.
    void Select(std::string_view name, bool selected = true)
    {
        const auto it = FindOnline(name);
        if (it != online.end())
            it->selected = selected;
    }
    std::vector<std::string> OnlineNames() const
    {
        std::vector<std::string> names;
        for (const OnlineRow& row : online)
            names.push_back(row.name);
        return names;
    }
    // A fresh window is offline.
    ConnectionState LastConnectionState() const
    {
        return connectionStates.empty() ? ConnectionState::Offline : connectionStates.back();
    }

    struct OnlineRow {
        std::string name;
        bool selected;
    };

    std::string pane;
    std::vector<PaneCall> paneCalls;
    int scrolls = 0;
    std::vector<OnlineRow> online;
    int badOnlineNotices = 0;
    std::string input;
    std::string formatting;
    std::vector<ConnectionState> connectionStates;
    std::vector<std::string> configOffers;  // the reasons the configuration was offered for
    void* owner = nullptr;
    int pumpRequests = 0;
    int lastPumpDelayMs = -1;
    std::vector<std::pair<std::string, std::string>> profiles;  // ShowProfile's name and address
    std::vector<SoundEvent> sounds;  // CueSound's events

private:
    enum class Pending { None, Insert, Remove, Clear };

    void Expect(Pending what, int row, bool inRange)
    {
        if (pending_ != Pending::None || row < 0 || !inRange)
            ++badOnlineNotices;
        pending_ = what;
        pendingRow_ = row;
    }
    // Whether this "after" closes the "before" just seen (and the row is usable).
    bool Settle(Pending what, int row)
    {
        const bool ok = pending_ == what && pendingRow_ == row;
        pending_ = Pending::None;
        if (!ok)
            ++badOnlineNotices;
        return ok && row >= 0 &&
               (what != Pending::Insert || row <= OnlineCount()) && (what != Pending::Remove || row < OnlineCount());
    }

    Pending pending_ = Pending::None;
    int pendingRow_ = -1;

    std::vector<OnlineRow>::iterator FindOnline(std::string_view name)
    {
        return std::find_if(online.begin(), online.end(), [&](const OnlineRow& row) { return row.name == name; });
    }
};
