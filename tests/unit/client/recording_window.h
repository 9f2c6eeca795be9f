// A ClientWindow that records what the client logic shows and lets a test
// play the user: it keeps the pane text and every call that changed it, the
// online list (ordered like the real one, with a selection), the input and
// Formatting texts, the buttons' states, scrolls and pump requests.
#pragma once

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "client_window.h"

class RecordingWindow final : public ClientWindow {
public:
    struct PaneCall {
        bool whole;  // SetOutputText (true) or AppendOutputText (false)
        std::string text;
        bool operator==(const PaneCall&) const = default;
    };

    // Output pane
    void SetOutputText(std::string_view text) override
    {
        pane.assign(text);
        paneCalls.push_back({true, std::string(text)});
    }
    void AppendOutputText(std::string_view text) override
    {
        pane.append(text);
        paneCalls.push_back({false, std::string(text)});
    }
    void ScrollOutputToEnd() override { ++scrolls; }

    // Online list
    int OnlineCount() const override { return static_cast<int>(online.size()); }
    void AddOnlineEntry(std::string_view name) override
    {
        // After every entry that does not sort after the new one, like a sorted list box.
        const auto at = std::upper_bound(online.begin(), online.end(), name,
                                         [](std::string_view n, const OnlineRow& row) {
                                             return NameSortsBefore(n, row.name);
                                         });
        online.insert(at, OnlineRow{std::string(name), false});
    }
    void RemoveOnlineEntry(std::string_view name) override
    {
        const auto it = FindOnline(name);
        if (it != online.end())
            online.erase(it);
    }
    void ClearOnlineEntries() override { online.clear(); }
    std::vector<std::string> SelectedOnlineEntries() const override
    {
        std::vector<std::string> selected;
        for (const OnlineRow& row : online) {
            if (row.selected)
                selected.push_back(row.name);
        }
        return selected;
    }

    // Input line and Formatting box
    std::string InputText() const override { return input; }
    void SetInputText(std::string_view text) override { input.assign(text); }
    std::string FormattingText() const override { return formatting; }
    void SetFormattingText(std::string_view text) override { formatting.assign(text); }

    void SetButtonEnabled(Button button, bool enabled) override { buttons[button] = enabled; }
    void* OwnerHandle() override { return owner; }
    void RequestPump(int delayMs) override
    {
        ++pumpRequests;
        lastPumpDelayMs = delayMs;
    }

    // Test helpers
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
    // A button never touched counts as enabled, as a fresh window's are.
    bool ButtonEnabled(Button button) const
    {
        const auto it = buttons.find(button);
        return it == buttons.end() || it->second;
    }

    struct OnlineRow {
        std::string name;
        bool selected;
    };

    std::string pane;
    std::vector<PaneCall> paneCalls;
    int scrolls = 0;
    std::vector<OnlineRow> online;
    std::string input;
    std::string formatting;
    std::map<Button, bool> buttons;
    void* owner = nullptr;
    int pumpRequests = 0;
    int lastPumpDelayMs = -1;

private:
    std::vector<OnlineRow>::iterator FindOnline(std::string_view name)
    {
        return std::find_if(online.begin(), online.end(), [&](const OnlineRow& row) { return row.name == name; });
    }
};
