#include "burst_frames.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>

namespace bench {

std::string BurstShownText(std::size_t index)
{
    char text[64];
    std::snprintf(text, sizeof text, "Burst message %07zu sent by the bench", index);
    return text;
}

std::string BurstBody(std::size_t index)
{
    return "<HTML><BODY><FONT SIZE=2>" + BurstShownText(index) + "</FONT></BODY></HTML>";
}

std::string BurstLineTail(std::size_t index)
{
    return "<-" + std::string(kBurstSender) + ":  " + BurstShownText(index);
}

std::string ImInPayload(std::size_t index)
{
    std::string payload = "IM_IN:" + std::string(kBurstSender) + ":F:" + BurstBody(index);
    payload.push_back('\0');
    return payload;
}

std::string DistinctSender(std::size_t index)
{
    char text[32];
    std::snprintf(text, sizeof text, "Sender %07zu", index);
    return text;
}

std::string DistinctSenderPayload(std::size_t index)
{
    std::string payload = "IM_IN:" + DistinctSender(index) + ":F:" + BurstBody(index);
    payload.push_back('\0');
    return payload;
}

std::string DistinctSenderLineTail(std::size_t index)
{
    return "<-" + DistinctSender(index) + ":  " + BurstShownText(index);
}

bool ParseFloodOrder(std::string_view word, FloodOrder& order)
{
    if (word == "ascending")
        order = FloodOrder::Ascending;
    else if (word == "descending")
        order = FloodOrder::Descending;
    else if (word == "random")
        order = FloodOrder::Random;
    else
        return false;
    return true;
}

std::string FloodName(std::size_t index)
{
    char text[32];
    std::snprintf(text, sizeof text, "Flood Buddy %07zu", index);
    return text;
}

std::vector<std::size_t> FloodSequence(std::size_t count, FloodOrder order)
{
    std::vector<std::size_t> sequence(count);
    std::iota(sequence.begin(), sequence.end(), std::size_t{0});
    if (order == FloodOrder::Descending)
        std::reverse(sequence.begin(), sequence.end());
    if (order == FloodOrder::Random) {
        std::mt19937_64 random(12);
        std::shuffle(sequence.begin(), sequence.end(), random);
    }
    return sequence;
}

std::string UpdateBuddyPayload(std::string_view name)
{
    std::string payload = "UPDATE_BUDDY:" + std::string(name) + ":T:0:1000:0: U";
    payload.push_back('\0');
    return payload;
}

void AppendFrame(std::string& out, unsigned char type, unsigned short sequence, std::string_view payload)
{
    out.push_back('*');
    out.push_back(static_cast<char>(type));
    out.push_back(static_cast<char>(sequence >> 8));
    out.push_back(static_cast<char>(sequence & 0xff));
    out.push_back(static_cast<char>((payload.size() >> 8) & 0xff));
    out.push_back(static_cast<char>(payload.size() & 0xff));
    out.append(payload);
}

}  // namespace bench
