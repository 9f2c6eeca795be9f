#include "burst_frames.h"

#include <cstdio>

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
