#include "presence_delegate.h"

#include <QPalette>

#include "online_list_model.h"

void PresenceDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (!index.data(OnlineListModel::kDimmedRole).toBool())
        return;
    const QColor dim = option->palette.color(QPalette::Disabled, QPalette::Text);
    option->palette.setColor(QPalette::Text, dim);
    option->palette.setColor(QPalette::WindowText, dim);
}
