// The instant messages of a burst: the same texts for the client runs and
// the plain-loop ceiling, each numbered so order and loss can be checked.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace bench {

inline constexpr std::string_view kBurstSender = "Burst Sender";

// An HTML body of about 80 bytes carrying the message's number.
std::string BurstBody(std::size_t index);
// What the transcript shows of that body once the tags are gone.
std::string BurstShownText(std::size_t index);
// The tail of the transcript line for message index (without CR LF): the
// time prefix before it depends on the clock.
std::string BurstLineTail(std::size_t index);
// "IM_IN:<sender>:F:<body>" and the trailing NUL, a DATA frame's payload.
std::string ImInPayload(std::size_t index);

// FLAP header and payload, as a server sends it.
void AppendFrame(std::string& out, unsigned char type, unsigned short sequence, std::string_view payload);

}  // namespace bench
