#include "signon_presence.h"

#include <string>

#include "client_context.h"
#include "config_sync.h"
#include "outgoing.h"
#include "send_command.h"

void RestorePresence(ClientContext& ctx)
{
    AwaitStoredConfig(ctx);
    if (ctx.session.resumedAfterPause)
        return;
    ctx.idle.NewConnection();
    if (ctx.away.ServerTold()) {
        constexpr std::string_view kHead = "toc_set_away \"";
        SendCommand(ctx.session,
                    std::string(kHead) + EscapeTocTextWithin(ctx.away.Text(), QuotedRoom(kHead, "\"")).escaped + "\"");
    }
    CheckIdle(ctx);
}

void CheckIdle(ClientContext& ctx)
{
    if (ctx.session.connectionStatus != STATUS_ONLINE || ctx.session.paused)
        return;
    const std::string command = ctx.idle.Check();
    if (command.empty())
        return;
    AutomaticSends automatic(ctx.session);
    SendCommand(ctx.session, command);
}

IdleWatch::IdleWatch(ClientContext& ctx, int intervalMs) : ctx_(ctx)
{
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] { CheckIdle(ctx_); });
    timer_.start();
}
