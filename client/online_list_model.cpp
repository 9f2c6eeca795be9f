#include "online_list_model.h"

#include <ctime>
#include <utility>

#include "buddy_presence.h"

OnlineListModel::OnlineListModel(OnlineList& list, DisplayText toDisplay, QObject* parent)
    : QAbstractListModel(parent), list_(list), toDisplay_(toDisplay), shownRows_(list.Count())
{
    list_.Watch(this);
    idleTick_.setInterval(60 * 1000);
    connect(&idleTick_, &QTimer::timeout, this, [this] {
        if (shownRows_ > 0)
            emit dataChanged(index(0), index(shownRows_ - 1), {Qt::DisplayRole, Qt::ToolTipRole});
    });
    idleTick_.start();
}

OnlineListModel::~OnlineListModel()
{
    if (list_.Watcher() == this)
        list_.Watch(nullptr);
}

int OnlineListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownRows_;
}

const std::string* OnlineListModel::ShownEntry(int row) const
{
    // Follow the row through the changes held back to where it is now.
    for (const Change& change : held_) {
        if (change.insert) {
            if (row >= change.row)
                ++row;
        } else if (row == change.row) {
            return &change.removedName;
        } else if (row > change.row) {
            --row;
        }
    }
    return row < list_.Count() ? &list_.At(row) : nullptr;
}

QVariant OnlineListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= shownRows_)
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::AccessibleDescriptionRole &&
        role != kDimmedRole)
        return {};
    const std::string* entry = ShownEntry(index.row());
    if (entry == nullptr)
        return {};
    const BuddyPresence* presence = list_.PresenceOf(*entry);
    if (role == kDimmedRole)
        return presence != nullptr && PresenceDimmed(*presence);
    if (role == Qt::DisplayRole) {
        const std::string suffix = presence != nullptr ? PresenceSuffix(*presence, SteadyNowMs()) : std::string();
        return suffix.empty() ? toDisplay_(*entry) : toDisplay_(*entry + " (" + suffix + ")");
    }
    if (presence == nullptr)
        return toDisplay_(*entry);
    return toDisplay_(PresenceDescription(*entry, *presence, SteadyNowMs(), std::time(nullptr)));
}

void OnlineListModel::TellView(bool insert, int first, int count)
{
    if (insert) {
        beginInsertRows(QModelIndex(), first, first + count - 1);
        shownRows_ += count;
        endInsertRows();
    } else {
        beginRemoveRows(QModelIndex(), first, first + count - 1);
        shownRows_ -= count;
        endRemoveRows();
    }
}

void OnlineListModel::Flush()
{
    if (held_.empty())
        return;
    pacer_.Updated();
    // Neighbouring changes go as one block: names arriving in order, or
    // leaving in order, are one notice to the view.
    bool insert = false;
    int first = 0;
    int count = 0;
    for (const Change& change : held_) {
        if (count > 0 && change.insert == insert) {
            if (insert && change.row >= first && change.row <= first + count) {
                ++count;
                continue;
            }
            if (!insert && change.row == first) {
                ++count;
                continue;
            }
            if (!insert && change.row == first - 1) {
                --first;
                ++count;
                continue;
            }
        }
        if (count > 0)
            TellView(insert, first, count);
        insert = change.insert;
        first = change.row;
        count = 1;
    }
    // The list no longer needs following through the held changes.
    held_.clear();
    if (count > 0)
        TellView(insert, first, count);
    if (std::exchange(changedWhileHeld_, false) && shownRows_ > 0)
        emit dataChanged(index(0), index(shownRows_ - 1));
}

void OnlineListModel::OnlineRowChanged(int row)
{
    // While rows are held back the list's rows are not the view's: the whole
    // list is read again when they go.
    if (!held_.empty()) {
        changedWhileHeld_ = true;
        return;
    }
    if (row < shownRows_)
        emit dataChanged(index(row), index(row));
}

void OnlineListModel::OnlineRowInserting(int row)
{
    // A change after a quiet frame goes straight on; within a frame of the
    // last, it waits for the next.
    passingOn_ = held_.empty() && !pacer_.WithinFrame();
    if (passingOn_)
        beginInsertRows(QModelIndex(), row, row);
}

void OnlineListModel::OnlineRowInserted(int row, std::string_view)
{
    if (passingOn_) {
        ++shownRows_;
        endInsertRows();
        passingOn_ = false;
        pacer_.Updated();
        return;
    }
    held_.push_back(Change{true, row, {}});
    pacer_.Changed();
}

void OnlineListModel::OnlineRowRemoving(int row)
{
    passingOn_ = held_.empty() && !pacer_.WithinFrame();
    if (passingOn_)
        beginRemoveRows(QModelIndex(), row, row);
    else
        held_.push_back(Change{false, row, list_.At(row)});
}

void OnlineListModel::OnlineRowRemoved(int)
{
    if (passingOn_) {
        --shownRows_;
        endRemoveRows();
        passingOn_ = false;
        pacer_.Updated();
        return;
    }
    pacer_.Changed();
}

void OnlineListModel::OnlineListClearing()
{
    Flush();
    beginResetModel();
}

void OnlineListModel::OnlineListCleared()
{
    shownRows_ = list_.Count();
    endResetModel();
}
