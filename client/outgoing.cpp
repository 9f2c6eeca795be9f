#include "outgoing.h"
#include "toc_limits.h"

#include "client_context.h"
#include "connection.h"
#include "send_command.h"
#include "normalize_name.h"
#include "output.h"
#include "server_messages.h"
#include "visible_text.h"

namespace {
// The most of a refused recipient quoted back in "'...' is not a screen name.".
constexpr std::size_t kMaxShownBadName = 1024;
}  // namespace

std::string EscapeTocText(std::string_view text)
{
    text = text.substr(0, kMaxTocText);
    std::string out;
    out.reserve(text.size() + text.size() / 4 + 8);
    for (char c : text) {
        if (c == '\n') {
            out.append("<BR>");
            continue;
        }
        if (c == '"' || c == '\\' || c == '{' || c == '}')
            out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

bool CheckRecipient(ClientContext& ctx, std::string_view name)
{
    if (IsValidScreenName(name))
        return true;
    std::string line = "'";
    line.append(VisibleText(name.substr(0, kMaxShownBadName)));
    line += "' is not a screen name.";
    PrintLine(ctx, line);
    return false;
}

void SendInstantMessage(ClientContext& ctx, std::string_view recipient, std::string_view text, bool automatic)
{
    if (!CheckRecipient(ctx, recipient))
        return;
    const std::string recipientText(recipient);
    const std::string messageText(text);
    if (ctx.modules.host.DispatchSendIM(recipientText.c_str(), messageText.c_str(), automatic) == -1)
        return;
    std::string command = "toc_send_im " + NormalizeName(recipient) + " \"" + EscapeTocText(text) + "\"";
    if (automatic)
        command += " auto";
    // Shown once it has gone: an automatic reply may wait its turn, and one
    // dropped with the connection was never sent.
    auto echo = [&ctx, shownTo = recipientText, shown = StripBodyTags(text)] {
        GrowForIm(ctx);
        PrintImLine(ctx, shownTo, shown, false);
    };
    if (SendCommand(ctx.session, command, std::move(echo)) == -1)
        PrintLine(ctx, "Cannot send IM.");
}
