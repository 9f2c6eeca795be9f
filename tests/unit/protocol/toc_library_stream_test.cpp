// The library over a byte stream: keep-alives, frame types it skips, a
// stream that loses step, a close in the middle of a frame, and the same
// events however the server's bytes are cut into reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "library_harness.h"

namespace {

using Log = std::vector<std::string>;
using prototest::Data;
using prototest::KeepAlive;
using prototest::LibraryHarness;
using prototest::ParseSent;
using prototest::RawFrame;

TEST(TocLibraryStream, KeepAliveIsAnsweredOnceAndTheDataAfterItDelivered)
{
    struct Case {
        const char* name;
        int stage;  // 0 connected, 1 signing on, 2 online
    };
    for (const Case& c : {Case{"before the server's sign-on frame", 0}, Case{"signing on", 1}, Case{"online", 2}}) {
        SCOPED_TRACE(c.name);
        LibraryHarness h;
        h.Init();
        h.Establish();
        h.library.OnConnectionWritable();
        if (c.stage >= 1)
            h.Feed(prototest::ServerSignon(300));
        if (c.stage == 2)
            h.Feed(Data("SIGN_ON:TOC1.0"));
        h.Take();
        h.transport.sent.clear();
        h.Feed(KeepAlive(7) + Data("IM_IN:a:F:1") + Data("IM_IN:b:F:2"));
        EXPECT_EQ(h.Take(), (Log{"send KEEPALIVE", "message IM_IN|a:F:1", "message IM_IN|b:F:2"}));
        ASSERT_EQ(h.transport.sent.size(), 1u);
        EXPECT_EQ(h.transport.sent[0].size(), 6u);  // empty payload
    }
}

TEST(TocLibraryStream, KeepAliveAfterDataIsNeverAnEmptyMessage)
{
    LibraryHarness h;
    h.Init();
    h.ReachOnline();
    h.Take();
    h.Feed(Data("IM_IN:a:F:1") + KeepAlive() + KeepAlive());
    EXPECT_EQ(h.Take(), (Log{"message IM_IN|a:F:1", "send KEEPALIVE", "send KEEPALIVE"}));
}

TEST(TocLibraryStream, KeepAliveSendFailureIsReported)
{
    LibraryHarness h;
    h.Init();
    h.ReachOnline();
    h.transport.failWrite = [](const std::string& what) { return what == "KEEPALIVE"; };
    h.Take();
    h.Feed(KeepAlive() + Data("IM_IN:a:F:1"));
    EXPECT_EQ(h.Take(), (Log{"send KEEPALIVE (failed)", "box Error sending KEEPALIVE", "message IM_IN|a:F:1"}));
    EXPECT_EQ(h.Status(), STATUS_ONLINE);
}

TEST(TocLibraryStream, BadMarkerClosesTheConnectionLikeAServerClose)
{
    struct Case {
        const char* name;
        int stage;  // 0 connected, 1 signing on, 2 online
        std::string read;
        Log log;
    };
    const Case cases[] = {
        {"a server that does not speak FLAP", 0, "HTTP/1.1 400 Bad Request\r\n\r\n", {"close", "status 0"}},
        {"garbage after good frames, signing on", 1, Data("IM_IN:a:F:1") + "garbage" + Data("IM_IN:b:F:2"),
         {"message IM_IN|a:F:1", "close", "status 0"}},
        {"garbage after good frames, online", 2, Data("IM_IN:a:F:1") + std::string(1, '\0') + Data("IM_IN:b:F:2"),
         {"message IM_IN|a:F:1", "close", "status 0"}},
        {"frame length one short of its payload", 2,
         RawFrame(2, 0, "IM_IN:a:F:1").substr(0, 6) + std::string("IM_IN:a:F:1\0", 12) + Data("IM_IN:b:F:2"),
         {"message IM_IN|a:F:1", "close", "status 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LibraryHarness h;
        h.Init();
        h.Establish();
        h.library.OnConnectionWritable();
        if (c.stage >= 1)
            h.Feed(prototest::ServerSignon(1));
        if (c.stage == 2)
            h.Feed(Data("SIGN_ON:TOC1.0"));
        h.Take();
        h.Feed(c.read);
        EXPECT_EQ(h.Take(), c.log);
        EXPECT_FALSE(h.transport.open);
        EXPECT_EQ(h.Status(), STATUS_OFFLINE);
        EXPECT_FALSE(h.library.State().connected);

        // The next connection starts from a clean stream.
        EXPECT_EQ(h.Establish(), 1);
        h.library.OnConnectionWritable();
        h.Feed(prototest::ServerSignon(9));
        EXPECT_EQ(h.Status(), STATUS_SIGNING_ON);
    }
}

// A whole conversation: every sort of frame the server may send.
std::string Conversation()
{
    std::string s = prototest::ServerSignon(65535);
    s += Data("SIGN_ON:TOC1.0");
    s += prototest::DataWithoutNul("CONFIG:m 1\nb bob\n");
    s += KeepAlive();
    s += Data("IM_IN:bob:F:hi (there) $1");
    s += RawFrame(3, 0, "x");
    s += Data("IM_IN:bob:F:" + std::string(8180, 'z'));  // one frame longer than a socket read
    s += Data("ERROR:901:carol");
    s += RawFrame(2, 0, "");
    s += Data("PAUSE");
    s += Data("SIGN_ON:TOC1.0");
    s += Data("UPDATE_BUDDY:bob:T:0:0:0: O");
    return s;
}

struct Outcome {
    Log log;
    std::vector<std::string> sent;
};

Outcome RunConversation(const std::string& stream, const std::vector<std::size_t>& cuts)
{
    LibraryHarness h;
    h.Init();
    h.callbacks.signonDoneResult = 0;  // default completion: more to compare
    h.Establish();
    h.library.OnConnectionWritable();
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        h.Feed(std::string_view(stream).substr(from, cut - from));
        from = cut;
    }
    h.Feed(std::string_view(stream).substr(from));
    return {h.Take(), h.transport.sent};
}

TEST(TocLibraryStream, EveryCutOfTheStreamGivesTheSameEvents)
{
    const std::string stream = Conversation();
    const Outcome whole = RunConversation(stream, {});
    ASSERT_EQ(whole.log.back(), "message UPDATE_BUDDY|bob:T:0:0:0: O");
    ASSERT_EQ(std::count(whole.log.begin(), whole.log.end(), "signon-done"), 2)
        << ::testing::PrintToString(whole.log);

    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        const Outcome split = RunConversation(stream, {cut});
        ASSERT_EQ(split.log, whole.log) << "cut at " << cut;
        ASSERT_EQ(split.sent, whole.sent) << "cut at " << cut;
    }

    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < stream.size(); ++i)
        everyByte.push_back(i);
    const Outcome bytewise = RunConversation(stream, everyByte);
    EXPECT_EQ(bytewise.log, whole.log);
    EXPECT_EQ(bytewise.sent, whole.sent);
}

TEST(TocLibraryStream, SequenceNumbersContinueFromTheServersAcrossTheWrap)
{
    const Outcome whole = RunConversation(Conversation(), {});
    // FLAPON, then frames numbered from the server's 65535 on, wrapping to 0.
    ASSERT_GE(whole.sent.size(), 4u);
    for (std::size_t i = 1; i < whole.sent.size(); ++i) {
        const auto frame = ParseSent(whole.sent[i]);
        ASSERT_TRUE(frame.wellFormed);
        EXPECT_EQ(frame.sequence, static_cast<std::uint16_t>(65535 + (i - 1))) << "frame " << i;
    }
}

}  // namespace
