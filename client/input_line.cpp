#include "input_line.h"
#include "toc_limits.h"

#include <algorithm>
#include <vector>

#include "client_context.h"
#include "send_command.h"
#include "normalize_name.h"
#include "outgoing.h"
#include "output.h"
#include "slash_commands.h"
#include "tocwire.h"
#include "visible_text.h"

namespace {

// A message pattern with its one "%s" filled in; the value is taken literally,
// never read as a format.
std::string FillPattern(std::string_view pattern, std::string_view value)
{
    std::string out;
    const std::size_t at = pattern.find("%s");
    if (at == std::string_view::npos)
        return std::string(pattern);
    out.append(pattern.substr(0, at));
    out.append(value);
    out.append(pattern.substr(at + 2));
    return out;
}

std::vector<std::string> SelectedNames(const ClientWindow& window, const OnlineList& online)
{
    std::vector<std::string> names;
    for (int row : window.SelectedOnlineRows()) {
        if (names.size() == kMaxSelected)
            break;
        if (row >= 0 && row < online.Count())
            names.push_back(online.At(row).substr(0, kMaxTocText));
    }
    return names;
}

void HandleSlashLine(ClientContext& ctx, std::string_view line)
{
    const std::string_view command = line.substr(1);
    const std::size_t blank = command.find(' ');
    const std::string_view word = command.substr(0, blank);
    const std::string_view argument = blank == std::string_view::npos ? std::string_view{} : command.substr(blank + 1);
    if (RunSlashCommand(ctx, word, argument) == 0)
        PrintLine(ctx.Out(), FillPattern("Command '%s' is not valid.", VisibleText(word)));
}

// A typed "/word" line, cut to one command line: kept in the history and run.
void RunTypedCommand(ClientContext& ctx, std::string_view typed)
{
    const std::string_view line = typed.substr(0, kMaxTocText);
    ctx.history.Push(line);
    HandleSlashLine(ctx, line);
}

// Nothing but blanks: an empty-looking message that is never sent.
bool IsBlankLine(std::string_view line)
{
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

std::string BreaksFor(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n')
            out.append(kLineBreakTag);
        else
            out.push_back(c);
    }
    return out;
}

// The room the message's text has in a toc_send_im to each of the names:
// the least of them, so it fits every one.
std::size_t RoomForAll(const std::vector<std::string>& names)
{
    std::size_t room = kMaxTocText;
    for (const std::string& name : names)
        room = std::min(room, QuotedRoom(SendImHead(name), SendImTail(false)));
    return room;
}

// A typed message to every selected name (or to `to` when given). False
// when it is refused for its length: nothing is sent or remembered, and the
// line stays to be shortened.
bool SendTypedMessage(ClientContext& ctx, const std::string& line, const std::vector<std::string>* to = nullptr)
{
    if (ctx.session.connectionStatus != STATUS_ONLINE) {
        ctx.history.Push(line);
        PrintLine(ctx.Out(), "Not logged on.");
        return true;
    }
    const std::string formatTemplate = TemplateFromWindow(ctx.Window(), ctx.settings.userInfo, kMaxTemplate);
    const TemplateParts parts = SplitTemplate(formatTemplate);
    const std::vector<std::string> names = to != nullptr ? *to : SelectedNames(ctx.Window(), ctx.online);
    if (names.empty()) {
        ctx.history.Push(line);
        PrintLine(ctx.Out(), "No one selected in list.");
        return true;
    }
    const std::string message = ComposeWhole(line, parts);
    const std::size_t room = RoomForAll(names);
    if (QuotedWireLength(message) > room) {
        const std::string_view fits = std::string_view(line).substr(0, FittingLength(line, parts, room));
        PrintLine(ctx.Out(), "Message too long: " + std::to_string(CharacterCount(line)) + " characters, at most " +
                           std::to_string(CharacterCount(fits)) + " can be sent.");
        return false;
    }
    ctx.history.Push(line);
    for (const std::string& name : names)
        SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, name, message, false);
    return true;
}

}  // namespace

TemplateParts SplitTemplate(std::string_view formatTemplate)
{
    const std::size_t dollar = formatTemplate.find('$');
    if (dollar == std::string_view::npos)
        return {formatTemplate, {}};
    return {formatTemplate.substr(0, dollar), formatTemplate.substr(dollar + 1)};
}

std::string TemplateFromWindow(const ClientWindow& window, const UserInfo& settings, std::size_t room)
{
    if (!window.HasScreen())
        return std::string(FieldText(settings.formatting).substr(0, room));
    std::string text = window.FormattingText();
    if (text.size() > room)
        text.resize(room);
    return text;
}

