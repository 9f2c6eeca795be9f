#include "client_lifecycle.h"

#include "client_context.h"
#include "connection.h"
#include "output.h"
#include "settings_files.h"
#include "tocwire.h"

void StartClient(ClientContext& ctx, ClientWindow& window, const char* libraryName)
{
    ctx.window = &window;
    ctx.history.Clear();
    LoadUserInfo(ctx.userInfo);
    RefreshOutputPane(ctx, "");
    window.SetFormattingText(FieldText(ctx.userInfo.formatting));
    ctx.buddyList = LoadBuddyList();
    if (!BindProtocolLibrary(ctx.api, libraryName != nullptr ? libraryName : kProtocolLibraryName))
        PrintLine(ctx, "FATAL ERROR: Couldn't load libtocwire.so!");
    // User modules are loaded here once the loader exists.
    ctx.firstRefreshPending = true;
    window.RequestPump(kFirstRefreshDelayMs + 1);
}

void PumpTick(ClientContext& ctx)
{
    if (ctx.window == nullptr)
        return;
    if (ctx.api.Bound())
        ctx.api.MaintainLoop();
    if (ctx.connectionStatus == STATUS_OFFLINE && !ctx.online.Empty())
        ClearOnlineList(ctx);
    if (ctx.firstRefreshPending) {
        RefreshOutputPane(ctx, ctx.output.Text());
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
    if (ctx.api.Bound())
        ctx.api.TOC_Shutdown();
    ctx.protocolInitialised = false;
    ReleaseProtocolLibrary(ctx.api);
    if (ctx.window != nullptr)
        SetFieldText(ctx.userInfo.formatting, ctx.window->FormattingText());
    if (!SaveUserInfo(ctx.userInfo))
        PrintLine(ctx, "Failed to write user info.");
    if (!SaveBuddyList(ctx.buddyList))
        PrintLine(ctx, "Failed to write buddy list.");
    ctx.log.Close();
}
