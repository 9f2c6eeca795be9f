// FLAP framing: the greeting, frame encoding, and a stream decoder that
// reassembles frames across reads. Pure code: no sockets, no Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tocwire {

enum FrameType : std::uint8_t {
    MSGTYPE_SIGNON = 1,
    MSGTYPE_DATA = 2,
    MSGTYPE_ERROR = 3,
    MSGTYPE_SIGNOFF = 4,
    MSGTYPE_KEEPALIVE = 5,
};

inline constexpr std::string_view kFlapOn{"FLAPON\r\n\r\n", 10};
inline constexpr std::size_t kFrameHeaderSize = 6;
// A sign-on frame's payload starts with the FLAP version (1, four bytes) and
// the tag of the screen-name TLV (1, two bytes); the name's two-byte length
// and the name follow.
inline constexpr std::string_view kSignonPayloadHeader{"\x00\x00\x00\x01\x00\x01", 6};
inline constexpr std::uint8_t kFrameMarker = '*';
// An outgoing frame is built in 4096 bytes: the header and at most 4090 payload bytes.
inline constexpr std::size_t kMaxOutgoingPayload = 4090;

// Header and payload as sent. The caller keeps the payload within
// kMaxOutgoingPayload; a longer one is refused with an empty result.
std::string EncodeFrame(std::uint8_t type, std::uint16_t sequence, std::string_view payload);

struct Frame {
    std::uint8_t type = 0;
    std::uint16_t sequence = 0;
    std::string payload;
};

// A frame whose payload lies in the decoder's buffer, which the holder may
// write to (the bytes are consumed).
struct FrameView {
    std::uint8_t type = 0;
    std::uint16_t sequence = 0;
    char* payload = nullptr;
    std::size_t size = 0;
};

// Reassembles frames from a byte stream read in arbitrary pieces. Each frame
// is handed out whole, in arrival order; a length is read only once the whole
// header is in, and the payload only once all of it is in.
class FlapDecoder {
public:
    enum class Result { Frame, NeedMore, BadMarker };

    void Feed(std::string_view bytes);
    // Takes the next complete frame. After BadMarker the stream is out of
    // step for good: every later call says so again until Reset.
    Result Next(Frame& out);
    // The same without a copy: the payload stays where it was read, lent
    // until the next call to Next, NextView or DiscardCompleteFrames. What
    // is fed meanwhile waits behind it, and a Reset meanwhile drops the
    // buffer only then, so the lent bytes never move while they are read.
    Result NextView(FrameView& out);
    // Drops every complete frame still buffered; a partial frame at the end stays.
    void DiscardCompleteFrames();
    void Reset();
    std::size_t Buffered() const { return (dropLent_ ? 0 : buffer_.size() - start_) + incoming_.size(); }

    // Ends the loan of the last view now: the bytes fed or the Reset made
    // during it take effect.
    void Release();

private:
    // Checks the header at start_; the payload's length when a frame is complete.
    Result Peek(std::size_t& length);

    std::string buffer_;
    std::size_t start_ = 0;
    bool bad_ = false;
    bool lent_ = false;      // a view into buffer_ is out
    bool dropLent_ = false;  // Reset during the loan: buffer_ goes at its end
    std::string incoming_;   // bytes fed during the loan
};

}  // namespace tocwire
