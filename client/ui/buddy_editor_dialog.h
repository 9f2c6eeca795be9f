// "Buddy List Entry Editor": the buddy list, a name to add, Add and Remove.
#pragma once

#include <string>

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;
struct ClientContext;

class BuddyEditorDialog final : public QDialog {
public:
    BuddyEditorDialog(ClientContext& ctx, QWidget* parent);

    QListWidget* BuddyList() const { return list_; }
    QLineEdit* NameEdit() const { return name_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* RemoveButton() const { return remove_; }

private:
    void AddName();
    void RemoveSelected();
    void InsertSorted(const std::string& name);

    ClientContext& ctx_;
    QListWidget* list_;
    QLineEdit* name_;
    QPushButton* add_;
    QPushButton* remove_;
};
