// The library over a byte stream, where a fake transport reaches what real
// sockets cannot: a failed keep-alive answer, and the same events and bytes
// sent however a whole conversation is cut into reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <random>
#include <set>
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

// A whole conversation: every sort of frame the server may send, one string
// per frame.
std::vector<std::string> ConversationFrames()
{
    return {
        prototest::ServerSignon(65535),
        Data("SIGN_ON:TOC1.0"),
        prototest::DataWithoutNul("CONFIG:m 1\nb bob\n"),
        KeepAlive(),
        Data("IM_IN:bob:F:hi (there) $1"),
        RawFrame(3, 0, "x"),
        Data("IM_IN:bob:F:" + std::string(8180, 'z')),  // one frame longer than a socket read
        Data("ERROR:901:carol"),
        RawFrame(2, 0, ""),
        Data("PAUSE"),
        Data("SIGN_ON:TOC1.0"),
        Data("UPDATE_BUDDY:bob:T:0:0:0: O"),
    };
}

std::string Conversation()
{
    std::string s;
    for (const std::string& frame : ConversationFrames())
        s += frame;
    return s;
}

// Where to cut the conversation in two. Every cut before the long frame's
// payload, every cut from the last byte before a frame to the end of its
// header, and a seeded sample of the rest: the decoder's own tests and the
// stream fuzzer cover every cut of the long payload already.
std::vector<std::size_t> CutsWorthTrying(std::size_t size, std::uint32_t seed)
{
    const std::vector<std::string> frames = ConversationFrames();
    std::set<std::size_t> cuts;
    std::size_t start = 0;
    bool beforeLongFrame = true;
    for (const std::string& frame : frames) {
        if (beforeLongFrame && frame.size() > 4096) {
            beforeLongFrame = false;
            for (std::size_t cut = 1; cut < start + 16; ++cut)
                cuts.insert(cut);
        }
        for (std::size_t cut = start == 0 ? 1 : start - 1; cut <= start + 6; ++cut)
            cuts.insert(cut);
        start += frame.size();
    }
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> anywhere(1, size - 1);
    for (int i = 0; i < 256; ++i)
        cuts.insert(anywhere(random));
    std::erase_if(cuts, [size](std::size_t cut) { return cut == 0 || cut >= size; });
    return {cuts.begin(), cuts.end()};
}

// QUENLO_CUT_SEED=N repeats a run's sample.
std::uint32_t CutSeed()
{
    if (const char* given = std::getenv("QUENLO_CUT_SEED"))
        return static_cast<std::uint32_t>(std::strtoul(given, nullptr, 10));
    return std::random_device{}();
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

    const std::uint32_t seed = CutSeed();
    std::cout << "cut sample seed " << seed << " (QUENLO_CUT_SEED=" << seed << " repeats it)\n";
    const std::vector<std::size_t> cuts = CutsWorthTrying(stream.size(), seed);
    ASSERT_GT(cuts.size(), 300u);
    for (std::size_t cut : cuts) {
        const Outcome split = RunConversation(stream, {cut});
        ASSERT_EQ(split.log, whole.log) << "cut at " << cut << ", seed " << seed;
        ASSERT_EQ(split.sent, whole.sent) << "cut at " << cut << ", seed " << seed;
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
