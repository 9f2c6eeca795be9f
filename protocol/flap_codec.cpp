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
    if (lent_) {
        incoming_.append(bytes);
        return;
    }
    // Compact before growing so a long session does not keep consumed bytes.
    if (start_ > 0 && start_ >= buffer_.size() / 2) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    buffer_.append(bytes);
}

void FlapDecoder::Release()
{
    if (!lent_)
        return;
    lent_ = false;
    if (dropLent_) {
        dropLent_ = false;
        buffer_.clear();
        start_ = 0;
    }
    if (!incoming_.empty()) {
        Feed(incoming_);
        incoming_.clear();
    }
}

FlapDecoder::Result FlapDecoder::Peek(std::size_t& length)
{
    Release();
    if (bad_)
        return Result::BadMarker;
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    }
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
    length = (std::size_t{p[4]} << 8) | p[5];
    if (available < kFrameHeaderSize + length)
        return Result::NeedMore;
    return Result::Frame;
}

FlapDecoder::Result FlapDecoder::Next(Frame& out)
{
    FrameView view;
    const Result result = NextView(view);
    if (result == Result::Frame) {
        out.type = view.type;
        out.sequence = view.sequence;
        out.payload.assign(view.payload, view.size);
        Release();
    }
    return result;
}

FlapDecoder::Result FlapDecoder::NextView(FrameView& out)
{
    std::size_t length = 0;
    const Result result = Peek(length);
    if (result != Result::Frame)
        return result;
    const auto* p = reinterpret_cast<const unsigned char*>(buffer_.data() + start_);
    out.type = p[1];
    out.sequence = static_cast<std::uint16_t>((p[2] << 8) | p[3]);
    out.payload = buffer_.data() + start_ + kFrameHeaderSize;
    out.size = length;
    start_ += kFrameHeaderSize + length;
    lent_ = true;
    return Result::Frame;
}

void FlapDecoder::DiscardCompleteFrames()
{
    FrameView scratch;
    while (NextView(scratch) == Result::Frame) {
    }
}

void FlapDecoder::Reset()
{
    bad_ = false;
    incoming_.clear();
    if (lent_) {
        dropLent_ = true;
        return;
    }
    buffer_.clear();
    start_ = 0;
}

}  // namespace tocwire
