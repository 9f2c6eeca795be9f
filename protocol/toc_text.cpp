#include "toc_text.h"

#include <algorithm>
#include <cstring>

namespace tocwire {

std::string EscapeSpecials(std::string_view text)
{
    if (text.size() > kMaxTocText)
        text = text.substr(0, kMaxTocText);
    std::string out;
    out.reserve(text.size() * 2);
    for (char c : text) {
        if (IsTocSpecial(c))
            out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

std::size_t EscapeSpecialsInPlace(char* text)
{
    const std::string escaped = EscapeSpecials(std::string_view(text, std::strlen(text)));
    std::memcpy(text, escaped.data(), escaped.size());
    text[escaped.size()] = '\0';
    return escaped.size();
}

TocMessage SplitPayload(std::string_view payload)
{
    const std::size_t nul = payload.find('\0');
    if (nul != std::string_view::npos)
        payload = payload.substr(0, nul);
    TocMessage message;
    const std::size_t colon = payload.find(':');
    std::string_view name = payload.substr(0, colon);
    std::string_view args = colon == std::string_view::npos ? std::string_view{} : payload.substr(colon + 1);
    message.command.assign(name.substr(0, kMaxCommandName));
    message.arguments.assign(args.substr(0, kMaxTocText));
    return message;
}

bool SplitPayloadInPlace(char* payload, std::size_t size, TocMessageText& out)
{
    std::string_view text(payload, size);
    const std::size_t nul = text.find('\0');
    const bool ended = nul != std::string_view::npos;
    if (ended)
        text = text.substr(0, nul);
    const std::size_t colon = text.find(':');
    const std::size_t nameEnd = colon == std::string_view::npos ? text.size() : colon;
    const std::size_t nameSize = std::min(nameEnd, kMaxCommandName);
    std::size_t argsAt = text.size();
    std::size_t argsSize = 0;
    if (colon != std::string_view::npos) {
        argsAt = colon + 1;
        argsSize = std::min(text.size() - argsAt, kMaxTocText);
    }
    // Where each text's NUL goes: the text's end must be inside the text
    // (a colon, a cut) or be the payload's own NUL.
    const bool nameEnds = nameSize < text.size() || ended;
    const bool argsEnd = argsAt + argsSize < text.size() || ended || colon == std::string_view::npos;
    if (!nameEnds || !argsEnd)
        return false;
    payload[nameSize] = '\0';
    out.command = std::string_view(payload, nameSize);
    if (colon == std::string_view::npos) {
        // No arguments: an empty text, the name's own NUL serves.
        out.arguments = std::string_view(payload + nameSize, 0);
        return true;
    }
    payload[argsAt + argsSize] = '\0';
    out.arguments = std::string_view(payload + argsAt, argsSize);
    return true;
}

std::string RoastPassword(std::string_view password)
{
    static constexpr char kHex[] = "0123456789abcdef";
    if (password.size() > kMaxRoastedPassword)
        password = password.substr(0, kMaxRoastedPassword);
    std::string out = "0x";
    for (std::size_t i = 0; i < password.size(); ++i) {
        const auto value = static_cast<unsigned char>(password[i]) ^
                           static_cast<unsigned char>(kRoastKey[i % kRoastKey.size()]);
        out.push_back(kHex[value >> 4]);
        out.push_back(kHex[value & 0x0f]);
    }
    return out;
}

}  // namespace tocwire
