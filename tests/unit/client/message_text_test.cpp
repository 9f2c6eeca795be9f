// The one walk that makes both forms of a message must give what taking
// the page-level tags out and then the markup gives, on every tricky text,
// and must never say a text holds no link when it does.
#include <gtest/gtest.h>

#include <string>

#include "message_text.h"
#include "transcript.h"
#include "transcript_lines.h"

namespace {

// The page-level tags taken out the plain way, as the client did before
// the one walk: "<BODY ...>", "<HTML>", "</HTML>" and "</BODY>" (upper case
// only); all other markup stays.
std::string StripBodyTags(std::string_view text)
{
    static constexpr std::string_view kPlainTags[] = {"<HTML>", "</HTML>", "</BODY>"};
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        // Only a '<' can start one of these tags: copy up to the next at once.
        const std::size_t open = text.find('<', i);
        out.append(text.substr(i, open == std::string_view::npos ? std::string_view::npos : open - i));
        if (open == std::string_view::npos)
            break;
        i = open;
        const std::string_view rest = text.substr(i);
        if (rest.starts_with("<BODY ")) {
            const std::size_t close = rest.find('>');
            if (close == std::string_view::npos)
                break;
            i += close + 1;
            continue;
        }
        bool skipped = false;
        for (std::string_view tag : kPlainTags) {
            if (rest.starts_with(tag)) {
                i += tag.size();
                skipped = true;
                break;
            }
        }
        if (!skipped)
            out.push_back(text[i++]);
    }
    return out;
}

std::string Repeat(std::string_view piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out.append(piece);
    return out;
}

TEST(SplitMessageMarkupTest, EqualsBodyTagsThenMarkupStripped)
{
    const std::string texts[] = {
        "",
        "hello there",
        "<HTML><BODY BGCOLOR=#00ff00>hi: there</BODY></HTML>",
        "<HTML><BODY><FONT SIZE=2>Burst message 0000042</FONT></BODY></HTML>",
        "<BODY no close",
        "a<BODY>b<body x>c",
        "<b<HTML>r>x",         // a tag that spans a page-level tag
        "<<HTML>b>x",          // an opener that opens only once the tag between is gone
        "<<HTML>>x",
        "<</BODY>BR>y",
        "x<HTML>",
        "x <3 you <",
        "<",
        "<HTML",
        "</HTML></HTML></BODY><HTML>",
        "a<Br>b<bR>c<BR/>d<B R>e",
        "<b<BODY z>",
        "tail <b",
        "<a href=\"http://x\">link</a> and <A HREF='y'>",
        "<<HTML>a href=\"http://x\">link</a>",  // a link whose "<a" meet once a page tag is gone
        "<b <A href=\"http://x\">link</a>",
        "<>x<>",
        "\xFF\x80<b>\xE9</b>",
        Repeat("<b>", 3000) + "x" + Repeat("</b>", 3000),
        Repeat("<", 9000) + "x",
        Repeat("<HTML><BR>", 5000),
        Repeat("<i>", 100) + std::string(9000, 'z'),
    };
    MessageText reused;  // made again from each text
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 60));
        MessageText fresh;
        SplitMessageMarkup(text, fresh);
        SplitMessageMarkup(text, reused);
        const std::string body = StripBodyTags(text);
        EXPECT_EQ(fresh.body, body);
        EXPECT_EQ(fresh.shown, StripMarkup(body));
        if (!fresh.mayLink) {
            EXPECT_TRUE(MarkupLinks(body).empty());
        }
        EXPECT_EQ(reused.body, fresh.body);
        EXPECT_EQ(reused.shown, fresh.shown);
    }
}

}  // namespace
