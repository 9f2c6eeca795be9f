// Which model the online list's view shows: the flat online list, or the
// buddies under their groups (grouped_buddy_model.h) once the user has
// groups or asks for offline buddies too (View, "Show offline buddies",
// kept in quenlo.ini). Also maps the view's selection back to rows of the
// client's online list, whichever model is shown.
#pragma once

#include <QObject>

#include <string>
#include <vector>

class GroupedBuddyModel;
class OnlineListModel;
class QAction;
class QListView;
class QMenuBar;
#include "printer.h"

struct ConfigSync;
class OnlineList;
struct SettingsState;

class OnlineViewSwitch final : public QObject {
public:
    OnlineViewSwitch(const Printer& out, const OnlineList& online, const SettingsState& settings,
                     const ConfigSync& config, QListView& view, OnlineListModel& flat, QObject* parent);

    // Adds the View menu with "Show offline buddies".
    void AddMenu(QMenuBar& menuBar);
    // The groups or the buddy list changed: shows the right model, up to date.
    void Refresh();
    bool Grouped() const;
    // The selected rows as rows of the client's online list, ascending.
    std::vector<int> SelectedOnlineRows() const;
    QAction* ShowOfflineAction() const { return showOffline_; }

private:
    void ShowOffline(bool show);
    void Reselect();

    Printer out_;
    const OnlineList& online_;
    const SettingsState& settings_;
    QListView& view_;
    OnlineListModel& flat_;
    GroupedBuddyModel* grouped_;
    QAction* showOffline_ = nullptr;
    QMetaObject::Connection reselect_;
    std::vector<std::string> selectedBeforeReset_;  // the grouped model rebuilds; the selection stays on its names
};
