// The online list as a Qt item model: one row per entry of the client's
// OnlineList, read where it lives (nothing is copied). It passes each change
// on to the view as a single row, so the view never rebuilds and its
// selection stays on the same names.
#pragma once

#include <QAbstractListModel>
#include <string_view>

#include "online_list.h"

class OnlineListModel final : public QAbstractListModel, public OnlineListObserver {
public:
    // toDisplay turns an entry's bytes into the text shown.
    using DisplayText = QString (*)(std::string_view);
    OnlineListModel(const OnlineList& list, DisplayText toDisplay, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // OnlineListObserver
    void OnlineRowInserting(int row) override;
    void OnlineRowInserted(int row, std::string_view name) override;
    void OnlineRowRemoving(int row) override;
    void OnlineRowRemoved(int row) override;
    void OnlineListClearing() override;
    void OnlineListCleared() override;

private:
    const OnlineList& list_;
    DisplayText toDisplay_;
};
