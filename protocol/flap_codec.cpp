#include "flap_codec.h"

namespace tocwire {

std::string EncodeFrame(std::uint8_t type, std::uint16_t sequence, std::string_view payload)
{
    if (payload.size() > kMaxOutgoingPayload)
        return {};
    std::string frame;
    frame.reserve(kFrameHeaderSize + payload.size());
    frame.push_back(static_cast<char>(kFrameMarker));
    frame.push_back(static_cast<char>(type));
    frame.push_back(static_cast<char>(sequence >> 8));
    frame.push_back(static_cast<char>(sequence & 0xff));
    frame.push_back(static_cast<char>(payload.size() >> 8));
    frame.push_back(static_cast<char>(payload.size() & 0xff));
    frame.append(payload);
    return frame;
}

void FlapDecoder::Feed(std::string_view bytes)
{
    if (bad_)
        return;
    // Compact before growing so a long session does not keep consumed bytes.
    if (start_ > 0 && start_ >= buffer_.size() / 2) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    buffer_.append(bytes);
}

FlapDecoder::Result FlapDecoder::Next(Frame& out)
{
    if (bad_)
        return Result::BadMarker;
    const std::size_t available = buffer_.size() - start_;
    if (available == 0)
        return Result::NeedMore;
    const auto* p = reinterpret_cast<const unsigned char*>(buffer_.data() + start_);
    if (p[0] != kFrameMarker) {
        bad_ = true;
        buffer_.clear();
        start_ = 0;
        return Result::BadMarker;
    }
    if (available < kFrameHeaderSize)
        return Result::NeedMore;
    const std::size_t length = (std::size_t{p[4]} << 8) | p[5];
    if (available < kFrameHeaderSize + length)
        return Result::NeedMore;
    out.type = p[1];
    out.sequence = static_cast<std::uint16_t>((p[2] << 8) | p[3]);
    out.payload.assign(buffer_, start_ + kFrameHeaderSize, length);
    start_ += kFrameHeaderSize + length;
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    }
    return Result::Frame;
}

void FlapDecoder::DiscardCompleteFrames()
{
    Frame scratch;
    while (Next(scratch) == Result::Frame) {
    }
}

void FlapDecoder::Reset()
{
    buffer_.clear();
    start_ = 0;
    bad_ = false;
}

}  // namespace tocwire
