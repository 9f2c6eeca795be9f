// Profile pages as the client shows them: text without markup, links kept
// apart as runs (only ones the user may follow), and whose profile and
// which address a GOTO_URL names.
#include <gtest/gtest.h>

#include <ostream>

#include "profile_page.h"

void PrintTo(const ProfileRun& run, std::ostream* os)
{
    *os << "{\"" << run.text << "\", \"" << run.link << "\"}";
}

namespace {

using Runs = std::vector<ProfileRun>;

struct PageCase {
    const char* name;
    const char* page;
    Runs runs;
};

class ProfilePageTest : public ::testing::TestWithParam<PageCase> {};

TEST_P(ProfilePageTest, GivesTextAndLinkRuns)
{
    EXPECT_EQ(ProfileRuns(GetParam().page), GetParam().runs);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ProfilePageTest,
    ::testing::Values(
        PageCase{"BodyOnlyNoTitleOrScript",
                 "<HTML><HEAD><TITLE>Profile of bob</TITLE><script>x()</script></HEAD>"
                 "<BODY BGCOLOR=\"#fff\">Username: <B>bob</B><BR>Warning Level: <B>0%</B><HR>"
                 "<script>alert(1)</script><font  color=red>Hi   there</font></BODY></HTML>",
                 {{"Username: bob\nWarning Level: 0%\nHi there", ""}}},
        PageCase{"LinksAmidText",
                 "See <a href=\"http://example.org/a?x=1&amp;y=2\">my page</A> and "
                 "<A HREF='mailto:bob@example.org'>mail</a>.",
                 {{"See ", ""}, {"my page", "http://example.org/a?x=1&y=2"}, {" and ", ""},
                  {"mail", "mailto:bob@example.org"}, {".", ""}}},
        PageCase{"UnfollowableLinkIsText",
                 "<a href=\"javascript:alert(1)\">click</a> <a href=file:///etc/passwd>f</a>",
                 {{"click f", ""}}},
        PageCase{"RelativeLinkAndEmptyText", "<a href=\"info?user=echobot\"></a>",
                 {{"info?user=echobot", "info?user=echobot"}}},
        PageCase{"EntitiesAndStrayAngles", "a &lt;b&gt; &amp;&#233;&#x41; 3 < 4 &bogus; &nbsp;&nbsp;x",
                 {{"a <b> &\xC3\xA9" "A 3 < 4 &bogus; \xC2\xA0\xC2\xA0x", ""}}},
        PageCase{"BreaksCollapseToOneBlankLine", "<p>one</p><p></p><br><br><br>two<br>  ",
                 {{"one\n\ntwo", ""}}},
        PageCase{"UnclosedTagAndComment", "hi <!-- hidden --> there <b", {{"hi there <b", ""}}},
        PageCase{"Empty", "<HTML><BODY></BODY></HTML>", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileAddressTest, RelativeToTheTocPortOrAsGiven)
{
    EXPECT_EQ(ProfileAddress("localhost", 9898, "info?user=bob"), "http://localhost:9898/info?user=bob");
    EXPECT_EQ(ProfileAddress("localhost", 9898, "/info?user=bob"), "http://localhost:9898/info?user=bob");
    EXPECT_EQ(ProfileAddress("::1", 9898, "info"), "http://[::1]:9898/info");
    EXPECT_EQ(ProfileAddress("localhost", 9898, "HTTPS://example.org/p"), "HTTPS://example.org/p");
}

TEST(ProfileSubjectTest, UserValueOrWindowName)
{
    EXPECT_EQ(ProfileSubject("bob", "info?user=Bob+Smith"), "Bob Smith");
    EXPECT_EQ(ProfileSubject("Info", "info?x=1&user=bob%20smith#top"), "bob smith");
    EXPECT_EQ(ProfileSubject("Info", "info?user="), "Info");
    EXPECT_EQ(ProfileSubject("carl", ""), "carl");
    EXPECT_EQ(ProfileSubject("", "info?user=" + std::string(500, 'x')).size(), 127u);
}

}  // namespace
