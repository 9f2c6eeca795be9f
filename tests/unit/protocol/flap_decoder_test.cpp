// FlapDecoder: frames come out whole and in order however the stream is cut
// into reads; a stream that loses step stays refused until Reset.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "flap_codec.h"
#include "frame_bytes.h"

namespace {

using prototest::RawFrame;
using tocwire::FlapDecoder;

struct Seen {
    int type;
    std::uint16_t sequence;
    std::string payload;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& s)
{
    return os << "{type " << s.type << ", seq " << s.sequence << ", " << s.payload.size() << " bytes}";
}

// Takes every complete frame; stops at NeedMore or BadMarker and says which.
FlapDecoder::Result Drain(FlapDecoder& decoder, std::vector<Seen>& out)
{
    tocwire::Frame frame;
    for (;;) {
        const FlapDecoder::Result result = decoder.Next(frame);
        if (result != FlapDecoder::Result::Frame)
            return result;
        out.push_back({frame.type, frame.sequence, frame.payload});
    }
}

std::string PatternedPayload(std::size_t size)
{
    // Every byte value turns up, markers and NULs included, so nothing in
    // the payload can pass for a frame boundary by luck.
    std::string payload(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        payload[i] = static_cast<char>((i * 7 + i / 256) & 0xff);
    return payload;
}

// A server stream with every kind of frame the decoder must carry.
struct Stream {
    std::string bytes;
    std::vector<Seen> frames;

    void Add(std::uint8_t type, std::uint16_t sequence, std::string payload)
    {
        bytes += RawFrame(type, sequence, payload);
        frames.push_back({type, sequence, std::move(payload)});
    }
};

Stream MixedStream()
{
    using namespace std::string_literals;
    Stream s;
    s.Add(1, 7, "\0\0\0\1"s);                      // server sign-on frame
    s.Add(2, 8, "SIGN_ON:TOC1.0\0"s);               // DATA with its NUL
    s.Add(2, 9, "CONFIG:m 1\nb bob\n"s);            // DATA without NUL
    s.Add(5, 10, "");                               // keep-alive
    s.Add(2, 11, "");                               // zero-length DATA
    s.Add(2, 12, PatternedPayload(8192));           // longer than any one read
    s.Add(3, 13, "x");
    s.Add(4, 14, "");
    s.Add(6, 15, "six");
    s.Add(255, 0xfffe, "\xff\xff");
    s.Add(2, 0xffff, "IM_IN:bob:F:hi\0"s);
    return s;
}

TEST(FlapDecoder, OneFeedYieldsEveryFrameInOrder)
{
    const Stream stream = MixedStream();
    FlapDecoder decoder;
    decoder.Feed(stream.bytes);
    std::vector<Seen> seen;
    EXPECT_EQ(Drain(decoder, seen), FlapDecoder::Result::NeedMore);
    EXPECT_EQ(seen, stream.frames);
    EXPECT_EQ(decoder.Buffered(), 0u);
}

TEST(FlapDecoder, TwoPiecesCutAnywhereYieldTheSameFrames)
{
    const Stream stream = MixedStream();
    for (std::size_t cut = 0; cut <= stream.bytes.size(); ++cut) {
        FlapDecoder decoder;
        std::vector<Seen> seen;
        decoder.Feed(std::string_view(stream.bytes).substr(0, cut));
        ASSERT_EQ(Drain(decoder, seen), FlapDecoder::Result::NeedMore) << "cut at " << cut;
        decoder.Feed(std::string_view(stream.bytes).substr(cut));
        ASSERT_EQ(Drain(decoder, seen), FlapDecoder::Result::NeedMore) << "cut at " << cut;
        ASSERT_EQ(seen, stream.frames) << "cut at " << cut;
        ASSERT_EQ(decoder.Buffered(), 0u) << "cut at " << cut;
    }
}

TEST(FlapDecoder, OneByteAtATimeYieldsTheSameFrames)
{
    const Stream stream = MixedStream();
    FlapDecoder decoder;
    std::vector<Seen> seen;
    for (char c : stream.bytes) {
        decoder.Feed(std::string_view(&c, 1));
        ASSERT_EQ(Drain(decoder, seen), FlapDecoder::Result::NeedMore);
    }
    EXPECT_EQ(seen, stream.frames);
    EXPECT_EQ(decoder.Buffered(), 0u);
}

TEST(FlapDecoder, LargestFrameArrivingInSocketSizedReadsKeepsTheStreamInStep)
{
    const std::string big = PatternedPayload(65535);
    const std::string bytes = RawFrame(2, 1, big) + prototest::Data("NEXT:1", 2);
    FlapDecoder decoder;
    std::vector<Seen> seen;
    for (std::size_t at = 0; at < bytes.size(); at += 4096) {
        decoder.Feed(std::string_view(bytes).substr(at, 4096));
        ASSERT_NE(Drain(decoder, seen), FlapDecoder::Result::BadMarker);
    }
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], (Seen{2, 1, big}));
    EXPECT_EQ(seen[1], (Seen{2, 2, std::string("NEXT:1\0", 7)}));
}

