#include "connection.h"

#include <string>

#include "client_context.h"
#include "output.h"
#include "tocwire.h"

namespace {

void InitProtocol(ClientContext& ctx)
{
    const UserInfo& info = ctx.userInfo;
    const std::string screenName(FieldText(info.screenName));
    const std::string password(FieldText(info.password));
    const std::string oscarServer(FieldText(info.oscarServer));
    // The library gives an attempt up after the limit the answer watch counts.
    if (ctx.api.TOC_SetSignonTimeLimit != nullptr)
        ctx.api.TOC_SetSignonTimeLimit(ctx.signonTimeLimitMs);
    ctx.api.TOC_Init(ctx.window != nullptr ? ctx.window->OwnerHandle() : nullptr, &ctx.callbacks,
                     screenName.c_str(), password.c_str(), info.oscarPort, oscarServer.c_str(), kClientVersion);
    ctx.protocolInitialised = true;
}

bool Establish(ClientContext& ctx)
{
    ctx.reconnect.CancelForNewConnection();
    const std::string tocServer(FieldText(ctx.userInfo.tocServer));
    if (ctx.api.TOC_Establish(tocServer.c_str(), ctx.userInfo.tocPort) != 0) {
        ctx.answerWatch.Started(tocServer, ctx.userInfo.tocPort);
        return true;
    }
    PrintLine(ctx, "Failed to establish a connection with AIM services.");
    return false;
}

}  // namespace

void ConnectToServer(ClientContext& ctx)
{
    if (FieldText(ctx.userInfo.screenName).empty()) {
        PrintLine(ctx, "Set a login name before attempting to connect.");
        return;
    }
    if (FieldText(ctx.userInfo.password).empty()) {
        PrintLine(ctx, "Set a password before attempting to connect.");
        return;
    }
    if (!ctx.api.Bound()) {
        PrintLine(ctx, kLibraryNotLoaded);
        return;
    }
    if (!ctx.protocolInitialised)
        InitProtocol(ctx);
    Establish(ctx);
}

void DisconnectFromServer(ClientContext& ctx)
{
    if (ctx.api.Bound())
        ctx.api.TOC_Disconnect();
}

void ReinitConnection(ClientContext& ctx)
{
    if (!ctx.api.Bound())
        return;
    const int previous = ctx.connectionStatus;
    if (ctx.protocolInitialised) {
        ctx.answerWatch.Abandon();
        ctx.api.TOC_Shutdown();
    }
    InitProtocol(ctx);
    if (previous != STATUS_OFFLINE) {
        PrintLine(ctx, "Reconnecting for updated userinfo.");
        ctx.api.TOC_Disconnect();
        Establish(ctx);
    }
}

void ReconnectAfterPause(ClientContext& ctx)
{
    ctx.reconnect.PauseForCommand();
    if (ctx.protocolInitialised && ctx.api.Bound()) {
        ctx.answerWatch.Abandon();
        ctx.api.TOC_Shutdown();
        ctx.protocolInitialised = false;
    }
    ctx.reconnect.AfterCommand([&ctx] { ConnectToServer(ctx); });
}

void StopReconnectWaits(ClientContext& ctx)
{
    ctx.reconnect.Stop();
}
