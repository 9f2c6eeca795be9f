// The online list shown under the user's groups (Qt Core only): one row per
// group ("Friends (2/3)", not selectable) followed by its buddies in name
// order (name_order.h), online buddies as the flat model shows them and,
// when asked, offline buddies too (dimmed). Online buddies in no group come
// last under kDefaultGroupName. It is rebuilt from the client's state at
// most once a frame after the flat model (online_list_model.h) changes, so
// a flood of arrivals costs one rebuild a frame; a buddy list is small.
#pragma once

#include <QAbstractListModel>
#include <string>
#include <string_view>
#include <vector>

#include "frame_pacer.h"

struct ConfigSync;
class OnlineList;
struct SettingsState;
class OnlineListModel;

class GroupedBuddyModel final : public QAbstractListModel {
public:
    // The buddy's name as listed (bytes); empty for a group's row.
    static constexpr int kNameRole = Qt::UserRole + 2;
    using DisplayText = QString (*)(std::string_view);

    GroupedBuddyModel(const OnlineList& online, const SettingsState& settings, const ConfigSync& config,
                      OnlineListModel& flat, DisplayText toDisplay, QObject* parent = nullptr);

    void SetShowOffline(bool show);
    bool ShowOffline() const { return showOffline_; }
    // Whether it shows more than the flat list: the user has groups, or
    // offline buddies are shown.
    bool Wanted() const;
    // Reads the client's state again now.
    void Refresh();
    // Only a model a view shows follows the flat list's changes: a hidden
    // one costs nothing during a flood.
    void SetActive(bool active);
    // The buddy at a row, or empty for a group's row.
    std::string NameAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Row {
        bool header = false;
        std::string text;  // a group's name, or a buddy as listed
        bool online = false;
        int shown = 0;  // a group: its online buddies
        int total = 0;  // a group: its buddies
    };
    std::vector<Row> Build() const;

    const OnlineList& online_;
    const SettingsState& settings_;
    const ConfigSync& config_;
    DisplayText toDisplay_;
    bool showOffline_ = false;
    bool active_ = false;
    std::vector<Row> rows_;
    FramePacer pacer_{[this] { Refresh(); }};
};
