#include "builtin_commands.h"

#include <sys/stat.h>

#include <string>

#include "atomic_file.h"
#include "away_state.h"
#include "module_state.h"
#include "session_state.h"
#include "settings_state.h"
#include "transcript_state.h"
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

void SaveBuffer(const Printer& out, const SettingsState& settings, std::string_view path)
{
    if (path.empty()) {
        PrintLine(out, "savebuffer command requires file path as argument.");
        return;
    }
    if (!out.Transcript().output.Exists() || out.Transcript().output.Text().empty()) {
        PrintLine(out, "Buffer is empty, nothing to save.");
        return;
    }
    // Replaced atomically: a full disk or a failed write leaves no half-written
    // file, and any earlier file of that name as it was.
    const std::string quoted = "'" + VisibleText(path) + "'.";
    switch (ReplaceFile(settings.profile.File(path), out.Transcript().output.Text(), NewFileMode(), *settings.files)) {
    case FileWriteFailure::None: PrintLine(out, "Saved current buffer to " + quoted); break;
    case FileWriteFailure::Open:
    case FileWriteFailure::NotRegular: PrintLine(out, "Failed to open file " + quoted); break;
    case FileWriteFailure::Write: PrintLine(out, "Failed to write file " + quoted); break;
    }
}

void SetAutoClear(const Printer& out, std::string_view argument)
{
    if (argument.empty()) {
        PrintLine(out, "mclear command expects byte count as argument. Use 0 to disabled.");
        return;
    }
    out.Transcript().autoClearSize = LeadingDecimal(argument);
    if (out.Transcript().autoClearSize != 0)
        PrintLine(out,
                  "Autoclearing of buffer after " + std::to_string(out.Transcript().autoClearSize) + " bytes enabled.");
    else
        PrintLine(out, "Autoclearing of disabled.");
}

void ToggleAutoReconnect(const Printer& out, SessionState& session)
{
    session.reconnect.SetAutomatic(!session.reconnect.Automatic());
    PrintLine(out, session.reconnect.Automatic() ? "Autoreconnect enabled." : "Autoreconnect disabled.");
    if (!session.reconnect.Automatic())
        StopReconnecting(out, session);
}

void SetAway(const Printer& out, SessionState& session, AwayState& away, std::string_view argument)
{
    if (argument.empty()) {
        // Some servers drop a client that clears an away never set.
        if (away.IsAway())
            SendCommand(session, "toc_set_away");
        PrintLine(out, "Away flag is unset.");
        away.Unset();
        // Replies already waiting their turn would still answer for the user.
        session.pacer.DropAutomaticReplies();
        return;
    }
    const std::string formatTemplate = TemplateFromWindow(out.Window(), out.OutputSettings(), kMaxAwayTemplate);
    const TemplateParts parts = SplitTemplate(formatTemplate);
    // The text is cut between whole characters, so that the command, the
    // template's end and its closing quote included, fits one line on the
    // wire; the user is told. The stored reply is the composition as the
    // user meant it (the reply is escaped when it is sent), as far as it
    // went out.
    constexpr std::string_view kHead = "toc_set_away \"";
    const std::string_view cut = argument.substr(0, CharacterBoundary(argument, kMaxAwayArgument));
    const std::string_view used = cut.substr(0, FittingLength(cut, parts, QuotedRoom(kHead, "\"")));
    const std::string message = ComposeWhole(used, parts);
    SendCommand(session, std::string(kHead) + EscapeTocTextWithin(message, kMaxTocText).escaped + "\"");
    away.Set(message, true);
    PrintLine(out, "Away message set. Use /away with no arguments to unset.");
    if (used.size() < argument.size())
        PrintLine(out, "Away message too long: only its first " + std::to_string(CharacterCount(used)) + " of its " +
                           std::to_string(CharacterCount(argument)) + " characters are used.");
}

void ListModules(const Printer& out, const ModuleState& modules)
{
    const std::vector<ModuleIdentity>& identities = modules.host.Identities();
    if (identities.empty()) {
        PrintLine(out, "No user modules are loaded.");
        return;
    }
    PrintLine(out, "Loaded user modules:");
    for (const ModuleIdentity& module : identities)
        PrintLine(out, "  " + DescribeModule(module));
}
