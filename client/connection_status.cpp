#include "connection_status.h"

#include <string>
#include <utility>

#include "client_context.h"
#include "connection.h"
#include "output.h"

namespace {

void Announce(ClientContext& ctx, ConnectionState state)
{
    ctx.Window().ShowConnectionState(state);
}

}  // namespace

void HandleStatusChange(ClientContext& ctx, int status)
{
    SessionState& session = ctx.session;
    if (status == session.connectionStatus) {
        // Offline again, with nothing in between: the attempt ended unanswered.
        if (status == STATUS_OFFLINE) {
            if (const std::string line = session.answerWatch.Ended(session.signonTimeLimitMs); !line.empty())
                PrintLine(ctx.Out(), line);
        }
        return;
    }
    if (status != STATUS_OFFLINE)
        session.answerWatch.Answered();
    const int previous = session.connectionStatus;
    session.connectionStatus = status;
    switch (status) {
    case STATUS_OFFLINE:
        PrintLine(ctx.Out(), "Disconnected from AIM server.");
        session.pacer.Reset();
        // A pause already told the modules.
        if (!std::exchange(session.paused, false))
            ctx.modules.host.DispatchDisconnect();
        Announce(ctx, ConnectionState::Offline);
        ctx.online.Clear();
        break;
    case STATUS_SIGNING_ON:
        if (previous == STATUS_ONLINE) {
            // The server paused the session: nothing can be sent until it
            // signs the user on again, and whatever it knew of the session
            // (a deny list half changed, say) is sent again then. To the
            // modules that is a disconnect and, at the next SIGN_ON, a connect.
            session.paused = true;
            PrintLine(ctx.Out(), "The server paused the connection.");
            session.pacer.Pause();
            ctx.modules.host.DispatchDisconnect();
            Announce(ctx, ConnectionState::SigningOn);
            break;
        }
        PrintLine(ctx.Out(), "Logging onto AIM...");
        Announce(ctx, ConnectionState::SigningOn);
        break;
    case STATUS_ONLINE: {
        // After a pause the privacy changes that waited go first, in the
        // order they were made, then the modules send their state again; a
        // new connection starts afresh.
        session.resumedAfterPause = std::exchange(session.paused, false);
        if (session.resumedAfterPause)
            session.pacer.Resume();
        else
            session.pacer.Reset();
        session.modulesConnecting = true;
        ctx.modules.host.DispatchConnect();
        session.modulesConnecting = false;
        PrintLine(ctx.Out(), "Connected to AIM server.");
        Announce(ctx, ConnectionState::Online);
        break;
    }
    default:
        break;
    }
}
