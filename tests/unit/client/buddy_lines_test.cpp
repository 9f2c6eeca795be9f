// The one walk over blist.cfg's lines, and which names may be sent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "buddy_lines.h"
#include "normalize_name.h"

namespace {

struct WalkCase {
    const char* name;
    std::string list;
    std::vector<std::string> names;  // every line's name, blank ones included
};

TEST(BuddyLines, CrBeforeLfBelongsToTheLineEnd)
{
    const WalkCase cases[] = {
        {"Empty", "", {}},
        {"Lf", "alice\nbob\n", {"alice", "bob"}},
        {"CrLf", "alice\r\nbob\r\n", {"alice", "bob"}},
        {"MixedAndNoFinalLineEnd", "alice\r\nbob\ncarl", {"alice", "bob", "carl"}},
        {"LastCrWithoutLfIsPartOfTheName", "alice\r\nbob\r", {"alice", "bob\r"}},
        {"CrInsideAName", "a\rb\r\n", {"a\rb"}},
        {"OnlyTheLastCrGoes", "bob\r\r\n", {"bob\r"}},
        {"BlankLines", "\r\n\n\rx\n", {"", "", "\rx"}},
    };
    for (const WalkCase& c : cases) {
        std::vector<std::string> names;
        std::size_t covered = 0;
        ForEachBuddyLine(c.list, [&](const BuddyLine& line) {
            names.emplace_back(line.name);
            EXPECT_EQ(line.begin, covered) << c.name;  // lines follow each other with nothing skipped
            covered = line.next;
            return false;
        });
        EXPECT_EQ(names, c.names) << c.name;
        EXPECT_EQ(covered, c.list.size()) << c.name;
    }
}

TEST(BuddyLines, StopsWhenTold)
{
    int seen = 0;
    const bool stopped = ForEachBuddyLine("a\nb\nc\n", [&](const BuddyLine& line) {
        ++seen;
        return line.name == "b";
    });
    EXPECT_TRUE(stopped);
    EXPECT_EQ(seen, 2);
}

TEST(ValidScreenName, LettersDigitsBlanksAndFourMarksOrAnSmsNumber)
{
    struct Case {
        std::string name;
        bool valid;
    };
    const Case cases[] = {
        {"Bob Smith", true},   {"a.b_c-d@e", true}, {"0", true},          {" x ", true},
        {"", false},           {"   ", false},      {"bo\"b", false},     {"bo\\b", false},
        {"b{o}b", false},      {"bob\r", false},    {"bob\n", false},     {"bo\tb", false},
        {"j\xF6rg", false},    {"a:b", false},      {"a\x7F", false},     {std::string("a\0b", 3), false},
        // AIM's SMS recipients: "+" and digits only.
        {"+15551234567", true}, {"+1 555 1234", true}, {"+", false},      {"+  ", false},
        {"+1555a", false},      {"1+555", false},      {"++1", false},    {"+1\"", false},
        {"+1\\", false},        {"+1\x01", false},     {"+1\xB9", false}, {"+1-555", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsValidScreenName(c.name), c.valid) << c.name;
}

}  // namespace
