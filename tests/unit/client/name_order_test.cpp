// The online list's order, and the recording window that keeps it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "name_order.h"
#include "online_list.h"
#include "recording_window.h"

namespace {

TEST(NameSortsBeforeTest, IgnoresCaseThenBreaksTiesByteForByte)
{
    struct Case {
        const char* a;
        const char* b;
        bool before;
    };
    const Case cases[] = {
        {"alice", "Bob", true},
        {"Bob", "alice", false},
        {"Bob", "bob", true},   // equal but for case: 'B' (0x42) before 'b' (0x62)
        {"bob", "Bob", false},
        {"bob", "bob", false},  // never before itself
        {"bob", "BOBBY", true},
        {"BOBBY", "bob", false},
        {"", "a", true},
        {"a", "", false},
        {"_x", "ax", true},     // letters compare as lower case: '_' (0x5F) before 'a' (0x61)
        {"Zed", "_x", false},
        {"zed", "\xE9t\xE9", true},  // bytes above 0x7F sort after ASCII, not before it
        {"\x80", "\xFF", true},
        {"a b", "ab", true},    // a blank is a character like any other
    };
    for (const Case& c : cases)
        EXPECT_EQ(NameSortsBefore(c.a, c.b), c.before) << '"' << c.a << "\" vs \"" << c.b << '"';
}

TEST(NameSortsBeforeTest, OrdersAListTotally)
{
    std::vector<std::string> names = {"carol", "Bob", "bob", "ALICE", "alice", "Alice", "b", "\xE9", "_", "BOB"};
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return NameSortsBefore(a, b); });
    const std::vector<std::string> expected = {"_", "ALICE", "Alice", "alice", "b", "BOB", "Bob", "bob", "carol", "\xE9"};
    EXPECT_EQ(names, expected);
    // Exactly one of a<b, b<a for distinct names.
    for (const auto& a : names)
        for (const auto& b : names)
            if (a != b) {
                EXPECT_NE(NameSortsBefore(a, b), NameSortsBefore(b, a)) << a << " " << b;
            }
}

TEST(RecordingWindowTest, MirrorsTheOnlineListWithItsSelection)
{
    RecordingWindow w;
    OnlineList list;
    list.Watch(&w);
    for (const char* name : {"carol", "Bob", "alice"})
        list.Insert(name);
    w.Select("Bob");
    list.Insert("Al");
    list.Insert("bobby");
    EXPECT_EQ(w.OnlineNames(), (std::vector<std::string>{"Al", "alice", "Bob", "bobby", "carol"}));
    EXPECT_EQ(w.SelectedOnlineRows(), std::vector<int>{2});
    list.Remove("Al");
    EXPECT_EQ(w.OnlineNames(), (std::vector<std::string>{"alice", "Bob", "bobby", "carol"}));
    EXPECT_EQ(w.SelectedOnlineRows(), std::vector<int>{1});
    list.Remove("BOB");  // the same name, however it is spelt
    EXPECT_TRUE(w.SelectedOnlineRows().empty());
    list.Clear();
    EXPECT_EQ(w.OnlineCount(), 0);
    EXPECT_EQ(w.badOnlineNotices, 0);
}

TEST(RecordingWindowTest, CountsNoticesThatDoNotFitItsRows)
{
    RecordingWindow w;
    w.OnlineRowRemoving(0);  // nothing to remove
    w.OnlineRowRemoved(0);
    EXPECT_EQ(w.badOnlineNotices, 1);
    w.OnlineRowInserting(0);
    w.OnlineRowInserted(1, "x");  // not the row announced
    EXPECT_EQ(w.badOnlineNotices, 2);
    w.OnlineRowInserted(0, "x");  // no "before" at all
    EXPECT_EQ(w.badOnlineNotices, 3);
    EXPECT_EQ(w.OnlineCount(), 0);
}

}  // namespace