std::string ExpandBackslashN(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n' && i > 0 && text[i - 1] != '\\') {
            out.push_back('\n');
            ++i;
            continue;
        }
        out.push_back(text[i]);
    }
    return out;
}

std::string NewlinesToBreaks(std::string_view text)
{
    return BreaksFor(text.substr(0, kMaxTocText));
}

std::string ComposeWhole(std::string_view text, const TemplateParts& parts)
{
    return std::string(parts.prefix) + BreaksFor(ExpandBackslashN(text)) + std::string(parts.suffix);
}

std::size_t FittingLength(std::string_view text, const TemplateParts& parts, std::size_t room)
{
    std::vector<std::size_t> ends{0};  // the byte offsets between characters
    for (std::size_t i = 1; i <= text.size(); ++i) {
        if (CharacterBoundary(text, i) == i)
            ends.push_back(i);
    }
    const auto fits = [&](std::size_t end) {
        return QuotedWireLength(ComposeWhole(text.substr(0, end), parts)) <= room;
    };
    // A longer start of the text never costs less on the wire.
    if (!fits(0))
        return 0;
    std::size_t low = 0;
    std::size_t high = ends.size() - 1;
    while (low < high) {
        const std::size_t mid = low + (high - low + 1) / 2;
        if (fits(ends[mid]))
            low = mid;
        else
            high = mid - 1;
    }
    return ends[low];
}

std::string ComposeMessage(std::string_view text, std::string_view formatTemplate)
{
    const TemplateParts parts = SplitTemplate(formatTemplate);
    std::string message(parts.prefix);
    message += NewlinesToBreaks(ExpandBackslashN(text));
    message += parts.suffix;
    if (message.size() > kMaxComposedMessage)
        message.resize(kMaxComposedMessage);
    return message;
}

namespace {

// A typed line: a "/word" runs as a command, anything else is a message to
// `to` (the selected names when null). False when nothing was taken.
bool TakeTypedLine(ClientContext& ctx, const std::string& typed, const std::vector<std::string>* to)
{
    // An empty line, or one of blanks only, sends nothing and stays as it is.
    if (IsBlankLine(typed))
        return false;
    if (typed.front() == '/') {
        RunTypedCommand(ctx, typed);
        return true;
    }
    return SendTypedMessage(ctx, typed, to);
}

}  // namespace

void SubmitInputLine(ClientContext& ctx)
{
    if (TakeTypedLine(ctx, ctx.Window().InputText(), nullptr))
        ctx.Window().SetInputText("");
}

bool SubmitLineTo(ClientContext& ctx, const std::string& typed, const std::vector<std::string>& names)
{
    return TakeTypedLine(ctx, typed, &names);
}

void SendInputLine(ClientContext& ctx, std::string_view recipient, std::string_view text)
{
    text = text.substr(0, kMaxTocText);
    if (IsBlankLine(text))
        return;
    if (text.front() == '/') {
        RunTypedCommand(ctx, text);
        return;
    }
    ctx.history.Push(text);
    const std::string formatTemplate = TemplateFromWindow(ctx.Window(), ctx.settings.userInfo, kMaxTemplate);
    SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, recipient, ComposeMessage(text, formatTemplate), false);
}

void HistoryStep(InputHistory& history, ClientWindow& window, bool older)
{
    if (const auto text = history.Step(older); text.has_value())
        window.SetInputText(*text);
}

void RequestInfo(const Printer& out, SessionState& session, std::string_view screenName)
{
    if (!CheckRecipient(out, screenName))
        return;
    if (SendCommand(session, "toc_get_info " + NormalizeName(screenName)) == -1) {
        PrintLine(out, "Failed to request userinfo.");
        return;
    }
    PrintLine(out, FillPattern("Requesting info for %s...", screenName));
    session.ProfileRequested();
}

void WarnUser(const Printer& out, SessionState& session, std::string_view screenName)
{
    if (!CheckRecipient(out, screenName))
        return;
    if (SendCommand(session, "toc_evil " + NormalizeName(screenName) + " norm") == -1) {
        PrintLine(out, "Failed to send warn.");
        return;
    }
    PrintLine(out, FillPattern("Warning %s.", screenName));
}

void ActOnSelected(const Printer& out, SessionState& session, const OnlineList& online, UserAction action)
{
    const std::vector<std::string> names = SelectedNames(out.Window(), online);
    if (names.empty())
        PrintLine(out, "No one selected in list.");
    for (const std::string& name : names) {
        if (action == UserAction::Info)
            RequestInfo(out, session, name);
        else
            WarnUser(out, session, name);
    }
}
