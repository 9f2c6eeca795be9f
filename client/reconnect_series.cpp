#include "reconnect_series.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "client_context.h"
#include "connection.h"
#include "output.h"
#include "server_error_text.h"

namespace {

std::string Seconds(int ms)
{
    const int seconds = (ms + 999) / 1000;
    return seconds == 1 ? "1 second" : std::to_string(seconds) + " seconds";
}

std::string ServerName(const ClientContext& ctx)
{
    const UserInfo& info = ctx.settings.userInfo;
    return std::string(FieldText(info.tocServer)) + " port " + std::to_string(info.tocPort);
}

// Why a try's connect failed, from the platform's error number.
std::string ConnectFailureText(const ClientContext& ctx, int error)
{
    if (error == ECONNREFUSED)
        return ServerName(ctx) + " refused the connection.";
    // The library reports a host name that does not resolve as EINVAL.
    if (error == EINVAL)
        return "Can't find the server " + std::string(FieldText(ctx.settings.userInfo.tocServer)) + ".";
    return "Can't connect to " + ServerName(ctx) + ": " + std::strerror(error) + ".";
}

void Announce(ClientContext& ctx, ConnectionState state)
{
    ctx.Window().ShowConnectionState(state);
}

void TryNow(ClientContext& ctx);

void WaitBeforeNextTry(ClientContext& ctx)
{
    const int delayMs = ctx.session.reconnect.WaitForNextTry([&ctx] { TryNow(ctx); });
    PrintLine(ctx, "Reconnecting in " + Seconds(delayMs) + ".");
    Announce(ctx, ConnectionState::Reconnecting);
}

void EndTries(ClientContext& ctx)
{
    ctx.session.reconnect.EndTries();
    SetLibraryQuiet(ctx.session, false);
}

void TryNow(ClientContext& ctx)
{
    Reconnect& reconnect = ctx.session.reconnect;
    reconnect.TryBegins();
    PrintLine(ctx, "Reconnecting (try " + std::to_string(reconnect.TriesStarted()) + ")...");
    switch (ConnectAutomatically(ctx)) {
    case TryStart::Started:
        reconnect.SetTryUnderWay(true);
        return;
    case TryStart::Failed:
        if (const int error = LastConnectError(ctx.session); error != 0)
            PrintLine(ctx, ConnectFailureText(ctx, error));
        else
            PrintLine(ctx, "Failed to establish a connection with AIM services.");
        WaitBeforeNextTry(ctx);
        return;
    case TryStart::Impossible:
        // The settings or the library are missing: the line above says which.
        EndTries(ctx);
        PrintLine(ctx, "Reconnecting stopped.");
        Announce(ctx, ConnectionState::Offline);
        return;
    }
}

}  // namespace

void FollowStatusForReconnect(ClientContext& ctx, int status)
{
    Reconnect& reconnect = ctx.session.reconnect;
    if (status == STATUS_ONLINE) {
        reconnect.MarkSignedOn();
        if (reconnect.Reconnecting())
            EndTries(ctx);
        return;
    }
    if (status != STATUS_OFFLINE)
        return;
    if (reconnect.TakeSignedOn()) {
        if (reconnect.Automatic() && !reconnect.ClosingOnPurpose() && !ctx.session.shutDown)
            WaitBeforeNextTry(ctx);
        return;
    }
    if (!reconnect.TryUnderWay())
        return;
    reconnect.SetTryUnderWay(false);
    const int error = LastConnectError(ctx.session);
    const std::string reason = error != 0 ? ConnectFailureText(ctx, error) : std::string();
    // A refused sign-on says why right after this report, and may end the tries.
    reconnect.JudgeLater([&ctx, reason] {
        if (!reason.empty())
            PrintLine(ctx, reason);
        WaitBeforeNextTry(ctx);
    });
}

void ReconnectAfterSignonRefusal(ClientContext& ctx, long code)
{
    if (!ctx.session.reconnect.Reconnecting() || !RetryingCannotMend(code))
        return;
    EndTries(ctx);
    PrintLine(ctx, "Reconnecting stopped.");
    Announce(ctx, ConnectionState::Offline);
}

bool StopReconnecting(ClientContext& ctx)
{
    Reconnect& reconnect = ctx.session.reconnect;
    if (!reconnect.Reconnecting())
        return false;
    const bool underWay = reconnect.TryUnderWay();
    EndTries(ctx);
    if (underWay)
        AbandonAttempt(ctx);
    PrintLine(ctx, "Reconnecting stopped.");
    Announce(ctx, ConnectionState::Offline);
    return true;
}

void TakeOverFromAutomaticTries(ClientContext& ctx)
{
    Reconnect& reconnect = ctx.session.reconnect;
    if (!reconnect.Reconnecting())
        return;
    EndTries(ctx);
    if (ctx.session.connectionStatus == STATUS_OFFLINE)
        Announce(ctx, ConnectionState::Offline);
}

void TryEndedWithoutAnswer(ClientContext& ctx)
{
    ctx.session.reconnect.SetTryUnderWay(false);
    WaitBeforeNextTry(ctx);
}
