#include "flap_frames.h"

namespace tocserver {

namespace {
void PutBigEndian16(std::string& out, std::size_t value)
{
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
    out.push_back(static_cast<char>(value & 0xFF));
}

std::uint16_t GetBigEndian16(const std::string& in, std::size_t at)
{
    return static_cast<std::uint16_t>((static_cast<unsigned char>(in[at]) << 8) |
                                      static_cast<unsigned char>(in[at + 1]));
}
}  // namespace

std::string EncodeFrame(std::uint8_t type, std::uint16_t sequence, std::string_view payload)
{
    if (payload.size() > kMaxPayload)
        payload = payload.substr(0, kMaxPayload);
    std::string out;
    out.reserve(kHeaderSize + payload.size());
    out.push_back('*');
    out.push_back(static_cast<char>(type));
    PutBigEndian16(out, sequence);
    PutBigEndian16(out, payload.size());
    out.append(payload);
    return out;
}

void FrameParser::Append(std::string_view bytes)
{
    // Drop what has been handed out before the buffer grows again.
    if (offset_ > 0 && offset_ >= buffer_.size() / 2) {
        buffer_.erase(0, offset_);
        offset_ = 0;
    }
    buffer_.append(bytes);
}

FrameParser::Status FrameParser::Next(RecordedFrame& out)
{
    if (bad_)
        return Status::BadMarker;
    const std::size_t available = buffer_.size() - offset_;
    if (available == 0)
        return Status::NeedMore;
    if (buffer_[offset_] != '*') {
        bad_ = true;
        return Status::BadMarker;
    }
    if (available < kHeaderSize)
        return Status::NeedMore;
    const std::size_t length = GetBigEndian16(buffer_, offset_ + 4);
    if (available < kHeaderSize + length)
        return Status::NeedMore;
    out.type = static_cast<std::uint8_t>(buffer_[offset_ + 1]);
    out.sequence = GetBigEndian16(buffer_, offset_ + 2);
    out.payload.assign(buffer_, offset_ + kHeaderSize, length);
    offset_ += kHeaderSize + length;
    return Status::Frame;
}

}  // namespace tocserver
