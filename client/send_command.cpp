#include "send_command.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "client_context.h"
#include "toc_limits.h"
#include "tocwire.h"

int SendCommandNow(ClientContext& ctx, std::string_view command)
{
    if (!ctx.api.Bound() || command.empty())
        return -1;
    // The library escapes in place: its buffer needs room for twice the
    // (cut) text and a terminator.
    std::vector<char> buffer(std::max<std::size_t>(command.size() + 1, kTocSendBufferSize), '\0');
    std::memcpy(buffer.data(), command.data(), command.size());
    return ctx.api.TOC_Send(buffer.data(), -1);
}

int SendCommand(ClientContext& ctx, std::string_view command)
{
    // What modules send from OnConnect belongs to the sign-on and goes ahead
    // of toc_init_done at once; offline nothing would wait for a connection.
    if (ctx.automaticSends > 0 && !ctx.signingOn && ctx.connectionStatus == STATUS_ONLINE && !command.empty() &&
        ctx.api.Bound())
        return ctx.pacer.Send(std::string(command));
    return SendCommandNow(ctx, command);
}

AutomaticSends::AutomaticSends(ClientContext& ctx) : ctx_(ctx)
{
    ++ctx_.automaticSends;
}

AutomaticSends::~AutomaticSends()
{
    --ctx_.automaticSends;
}
