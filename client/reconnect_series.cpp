#include "reconnect_series.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "session_state.h"
#include "settings_state.h"
#include "connection.h"
#include "output.h"
#include "server_error_text.h"

namespace {

std::string Seconds(int ms)
{
    const int seconds = (ms + 999) / 1000;
    return seconds == 1 ? "1 second" : std::to_string(seconds) + " seconds";
}

std::string ServerName(const SettingsState& settings)
{
    const UserInfo& info = settings.userInfo;
    return std::string(FieldText(info.tocServer)) + " port " + std::to_string(info.tocPort);
}

// Why a try's connect failed, from the platform's error number.
std::string ConnectFailureText(const SettingsState& settings, int error)
{
    if (error == ECONNREFUSED)
        return ServerName(settings) + " refused the connection.";
    // The library reports a host name that does not resolve as EINVAL.
    if (error == EINVAL)
        return "Can't find the server " + std::string(FieldText(settings.userInfo.tocServer)) + ".";
    return "Can't connect to " + ServerName(settings) + ": " + std::strerror(error) + ".";
}

void Announce(const Printer& out, ConnectionState state)
{
    out.Window().ShowConnectionState(state);
}

void TryNow(const Printer& out, SessionState& session, const SettingsState& settings);

void WaitBeforeNextTry(const Printer& out, SessionState& session, const SettingsState& settings)
{
    const int delayMs = session.reconnect.WaitForNextTry([out, &session, &settings] { TryNow(out, session, settings); });
    PrintLine(out, "Reconnecting in " + Seconds(delayMs) + ".");
    Announce(out, ConnectionState::Reconnecting);
}

void EndTries(SessionState& session)
{
    session.reconnect.EndTries();
    SetLibraryQuiet(session, false);
}

void TryNow(const Printer& out, SessionState& session, const SettingsState& settings)
{
    Reconnect& reconnect = session.reconnect;
    reconnect.TryBegins();
    PrintLine(out, "Reconnecting (try " + std::to_string(reconnect.TriesStarted()) + ")...");
    switch (ConnectAutomatically(out, session, settings)) {
    case TryStart::Started:
        reconnect.SetTryUnderWay(true);
        return;
    case TryStart::Failed:
        if (const int error = LastConnectError(session); error != 0)
            PrintLine(out, ConnectFailureText(settings, error));
        else
            PrintLine(out, "Failed to establish a connection with AIM services.");
        WaitBeforeNextTry(out, session, settings);
        return;
    case TryStart::Impossible:
        // The settings or the library are missing: the line above says which.
        EndTries(session);
        PrintLine(out, "Reconnecting stopped.");
        Announce(out, ConnectionState::Offline);
        return;
    }
}

}  // namespace

void FollowStatusForReconnect(const Printer& out, SessionState& session, const SettingsState& settings, int status)
{
    Reconnect& reconnect = session.reconnect;
    if (status == STATUS_ONLINE) {
        reconnect.MarkSignedOn();
        if (reconnect.Reconnecting())
            EndTries(session);
        return;
    }
    if (status != STATUS_OFFLINE)
        return;
    if (reconnect.TakeSignedOn()) {
        if (reconnect.Automatic() && !reconnect.ClosingOnPurpose() && !session.clientClosed)
            WaitBeforeNextTry(out, session, settings);
        return;
    }
    if (!reconnect.TryUnderWay())
        return;
    reconnect.SetTryUnderWay(false);
    const int error = LastConnectError(session);
    const std::string reason = error != 0 ? ConnectFailureText(settings, error) : std::string();
    // A refused sign-on says why right after this report, and may end the tries.
    reconnect.JudgeLater([out, &session, &settings, reason] {
        if (!reason.empty())
            PrintLine(out, reason);
        WaitBeforeNextTry(out, session, settings);
    });
}

void ReconnectAfterSignonRefusal(const Printer& out, SessionState& session, long code)
{
    if (!session.reconnect.Reconnecting() || !RetryingCannotMend(code))
        return;
    EndTries(session);
    PrintLine(out, "Reconnecting stopped.");
    Announce(out, ConnectionState::Offline);
}

bool StopReconnecting(const Printer& out, SessionState& session)
{
    Reconnect& reconnect = session.reconnect;
    if (!reconnect.Reconnecting())
        return false;
    const bool underWay = reconnect.TryUnderWay();
    EndTries(session);
    if (underWay)
        AbandonAttempt(session);
    PrintLine(out, "Reconnecting stopped.");
    Announce(out, ConnectionState::Offline);
    return true;
}

void TakeOverFromAutomaticTries(const Printer& out, SessionState& session)
{
    Reconnect& reconnect = session.reconnect;
    if (!reconnect.Reconnecting())
        return;
    EndTries(session);
    if (session.connectionStatus == STATUS_OFFLINE)
        Announce(out, ConnectionState::Offline);
}

void TryEndedWithoutAnswer(const Printer& out, SessionState& session, const SettingsState& settings)
{
    session.reconnect.SetTryUnderWay(false);
    WaitBeforeNextTry(out, session, settings);
}
