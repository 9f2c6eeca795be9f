#include "block_list.h"

#include <algorithm>
#include <set>

#include "name_lines.h"
#include "normalize_name.h"
#include "toc_limits.h"
#include "visible_text.h"

namespace shun {

namespace {

constexpr std::string_view kDeny = "toc_add_deny";

using Line = NameLine;


// A name with nothing but blanks would be sent as no name at all, which the
// server reads as "clear the deny list": such a name counts as missing.
bool CheckLength(std::string_view name, HostServices& host)
{
    if (NormalizeName(name).empty()) {
        host.PrintStatus("Specify a name.");
        return false;
    }
    if (name.size() > kMaxNameLength) {
        host.PrintStatus("Name length too large.");
        return false;
    }
    return true;
}

void Send(HostServices& host, const std::string& command)
{
    host.SendCommand(command.c_str());
}

}  // namespace

bool IsSentName(std::string_view line)
{
    return line.size() <= kMaxNameLength && IsValidScreenName(line);
}

bool BlockList::HandleCommand(std::string_view word, std::string_view arguments, HostServices& host,
                              const Saver& save)
{
    if (EqualsIgnoringCase(word, "block"))
        Block(arguments, host, save);
    else if (EqualsIgnoringCase(word, "unblock"))
        Unblock(arguments, host, save);
    else if (EqualsIgnoringCase(word, "blocklist"))
        PrintList(host);
    else
        return false;
    return true;
}

bool BlockList::HasSentName(const std::string& normalizedName) const
{
    // A line that is never sent blocks nobody, even where it normalises to
    // the same name.
    bool found = false;
    ForEachNameLine(text_, [&](const Line& line) {
        found = IsSentName(line.name) && NormalizeName(line.name) == normalizedName;
        return found;
    });
    return found;
}

bool BlockList::Lists(std::string_view name) const
{
    const std::string normalized = NormalizeName(name);
    return !normalized.empty() && HasSentName(normalized);
}

void BlockList::Block(std::string_view name, HostServices& host, const Saver& save)
{
    if (text_.size() > kMaxTextForBlock) {
        host.PrintStatus("Block list is too big!");
        return;
    }
    if (!CheckLength(name, host))
        return;
    if (!IsValidScreenName(name)) {
        host.PrintStatus(("'" + VisibleText(name) + "' is not a screen name.").c_str());
        return;
    }
    const std::string normalized = NormalizeName(name);
    if (HasSentName(normalized)) {
        host.PrintStatus("That user is already blocked.");
        return;
    }
    // A last line without its line end (a file edited by hand) gets one first.
    const bool needsLineEnd = !text_.empty() && text_.back() != '\n';
    if (text_.size() + (needsLineEnd ? 1 : 0) + name.size() + 1 > kMaxListBytes) {
        host.PrintStatus("Block list is too big!");
        return;
    }
    if (needsLineEnd)
        text_.push_back('\n');
    text_.append(name).push_back('\n');
    ++revision_;
    // In the file before anyone is told: a block acknowledged is a block kept.
    if (save)
        save();
    host.RemoveOnlineName(normalized.c_str());
    host.PrintStatus(("User added to block list: " + std::string(name) + ".").c_str());
    Send(host, std::string(kDeny) + " " + normalized);
}

void BlockList::Unblock(std::string_view name, HostServices& host, const Saver& save)
{
    if (!CheckLength(name, host))
        return;
    // Every line that names this user goes: one left behind would still be
    // sent in the deny list.
    const std::string normalized = NormalizeName(name);
    std::string kept;
    bool removed = false;
    bool wasSent = false;
    ForEachNameLine(text_, [&](const Line& line) {
        if (NormalizeName(line.name) == normalized) {
            removed = true;
            wasSent = wasSent || IsSentName(line.name);
        } else {
            kept.append(text_, line.begin, line.next - line.begin);
        }
        return false;
    });
    if (!removed) {
        host.PrintStatus("That user is not in the list.");
        return;
    }
    text_ = std::move(kept);
    ++revision_;
    if (save)
        save();
    host.PrintStatus(("User unblocked: " + VisibleText(name) + ".").c_str());
    if (wasSent) {
        // Permit mode for a moment, then deny mode with an empty list, then
        // the names that remain: one change, which the client sends back to
        // back. TOC has no way to take one name off the deny list.
        unblockSent_ = true;
        Send(host, "toc_add_permit " + normalized);
        Send(host, std::string(kDeny));
        SendDenyList(host);
    }
}

void BlockList::PrintList(HostServices& host) const
{
    // What the server was told; lines it never heard of are counted apart.
    std::string line = "Blocked users: ";
    bool any = false;
    std::size_t unsent = 0;
    ForEachNameLine(text_, [&](const Line& entry) {
        if (NormalizeName(entry.name).empty())
            return false;  // blank lines hold no name
        if (!IsSentName(entry.name)) {
            ++unsent;
            return false;
        }
        if (any)
            line.append(", ");
        line.append(entry.name);
        any = true;
        return false;
    });
    if (!any)
        line.append("none");
    host.PrintStatus(line.c_str());
    if (unsent > 0) {
        host.PrintStatus((std::to_string(unsent) + (unsent == 1 ? " line" : " lines") +
                          " of blocklst.cfg not sent to the server: not a screen name.")
                             .c_str());
    }
}

std::vector<std::string> BlockList::DenyCommands() const
{
    std::vector<std::string> commands;
    std::string command(kDeny);
    std::size_t names = 0;
    std::set<std::string> sent;  // one user written in several ways is sent once
    ForEachNameLine(text_, [&](const Line& line) {
        if (!IsSentName(line.name))
            return false;
        std::string normalized = NormalizeName(line.name);
        if (!sent.insert(normalized).second)
            return false;
        // A screen name needs no escaping; the measure holds whatever a name is.
        if (command.size() > kDeny.size() &&
            TocWireLength(command) + 1 + TocWireLength(normalized) > kMaxTocText) {
            commands.push_back(command);
            command.assign(kDeny);
        }
        command.append(" ").append(normalized);
        if (command.size() > kDenyCommandSplit) {
            commands.push_back(command);
            command.assign(kDeny);
        }
        return ++names >= kMaxDenyNames;
    });
    if (command.size() > kDeny.size())
        commands.push_back(command);
    return commands;
}

void BlockList::SendDenyList(HostServices& host) const
{
    for (const std::string& command : DenyCommands())
        Send(host, command);
}

void BlockList::SendServerState(HostServices& host) const
{
    const std::vector<std::string> commands = DenyCommands();
    // After an unblock the server may still be in permit mode (a pause cut
    // the change short): with nobody left to deny, "deny none" puts it back.
    if (commands.empty() && unblockSent_)
        Send(host, std::string(kDeny));
    for (const std::string& command : commands)
        Send(host, command);
}

}  // namespace shun
