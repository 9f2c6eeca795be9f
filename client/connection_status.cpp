#include "connection_status.h"

#include <string>

#include "client_context.h"
#include "connection.h"
#include "output.h"

namespace {

void Announce(ClientContext& ctx, ConnectionState state)
{
    if (ctx.window != nullptr)
        ctx.window->ShowConnectionState(state);
}

}  // namespace

void HandleStatusChange(ClientContext& ctx, int status)
{
    if (status == ctx.connectionStatus) {
        // Offline again, with nothing in between: the attempt ended unanswered.
        if (status == STATUS_OFFLINE) {
            if (const std::string line = ctx.answerWatch.Ended(ctx.signonTimeLimitMs); !line.empty())
                PrintLine(ctx, line);
        }
        return;
    }
    if (status != STATUS_OFFLINE)
        ctx.answerWatch.Answered();
    const int previous = ctx.connectionStatus;
    ctx.connectionStatus = status;
    switch (status) {
    case STATUS_OFFLINE:
        PrintLine(ctx, "Disconnected from AIM server.");
        ctx.pacer.Reset();
        ctx.modules.DispatchDisconnect();
        Announce(ctx, ConnectionState::Offline);
        ClearOnlineList(ctx);
        break;
    case STATUS_SIGNING_ON:
        PrintLine(ctx, "Logging onto AIM...");
        Announce(ctx, ConnectionState::SigningOn);
        break;
    case STATUS_ONLINE:
        ctx.pacer.Reset();
        ctx.signingOn = true;
        ctx.modules.DispatchConnect();
        ctx.signingOn = false;
        PrintLine(ctx, "Connected to AIM server.");
        Announce(ctx, ConnectionState::Online);
        break;
    default:
        break;
    }
    // One automatic attempt per drop from online. The wait runs on a timer so
    // the window stays alive; the order of lines is the same as a frozen wait.
    if (previous == STATUS_ONLINE && status == STATUS_OFFLINE && !ctx.shutDown)
        ctx.reconnect.AfterDrop([&ctx] { ConnectToServer(ctx); });
}

void ClearOnlineList(ClientContext& ctx)
{
    ctx.online.Clear();
}
