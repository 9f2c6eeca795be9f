// Draws the online list's names dimmed for a buddy who is away or idle
// (the model's kDimmedRole); otherwise as any list item.
#pragma once

#include <QStyledItemDelegate>

class PresenceDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
