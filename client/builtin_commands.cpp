#include "builtin_commands.h"

#include <sys/stat.h>

#include <string>

#include "atomic_file.h"
#include "client_context.h"
#include "decimal_text.h"
#include "input_line.h"
#include "outgoing.h"
#include "output.h"
#include "reconnect_series.h"
#include "send_command.h"
#include "toc_limits.h"
#include "visible_text.h"

namespace {

// The mode a newly created file gets: 0666 less the process's umask.
mode_t NewFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

void SaveBuffer(ClientContext& ctx, std::string_view path)
{
    if (path.empty()) {
        PrintLine(ctx, "savebuffer command requires file path as argument.");
        return;
    }
    if (!ctx.transcript.output.Exists() || ctx.transcript.output.Text().empty()) {
        PrintLine(ctx, "Buffer is empty, nothing to save.");
        return;
    }
    // Replaced atomically: a full disk or a failed write leaves no half-written
    // file, and any earlier file of that name as it was.
    const std::string quoted = "'" + VisibleText(path) + "'.";
    const SettingsState& settings = ctx.settings;
    switch (ReplaceFile(settings.profile.File(path), ctx.transcript.output.Text(), NewFileMode(), *settings.files)) {
    case FileWriteFailure::None: PrintLine(ctx, "Saved current buffer to " + quoted); break;
    case FileWriteFailure::Open:
    case FileWriteFailure::NotRegular: PrintLine(ctx, "Failed to open file " + quoted); break;
    case FileWriteFailure::Write: PrintLine(ctx, "Failed to write file " + quoted); break;
    }
}

void SetAutoClear(ClientContext& ctx, std::string_view argument)
{
    if (argument.empty()) {
        PrintLine(ctx, "mclear command expects byte count as argument. Use 0 to disabled.");
        return;
    }
    ctx.transcript.autoClearSize = LeadingDecimal(argument);
    if (ctx.transcript.autoClearSize != 0)
        PrintLine(ctx,
                  "Autoclearing of buffer after " + std::to_string(ctx.transcript.autoClearSize) + " bytes enabled.");
    else
        PrintLine(ctx, "Autoclearing of disabled.");
}

void ToggleAutoReconnect(ClientContext& ctx)
{
    ctx.session.reconnect.SetAutomatic(!ctx.session.reconnect.Automatic());
    PrintLine(ctx, ctx.session.reconnect.Automatic() ? "Autoreconnect enabled." : "Autoreconnect disabled.");
    if (!ctx.session.reconnect.Automatic())
        StopReconnecting(ctx);
}

void SetAway(ClientContext& ctx, std::string_view argument)
{
    if (argument.empty()) {
        // Some servers drop a client that clears an away never set.
        if (ctx.away.IsAway())
            SendCommand(ctx.session, "toc_set_away");
        PrintLine(ctx, "Away flag is unset.");
        ctx.away.Unset();
        // Replies already waiting their turn would still answer for the user.
        ctx.session.pacer.DropAutomaticReplies();
        return;
    }
    const std::string formatTemplate = TemplateFromWindow(ctx, kMaxAwayTemplate);
    const TemplateParts parts = SplitTemplate(formatTemplate);
    // The text is cut between whole characters, so that the command, the
    // template's end and its closing quote included, fits one line on the
    // wire; the user is told. The stored reply is the composition as the
    // user meant it (the reply is escaped when it is sent), as far as it
    // went out.
    constexpr std::string_view kHead = "toc_set_away \"";
    const std::string_view cut = argument.substr(0, CharacterBoundary(argument, kMaxAwayArgument));
    const std::string_view used = cut.substr(0, FittingLength(cut, parts, QuotedRoom(kHead, "\"")));
    const std::string away = ComposeWhole(used, parts);
    SendCommand(ctx.session, std::string(kHead) + EscapeTocTextWithin(away, kMaxTocText).escaped + "\"");
    ctx.away.Set(away, true);
    PrintLine(ctx, "Away message set. Use /away with no arguments to unset.");
    if (used.size() < argument.size())
        PrintLine(ctx, "Away message too long: only its first " + std::to_string(CharacterCount(used)) + " of its " +
                           std::to_string(CharacterCount(argument)) + " characters are used.");
}

void ListModules(ClientContext& ctx)
{
    const std::vector<ModuleIdentity>& modules = ctx.modules.host.Identities();
    if (modules.empty()) {
        PrintLine(ctx, "No user modules are loaded.");
        return;
    }
    PrintLine(ctx, "Loaded user modules:");
    for (const ModuleIdentity& module : modules)
        PrintLine(ctx, "  " + DescribeModule(module));
}
