#include "online_list_model.h"

OnlineListModel::OnlineListModel(const OnlineList& list, DisplayText toDisplay, QObject* parent)
    : QAbstractListModel(parent), list_(list), toDisplay_(toDisplay)
{
}

int OnlineListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : list_.Count();
}

QVariant OnlineListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= list_.Count())
        return {};
    if (role == Qt::DisplayRole)
        return toDisplay_(list_.At(index.row()));
    return {};
}

void OnlineListModel::OnlineRowInserting(int row)
{
    beginInsertRows(QModelIndex(), row, row);
}

void OnlineListModel::OnlineRowInserted(int, std::string_view)
{
    endInsertRows();
}

void OnlineListModel::OnlineRowRemoving(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
}

void OnlineListModel::OnlineRowRemoved(int)
{
    endRemoveRows();
}

void OnlineListModel::OnlineListClearing()
{
    beginResetModel();
}

void OnlineListModel::OnlineListCleared()
{
    endResetModel();
}
