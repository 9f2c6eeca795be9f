#include "outgoing.h"
#include "toc_limits.h"

#include <algorithm>

#include "module_state.h"
#include "session_state.h"
#include "connection.h"
#include "message_text.h"
#include "send_command.h"
#include "normalize_name.h"
#include "output.h"
#include "server_messages.h"
#include "visible_text.h"

namespace {

// The most of a refused recipient quoted back in "'...' is not a screen name.".
constexpr std::size_t kMaxShownBadName = 1024;

bool ClientEscapes(char c)
{
    return c == '"' || c == '\\' || c == '{' || c == '}';
}

// What one byte of free text becomes on the wire, through both escapings.
std::size_t WireCost(char c)
{
    if (c == '\0')
        return 0;  // a command ends at its first NUL: never sent
    if (c == '\n')
        return kLineBreakTag.size();
    return ClientEscapes(c) || IsTocSpecial(c) ? 2 : 1;
}

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::string Escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 4 + 8);
    for (char c : text) {
        if (c == '\0')
            continue;
        if (c == '\n') {
            out.append(kLineBreakTag);
            continue;
        }
        if (ClientEscapes(c))
            out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

}  // namespace

std::string EscapeTocText(std::string_view text)
{
    return Escape(text.substr(0, kMaxTocText));
}

std::size_t QuotedWireLength(std::string_view text)
{
    std::size_t length = 0;
    for (char c : text)
        length += WireCost(c);
    return length;
}

std::size_t QuotedRoom(std::string_view head, std::string_view tail)
{
    const std::size_t frame = TocWireLength(head) + TocWireLength(tail);
    return frame < kMaxTocText ? kMaxTocText - frame : 0;
}

QuotedText EscapeTocTextWithin(std::string_view text, std::size_t room)
{
    std::size_t used = 0;
    std::size_t taken = 0;
    while (taken < text.size() && used + WireCost(text[taken]) <= room)
        used += WireCost(text[taken++]);
    taken = CharacterBoundary(text, taken);
    return {Escape(text.substr(0, taken)), taken};
}

std::size_t CharacterBoundary(std::string_view text, std::size_t at)
{
    std::size_t start = at;
    while (start > 0 && at - start < 3 && start < text.size() && IsContinuationByte(text[start]))
        --start;
    if (start == at || static_cast<unsigned char>(text[start]) < 0xC0)
        return at;  // not inside a sequence (or no UTF-8 at all)
    return start;
}

std::size_t CharacterCount(std::string_view text)
{
    const auto starts = std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuationByte(c); });
    return static_cast<std::size_t>(starts);
}

std::string SendImHead(std::string_view recipient)
{
    return "toc_send_im " + NormalizeName(recipient) + " \"";
}

std::string_view SendImTail(bool automatic)
{
    return automatic ? "\" auto" : "\"";
}

bool CheckRecipient(const Printer& out, std::string_view name)
{
    if (IsValidScreenName(name))
        return true;
    std::string line = "'";
    line.append(VisibleText(name.substr(0, kMaxShownBadName)));
    line += "' is not a screen name.";
    PrintLine(out, line);
    return false;
}

void SendInstantMessage(const Printer& out, SessionState& session, ModuleState& modules, std::string_view recipient, std::string_view text, bool automatic)
{
    if (!CheckRecipient(out, recipient))
        return;
    const std::string recipientText(recipient);
    const std::string messageText(text);
    {
        const SendPacer::Unit privacyChange(session.pacer);
        if (modules.host.DispatchSendIM(recipientText.c_str(), messageText.c_str(), automatic) == -1)
            return;
    }
    // Cut, never inside an escape, so that the library sends the whole line
    // with its closing quote and its automatic marker.
    const std::string head = SendImHead(recipient);
    const std::string_view tail = SendImTail(automatic);
    const QuotedText quoted = EscapeTocTextWithin(text, QuotedRoom(head, tail));
    std::string command = head + quoted.escaped;
    command += tail;
    // Shown once it has gone: an automatic reply may wait its turn, and one
    // dropped with the connection was never sent.
    auto echo = [out, &modules, shownTo = recipientText, sent = std::string(text.substr(0, quoted.taken)), automatic] {
        StartTranscriptForIm(out);
        MessageText message;
        SplitMessageMarkup(sent, message);
        PrintShownImLine(out, shownTo, message, false, shownTo, automatic);
        if (!automatic)
            out.Window().CueSound(SoundEvent::MessageSent);
        modules.host.DispatchSentIM(shownTo.c_str(), sent.c_str(), automatic);
    };
    if (SendCommand(session, command, std::move(echo)) == -1) {
        // Refused because too many replies wait: said once, and counted until
        // the line has emptied (a flood would otherwise add a line per message).
        if (automatic && session.pacer.Waiting() > 0 && session.refusedReplies++ > 0)
            return;
        PrintLine(out, "Cannot send IM.");
    }
}

void ReportRefusedReplies(const Printer& out, SessionState& session)
{
    const int more = session.refusedReplies - 1;
    session.refusedReplies = 0;
    if (more > 0)
        PrintLine(out, "Cannot send IM: " + std::to_string(more) + " more automatic " +
                           (more == 1 ? "reply was" : "replies were") + " refused while too many waited.");
}
