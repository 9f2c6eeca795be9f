#include "rendezvous.h"

#include <string>

#include "session_state.h"
#include "normalize_name.h"
#include "output.h"
#include "send_command.h"
#include "toc_capabilities.h"
#include "visible_text.h"

namespace {

std::string_view TakeField(std::string_view& rest)
{
    const std::size_t colon = rest.find(':');
    const std::string_view field = rest.substr(0, colon);
    rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
    return field;
}

std::string OfferText(std::string_view uuid)
{
    if (uuid == kCapSendFile)
        return "wants to send you a file; this client cannot receive files.";
    if (uuid == kCapGetFile)
        return "wants to get files from you; this client cannot send files.";
    if (uuid == kCapDirectIm)
        return "wants a direct connection; this client cannot make one.";
    if (uuid == kCapVoice)
        return "wants to talk by voice; this client cannot do that.";
    if (uuid == kCapGames)
        return "wants to play a game; this client cannot do that.";
    return "proposes a connection this client cannot make.";
}

// A cookie (base64) or an identifier goes into the command as one word of
// these characters only; anything else could change the command.
bool IsCommandWord(std::string_view word)
{
    if (word.empty() || word.size() > 128)
        return false;
    for (const char c : word) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
                           c == '/' || c == '=' || c == '-';
        if (!plain)
            return false;
    }
    return true;
}

}  // namespace

// RVOUS_PROPOSE:<user>:<uuid>:<cookie>:<seq>:<rip>:<pip>:<vip>:<port>[:<tlv>...]
void DeclineRendezvous(const Printer& out, SessionState& session, std::string_view arguments)
{
    std::string_view rest = arguments;
    const std::string_view peer = TakeField(rest);
    const std::string_view uuid = TakeField(rest);
    const std::string_view cookie = TakeField(rest);
    if (peer.empty())
        return;
    PrintLine(out, VisibleText(peer) + " " + OfferText(uuid));
    if (!IsValidScreenName(peer) || !IsCommandWord(uuid) || !IsCommandWord(cookie))
        return;
    AutomaticSends automatic(session);
    SendCommand(session, "toc_rvous_cancel " + NormalizeName(peer) + " " + std::string(cookie) + " " +
                                 std::string(uuid));
}
