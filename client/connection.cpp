#include "connection.h"

#include <cstdlib>
#include <string>

#include "client_context.h"
#include "output.h"
#include "reconnect_series.h"
#include "proxy_settings.h"
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

// Hands the library the proxy for this attempt (the settings or the
// environment may have changed since the last); true when it goes direct.
bool UseProxy(ClientContext& ctx, const std::string& tocServer)
{
    const ProxyChoice choice =
        ChooseProxy(LoadProxyConfig(ctx.settings.profile), tocServer, [](const char* name) { return std::getenv(name); });
    if (!choice.problem.empty())
        PrintLine(ctx, choice.problem);
    const ProxyConfig& proxy = choice.proxy;
    const int kind = proxy.mode == ProxyMode::Socks5 ? TOC_PROXY_SOCKS5
                     : proxy.mode == ProxyMode::Http ? TOC_PROXY_HTTP
                                                      : TOC_PROXY_NONE;
    const ProtocolApi& api = ctx.session.api;
    if (api.TOC_SetProxy != nullptr) {
        api.TOC_SetProxy(kind, proxy.host.c_str(), proxy.port, proxy.user.c_str(), proxy.password.c_str());
    } else if (kind != TOC_PROXY_NONE) {
        PrintLine(ctx, "This protocol library cannot use a proxy; connecting directly.");
        return true;
    }
    return kind == TOC_PROXY_NONE;
}

bool Establish(ClientContext& ctx)
{
    SessionState& session = ctx.session;
    const UserInfo& info = ctx.settings.userInfo;
    const std::string tocServer(FieldText(info.tocServer));
    const bool direct = UseProxy(ctx, tocServer);
    if (session.api.TOC_Establish(tocServer.c_str(), info.tocPort) != 0) {
        session.answerWatch.Started(tocServer, info.tocPort);
        // The library looks the name up without holding the window up; a
        // proxy looks it up itself.
        if (direct && !IsLiteralAddress(tocServer))
            PrintLine(ctx, "Looking up " + tocServer + "...");
        return true;
    }
    return false;
}

// A connection the user asked for: it replaces any reconnect still waiting,
// and the library may show its boxes again.
void EstablishByHand(ClientContext& ctx)
{
    ctx.session.reconnect.CancelForNewConnection();
    SetLibraryQuiet(ctx.session, false);
    if (!Establish(ctx))
        PrintLine(ctx, "Failed to establish a connection with AIM services.");
}

// The drop the client causes itself starts no automatic tries.
class ClosingOnPurpose {
public:
    explicit ClosingOnPurpose(SessionState& session) : reconnect_(session.reconnect)
    {
        reconnect_.SetClosingOnPurpose(true);
    }
    ~ClosingOnPurpose() { reconnect_.SetClosingOnPurpose(false); }
    ClosingOnPurpose(const ClosingOnPurpose&) = delete;
    ClosingOnPurpose& operator=(const ClosingOnPurpose&) = delete;

private:
    Reconnect& reconnect_;
};

void ShutdownLibrary(SessionState& session)
{
    session.answerWatch.Abandon();
    const ClosingOnPurpose closing(session);
    session.api.TOC_Shutdown();
}

// Connect's own checks: false (and the reason shown) when it cannot start.
bool ReadyToConnect(ClientContext& ctx)
{
    if (FieldText(ctx.settings.userInfo.screenName).empty()) {
        PrintLine(ctx, "Set a login name before attempting to connect.");
        return false;
    }
    if (FieldText(ctx.settings.userInfo.password).empty()) {
        PrintLine(ctx, "Set a password before attempting to connect.");
        return false;
    }
    if (!ctx.session.api.Bound()) {
        PrintLine(ctx, kLibraryNotLoaded);
        return false;
    }
    return true;
}

}  // namespace

bool ConnectionUnderWay(const SessionState& session)
{
    return session.connectionStatus != STATUS_OFFLINE || session.answerWatch.Waiting();
}

void ConnectToServer(ClientContext& ctx)
{
    if (!ReadyToConnect(ctx))
        return;
    // Connecting by hand ends the automatic tries; one under way carries on
    // as the user's own.
    TakeOverFromAutomaticTries(ctx);
    // One connection at a time: while one is up or being made, Connect and
    // Escape have nothing to do.
    if (ConnectionUnderWay(ctx.session))
        return;
    if (!ctx.session.protocolInitialised)
        InitProtocol(ctx);
    EstablishByHand(ctx);
}

TryStart ConnectAutomatically(ClientContext& ctx)
{
    if (!ReadyToConnect(ctx))
        return TryStart::Impossible;
    if (!ctx.session.protocolInitialised)
        InitProtocol(ctx);
    SetLibraryQuiet(ctx.session, true);
    return Establish(ctx) ? TryStart::Started : TryStart::Failed;
}

void DisconnectFromServer(ClientContext& ctx)
{
    if (!ctx.session.api.Bound())
        return;
    if (StopReconnecting(ctx))
        return;
    const ClosingOnPurpose closing(ctx.session);
    ctx.session.api.TOC_Disconnect();
}

void AbandonAttempt(ClientContext& ctx)
{
    SessionState& session = ctx.session;
    if (!session.protocolInitialised || !session.api.Bound())
        return;
    ShutdownLibrary(session);
    session.protocolInitialised = false;
}

void ReinitConnection(ClientContext& ctx)
{
    SessionState& session = ctx.session;
    if (!session.api.Bound())
        return;
    const int previous = session.connectionStatus;
    const bool tryWasUnderWay = session.reconnect.TryUnderWay();
    if (session.protocolInitialised)
        ShutdownLibrary(session);
    InitProtocol(ctx);
    if (previous != STATUS_OFFLINE) {
        PrintLine(ctx, "Reconnecting for updated userinfo.");
        session.api.TOC_Disconnect();
        EstablishByHand(ctx);
    } else if (tryWasUnderWay && session.reconnect.TryUnderWay()) {
        // The shutdown dropped an automatic try's connect without a word.
        TryEndedWithoutAnswer(ctx);
    }
}

void ReconnectAfterPause(ClientContext& ctx)
{
    SessionState& session = ctx.session;
    TakeOverFromAutomaticTries(ctx);
    session.reconnect.PauseForCommand();
    if (session.protocolInitialised && session.api.Bound()) {
        ShutdownLibrary(session);
        session.protocolInitialised = false;
    }
    session.reconnect.AfterCommand([&ctx] { ConnectToServer(ctx); });
}

void StopReconnectWaits(SessionState& session)
{
    session.reconnect.Stop();
}

void SetLibraryQuiet(SessionState& session, bool quiet)
{
    if (session.api.Bound() && session.api.TOC_SetQuiet != nullptr)
        session.api.TOC_SetQuiet(quiet ? 1 : 0);
}

int LastConnectError(const SessionState& session)
{
    if (!session.api.Bound() || session.api.TOC_LastConnectError == nullptr)
        return 0;
    return session.api.TOC_LastConnectError();
}
