#include "slash_commands.h"

#include <array>
#include <string>

#include "builtin_commands.h"
#include "client_context.h"
#include "connection.h"
#include "conversation_commands.h"
#include "normalize_name.h"
#include "output.h"

namespace {

void ShowHelp(ClientContext& ctx, std::string_view);

// The first six in the order the client has always matched them; the words
// are distinct, so the order decides nothing else.
constexpr std::array<SlashCommand, 10> kCommands{{
    {"clear", [](ClientContext& ctx, std::string_view) { ClearTranscript(ctx.Out()); }, "/clear: empties the transcript"},
    {"savebuffer", [](ClientContext& ctx, std::string_view path) { SaveBuffer(ctx.Out(), ctx.settings, path); },
     "/savebuffer FILE: saves the transcript to FILE"},
    {"mclear", [](ClientContext& ctx, std::string_view bytes) { SetAutoClear(ctx.Out(), bytes); },
     "/mclear BYTES: clears the transcript when it grows past BYTES (0: never)"},
    {"autoreconnect", [](ClientContext& ctx, std::string_view) { ToggleAutoReconnect(ctx.Out(), ctx.session); },
     "/autoreconnect: turns signing on again after a dropped connection on or off"},
    {"reconnect", [](ClientContext& ctx, std::string_view) { ReconnectAfterPause(ctx.Out(), ctx.session, ctx.settings); },
     "/reconnect: signs off and on again"},
    {"away", [](ClientContext& ctx, std::string_view text) { SetAway(ctx.Out(), ctx.session, ctx.away, text); },
     "/away [MESSAGE]: sets the away message; without one, unsets it"},
    {"modules", [](ClientContext& ctx, std::string_view) { ListModules(ctx.Out(), ctx.modules); },
     "/modules: lists the loaded user modules"},
    {"msg", MessageAnyone, "/msg NAME TEXT: sends TEXT to any screen name, listed or not"},
    {"r", ReplyToLastSender, "/r TEXT: answers the last person who sent you a message"},
    {"help", ShowHelp, "/help: lists the commands"},
}};

void ShowHelp(ClientContext& ctx, std::string_view)
{
    PrintLine(ctx.Out(), "Commands:");
    for (const SlashCommand& command : kCommands)
        PrintLine(ctx.Out(), "  " + std::string(command.usage));
    for (const ModuleIdentity& module : ctx.modules.host.Identities()) {
        if (module.commands.empty() || module.disabled)  // a disabled module answers no command
            continue;
        const std::string who = module.name.empty() ? module.fileName : module.name + " (" + module.fileName + ")";
        PrintLine(ctx.Out(), "Commands of " + who + ":");
        for (const std::string& usage : module.commands)
            PrintLine(ctx.Out(), "  " + usage);
    }
}

}  // namespace

std::span<const SlashCommand> ClientSlashCommands()
{
    return kCommands;
}

int RunSlashCommand(ClientContext& ctx, std::string_view word, std::string_view argument)
{
    for (const SlashCommand& command : kCommands) {
        if (EqualsIgnoringCase(word, command.word)) {
            command.run(ctx, argument);
            return 1;
        }
    }
    const std::string wordText(word);
    const std::string argumentText(argument);
    const SendPacer::Unit privacyChange(ctx.session.pacer);
    return ctx.modules.host.DispatchUserCommand(wordText.c_str(), argumentText.c_str());
}
