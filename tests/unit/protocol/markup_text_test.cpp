// The SDK's MarkupToText: what a reader sees of an instant message's HTML.
#include <gtest/gtest.h>

#include "markup_text.h"

namespace {

TEST(MarkupToText, GivesTheTextAReaderSees)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<HTML><BODY BGCOLOR=\"#ffffff\"><FONT COLOR=\"#0000ff\">hi</FONT></BODY></HTML>", "hi"},
        {"a<br>b<BR/>c</P>d", "a\nb\nc\nd"},
        {"fish &amp; chips &lt;3 &quot;x&quot; &apos;y&#39;", "fish & chips <3 \"x\" 'y'"},
        {"caf&#233; &#x263A;", "caf\xC3\xA9 \xE2\x98\xBA"},
        {"&#0; &#xD800; &#1114112;", "\xEF\xBF\xBD \xEF\xBF\xBD \xEF\xBF\xBD"},  // no NUL, no surrogate
        {"&bogus; &amp &#12a; AT&T", "&bogus; &amp &#12a; AT&T"},                  // left as written
        {"a < b and no end <", "a < b and no end <"},
        {"<b>bold</b> <i>it</i>", "bold it"},
    };
    for (const auto& [html, text] : cases)
        EXPECT_EQ(MarkupToText(html), text) << html;
}

}  // namespace
