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
    SessionState& session = ctx.session;
    // The library gives an attempt up after the limit the answer watch counts.
    if (session.api.TOC_SetSignonTimeLimit != nullptr)
        session.api.TOC_SetSignonTimeLimit(session.signonTimeLimitMs);
    // Without a window the owner is null: the library's boxes go to standard error.
    session.api.TOC_Init(ctx.Window().OwnerHandle(), &ctx.callbacks, screenName.c_str(), password.c_str(),
                         info.oscarPort, oscarServer.c_str(), kClientVersion);
    session.protocolInitialised = true;
}

bool Establish(ClientContext& ctx)
{
    SessionState& session = ctx.session;
    const UserInfo& info = ctx.settings.userInfo;
    session.reconnect.CancelForNewConnection();
    const std::string tocServer(FieldText(info.tocServer));
    if (session.api.TOC_Establish(tocServer.c_str(), info.tocPort) != 0) {
        session.answerWatch.Started(tocServer, info.tocPort);
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
    SessionState& session = ctx.session;
    if (!session.api.Bound())
        return;
    const int previous = session.connectionStatus;
    if (session.protocolInitialised) {
        session.answerWatch.Abandon();
        session.api.TOC_Shutdown();
    }
    InitProtocol(ctx);
    if (previous != STATUS_OFFLINE) {
        PrintLine(ctx, "Reconnecting for updated userinfo.");
        session.api.TOC_Disconnect();
        Establish(ctx);
    }
}

void ReconnectAfterPause(ClientContext& ctx)
{
    SessionState& session = ctx.session;
    session.reconnect.PauseForCommand();
    if (session.protocolInitialised && session.api.Bound()) {
        session.answerWatch.Abandon();
        session.api.TOC_Shutdown();
        session.protocolInitialised = false;
    }
    session.reconnect.AfterCommand([&ctx] { ConnectToServer(ctx); });
}

void StopReconnectWaits(SessionState& session)
{
    session.reconnect.Stop();
}
