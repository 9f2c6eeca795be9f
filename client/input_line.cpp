#include "input_line.h"
#include "toc_limits.h"

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
std::string Format(std::string_view pattern, std::string_view value)
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

std::vector<std::string> SelectedNames(ClientContext& ctx)
{
    std::vector<std::string> names;
    for (int row : ctx.Window().SelectedOnlineRows()) {
        if (names.size() == kMaxSelected)
            break;
        if (row >= 0 && row < ctx.online.Count())
            names.push_back(ctx.online.At(row).substr(0, kMaxTocText));
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
        PrintLine(ctx, Format("Command '%s' is not valid.", VisibleText(word)));
}

}  // namespace

TemplateParts SplitTemplate(std::string_view formatTemplate)
{
    const std::size_t dollar = formatTemplate.find('$');
    if (dollar == std::string_view::npos)
        return {formatTemplate, {}};
    return {formatTemplate.substr(0, dollar), formatTemplate.substr(dollar + 1)};
}

std::string TemplateFromWindow(ClientContext& ctx, std::size_t room)
{
    if (!ctx.Window().HasScreen())
        return std::string(FieldText(ctx.settings.userInfo.formatting).substr(0, room));
    std::string text = ctx.Window().FormattingText();
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
    text = text.substr(0, kMaxTocText);
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n')
            out.append("<BR>");
        else
            out.push_back(c);
    }
    return out;
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

void SubmitInputLine(ClientContext& ctx)
{
    std::string line = ctx.Window().InputText();
    if (line.size() > kMaxTocText)
        line.resize(kMaxTocText);
    if (line.empty())
        return;
    ctx.history.Push(line);
    if (line.front() == '/') {
        HandleSlashLine(ctx, line);
    } else if (ctx.session.connectionStatus != STATUS_ONLINE) {
        PrintLine(ctx, "Not logged on.");
    } else {
        const std::string message = ComposeMessage(line, TemplateFromWindow(ctx, kMaxTemplate));
        const std::vector<std::string> names = SelectedNames(ctx);
        if (names.empty())
            PrintLine(ctx, "No one selected in list.");
        for (const std::string& name : names)
            SendInstantMessage(ctx, name, message, false);
    }
    ctx.Window().SetInputText("");
}

void SendInputLine(ClientContext& ctx, std::string_view recipient, std::string_view text)
{
    text = text.substr(0, kMaxTocText);
    if (text.empty())
        return;
    ctx.history.Push(text);
    if (text.front() == '/') {
        HandleSlashLine(ctx, text);
        return;
    }
    SendInstantMessage(ctx, recipient, ComposeMessage(text, TemplateFromWindow(ctx, kMaxTemplate)), false);
}

void HistoryStep(ClientContext& ctx, bool older)
{
    if (const auto text = ctx.history.Step(older); text.has_value())
        ctx.Window().SetInputText(*text);
}

void RequestInfo(ClientContext& ctx, std::string_view screenName)
{
    if (!CheckRecipient(ctx, screenName))
        return;
    if (SendCommand(ctx.session, "toc_get_info " + NormalizeName(screenName)) == -1) {
        PrintLine(ctx, "Failed to request userinfo.");
        return;
    }
    PrintLine(ctx, Format("Requesting info for %s...", screenName));
    ++ctx.session.pendingProfileRequests;
}

void WarnUser(ClientContext& ctx, std::string_view screenName)
{
    if (!CheckRecipient(ctx, screenName))
        return;
    if (SendCommand(ctx.session, "toc_evil " + NormalizeName(screenName) + " norm") == -1) {
        PrintLine(ctx, "Failed to send warn.");
        return;
    }
    PrintLine(ctx, Format("Warning %s.", screenName));
}

void InfoOnSelected(ClientContext& ctx)
{
    const std::vector<std::string> names = SelectedNames(ctx);
    if (names.empty())
        PrintLine(ctx, "No one selected in list.");
    for (const std::string& name : names)
        RequestInfo(ctx, name);
}

void WarnSelected(ClientContext& ctx)
{
    const std::vector<std::string> names = SelectedNames(ctx);
    if (names.empty())
        PrintLine(ctx, "No one selected in list.");
    for (const std::string& name : names)
        WarnUser(ctx, name);
}
