#include "block_list.h"

#include "normalize_name.h"

namespace shun {

namespace {

// Calls visit(line, start) for each line of the text, without its LF.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit)
{
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::size_t stop = end == std::string_view::npos ? text.size() : end;
        if (!visit(text.substr(start, stop - start), start))
            return;
        start = stop + 1;
    }
}

// A name with nothing but blanks would be sent as no name at all, which the
// server reads as "clear the deny list": such a name counts as missing.
bool CheckName(std::string_view name, HostServices& host)
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

void BlockList::SetText(std::string text)
{
    text_ = std::move(text);
    if (!text_.empty() && text_.back() != '\n')
        text_.push_back('\n');
}

bool BlockList::HandleCommand(std::string_view word, std::string_view arguments, HostServices& host)
{
    if (EqualsIgnoringCase(word, "block"))
        Block(arguments, host);
    else if (EqualsIgnoringCase(word, "unblock"))
        Unblock(arguments, host);
    else if (EqualsIgnoringCase(word, "blocklist"))
        PrintList(host);
    else
        return false;
    return true;
}

std::size_t BlockList::FindLine(const std::string& normalizedName) const
{
    std::size_t found = std::string::npos;
    ForEachLine(text_, [&](std::string_view line, std::size_t start) {
        if (NormalizeName(line) != normalizedName)
            return true;
        found = start;
        return false;
    });
    return found;
}

void BlockList::Block(std::string_view name, HostServices& host)
{
    if (text_.size() > kMaxTextForBlock) {
        host.PrintStatus("Block list is too big!");
        return;
    }
    if (!CheckName(name, host))
        return;
    const std::string normalized = NormalizeName(name);
    if (FindLine(normalized) != std::string::npos) {
        host.PrintStatus("That user is already blocked.");
        return;
    }
    text_.append(name).push_back('\n');
    host.RemoveOnlineName(normalized.c_str());
    host.PrintStatus("User added to block list.");
    Send(host, "toc_add_deny " + normalized);
}

void BlockList::Unblock(std::string_view name, HostServices& host)
{
    if (!CheckName(name, host))
        return;
    const std::string normalized = NormalizeName(name);
    const std::size_t start = FindLine(normalized);
    if (start == std::string::npos) {
        host.PrintStatus("That user is not in the list.");
        return;
    }
    const std::size_t end = text_.find('\n', start);
    text_.erase(start, end == std::string::npos ? std::string::npos : end - start + 1);
    // Permit mode for a moment, then deny mode with an empty list, then the
    // names that remain.
    Send(host, "toc_add_permit " + normalized);
    Send(host, "toc_add_deny");
    host.PrintStatus("User unblocked.");
    SendDenyList(host);
}

void BlockList::PrintList(HostServices& host) const
{
    std::string line = "Blocked users: ";
    bool any = false;
    ForEachLine(text_, [&](std::string_view name, std::size_t) {
        if (name.empty())
            return true;
        if (any)
            line.append(", ");
        line.append(name);
        any = true;
        return true;
    });
    if (!any)
        line.append("none");
    host.PrintStatus(line.c_str());
}

void BlockList::SendDenyList(HostServices& host) const
{
    static constexpr std::string_view kDeny = "toc_add_deny";
    std::string command(kDeny);
    std::size_t names = 0;
    ForEachLine(text_, [&](std::string_view name, std::size_t) {
        // Lines edited into the file by hand may be empty or longer than any
        // name /block accepts; neither goes to the server.
        if (name.empty() || name.size() > kMaxNameLength)
            return true;
        const std::string normalized = NormalizeName(name);
        if (normalized.empty())
            return true;
        command.append(" ").append(normalized);
        if (command.size() > kDenyCommandSplit) {
            Send(host, command);
            command.assign(kDeny);
        }
        return ++names < kMaxDenyNames;
    });
    if (command.size() > kDeny.size())
        Send(host, command);
}

}  // namespace shun
