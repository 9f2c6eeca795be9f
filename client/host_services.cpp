#include "host_services.h"
#include "settings_store.h"
#include "toc_limits.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "client_context.h"
#include "connection.h"
#include "send_command.h"
#include "input_line.h"
#include "slash_commands.h"
#include "output.h"
#include "server_messages.h"
#include "tocwire.h"

namespace {


// The client's own copy of a module's text (null is an empty text). A
// module may pass a text that the call itself changes or frees, such as
// GetOutputText()'s, which the next line shown moves: every service works
// on its copy.
std::string CopyOfModuleText(const char* text)
{
    return text != nullptr ? std::string(text) : std::string();
}

}  // namespace

void ClientHostServices::SendInputLine(const char* recipient, const char* text, int)
{
    AutomaticSends automatic(ctx_.session);
    ::SendInputLine(ctx_, CopyOfModuleText(recipient), CopyOfModuleText(text));
}

void ClientHostServices::PrintStatus(const char* text)
{
    PrintModuleLine(ctx_.Out(), CopyOfModuleText(text), true);
}

void ClientHostServices::PrintText(const char* text)
{
    PrintModuleLine(ctx_.Out(), CopyOfModuleText(text), false);
}

const char* ClientHostServices::GetOutputText()
{
    return ctx_.transcript.output.Exists() ? ctx_.transcript.output.Text().c_str() : nullptr;
}

int ClientHostServices::SendCommand(const char* text)
{
    // Null or empty would be an empty frame, which no server reads as a command.
    if (text == nullptr || *text == '\0')
        return -1;
    AutomaticSends automatic(ctx_.session);
    return ::SendCommand(ctx_.session, CopyOfModuleText(text)) == -1 ? -1 : 0;
}

bool ClientHostServices::AddOnlineName(const char* name)
{
    return ctx_.online.Insert(CopyOfModuleText(name));
}

bool ClientHostServices::RemoveOnlineName(const char* name)
{
    return ctx_.online.Remove(CopyOfModuleText(name));
}

void ClientHostServices::Disconnect()
{
    if (ctx_.session.connectionStatus != STATUS_OFFLINE)
        DisconnectFromServer(ctx_.Out(), ctx_.session);
}

void ClientHostServices::SetAwayText(const char* text)
{
    const std::string away = CopyOfModuleText(text);
    if (away.empty()) {
        ctx_.away.Unset();
        ctx_.session.pacer.DropAutomaticReplies();
        return;
    }
    ctx_.away.Set(away);
}

int ClientExtendedHostServices::RunCommand(const char* word, const char* arguments)
{
    AutomaticSends automatic(ctx_.session);
    return RunSlashCommand(ctx_, CopyOfModuleText(word), CopyOfModuleText(arguments)) != 0 ? 1 : 0;
}

void ClientExtendedHostServices::ReportSaveFailure(const char* file, const char* why)
{
    if (file == nullptr || *file == '\0')
        return;  // nothing the user could look for
    SaveFailure failure{CopyOfModuleText(file), CopyOfModuleText(why)};
    const std::string line = "Could not save " + failure.file + ": " + failure.why + ".";
    PrintModuleLine(ctx_.Out(), line, true);
    // While the window closes the transcript is not seen: standard error,
    // and the closing box with the client's own failures.
    if (ctx_.modules.unloading) {
        ReportSaveFailureAtExit(ctx_.settings, std::move(failure));
        return;
    }
    std::fprintf(stderr, "quenlo: %s\n", line.c_str());
    std::fflush(stderr);
}

std::string InstalledModuleFolder(const std::string& executablePath)
{
    if (executablePath.empty())
        return {};
    const std::filesystem::path programFolder = std::filesystem::path(executablePath).parent_path();
    // The build tree mirrors the install tree; an install may use another
    // library folder name (lib64, lib/<triplet>).
    for (const char* libraryFolder : {"lib/quenlo", QUENLO_INSTALL_LIBDIR}) {
        const std::filesystem::path folder = programFolder / ".." / libraryFolder / "modules";
        std::error_code error;
        if (std::filesystem::is_directory(folder, error))
            return folder.lexically_normal().string();
    }
    return {};
}

void LoadClientModules(ClientContext& ctx)
{
    ModuleState& modules = ctx.modules;
    // Without a window the modules are handed a null owner.
    modules.host.Attach(ctx.Window().OwnerHandle(), &modules.services, &modules.extendedServices,
                        [&ctx](std::string_view line) { PrintLine(ctx.Out(), line); });
    std::string profileFolder = ctx.settings.profile.folder;
    if (profileFolder.empty()) {
        std::error_code noFolder;
        profileFolder = std::filesystem::current_path(noFolder).string();
    }
    modules.host.SetProfileFolder(profileFolder);
    std::vector<std::string> clientCommands;
    for (const SlashCommand& command : ClientSlashCommands())
        clientCommands.emplace_back(command.word);
    modules.host.SetClientCommands(std::move(clientCommands));
    modules.host.LoadUserModules({ctx.settings.profile.File("modules"), modules.installedFolder},
                                 modules.installedFolder);
}
