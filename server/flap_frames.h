// The TOC server's own FLAP framing: frame encoding and a stream parser that
// reassembles frames however the bytes were cut. Written apart from the
// client's codec on purpose, so a shared mistake cannot hide in both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tocserver {

enum FrameType : std::uint8_t {
    kFrameSignon = 1,
    kFrameData = 2,
    kFrameError = 3,
    kFrameSignoff = 4,
    kFrameKeepAlive = 5,
};

inline constexpr std::string_view kGreeting{"FLAPON\r\n\r\n", 10};
inline constexpr std::size_t kHeaderSize = 6;
// A sign-on frame's payload: the FLAP version (1, four bytes), then from the
// client the screen-name TLV: tag 1 (two bytes), the name's length (two
// bytes) and the name. The server's own sign-on frame is the version alone.
inline constexpr std::string_view kFlapVersion{"\0\0\0\1", 4};
inline constexpr std::string_view kScreenNameTlvTag{"\0\1", 2};
inline constexpr std::size_t kMaxPayload = 0xFFFF;  // the length field has 16 bits

struct RecordedFrame {
    std::uint8_t type = 0;
    std::uint16_t sequence = 0;
    std::string payload;  // raw bytes, exactly as received
};

// '*', type, sequence and length big-endian, then the payload. A payload over
// kMaxPayload bytes is cut to fit the length field.
std::string EncodeFrame(std::uint8_t type, std::uint16_t sequence, std::string_view payload);

class FrameParser {
public:
    enum class Status { Frame, NeedMore, BadMarker };

    void Append(std::string_view bytes);
    // Takes the next whole frame. Once a frame start lacks the '*' marker the
    // stream cannot be resynchronised: BadMarker is returned from then on.
    Status Next(RecordedFrame& out);
    std::size_t Pending() const { return buffer_.size() - offset_; }

private:
    std::string buffer_;
    std::size_t offset_ = 0;
    bool bad_ = false;
};

}  // namespace tocserver
