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
