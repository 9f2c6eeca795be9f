#include "connection_status.h"

#include <initializer_list>
#include <string>

#include "client_context.h"
#include "connection.h"
#include "output.h"

namespace {

void EnableButtons(ClientContext& ctx, std::initializer_list<ClientWindow::Button> buttons, bool enabled)
{
    if (ctx.window == nullptr)
        return;
    for (ClientWindow::Button button : buttons)
        ctx.window->SetButtonEnabled(button, enabled);
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
    using B = ClientWindow::Button;
    switch (status) {
    case STATUS_OFFLINE:
        PrintLine(ctx, "Disconnected from AIM server.");
        ctx.pacer.Reset();
        ctx.modules.DispatchDisconnect();
        EnableButtons(ctx, {B::Connect, B::Send}, true);
        EnableButtons(ctx, {B::Info, B::Warn, B::Disconnect}, false);
        ClearOnlineList(ctx);
        break;
    case STATUS_SIGNING_ON:
        PrintLine(ctx, "Logging onto AIM...");
        EnableButtons(ctx, {B::Connect}, false);
        break;
    case STATUS_ONLINE:
        ctx.pacer.Reset();
        ctx.signingOn = true;
        ctx.modules.DispatchConnect();
        ctx.signingOn = false;
        PrintLine(ctx, "Connected to AIM server.");
        EnableButtons(ctx, {B::Connect}, false);
        EnableButtons(ctx, {B::Send, B::Info, B::Warn, B::Disconnect}, true);
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
    ctx.online.Clear(ctx.window);
}
