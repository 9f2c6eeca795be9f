// FLAP frames written out byte by byte, so the tests do not check the codec
// with itself: what a server would send, and a reader for what the library wrote.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace prototest {

inline std::string RawFrame(std::uint8_t type, std::uint16_t sequence, std::string_view payload)
{
    if (payload.size() > 0xffff)
        throw std::length_error("FLAP payload over 65535 bytes");
    std::string frame;
    frame += '*';
    frame += static_cast<char>(type);
    frame += static_cast<char>(sequence >> 8);
    frame += static_cast<char>(sequence & 0xff);
    frame += static_cast<char>(payload.size() >> 8);
    frame += static_cast<char>(payload.size() & 0xff);
    frame.append(payload);
    return frame;
}

// A server DATA frame carrying one TOC message, ended by a NUL as most servers do.
inline std::string Data(std::string_view text, std::uint16_t sequence = 0)
{
    std::string payload(text);
    payload += '\0';
    return RawFrame(2, sequence, payload);
}

inline std::string DataWithoutNul(std::string_view text, std::uint16_t sequence = 0)
{
    return RawFrame(2, sequence, text);
}

// The server's sign-on frame: FLAP version 1.
inline std::string ServerSignon(std::uint16_t sequence)
{
    return RawFrame(1, sequence, std::string_view("\0\0\0\1", 4));
}

inline std::string KeepAlive(std::uint16_t sequence = 0)
{
    return RawFrame(5, sequence, {});
}

// One frame as the library handed it to the transport.
struct SentFrame {
    bool wellFormed = false;
    int type = -1;
    std::uint16_t sequence = 0;
    std::string payload;
};

inline SentFrame ParseSent(std::string_view bytes)
{
    SentFrame frame;
    if (bytes.size() < 6 || bytes[0] != '*')
        return frame;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(bytes[i])); };
    const std::size_t length = (byte(4) << 8) | byte(5);
    if (bytes.size() != 6 + length)
        return frame;
    frame.wellFormed = true;
    frame.type = static_cast<int>(byte(1));
    frame.sequence = static_cast<std::uint16_t>((byte(2) << 8) | byte(3));
    frame.payload.assign(bytes.substr(6));
    return frame;
}

// A short readable description: "FLAPON", "DATA toc_init_done", "SIGNON", "KEEPALIVE"...
// A DATA frame without its closing NUL, or with bytes in an empty frame, shows up as such.
inline std::string Describe(std::string_view bytes)
{
    if (bytes == std::string_view("FLAPON\r\n\r\n", 10))
        return "FLAPON";
    const SentFrame frame = ParseSent(bytes);
    if (!frame.wellFormed)
        return "MALFORMED";
    switch (frame.type) {
    case 1:
        return "SIGNON";
    case 2:
        if (frame.payload.empty() || frame.payload.back() != '\0')
            return "DATA-WITHOUT-NUL " + frame.payload;
        return "DATA " + frame.payload.substr(0, frame.payload.size() - 1);
    case 4:
        return frame.payload.empty() ? "SIGNOFF" : "SIGNOFF+" + std::to_string(frame.payload.size());
    case 5:
        return frame.payload.empty() ? "KEEPALIVE" : "KEEPALIVE+" + std::to_string(frame.payload.size());
    default:
        return "TYPE" + std::to_string(frame.type);
    }
}

}  // namespace prototest
