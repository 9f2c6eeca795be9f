// The online list's item model binds itself to the list: a view given the
// model sees every change without the window passing anything on, and the
// list is never left telling a model that is gone.
#include <gtest/gtest.h>

#include <QStringList>
#include <string>

#include "online_list.h"
#include "online_list_model.h"

namespace {

QString Shown(std::string_view name)
{
    return QString::fromStdString(std::string(name));
}

QStringList Rows(const OnlineListModel& model)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row)
        rows << model.data(model.index(row)).toString();
    return rows;
}

TEST(OnlineListModelTest, WatchesTheListFromItsMakingToItsEnd)
{
    OnlineList list;
    list.Insert("bob");
    {
        OnlineListModel model(list, &Shown);
        EXPECT_EQ(list.Watcher(), &model);
        EXPECT_EQ(Rows(model), QStringList{"bob"});  // what was there before it
        list.Insert("carl");
        list.Insert("Alice");
        list.Remove("BOB");
        model.Flush();
        EXPECT_EQ(Rows(model), (QStringList{"Alice", "carl"}));
        list.Clear();
        model.Flush();
        EXPECT_EQ(model.rowCount(), 0);
    }
    EXPECT_EQ(list.Watcher(), nullptr);
    EXPECT_TRUE(list.Insert("dave"));  // nobody is told, and nothing dangles
}

}  // namespace
