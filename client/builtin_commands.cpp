#include "builtin_commands.h"

#include <sys/stat.h>

#include <string>

#include "atomic_file.h"
#include "client_context.h"
#include "decimal_text.h"
#include "input_line.h"
#include "outgoing.h"
#include "output.h"
#include "send_command.h"
#include "toc_limits.h"

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
    if (!ctx.output.Exists() || ctx.output.Text().empty()) {
        PrintLine(ctx, "Buffer is empty, nothing to save.");
        return;
    }
    // Replaced atomically: a full disk or a failed write leaves no half-written
    // file, and any earlier file of that name as it was.
    const std::string quoted = "'" + std::string(path) + "'.";
    switch (ReplaceFile(ctx.profile.File(path), ctx.output.Text(), NewFileMode(), *ctx.files)) {
    case FileWriteFailure::None: PrintLine(ctx, "Saved current buffer to " + quoted); break;
    case FileWriteFailure::Open: PrintLine(ctx, "Failed to open file " + quoted); break;
    case FileWriteFailure::Write: PrintLine(ctx, "Failed to write file " + quoted); break;
    }
}

void SetAutoClear(ClientContext& ctx, std::string_view argument)
{
    if (argument.empty()) {
        PrintLine(ctx, "mclear command expects byte count as argument. Use 0 to disabled.");
        return;
    }
    ctx.autoClearSize = LeadingDecimal(argument);
    if (ctx.autoClearSize != 0)
        PrintLine(ctx, "Autoclearing of buffer after " + std::to_string(ctx.autoClearSize) + " bytes enabled.");
    else
        PrintLine(ctx, "Autoclearing of disabled.");
}

void ToggleAutoReconnect(ClientContext& ctx)
{
    ctx.reconnect.SetAutomatic(!ctx.reconnect.Automatic());
    PrintLine(ctx, ctx.reconnect.Automatic() ? "Autoreconnect enabled." : "Autoreconnect disabled.");
}

void SetAway(ClientContext& ctx, std::string_view argument)
{
    if (argument.empty()) {
        SendCommand(ctx, "toc_set_away");
        PrintLine(ctx, "Away flag is unset.");
        ctx.awayFlag = false;
        return;
    }
    const std::string formatTemplate = TemplateFromWindow(ctx, kMaxAwayTemplate);
    const TemplateParts parts = SplitTemplate(formatTemplate);
    const std::string text = ExpandBackslashN(argument.substr(0, kMaxAwayArgument));
    // The server gets the escaped form; the away reply escapes again when it
    // is sent, so the stored text is the composition as the user meant it.
    SendCommand(ctx, "toc_set_away \"" + EscapeTocText(parts.prefix) + EscapeTocText(text) +
                         EscapeTocText(parts.suffix) + "\"");
    std::string away = std::string(parts.prefix) + NewlinesToBreaks(text) + std::string(parts.suffix);
    if (away.size() > kMaxTocText)
        away.resize(kMaxTocText);
    ctx.awayText = std::move(away);
    ctx.awayFlag = true;
    PrintLine(ctx, "Away message set. Use /away with no arguments to unset.");
}

void ListModules(ClientContext& ctx)
{
    const std::vector<ModuleIdentity>& modules = ctx.modules.Identities();
    if (modules.empty()) {
        PrintLine(ctx, "No user modules are loaded.");
        return;
    }
    PrintLine(ctx, "Loaded user modules:");
    for (const ModuleIdentity& module : modules)
        PrintLine(ctx, "  " + DescribeModule(module));
}
