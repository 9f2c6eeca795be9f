#include <gtest/gtest.h>

#include "shown_text.h"
#include "transcript_lines.h"

namespace {

TEST(DecodeEntities, NamedAndNumberedBecomeCharactersTheRestStays)
{
    const std::pair<const char*, const char*> cases[] = {
        {"hi &lt;3", "hi <3"},
        {"&amp;&gt;&quot;&apos;", "&>\"'"},
        {"a&nbsp;b", "a\xC2\xA0" "b"},
        {"&#65;&#x42;&#X263A;", "AB\xE2\x98\xBA"},
        {"&#0; &#x110000; &#xD800; &#10;", "&#0; &#x110000; &#xD800; &#10;"},  // never NUL, surrogates, breaks
        {"&bogus; & alone &lt &#; &#x;", "&bogus; & alone &lt &#; &#x;"},
        {"&amp;lt;", "&lt;"},  // decoded once
    };
    for (const auto& [in, want] : cases)
        EXPECT_EQ(DecodeEntities(in), want) << in;
    EXPECT_EQ(DecodeEntities("&#233;&#8364;", false), "\xE9&#8364;");  // one byte where the line has no UTF-8
}

TEST(BareLinks, AddressesUpToBlanksWithoutTrailingPunctuation)
{
    const std::string text = "see http://a.example/x?y=1, www.b.example. awww.no https:// (https://c.example/)";
    std::vector<std::string> found;
    for (const TextRange& r : BareLinks(text))
        found.push_back(text.substr(r.begin, r.length));
    EXPECT_EQ(found, (std::vector<std::string>{"http://a.example/x?y=1", "www.b.example", "https://c.example/"}));
}

TEST(TextFinder, CountsAsShownWithoutRegardToCase)
{
    const std::string text = "<HTML><BODY><-bob:  Hi &lt;3 hi\r\nbob->:  HI there\r\nnothing\r\n<-bob:  &lt;3&lt;3";
    EXPECT_EQ(TextFinder("hi").Count(text), 4u);  // "nothing" holds one too
    EXPECT_EQ(TextFinder("<3").Count(text), 3u);   // only as shown
    EXPECT_EQ(TextFinder("lt;").Count(text), 0u);  // the entity's spelling is not shown
    EXPECT_EQ(TextFinder("").Count(text), 0u);
    const TextFinder there("THERE");
    EXPECT_EQ(there.NextLine(text, 0, true), text.find("bob->"));
    EXPECT_EQ(there.NextLine(text, text.find("nothing"), true), std::string::npos);
    EXPECT_EQ(TextFinder("<3").NextLine(text, text.size(), false), text.rfind("<-bob"));
}

TEST(MarkupLinks, HrefTargetsWithTheirWords)
{
    const auto links = MarkupLinks(R"(<A HREF="http://x.example/a">my <b>page</b></A> and <a href=www.y.example>y</a>)"
                                   R"( <a name="n">no</a> <a href="http://z">)");
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].url, "http://x.example/a");
    EXPECT_EQ(links[0].label, "my page");
    EXPECT_EQ(links[1].url, "www.y.example");
}

}  // namespace
