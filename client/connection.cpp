#include "connection.h"

#include <cstdlib>
#include <string>

#include "client_version.h"
#include "session_state.h"
#include "settings_state.h"
#include "output.h"
#include "reconnect_series.h"
#include "proxy_settings.h"
#include "tocwire.h"

namespace {

void InitProtocol(const Printer& out, SessionState& session, const SettingsState& settings)
{
    const UserInfo& info = settings.userInfo;
    const std::string screenName(FieldText(info.screenName));
    const std::string password(FieldText(info.password));
    const std::string oscarServer(FieldText(info.oscarServer));
    // The library gives an attempt up after the limit the answer watch counts.
    if (session.api.TOC_SetSignonTimeLimit != nullptr)
        session.api.TOC_SetSignonTimeLimit(session.signonTimeLimitMs);
    // Without a window the owner is null: the library's boxes go to standard error.
    session.api.TOC_Init(out.Window().OwnerHandle(), session.callbacks, screenName.c_str(), password.c_str(),
                         info.oscarPort, oscarServer.c_str(), kClientVersion);
    session.protocolInitialised = true;
}

// Hands the library the proxy for this attempt (the settings or the
// environment may have changed since the last); true when it goes direct.
bool UseProxy(const Printer& out, const SessionState& session, const SettingsState& settings, const std::string& tocServer)
{
    const ProxyChoice choice =
        ChooseProxy(LoadProxyConfig(settings.profile), tocServer, [](const char* name) { return std::getenv(name); });
    if (!choice.problem.empty())
        PrintLine(out, choice.problem);
    const ProxyConfig& proxy = choice.proxy;
    const int kind = proxy.mode == ProxyMode::Socks5 ? TOC_PROXY_SOCKS5
                     : proxy.mode == ProxyMode::Http ? TOC_PROXY_HTTP
                                                      : TOC_PROXY_NONE;
    const ProtocolApi& api = session.api;
    if (api.TOC_SetProxy != nullptr) {
        api.TOC_SetProxy(kind, proxy.host.c_str(), proxy.port, proxy.user.c_str(), proxy.password.c_str());
    } else if (kind != TOC_PROXY_NONE) {
        PrintLine(out, "This protocol library cannot use a proxy; connecting directly.");
        return true;
    }
    return kind == TOC_PROXY_NONE;
}

bool Establish(const Printer& out, SessionState& session, const SettingsState& settings)
{
    const UserInfo& info = settings.userInfo;
    const std::string tocServer(FieldText(info.tocServer));
    const bool direct = UseProxy(out, session, settings, tocServer);
    if (session.api.TOC_Establish(tocServer.c_str(), info.tocPort) != 0) {
        session.answerWatch.Started(tocServer, info.tocPort);
        // The library looks the name up without holding the window up; a
        // proxy looks it up itself.
        if (direct && !IsLiteralAddress(tocServer))
            PrintLine(out, "Looking up " + tocServer + "...");
        return true;
    }
    return false;
}

// A connection the user asked for: it replaces any reconnect still waiting,
// and the library may show its boxes again.
void EstablishByHand(const Printer& out, SessionState& session, const SettingsState& settings)
{
    session.reconnect.CancelForNewConnection();
    SetLibraryQuiet(session, false);
    if (!Establish(out, session, settings))
        PrintLine(out, "Failed to establish a connection with AIM services.");
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
bool ReadyToConnect(const Printer& out, const SessionState& session, const SettingsState& settings)
{
    if (FieldText(settings.userInfo.screenName).empty()) {
        PrintLine(out, "Set a login name before attempting to connect.");
        return false;
    }
    if (FieldText(settings.userInfo.password).empty()) {
        PrintLine(out, "Set a password before attempting to connect.");
        return false;
    }
    if (!session.api.Bound()) {
        PrintLine(out, kLibraryNotLoaded);
        return false;
    }
    return true;
}

}  // namespace

bool ConnectionUnderWay(const SessionState& session)
{
    return session.connectionStatus != STATUS_OFFLINE || session.answerWatch.Waiting();
}

void ConnectToServer(const Printer& out, SessionState& session, const SettingsState& settings)
{
    if (!ReadyToConnect(out, session, settings))
        return;
    // Connecting by hand ends the automatic tries; one under way carries on
    // as the user's own.
    TakeOverFromAutomaticTries(out, session);
    // One connection at a time: while one is up or being made, Connect and
    // Escape have nothing to do.
    if (ConnectionUnderWay(session))
        return;
    if (!session.protocolInitialised)
        InitProtocol(out, session, settings);
    EstablishByHand(out, session, settings);
}

TryStart ConnectAutomatically(const Printer& out, SessionState& session, const SettingsState& settings)
{
    if (!ReadyToConnect(out, session, settings))
        return TryStart::Impossible;
    if (!session.protocolInitialised)
        InitProtocol(out, session, settings);
    SetLibraryQuiet(session, true);
    return Establish(out, session, settings) ? TryStart::Started : TryStart::Failed;
}

void DisconnectFromServer(const Printer& out, SessionState& session)
{
    if (!session.api.Bound())
        return;
    if (StopReconnecting(out, session))
        return;
    const ClosingOnPurpose closing(session);
    session.api.TOC_Disconnect();
}

void AbandonAttempt(SessionState& session)
{
    if (!session.protocolInitialised || !session.api.Bound())
        return;
    ShutdownLibrary(session);
    session.protocolInitialised = false;
}

void ReinitConnection(const Printer& out, SessionState& session, const SettingsState& settings)
{
    if (!session.api.Bound())
        return;
    const int previous = session.connectionStatus;
    const bool tryWasUnderWay = session.reconnect.TryUnderWay();
    if (session.protocolInitialised)
        ShutdownLibrary(session);
    InitProtocol(out, session, settings);
    if (previous != STATUS_OFFLINE) {
        PrintLine(out, "Reconnecting for updated userinfo.");
        session.api.TOC_Disconnect();
        EstablishByHand(out, session, settings);
    } else if (tryWasUnderWay && session.reconnect.TryUnderWay()) {
        // The shutdown dropped an automatic try's connect without a word.
        TryEndedWithoutAnswer(out, session, settings);
    }
}

void ReconnectAfterPause(const Printer& out, SessionState& session, const SettingsState& settings)
{
    TakeOverFromAutomaticTries(out, session);
    session.reconnect.PauseForCommand();
    if (session.protocolInitialised && session.api.Bound()) {
        ShutdownLibrary(session);
        session.protocolInitialised = false;
    }
    session.reconnect.AfterCommand([out, &session, &settings] { ConnectToServer(out, session, settings); });
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
