#include "buddy_editor_dialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "client_context.h"
#include "display_text.h"
#include "name_order.h"
#include "normalize_name.h"
#include "settings_edits.h"
#include "settings_files.h"

namespace {

// Each row keeps the name's bytes as stored, whatever the text shown for them.
std::string EntryBytes(const QListWidgetItem* item)
{
    return item->data(Qt::UserRole).toByteArray().toStdString();
}

}  // namespace

BuddyEditorDialog::BuddyEditorDialog(ClientContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx)
{
    setWindowTitle(QStringLiteral("Buddy List Entry Editor"));
    setModal(true);
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setDefault(true);
    list_ = new QListWidget(this);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    name_ = new QLineEdit(this);
    name_->setMaxLength(static_cast<int>(kMaxEditorName));
    name_->setFocus();
    list_->setAccessibleName(QStringLiteral("Buddy list"));
    name_->setAccessibleName(QStringLiteral("Screen name to add"));
    add_ = new QPushButton(QStringLiteral("&Add"), this);
    remove_ = new QPushButton(QStringLiteral("&Remove"), this);
    add_->setAutoDefault(false);
    remove_->setAutoDefault(false);

    for (const std::string& name : BuddyListNames(ctx.settings.buddyList))
        InsertSorted(name);

    auto* side = new QVBoxLayout;
    side->addWidget(ok);
    side->addSpacing(12);
    side->addWidget(name_);
    side->addWidget(add_);
    side->addWidget(remove_);
    side->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(side);

    QObject::connect(ok, &QPushButton::clicked, this, [this] { accept(); });
    QObject::connect(add_, &QPushButton::clicked, this, [this] { AddName(); });
    QObject::connect(remove_, &QPushButton::clicked, this, [this] { RemoveSelected(); });
}

void BuddyEditorDialog::InsertSorted(const std::string& name)
{
    int row = 0;
    while (row < list_->count() && !NameSortsBefore(name, EntryBytes(list_->item(row))))
        ++row;
    auto* item = new QListWidgetItem(DisplayText(name));
    item->setData(Qt::UserRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    list_->insertItem(row, item);
}

void BuddyEditorDialog::AddName()
{
    const std::string name = FieldBytes(name_);
    if (name.empty())
        return;
    if (AddBuddyFromEditor(ctx_, name))
        InsertSorted(name);
}

void BuddyEditorDialog::RemoveSelected()
{
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty())
        return;
    const std::string key = NormalizeName(EntryBytes(selected.front()));
    if (!RemoveBuddyFromEditor(ctx_, key))
        return;
    for (int row = 0; row < list_->count(); ++row) {
        if (NormalizeName(EntryBytes(list_->item(row))) == key) {
            delete list_->takeItem(row);
            break;
        }
    }
}
