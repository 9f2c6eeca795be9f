// The online list: its order, one entry per normalised name, removal by any
// spelling, and rows that match what the window was told.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "name_order.h"
#include "normalize_name.h"
#include "online_list.h"
#include "recording_window.h"

namespace {

std::vector<std::string> Entries(const OnlineList& list)
{
    std::vector<std::string> out;
    for (int row = 0; row < list.Count(); ++row)
        out.push_back(list.At(row));
    return out;
}

// "+name" adds, "-name" removes; each with the result it must give.
struct Step {
    std::string op;
    bool changed;
};

struct Case {
    const char* what;
    std::vector<Step> steps;
    std::vector<std::string> entries;
};

TEST(OnlineListTest, KeepsOneEntryPerNameInListOrder)
{
    const Case cases[] = {
        {"arrivals in any order are listed without regard to case",
         {{"+carol", true}, {"+Bob", true}, {"+alice", true}, {"+Al", true}},
         {"Al", "alice", "Bob", "carol"}},
        {"descending arrivals",
         {{"+e", true}, {"+D", true}, {"+c", true}, {"+B", true}, {"+a", true}},
         {"a", "B", "c", "D", "e"}},
        {"the same name spelt differently is refused and the first spelling stays",
         {{"+Bob Smith", true}, {"+bobsmith", false}, {"+BOB SMITH", false}, {"+B o b S m i t h", false}},
         {"Bob Smith"}},
        {"names equal but for case are one name",
         {{"+bob", true}, {"+Bob", false}},
         {"bob"}},
        {"removal takes any spelling of the name",
         {{"+Bob Smith", true}, {"+carl", true}, {"-bob smith", true}, {"-BobSmith", false}},
         {"carl"}},
        {"removing a name not listed changes nothing",
         {{"+carl", true}, {"-dave", false}, {"-", false}},
         {"carl"}},
        {"a name can come back after it went",
         {{"+carl", true}, {"-carl", true}, {"+Carl", true}},
         {"Carl"}},
        {"white space other than the blank is part of the name",
         {{"+bob\tsmith", true}, {"+bobsmith", true}, {"-bob smith", true}},
         {"bob\tsmith"}},
        {"8-bit names sort after ASCII and keep their bytes",
         {{"+\xE9t\xE9", true}, {"+zed", true}, {"+\xC9T\xC9", true}},
         {"zed", "\xC9T\xC9", "\xE9t\xE9"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OnlineList list;
        RecordingWindow window;
        list.Watch(&window);
        for (const Step& step : c.steps) {
            const std::string name = step.op.substr(1);
            const bool changed = step.op[0] == '+' ? list.Insert(name) : list.Remove(name);
            EXPECT_EQ(changed, step.changed) << step.op;
        }
        EXPECT_EQ(Entries(list), c.entries);
        EXPECT_EQ(window.OnlineNames(), c.entries);
        EXPECT_EQ(window.badOnlineNotices, 0);
    }
}

TEST(OnlineListTest, RowOfFindsAnySpellingOfAListedName)
{
    OnlineList list;
    for (const char* name : {"carl", "Bob Smith", "alice"})
        list.Insert(name);
    struct RowCase {
        const char* name;
        int row;
    };
    for (const RowCase& c : {RowCase{"alice", 0}, RowCase{"ALICE", 0}, RowCase{"bobsmith", 1}, RowCase{"Bob Smith", 1},
                             RowCase{"carl", 2}, RowCase{"car l", 2}, RowCase{"dave", -1}, RowCase{"", -1},
                             RowCase{"bob", -1}})
        EXPECT_EQ(list.RowOf(c.name), c.row) << c.name;
}

TEST(OnlineListTest, ClearEmptiesTheListAndTellsTheWindow)
{
    OnlineList list;
    RecordingWindow window;
    list.Watch(&window);
    for (const char* name : {"a", "b", "c", "d", "e"})
        list.Insert(name);
    list.Clear();
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.RowOf("a"), -1);
    EXPECT_EQ(window.OnlineCount(), 0);
    EXPECT_TRUE(list.Insert("A"));  // the old entries' names are free again
    EXPECT_EQ(window.OnlineNames(), std::vector<std::string>{"A"});
    EXPECT_EQ(window.badOnlineNotices, 0);
}

// Many arrivals and departures, with names that collide once normalised,
// against a plain sorted vector: the entries, every row both ways and the
// window's copy stay the same.
TEST(OnlineListTest, MatchesASortedVectorThroughManyChanges)
{
    std::mt19937 random(7);
    OnlineList list;
    RecordingWindow window;
    list.Watch(&window);
    std::vector<std::string> expected;
    for (int i = 0; i < 4000; ++i) {
        // Names like "Ab c", "a bC": 3 letters from {a, b, c} in either case, maybe a blank.
        std::string name;
        for (int letter = 0; letter < 3; ++letter) {
            const char c = static_cast<char>('a' + random() % 3);
            name.push_back(random() % 2 == 0 ? c : static_cast<char>(c - 'a' + 'A'));
            if (random() % 4 == 0)
                name.push_back(' ');
        }
        const std::string key = NormalizeName(name);
        const auto listed = std::find_if(expected.begin(), expected.end(),
                                         [&](const std::string& entry) { return NormalizeName(entry) == key; });
        if (random() % 3 != 0) {
            ASSERT_EQ(list.Insert(name), listed == expected.end()) << name;
            if (listed == expected.end())
                expected.insert(std::upper_bound(expected.begin(), expected.end(), name,
                                                 [](const std::string& a, const std::string& b) {
                                                     return NameSortsBefore(a, b);
                                                 }),
                                name);
        } else {
            ASSERT_EQ(list.Remove(name), listed != expected.end()) << name;
            if (listed != expected.end())
                expected.erase(listed);
        }
    }
    ASSERT_GT(expected.size(), 5u);
    EXPECT_EQ(Entries(list), expected);
    EXPECT_EQ(window.OnlineNames(), expected);
    EXPECT_EQ(window.badOnlineNotices, 0);
    for (int row = 0; row < list.Count(); ++row)
        EXPECT_EQ(list.RowOf(expected[static_cast<std::size_t>(row)]), row);
}

}  // namespace
