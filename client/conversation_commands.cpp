#include "conversation_commands.h"

#include <string>
#include <vector>

#include "buddy_list_edit.h"
#include "client_context.h"
#include "input_line.h"
#include "normalize_name.h"
#include "outgoing.h"
#include "output.h"
#include "visible_text.h"

namespace {

void SendTo(ClientContext& ctx, std::string_view name, std::string_view text)
{
    // The same path as a typed line: template, length check, modules, pacing.
    SubmitLineTo(ctx, std::string(text), {std::string(name)});
}

bool NamesCommand(std::string_view usage, std::string_view word)
{
    if (usage.size() < word.size() + 1 || usage[0] != '/')
        return false;
    const std::string_view used = usage.substr(1, word.size());
    const bool ends = usage.size() == word.size() + 1 || usage[word.size() + 1] == ' ' || usage[word.size() + 1] == ':';
    return ends && EqualsIgnoringCase(used, word);
}

}  // namespace

void MessageAnyone(ClientContext& ctx, std::string_view argument)
{
    const std::size_t blank = argument.find(' ');
    const std::string_view name = argument.substr(0, blank);
    const std::string_view text = blank == std::string_view::npos ? std::string_view{} : argument.substr(blank + 1);
    if (name.empty() || text.find_first_not_of(' ') == std::string_view::npos) {
        PrintLine(ctx.Out(), "msg command expects a screen name and a message.");
        return;
    }
    if (!CheckRecipient(ctx.Out(), name))
        return;
    if (text.front() == '/') {
        PrintLine(ctx.Out(), "msg command sends text; a message cannot start with '/'.");
        return;
    }
    SendTo(ctx, name, text);
}

void ReplyToLastSender(ClientContext& ctx, std::string_view argument)
{
    const std::string& last = ctx.transcript.lines.LastSender();
    if (last.empty()) {
        PrintLine(ctx.Out(), "No one has sent you a message yet.");
        return;
    }
    if (argument.find_first_not_of(' ') == std::string_view::npos) {
        PrintLine(ctx.Out(), "r command expects a message (it goes to " + VisibleText(last) + ").");
        return;
    }
    if (argument.front() == '/') {
        PrintLine(ctx.Out(), "r command sends text; a message cannot start with '/'.");
        return;
    }
    SendTo(ctx, std::string(last), argument);
}

void ReportShadowedCommands(const Printer& out, const ModuleState& modules)
{
    for (const ModuleIdentity& module : modules.host.Identities()) {
        for (const std::string_view word : {std::string_view("msg"), std::string_view("r")}) {
            for (const std::string& usage : module.commands) {
                if (NamesCommand(usage, word)) {
                    PrintLine(out, "Module " + module.fileName + " also answers /" + std::string(word) +
                                       ": the client's own /" + std::string(word) + " is used.");
                    break;
                }
            }
        }
    }
}

void AddBuddyFromConversation(ClientContext& ctx, std::string_view name)
{
    BuddyListEdit edit(ctx.settings.buddyList);
    const BuddyAdd result = edit.Add(name);
    if (result != BuddyAdd::Added) {
        PrintLine(ctx.Out(), BuddyAddRefusal(result, name, ctx.settings.buddyList));
        return;
    }
    AcceptBuddyListEdit(ctx, edit);
    PrintLine(ctx.Out(), VisibleText(name) + " added to the buddy list.");
}
