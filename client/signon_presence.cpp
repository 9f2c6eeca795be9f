#include "signon_presence.h"

#include <string>

#include "client_context.h"
#include "config_sync.h"
#include "outgoing.h"
#include "send_command.h"

void RestorePresence(ClientContext& ctx)
{
    AwaitStoredConfig(ctx.config, ctx.session, ctx.settings);
    if (ctx.session.resumedAfterPause)
        return;
    ctx.idle.NewConnection();
    if (ctx.away.ServerTold()) {
        constexpr std::string_view kHead = "toc_set_away \"";
        SendCommand(ctx.session,
                    std::string(kHead) + EscapeTocTextWithin(ctx.away.Text(), QuotedRoom(kHead, "\"")).escaped + "\"");
    }
    CheckIdle(ctx.session, ctx.idle);
}

void CheckIdle(SessionState& session, IdleReport& idle)
{
    if (session.connectionStatus != STATUS_ONLINE || session.paused)
        return;
    const std::string command = idle.Check();
    if (command.empty())
        return;
    AutomaticSends automatic(session);
    SendCommand(session, command);
}

IdleWatch::IdleWatch(SessionState& session, IdleReport& idle, int intervalMs) : session_(session), idle_(idle)
{
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] { CheckIdle(session_, idle_); });
    timer_.start();
}
