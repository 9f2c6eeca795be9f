#include "buddy_editor_dialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "client_context.h"
#include "normalize_name.h"
#include "settings_edits.h"
#include "settings_files.h"

namespace {

std::string FromQString(const QString& text)
{
    return text.toUtf8().toStdString();
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
    add_ = new QPushButton(QStringLiteral("&Add"), this);
    remove_ = new QPushButton(QStringLiteral("&Remove"), this);
    add_->setAutoDefault(false);
    remove_->setAutoDefault(false);

    for (const std::string& name : BuddyListNames(ctx.buddyList))
        InsertSorted(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));

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

void BuddyEditorDialog::InsertSorted(const QString& name)
{
    int row = 0;
    while (row < list_->count() && QString::compare(list_->item(row)->text(), name, Qt::CaseInsensitive) <= 0)
        ++row;
    list_->insertItem(row, name);
}

void BuddyEditorDialog::AddName()
{
    const QString text = name_->text();
    if (text.isEmpty())
        return;
    if (AddBuddyFromEditor(ctx_, FromQString(text)))
        InsertSorted(text);
}

void BuddyEditorDialog::RemoveSelected()
{
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty())
        return;
    const std::string key = NormalizeName(FromQString(selected.front()->text()));
    if (!RemoveBuddyFromEditor(ctx_, key))
        return;
    for (int row = 0; row < list_->count(); ++row) {
        if (NormalizeName(FromQString(list_->item(row)->text())) == key) {
            delete list_->takeItem(row);
            break;
        }
    }
}
