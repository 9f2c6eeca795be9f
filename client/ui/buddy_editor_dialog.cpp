#include "buddy_editor_dialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "client_context.h"
#include "display_text.h"
#include "name_order.h"
#include "normalize_name.h"
#include "settings_files.h"

namespace {

// Each row keeps the name's bytes as stored, whatever the text shown for them.
std::string EntryBytes(const QListWidgetItem* item)
{
    return item->data(Qt::UserRole).toByteArray().toStdString();
}

}  // namespace

BuddyEditorDialog::BuddyEditorDialog(ClientContext& ctx, QWidget* parent)
    : QDialog(parent), ctx_(ctx), edit_(ctx.settings.buddyList)
{
    setWindowTitle(QStringLiteral("Buddy List Entry Editor"));
    setModal(true);
    ok_ = new QPushButton(QStringLiteral("&OK"), this);
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel_->setAutoDefault(false);
    list_ = new QListWidget(this);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    name_ = new QLineEdit(this);
    name_->setMaxLength(static_cast<int>(kMaxEditorName));
    name_->setFocus();
    name_->installEventFilter(this);
    list_->setAccessibleName(QStringLiteral("Buddy list"));
    name_->setAccessibleName(QStringLiteral("Screen name to add"));
    add_ = new QPushButton(QStringLiteral("&Add"), this);
    remove_ = new QPushButton(QStringLiteral("&Remove"), this);
    add_->setAutoDefault(false);
    remove_->setAutoDefault(false);
    refusal_ = new QLabel(this);
    refusal_->setWordWrap(true);
    refusal_->setTextFormat(Qt::PlainText);
    refusal_->setAccessibleName(QStringLiteral("Why the name was not added"));

    for (const std::string& name : BuddyListNames(edit_.List()))
        InsertSorted(name);

    auto* side = new QVBoxLayout;
    side->addWidget(ok_);
    side->addWidget(cancel_);
    side->addSpacing(12);
    side->addWidget(name_);
    side->addWidget(add_);
    side->addWidget(remove_);
    side->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addWidget(list_, 1);
    columns->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(refusal_);

    QObject::connect(ok_, &QPushButton::clicked, this, [this] { accept(); });
    QObject::connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
    QObject::connect(add_, &QPushButton::clicked, this, [this] { AddName(); });
    QObject::connect(remove_, &QPushButton::clicked, this, [this] { RemoveSelected(); });
}

void BuddyEditorDialog::accept()
{
    AcceptBuddyListEdit(ctx_, edit_);
    QDialog::accept();
}

// Enter in the name field adds the name; it never reaches the default button.
bool BuddyEditorDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == name_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            AddName();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QListWidgetItem* BuddyEditorDialog::InsertSorted(const std::string& name)
{
    int row = 0;
    while (row < list_->count() && !NameSortsBefore(name, EntryBytes(list_->item(row))))
        ++row;
    auto* item = new QListWidgetItem(DisplayText(name));
    item->setData(Qt::UserRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    list_->insertItem(row, item);
    return item;
}

void BuddyEditorDialog::AddName()
{
    const std::string name = FieldBytes(name_);
    const BuddyAdd result = edit_.Add(name);
    if (result == BuddyAdd::Empty)
        return;
    if (result != BuddyAdd::Added) {
        // The name stays to be mended.
        refusal_->setText(DisplayText(BuddyAddRefusal(result, name, edit_.List())));
        name_->selectAll();
        return;
    }
    refusal_->clear();
    QListWidgetItem* added = InsertSorted(name.substr(0, kMaxEditorName));
    list_->setCurrentItem(added);
    list_->scrollToItem(added);
    name_->clear();
}

void BuddyEditorDialog::RemoveSelected()
{
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty())
        return;
    const std::string key = NormalizeName(EntryBytes(selected.front()));
    if (!edit_.Remove(key))
        return;
    refusal_->clear();
    for (int row = 0; row < list_->count(); ++row) {
        if (NormalizeName(EntryBytes(list_->item(row))) == key) {
            delete list_->takeItem(row);
            break;
        }
    }
}
