// The online list as a Qt item model (Qt Core only): one row per entry of the
// client's OnlineList, read where it lives (nothing is copied). The model
// watches the list from its making to its end, so a view binds it directly.
// It passes each change on to the view by row, so the view never rebuilds and
// its selection stays on the same names. While changes stream in (a flood of arrivals), they
// reach the view together at most once a frame, so the view lays itself out
// once a frame rather than once a turn; until then the view keeps seeing the
// list as it was.
#pragma once

#include <QAbstractListModel>
#include <QTimer>
#include <string>
#include <string_view>
#include <vector>

#include "frame_pacer.h"
#include "online_list.h"

class OnlineListModel final : public QAbstractListModel, public OnlineListObserver {
public:
    // True for a name shown dimmed (away or idle); the view's delegate reads it.
    static constexpr int kDimmedRole = Qt::UserRole + 1;

    // toDisplay turns an entry's bytes into the text shown.
    using DisplayText = QString (*)(std::string_view);
    OnlineListModel(OnlineList& list, DisplayText toDisplay, QObject* parent = nullptr);
    ~OnlineListModel() override;
    OnlineListModel(const OnlineListModel&) = delete;
    OnlineListModel& operator=(const OnlineListModel&) = delete;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Tells the view of every change held back, now.
    void Flush();

    // OnlineListObserver
    void OnlineRowInserting(int row) override;
    void OnlineRowInserted(int row, std::string_view name) override;
    void OnlineRowRemoving(int row) override;
    void OnlineRowRemoved(int row) override;
    void OnlineRowChanged(int row) override;
    void OnlineListClearing() override;
    void OnlineListCleared() override;

private:
    // A change the view has not been told of; row as it was when it came.
    struct Change {
        bool insert;
        int row;
        std::string removedName;
    };
    // Rows first..first+count-1 arrive or leave together.
    void TellView(bool insert, int first, int count);
    const std::string* ShownEntry(int row) const;

    OnlineList& list_;
    DisplayText toDisplay_;
    int shownRows_ = 0;         // the rows the view knows of
    bool passingOn_ = false;    // a change is being told to the view as it happens
    std::vector<Change> held_;  // in the order they came
    FramePacer pacer_{[this] { Flush(); }};
    bool changedWhileHeld_ = false;  // a row changed while rows were held back
    // Idle times count on between updates: the rows are read again each minute.
    QTimer idleTick_;
};
