#include "grouped_buddy_model.h"

#include <algorithm>
#include <ctime>
#include <iterator>
#include <unordered_set>

#include "buddy_lines.h"
#include "config_sync.h"
#include "online_list.h"
#include "settings_state.h"
#include "name_order.h"
#include "normalize_name.h"
#include "online_list_model.h"

GroupedBuddyModel::GroupedBuddyModel(const OnlineList& online, const SettingsState& settings,
                                     const ConfigSync& config, OnlineListModel& flat, DisplayText toDisplay,
                                     QObject* parent)
    : QAbstractListModel(parent), online_(online), settings_(settings), config_(config), toDisplay_(toDisplay)
{
    const auto changed = [this] {
        if (active_)
            pacer_.Changed();
    };
    connect(&flat, &QAbstractItemModel::rowsInserted, this, changed);
    connect(&flat, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(&flat, &QAbstractItemModel::modelReset, this, changed);
    connect(&flat, &QAbstractItemModel::dataChanged, this, changed);
}

void GroupedBuddyModel::SetActive(bool active)
{
    active_ = active;
    if (active_)
        Refresh();
}

void GroupedBuddyModel::SetShowOffline(bool show)
{
    showOffline_ = show;
    if (active_)
        Refresh();
}

bool GroupedBuddyModel::Wanted() const
{
    return showOffline_ || !config_.groups.empty();
}

std::vector<GroupedBuddyModel::Row> GroupedBuddyModel::Build() const
{
    std::vector<Row> rows;
    std::unordered_set<std::string> placed;
    const auto sorted = [](std::vector<Row>& buddies) {
        std::sort(buddies.begin(), buddies.end(), [](const Row& a, const Row& b) { return NameSortsBefore(a.text, b.text); });
    };
    const auto addGroup = [&](const std::string& name, std::vector<Row> buddies, int total) {
        if (buddies.empty() && !showOffline_)
            return;
        sorted(buddies);
        Row header;
        header.header = true;
        header.text = name;
        header.total = total;
        header.shown = static_cast<int>(std::count_if(buddies.begin(), buddies.end(), [](const Row& r) { return r.online; }));
        rows.push_back(std::move(header));
        rows.insert(rows.end(), std::make_move_iterator(buddies.begin()), std::make_move_iterator(buddies.end()));
    };
    // Only buddies still on the list count; each in its first group.
    std::unordered_set<std::string> listed;
    ForEachBuddyLine(settings_.buddyList, [&](const BuddyLine& line) {
        listed.insert(NormalizeName(line.name));
        return false;
    });
    const auto buddyRow = [&](const std::string& name) -> Row {
        Row row;
        const int at = online_.RowOf(name);
        row.online = at >= 0;
        row.text = row.online ? online_.At(at) : name;
        return row;
    };
    // The default group's own buddies join the rest, under one heading.
    std::vector<Row> rest;
    int restTotal = 0;
    for (const BuddyGroup& group : config_.groups) {
        const bool isDefault = group.name == kDefaultGroupName;
        std::vector<Row> buddies;
        int total = 0;
        for (const std::string& name : group.buddies) {
            const std::string key = NormalizeName(name);
            if (listed.count(key) == 0 || !placed.insert(key).second)
                continue;
            ++total;
            Row row = buddyRow(name);
            if (row.online || showOffline_)
                buddies.push_back(std::move(row));
        }
        if (isDefault) {
            restTotal += total;
            std::move(buddies.begin(), buddies.end(), std::back_inserter(rest));
        } else {
            addGroup(group.name, std::move(buddies), total);
        }
    }
    // The rest: online names in no group, and listed buddies in none.
    for (int i = 0; i < online_.Count(); ++i) {
        if (placed.insert(NormalizeName(online_.At(i))).second) {
            ++restTotal;
            rest.push_back(buddyRow(online_.At(i)));
        }
    }
    ForEachBuddyLine(settings_.buddyList, [&](const BuddyLine& line) {
        if (!line.name.empty() && placed.insert(NormalizeName(line.name)).second) {
            ++restTotal;
            if (showOffline_)
                rest.push_back(buddyRow(std::string(line.name)));
        }
        return false;
    });
    addGroup(std::string(kDefaultGroupName), std::move(rest), restTotal);
    return rows;
}

void GroupedBuddyModel::Refresh()
{
    pacer_.Updated();
    std::vector<Row> rows = Build();
    const bool sameShape = rows.size() == rows_.size() &&
                           std::equal(rows.begin(), rows.end(), rows_.begin(), [](const Row& a, const Row& b) {
                               return a.header == b.header && NormalizeName(a.text) == NormalizeName(b.text);
                           });
    if (sameShape) {
        // The same names in the same places: the selection stays put.
        rows_ = std::move(rows);
        if (!rows_.empty())
            emit dataChanged(index(0), index(static_cast<int>(rows_.size()) - 1));
        return;
    }
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

std::string GroupedBuddyModel::NameAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size()) || rows_[row].header)
        return {};
    return rows_[row].text;
}

int GroupedBuddyModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

Qt::ItemFlags GroupedBuddyModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return Qt::NoItemFlags;
    if (rows_[index.row()].header)
        return Qt::ItemIsEnabled;
    return rows_[index.row()].online ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::ItemIsEnabled;
}

QVariant GroupedBuddyModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return {};
    const Row& row = rows_[index.row()];
    if (row.header) {
        const std::string text = row.text + " (" + std::to_string(row.shown) + "/" + std::to_string(row.total) + ")";
        switch (role) {
        case Qt::DisplayRole:
            return toDisplay_(text);
        case Qt::ToolTipRole:
        case Qt::AccessibleDescriptionRole:
            return toDisplay_("Group " + row.text + ": " + std::to_string(row.shown) + " of " +
                              std::to_string(row.total) + " online");
        case kNameRole:
            return QByteArray();
        default:
            return {};
        }
    }
    if (role == kNameRole)
        return QByteArray(row.text.data(), static_cast<qsizetype>(row.text.size()));
    const BuddyPresence* presence = row.online ? online_.PresenceOf(row.text) : nullptr;
    const std::string indent = "  ";
    switch (role) {
    case Qt::DisplayRole: {
        const std::string suffix = presence != nullptr ? PresenceSuffix(*presence, SteadyNowMs()) : std::string();
        return toDisplay_(indent + row.text + (suffix.empty() ? "" : " (" + suffix + ")"));
    }
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        if (!row.online)
            return toDisplay_(row.text + ": offline");
        return toDisplay_(presence != nullptr ? PresenceDescription(row.text, *presence, SteadyNowMs(), std::time(nullptr))
                                              : row.text);
    case OnlineListModel::kDimmedRole:
        return !row.online || (presence != nullptr && PresenceDimmed(*presence));
    default:
        return {};
    }
}
