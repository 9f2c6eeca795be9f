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
    if (status == ctx.session.connectionStatus) {
        // Offline again, with nothing in between: the attempt ended unanswered.
        if (status == STATUS_OFFLINE) {
            if (const std::string line = ctx.session.answerWatch.Ended(ctx.session.signonTimeLimitMs); !line.empty())
                PrintLine(ctx, line);
        }
        return;
    }
    if (status != STATUS_OFFLINE)
        ctx.session.answerWatch.Answered();
    const int previous = ctx.session.connectionStatus;
    ctx.session.connectionStatus = status;
    switch (status) {
    case STATUS_OFFLINE:
        PrintLine(ctx, "Disconnected from AIM server.");
        ctx.session.pacer.Reset();
        ctx.modules.host.DispatchDisconnect();
        Announce(ctx, ConnectionState::Offline);
        ClearOnlineList(ctx);
        break;
    case STATUS_SIGNING_ON:
        PrintLine(ctx, "Logging onto AIM...");
        Announce(ctx, ConnectionState::SigningOn);
        break;
    case STATUS_ONLINE:
        ctx.session.pacer.Reset();
        ctx.session.signingOn = true;
        ctx.modules.host.DispatchConnect();
        ctx.session.signingOn = false;
        PrintLine(ctx, "Connected to AIM server.");
        Announce(ctx, ConnectionState::Online);
        break;
    default:
        break;
    }
    // One automatic attempt per drop from online. The wait runs on a timer so
    // the window stays alive; the order of lines is the same as a frozen wait.
    if (previous == STATUS_ONLINE && status == STATUS_OFFLINE && !ctx.session.shutDown)
        ctx.session.reconnect.AfterDrop([&ctx] { ConnectToServer(ctx); });
}

void ClearOnlineList(ClientContext& ctx)
{
    ctx.online.Clear();
}
