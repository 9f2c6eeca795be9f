// Send: only online and not paused; escaping in the caller's buffer; an
// oversize frame refused whole.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "library_harness.h"

namespace {

using Log = std::vector<std::string>;
using prototest::Data;
using prototest::LibraryHarness;
using prototest::ParseSent;

// A harness signed on, with the log and the sent frames emptied.
struct Online {
    LibraryHarness h;
    Online()
    {
        h.Init();
        h.ReachOnline();
        h.Take();
        h.transport.sent.clear();
    }
};

TEST(TocLibrarySend, RefusedUnlessOnlineAndNotPaused)
{
    struct Case {
        const char* name;
        int stage;  // -1 not initialised, 0 connected, 1 signing on, 2 paused, 3 disconnected
    };
    const Case cases[] = {{"not initialised", -1}, {"connected", 0}, {"signing on", 1},
                          {"paused", 2}, {"after disconnecting", 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LibraryHarness h;
        if (c.stage >= 0) {
            h.Init();
            h.Establish();
            h.library.OnConnectionWritable();
        }
        if (c.stage >= 1)
            h.Feed(prototest::ServerSignon(1));
        if (c.stage >= 2) {
            h.Feed(Data("SIGN_ON:TOC1.0"));
            h.Feed(Data("PAUSE"));
        }
        if (c.stage == 3) {
            h.Feed(Data("SIGN_ON:TOC1.0"));
            h.library.Disconnect();
        }
        h.Take();
        h.transport.sent.clear();
        char text[] = "toc_init_done";
        char fixed[] = "toc_init_done";
        EXPECT_EQ(h.library.Send(text, -1), -1);
        EXPECT_EQ(h.library.Send(fixed, 13), -1);
        EXPECT_TRUE(h.transport.sent.empty());
        EXPECT_TRUE(h.log.empty()) << ::testing::PrintToString(h.log);
    }
}

TEST(TocLibrarySend, EscapesInTheCallersBuffer)
{
    Online o;
    char text[16] = "a$b";
    EXPECT_EQ(o.h.library.Send(text, -1), 0);
    EXPECT_STREQ(text, "a\\$b");
    ASSERT_EQ(o.h.transport.sent.size(), 1u);
    const auto frame = ParseSent(o.h.transport.sent[0]);
    ASSERT_TRUE(frame.wellFormed);
    EXPECT_EQ(frame.type, 2);
    EXPECT_EQ(frame.payload, std::string("a\\$b\0", 5));  // data length 5
}

TEST(TocLibrarySend, LongTextIsCutTo2047InTheCallersBufferToo)
{
    Online o;
    std::vector<char> text(4096, '\0');
    std::memset(text.data(), 'x', 3000);
    EXPECT_EQ(o.h.library.Send(text.data(), -1), 0);
    EXPECT_EQ(std::strlen(text.data()), 2047u);
    ASSERT_EQ(o.h.transport.sent.size(), 1u);
    EXPECT_EQ(ParseSent(o.h.transport.sent[0]).payload, std::string(2047, 'x') + std::string(1, '\0'));
}

TEST(TocLibrarySend, ExplicitLengthSendsTheBytesAsTheyAre)
{
    Online o;
    char text[] = "a$b(zzzz";
    EXPECT_EQ(o.h.library.Send(text, 4), 0);
    EXPECT_STREQ(text, "a$b(zzzz");  // untouched
    ASSERT_EQ(o.h.transport.sent.size(), 1u);
    EXPECT_EQ(ParseSent(o.h.transport.sent[0]).payload, std::string("a$b(\0", 5));

    char empty[] = "";
    EXPECT_EQ(o.h.library.Send(empty, 0), 0);
    EXPECT_EQ(ParseSent(o.h.transport.sent.back()).payload, std::string(1, '\0'));
}

TEST(TocLibrarySend, FramesOverTheOutgoingRoomAreRefusedWhole)
{
    struct Case {
        const char* name;
        std::size_t plain;     // characters that stay as they are
        std::size_t specials;  // characters that gain a backslash
        int length;            // -1: escape
        int result;
    };
    // A DATA payload is the text and a zero byte, at most 4090 bytes.
    const Case cases[] = {
        {"escaped to 4089", 5, 2042, -1, 0},
        {"escaped to 4090", 4, 2043, -1, -1},
        {"2047 specials escape to 4094", 0, 2047, -1, -1},
        {"explicit 4089", 4089, 0, 4089, 0},
        {"explicit 4090", 4090, 0, 4090, -1},
        {"explicit 65535", 65535, 0, 65535, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Online o;
        std::vector<char> text(std::max<std::size_t>(c.plain + 2 * c.specials, 65536) + 1, '\0');
        std::memset(text.data(), 'p', c.plain);
        std::memset(text.data() + c.plain, '[', c.specials);
        EXPECT_EQ(o.h.library.Send(text.data(), c.length), c.result);
        if (c.result == 0) {
            ASSERT_EQ(o.h.transport.sent.size(), 1u);
            EXPECT_EQ(ParseSent(o.h.transport.sent[0]).payload.size(), 4090u);
        } else {
            EXPECT_TRUE(o.h.transport.sent.empty());
            EXPECT_TRUE(o.h.log.empty()) << ::testing::PrintToString(o.h.log);
        }
        EXPECT_EQ(o.h.Status(), STATUS_ONLINE);
    }
}

TEST(TocLibrarySend, ReturnsZeroEvenWhenTheSocketRefuses)
{
    Online o;
    o.h.transport.failWrite = [](const std::string&) { return true; };
    char text[] = "toc_init_done";
    EXPECT_EQ(o.h.library.Send(text, -1), 0);
    EXPECT_TRUE(o.h.Matching("box").empty());
}

}  // namespace
