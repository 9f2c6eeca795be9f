#include "connection.h"

#include <string>

#include "client_context.h"
#include "output.h"
#include "tocwire.h"

namespace {

void InitProtocol(ClientContext& ctx)
{
    const UserInfo& info = ctx.settings.userInfo;
    const std::string screenName(FieldText(info.screenName));
    const std::string password(FieldText(info.password));
    const std::string oscarServer(FieldText(info.oscarServer));
    // The library gives an attempt up after the limit the answer watch counts.
    if (ctx.session.api.TOC_SetSignonTimeLimit != nullptr)
        ctx.session.api.TOC_SetSignonTimeLimit(ctx.session.signonTimeLimitMs);
    ctx.session.api.TOC_Init(ctx.Window().OwnerHandle(), &ctx.callbacks,
                     screenName.c_str(), password.c_str(), info.oscarPort, oscarServer.c_str(), kClientVersion);
    ctx.session.protocolInitialised = true;
}

bool Establish(ClientContext& ctx)
{
    ctx.session.reconnect.CancelForNewConnection();
    const std::string tocServer(FieldText(ctx.settings.userInfo.tocServer));
    if (ctx.session.api.TOC_Establish(tocServer.c_str(), ctx.settings.userInfo.tocPort) != 0) {
        ctx.session.answerWatch.Started(tocServer, ctx.settings.userInfo.tocPort);
        return true;
    }
    PrintLine(ctx, "Failed to establish a connection with AIM services.");
    return false;
}

}  // namespace

void ConnectToServer(ClientContext& ctx)
{
    if (FieldText(ctx.settings.userInfo.screenName).empty()) {
        PrintLine(ctx, "Set a login name before attempting to connect.");
        return;
    }
    if (FieldText(ctx.settings.userInfo.password).empty()) {
        PrintLine(ctx, "Set a password before attempting to connect.");
        return;
    }
    if (!ctx.session.api.Bound()) {
        PrintLine(ctx, kLibraryNotLoaded);
        return;
    }
    if (!ctx.session.protocolInitialised)
        InitProtocol(ctx);
    Establish(ctx);
}

void DisconnectFromServer(ClientContext& ctx)
{
    if (ctx.session.api.Bound())
        ctx.session.api.TOC_Disconnect();
}

void ReinitConnection(ClientContext& ctx)
{
    if (!ctx.session.api.Bound())
        return;
    const int previous = ctx.session.connectionStatus;
    if (ctx.session.protocolInitialised) {
        ctx.session.answerWatch.Abandon();
        ctx.session.api.TOC_Shutdown();
    }
    InitProtocol(ctx);
    if (previous != STATUS_OFFLINE) {
        PrintLine(ctx, "Reconnecting for updated userinfo.");
        ctx.session.api.TOC_Disconnect();
        Establish(ctx);
    }
}

void ReconnectAfterPause(ClientContext& ctx)
{
    ctx.session.reconnect.PauseForCommand();
    if (ctx.session.protocolInitialised && ctx.session.api.Bound()) {
        ctx.session.answerWatch.Abandon();
        ctx.session.api.TOC_Shutdown();
        ctx.session.protocolInitialised = false;
    }
    ctx.session.reconnect.AfterCommand([&ctx] { ConnectToServer(ctx); });
}

void StopReconnectWaits(ClientContext& ctx)
{
    ctx.session.reconnect.Stop();
}
