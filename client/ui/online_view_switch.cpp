#include "online_view_switch.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

#include "config_sync.h"
#include "online_list.h"
#include "settings_state.h"
#include "display_text.h"
#include "grouped_buddy_model.h"
#include "normalize_name.h"
#include "online_list_model.h"
#include "app_settings.h"
#include "output.h"

OnlineViewSwitch::OnlineViewSwitch(const Printer& out, const OnlineList& online, const SettingsState& settings,
                                   const ConfigSync& config, QListView& view, OnlineListModel& flat, QObject* parent)
    : QObject(parent), out_(out), online_(online), settings_(settings), view_(view), flat_(flat),
      grouped_(new GroupedBuddyModel(online, settings, config, flat, &DisplayText, this))
{
    grouped_->SetShowOffline(LoadAppSettings(settings_.profile).presence.showOffline);
    // Groups may come with the server's configuration at sign-on.
    const auto recheck = [this] {
        if (grouped_->Wanted() != Grouped())
            Refresh();
    };
    connect(&flat_, &QAbstractItemModel::rowsInserted, this, recheck);
    connect(&flat_, &QAbstractItemModel::modelReset, this, recheck);
    // A rebuild of the grouped rows keeps the selection on the same names.
    connect(grouped_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        selectedBeforeReset_.clear();
        if (Grouped() && view_.selectionModel() != nullptr) {
            for (const QModelIndex& index : view_.selectionModel()->selectedRows())
                selectedBeforeReset_.push_back(NormalizeName(grouped_->NameAt(index.row())));
        }
    });
    Refresh();
}

void OnlineViewSwitch::AddMenu(QMenuBar& menuBar)
{
    QMenu* view = menuBar.addMenu(QStringLiteral("&View"));
    showOffline_ = view->addAction(QStringLiteral("Show &offline buddies"));
    showOffline_->setCheckable(true);
    showOffline_->setChecked(grouped_->ShowOffline());
    connect(showOffline_, &QAction::toggled, this, [this](bool on) { ShowOffline(on); });
}

void OnlineViewSwitch::ShowOffline(bool show)
{
    grouped_->SetShowOffline(show);
    AppSettings settings = LoadAppSettings(settings_.profile);
    settings.presence.showOffline = show;
    if (const std::string why = SaveAppSettings(settings_.profile, settings); !why.empty())
        PrintLine(out_, "Could not save the settings to " + std::string(kAppSettingsFile) + ": " + why + ".");
    Refresh();
}

void OnlineViewSwitch::Refresh()
{
    QAbstractItemModel* wanted = grouped_->Wanted() ? static_cast<QAbstractItemModel*>(grouped_) : &flat_;
    grouped_->SetActive(wanted == grouped_);
    if (view_.model() != wanted) {
        view_.setModel(wanted);
        // After the view's own handling of a reset, which clears the selection.
        disconnect(reselect_);
        reselect_ = connect(grouped_, &QAbstractItemModel::modelReset, this, [this] { Reselect(); });
        // A flat list's rows are all alike; a grouped one's are too, but
        // the switch must not keep the old model's measurements.
        view_.reset();
    }
}

void OnlineViewSwitch::Reselect()
{
    if (!Grouped() || view_.selectionModel() == nullptr)
        return;
    for (int row = 0; row < grouped_->rowCount(); ++row) {
        const std::string name = grouped_->NameAt(row);
        if (!name.empty() && std::find(selectedBeforeReset_.begin(), selectedBeforeReset_.end(), NormalizeName(name)) !=
                                 selectedBeforeReset_.end())
            view_.selectionModel()->select(grouped_->index(row), QItemSelectionModel::Select);
    }
    selectedBeforeReset_.clear();
}

bool OnlineViewSwitch::Grouped() const
{
    return view_.model() == grouped_;
}

std::vector<int> OnlineViewSwitch::SelectedOnlineRows() const
{
    std::vector<int> rows;
    if (view_.selectionModel() == nullptr)
        return rows;
    for (const QModelIndex& index : view_.selectionModel()->selectedRows()) {
        const int row = online_.RowOf(grouped_->NameAt(index.row()));
        if (row >= 0)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}
