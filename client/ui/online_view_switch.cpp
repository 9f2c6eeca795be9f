#include "online_view_switch.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

#include "client_context.h"
#include "display_text.h"
#include "grouped_buddy_model.h"
#include "online_list_model.h"
#include "app_settings.h"
#include "output.h"

OnlineViewSwitch::OnlineViewSwitch(ClientContext& ctx, QListView& view, OnlineListModel& flat, QObject* parent)
    : QObject(parent), ctx_(ctx), view_(view), flat_(flat),
      grouped_(new GroupedBuddyModel(ctx, flat, &DisplayText, this))
{
    grouped_->SetShowOffline(LoadAppSettings(ctx_.settings.profile).presence.showOffline);
    // Groups may come with the server's configuration at sign-on.
    const auto recheck = [this] {
        if (grouped_->Wanted() != Grouped())
            Refresh();
    };
    connect(&flat_, &QAbstractItemModel::rowsInserted, this, recheck);
    connect(&flat_, &QAbstractItemModel::modelReset, this, recheck);
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
    AppSettings settings = LoadAppSettings(ctx_.settings.profile);
    settings.presence.showOffline = show;
    if (const std::string why = SaveAppSettings(ctx_.settings.profile, settings); !why.empty())
        PrintLine(ctx_, "Could not save the settings to " + std::string(kAppSettingsFile) + ": " + why + ".");
    Refresh();
}

void OnlineViewSwitch::Refresh()
{
    QAbstractItemModel* wanted = grouped_->Wanted() ? static_cast<QAbstractItemModel*>(grouped_) : &flat_;
    grouped_->SetActive(wanted == grouped_);
    if (view_.model() != wanted) {
        view_.setModel(wanted);
        // A flat list's rows are all alike; a grouped one's are too, but
        // the switch must not keep the old model's measurements.
        view_.reset();
    }
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
        const int row = ctx_.online.RowOf(grouped_->NameAt(index.row()));
        if (row >= 0)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}
