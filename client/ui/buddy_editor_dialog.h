// "Buddy List Entry Editor": the buddy list, a name to add, Add and Remove.
// The dialog edits a copy (buddy_list_edit.h): OK applies it, Cancel drops it.
#pragma once

#include <string>

#include <QDialog>

#include "buddy_list_edit.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
struct ClientContext;

class BuddyEditorDialog final : public QDialog {
public:
    BuddyEditorDialog(ClientContext& ctx, QWidget* parent);

    QListWidget* BuddyList() const { return list_; }
    QLineEdit* NameEdit() const { return name_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* RemoveButton() const { return remove_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    // Why the last Add was refused; empty after a change.
    QLabel* Refusal() const { return refusal_; }

    // Every way of accepting (OK, Enter outside the name field) applies the edit.
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddName();
    void RemoveSelected();
    QListWidgetItem* InsertSorted(const std::string& name);

    ClientContext& ctx_;
    BuddyListEdit edit_;
    QListWidget* list_;
    QLineEdit* name_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QPushButton* add_;
    QPushButton* remove_;
    QLabel* refusal_;
};
