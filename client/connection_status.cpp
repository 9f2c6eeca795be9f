#include "connection_status.h"

#include <string>

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
                PrintLine(ctx, line);
        }
        return;
    }
    if (status != STATUS_OFFLINE)
        session.answerWatch.Answered();
    session.connectionStatus = status;
    switch (status) {
    case STATUS_OFFLINE:
        PrintLine(ctx, "Disconnected from AIM server.");
        session.pacer.Reset();
        ctx.modules.host.DispatchDisconnect();
        Announce(ctx, ConnectionState::Offline);
        ClearOnlineList(ctx);
        break;
    case STATUS_SIGNING_ON:
        PrintLine(ctx, "Logging onto AIM...");
        Announce(ctx, ConnectionState::SigningOn);
        break;
    case STATUS_ONLINE:
        session.pacer.Reset();
        session.signingOn = true;
        ctx.modules.host.DispatchConnect();
        session.signingOn = false;
        PrintLine(ctx, "Connected to AIM server.");
        Announce(ctx, ConnectionState::Online);
        break;
    default:
        break;
    }
}

void ClearOnlineList(ClientContext& ctx)
{
    ctx.online.Clear();
}
