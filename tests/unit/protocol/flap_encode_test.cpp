// Frame encoding: the six header bytes and the payload limit of an outgoing frame.
#include <gtest/gtest.h>

#include <string>

#include "flap_codec.h"

namespace {

using tocwire::EncodeFrame;

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

struct HeaderCase {
    const char* name;
    std::uint8_t type;
    std::uint16_t sequence;
    std::size_t payloadSize;
    std::string header;  // marker, type, sequence (big-endian), length (big-endian)
};

TEST(FrameEncoding, HeaderIsMarkerTypeBigEndianSequenceAndLength)
{
    const HeaderCase cases[] = {
        {"empty signoff", 4, 0, 0, Bytes({'*', 4, 0x00, 0x00, 0x00, 0x00})},
        {"data", 2, 0x1234, 3, Bytes({'*', 2, 0x12, 0x34, 0x00, 0x03})},
        {"sequence high byte only", 2, 0x0100, 1, Bytes({'*', 2, 0x01, 0x00, 0x00, 0x01})},
        {"last sequence", 1, 0xffff, 16, Bytes({'*', 1, 0xff, 0xff, 0x00, 0x10})},
        {"length over one byte", 2, 7, 300, Bytes({'*', 2, 0x00, 0x07, 0x01, 0x2c})},
        {"largest payload", 2, 0x8001, 4090, Bytes({'*', 2, 0x80, 0x01, 0x0f, 0xfa})},
        {"keep-alive", 5, 42, 0, Bytes({'*', 5, 0x00, 0x2a, 0x00, 0x00})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string payload(c.payloadSize, 'p');
        if (!payload.empty())
            payload.back() = '\0';  // payload bytes are copied as they are, NUL included
        const std::string frame = EncodeFrame(c.type, c.sequence, payload);
        ASSERT_EQ(frame.size(), 6 + c.payloadSize);
        EXPECT_EQ(frame.substr(0, 6), c.header);
        EXPECT_EQ(frame.substr(6), payload);
    }
}

TEST(FrameEncoding, PayloadOverOutgoingRoomIsRefused)
{
    EXPECT_FALSE(EncodeFrame(2, 1, std::string(4090, 'x')).empty());
    EXPECT_TRUE(EncodeFrame(2, 1, std::string(4091, 'x')).empty());
    EXPECT_TRUE(EncodeFrame(2, 1, std::string(65535, 'x')).empty());
}

}  // namespace
