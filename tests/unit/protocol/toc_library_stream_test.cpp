// The library over a byte stream, where a fake transport reaches what real
// sockets cannot: a failed keep-alive answer, and the same events and bytes
// sent however a whole conversation is cut into reads.
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
