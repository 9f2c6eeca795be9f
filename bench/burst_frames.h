// The instant messages of a burst: the same texts for the client runs and
// the plain-loop ceiling, each numbered so order and loss can be checked.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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

// The same messages, each from a sender of its own ("Sender 0000042").
std::string DistinctSender(std::size_t index);
std::string DistinctSenderPayload(std::size_t index);
std::string DistinctSenderLineTail(std::size_t index);

// Flood: distinct buddy names in a known order ("Flood Buddy 0000042").
enum class FloodOrder { Ascending, Descending, Random };
bool ParseFloodOrder(std::string_view word, FloodOrder& order);
std::string FloodName(std::size_t index);
// The indexes 0..count-1 in the order the server announces them (random: a
// fixed shuffle, the same in every run).
std::vector<std::size_t> FloodSequence(std::size_t count, FloodOrder order);
// "UPDATE_BUDDY:<name>:T:0:1000:0: U" and the trailing NUL.
std::string UpdateBuddyPayload(std::string_view name);

// FLAP header and payload, as a server sends it.
void AppendFrame(std::string& out, unsigned char type, unsigned short sequence, std::string_view payload);

}  // namespace bench
