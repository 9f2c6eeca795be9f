#include "client_lifecycle.h"

#include "client_context.h"
#include "connection.h"
#include "connection_status.h"
#include "conversation_commands.h"
#include "host_services.h"
#include "output.h"
#include "password_keeping.h"
#include "settings_files.h"
#include "settings_store.h"
#include "tocwire.h"

void StartClient(ClientContext& ctx, ClientWindow& window, const char* libraryName)
{
    ctx.AttachWindow(window);
    ctx.history.Clear();
    LoadSettingsFiles(ctx.Out(), ctx.settings);
    StartKeyringPassword(ctx.Out(), ctx.settings);
    RefreshOutputPane(ctx.Out());
    window.SetFormattingText(FieldText(ctx.settings.userInfo.formatting));
    if (!BindProtocolLibrary(ctx.session.api, libraryName != nullptr ? libraryName : kProtocolLibraryName))
        PrintLine(ctx.Out(), "FATAL ERROR: Couldn't load libtocwire.so!");
    // Last, also when the library did not bind: modules work offline too.
    LoadClientModules(ctx);
    ReportShadowedCommands(ctx.Out(), ctx.modules);
    ctx.transcript.firstRefreshPending = true;
    window.RequestPump(kFirstRefreshDelayMs + 1);
}

void PumpTick(ClientContext& ctx)
{
    // Every print asks for a tick at once, so the lines of one turn of the
    // event loop reach the log together, before the loop waits again.
    FlushLog(ctx.Out());
    // The null window asks for no ticks; a direct call finds nothing to show.
    if (!ctx.Window().HasScreen())
        return;
    if (ctx.session.api.Bound())
        ctx.session.api.MaintainLoop();
    if (ctx.session.connectionStatus == STATUS_OFFLINE && !ctx.online.Empty())
        ctx.online.Clear();
    if (ctx.transcript.firstRefreshPending) {
        RefreshOutputPane(ctx.Out());
        ctx.transcript.firstRefreshPending = false;
        ctx.transcript.scrollPending = true;
        ctx.Window().RequestPump(0);
    } else if (ctx.transcript.scrollPending) {
        ctx.Window().ScrollOutputToEnd();
        ctx.transcript.scrollPending = false;
    }
}

void ShutdownClient(ClientContext& ctx)
{
    // The sign-off below reports a drop; it must not start a reconnect.
    SessionState& session = ctx.session;
    session.clientClosed = true;
    StopReconnectWaits(session);
    session.answerWatch.Abandon();
    if (session.api.Bound())
        session.api.TOC_Shutdown();
    session.protocolInitialised = false;
    session.pacer.Reset();  // nothing waiting may go out after the sign-off
    ReleaseProtocolLibrary(session.api);
    // Modules see nothing more; what they save is saved before the client's
    // files. Their code stays loaded until the context goes.
    ctx.settings.saveFailures.clear();
    ctx.modules.unloading = true;
    ctx.modules.host.UnloadUserModules();
    ctx.modules.unloading = false;
    if (ctx.Window().HasScreen())
        SetFieldText(ctx.settings.userInfo.formatting, ctx.Window().FormattingText());
    SaveSettingsFilesAtExit(ctx.Out(), ctx.settings);
    ctx.transcript.log.Close();
}