TEST(FlapDecoder, IncompleteFrameWaitsForTheRest)
{
    const std::string frame = RawFrame(2, 3, "IM_IN:bob:F:hello");
    FlapDecoder decoder;
    std::vector<Seen> seen;
    // Header only, then all but the last payload byte: nothing comes out yet.
    decoder.Feed(std::string_view(frame).substr(0, 6));
    EXPECT_EQ(Drain(decoder, seen), FlapDecoder::Result::NeedMore);
    decoder.Feed(std::string_view(frame).substr(6, frame.size() - 7));
    EXPECT_EQ(Drain(decoder, seen), FlapDecoder::Result::NeedMore);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(decoder.Buffered(), frame.size() - 1);
    decoder.Feed(std::string_view(frame).substr(frame.size() - 1));
    EXPECT_EQ(Drain(decoder, seen), FlapDecoder::Result::NeedMore);
    EXPECT_EQ(seen, (std::vector<Seen>{{2, 3, "IM_IN:bob:F:hello"}}));
}

TEST(FlapDecoder, BadMarkerStaysBadUntilReset)
{
    const std::string good = prototest::Data("IM_IN:bob:F:hi");
    FlapDecoder decoder;
    std::vector<Seen> seen;
    decoder.Feed("X");  // one wrong byte is enough: no length is read from garbage
    EXPECT_EQ(Drain(decoder, seen), FlapDecoder::Result::BadMarker);
    EXPECT_EQ(Drain(decoder, seen), FlapDecoder::Result::BadMarker);
    decoder.Feed(good);
    EXPECT_EQ(Drain(decoder, seen), FlapDecoder::Result::BadMarker);
    EXPECT_TRUE(seen.empty());

    decoder.Reset();
    decoder.Feed(good);
    EXPECT_EQ(Drain(decoder, seen), FlapDecoder::Result::NeedMore);
    EXPECT_EQ(seen.size(), 1u);
}

TEST(FlapDecoder, FramesBeforeABadMarkerStillComeOut)
{
    struct Case {
        const char* name;
        std::string garbage;
    };
    const Case cases[] = {
        {"letter", "hello"},
        {"NUL", std::string(1, '\0')},
        {"header-like with another marker", std::string("+\x02\x00\x00\x00\x01z", 7)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FlapDecoder decoder;
        std::vector<Seen> seen;
        decoder.Feed(prototest::Data("A") + prototest::Data("B") + c.garbage + prototest::Data("C"));
        EXPECT_EQ(Drain(decoder, seen), FlapDecoder::Result::BadMarker);
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[1].payload, std::string("B\0", 2));
    }
}

TEST(FlapDecoder, DiscardCompleteFramesKeepsThePartialTail)
{
    const std::string third = prototest::Data("THIRD:3");
    FlapDecoder decoder;
    decoder.Feed(prototest::Data("FIRST:1") + prototest::Data("SECOND:2") + third.substr(0, 3));
    decoder.DiscardCompleteFrames();
    EXPECT_EQ(decoder.Buffered(), 3u);

    std::vector<Seen> seen;
    EXPECT_EQ(Drain(decoder, seen), FlapDecoder::Result::NeedMore);
    decoder.Feed(third.substr(3));
    EXPECT_EQ(Drain(decoder, seen), FlapDecoder::Result::NeedMore);
    EXPECT_EQ(seen, (std::vector<Seen>{{2, 0, std::string("THIRD:3\0", 8)}}));
}

// A handler may run the event loop while it reads a lent payload: bytes
// fed and a Reset made meanwhile must not move or change those bytes.
TEST(FlapDecoder, LentPayloadStaysPutWhileMoreArrivesOrTheStreamIsReset)
{
    for (const bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "reset during the loan" : "bytes fed during the loan");
        const std::string first = "FIRST:" + std::string(300, 'x');
        FlapDecoder decoder;
        decoder.Feed(prototest::Data(first) + prototest::Data("SECOND:2"));
        tocwire::FrameView view;
        ASSERT_EQ(decoder.NextView(view), FlapDecoder::Result::Frame);
        const char* const where = view.payload;
        if (reset)
            decoder.Reset();
        // Enough to make any buffer that grew in place move.
        for (int i = 0; i < 200; ++i)
            decoder.Feed(prototest::Data("MORE:" + std::to_string(i)));
        EXPECT_EQ(view.payload, where);
        EXPECT_EQ(std::string(view.payload, view.size), first + '\0');

        std::vector<Seen> seen;
        EXPECT_EQ(Drain(decoder, seen), FlapDecoder::Result::NeedMore);
        ASSERT_EQ(seen.size(), reset ? 200u : 201u);
        EXPECT_EQ(seen.front().payload, reset ? std::string("MORE:0\0", 7) : std::string("SECOND:2\0", 9));
        EXPECT_EQ(seen.back().payload, std::string("MORE:199\0", 9));
    }
}

}  // namespace
