#include "client_lifecycle.h"

#include "client_context.h"
#include "connection.h"
#include "connection_status.h"
#include "host_services.h"
#include "output.h"
#include "settings_files.h"
#include "settings_store.h"
#include "tocwire.h"

void StartClient(ClientContext& ctx, ClientWindow& window, const char* libraryName)
{
    ctx.window = &window;
    ctx.history.Clear();
    LoadSettingsFiles(ctx);
    RefreshOutputPane(ctx);
    window.SetFormattingText(FieldText(ctx.userInfo.formatting));
    if (!BindProtocolLibrary(ctx.api, libraryName != nullptr ? libraryName : kProtocolLibraryName))
        PrintLine(ctx, "FATAL ERROR: Couldn't load libtocwire.so!");
    // Last, also when the library did not bind: modules work offline too.
    LoadClientModules(ctx);
    ctx.firstRefreshPending = true;
    window.RequestPump(kFirstRefreshDelayMs + 1);
}

void PumpTick(ClientContext& ctx)
{
    // Every print asks for a tick at once, so the lines of one turn of the
    // event loop reach the log together, before the loop waits again.
    FlushLog(ctx);
    if (ctx.window == nullptr)
        return;
    if (ctx.api.Bound())
        ctx.api.MaintainLoop();
    if (ctx.connectionStatus == STATUS_OFFLINE && !ctx.online.Empty())
        ClearOnlineList(ctx);
    if (ctx.firstRefreshPending) {
        RefreshOutputPane(ctx);
        ctx.firstRefreshPending = false;
        ctx.scrollPending = true;
        ctx.window->RequestPump(0);
    } else if (ctx.scrollPending) {
        ctx.window->ScrollOutputToEnd();
        ctx.scrollPending = false;
    }
}

void ShutdownClient(ClientContext& ctx)
{
    // The sign-off below reports a drop; it must not start a reconnect.
    ctx.shutDown = true;
    StopReconnectWaits(ctx);
    ctx.answerWatch.Abandon();
    if (ctx.api.Bound())
        ctx.api.TOC_Shutdown();
    ctx.protocolInitialised = false;
    ctx.pacer.Reset();  // nothing waiting may go out after the sign-off
    ReleaseProtocolLibrary(ctx.api);
    // Modules see nothing more; what they save is saved before the client's
    // files. Their code stays loaded until the context goes.
    ctx.saveFailures.clear();
    ctx.modulesShuttingDown = true;
    ctx.modules.UnloadUserModules();
    ctx.modulesShuttingDown = false;
    if (ctx.window != nullptr)
        SetFieldText(ctx.userInfo.formatting, ctx.window->FormattingText());
    SaveSettingsFilesAtExit(ctx);
    ctx.log.Close();
}
