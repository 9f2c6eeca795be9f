// The online list's item model binds itself to the list: a view given the
// model sees every change without the window passing anything on, and the
// list is never left telling a model that is gone.
#include <gtest/gtest.h>

#include <QStringList>
#include <string>

#include "online_list.h"
#include "online_list_model.h"

#include <vector>

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

// A presence change reaches the view as a change of that one row, which then
// reads the short suffix, the dimming and the words a screen reader says.
TEST(OnlineListModelTest, PresenceChangesTheRowInPlace)
{
    OnlineList list;
    OnlineListModel model(list, &Shown);
    list.Insert("alice");
    list.Insert("Bob");
    model.Flush();
    std::vector<int> changed;
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& first, const QModelIndex& last) {
                         for (int row = first.row(); row <= last.row(); ++row)
                             changed.push_back(row);
                     });
    ASSERT_TRUE(list.SetPresence("bob", ParsePresence("5", "0", "0", " OU", SteadyNowMs())));
    EXPECT_EQ(changed, std::vector<int>({1}));
    const QModelIndex bob = model.index(1);
    EXPECT_EQ(Rows(model), (QStringList{"alice", "Bob (away, 5%)"}));
    EXPECT_TRUE(bob.data(OnlineListModel::kDimmedRole).toBool());
    EXPECT_FALSE(model.index(0).data(OnlineListModel::kDimmedRole).toBool());
    EXPECT_EQ(bob.data(Qt::AccessibleDescriptionRole).toString(), "Bob: away; warning level 5%");
    EXPECT_EQ(bob.data(Qt::ToolTipRole), bob.data(Qt::AccessibleDescriptionRole));
    EXPECT_FALSE(list.SetPresence("nobody", {}));
}
