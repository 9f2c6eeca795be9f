#include "send_command.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "client_context.h"

int SendCommand(ClientContext& ctx, std::string_view command)
{
    if (!ctx.api.Bound())
        return -1;
    // The library escapes in place: its buffer needs room for twice the
    // (cut) text and a terminator.
    std::vector<char> buffer(std::max<std::size_t>(command.size() + 1, 4096), '\0');
    std::memcpy(buffer.data(), command.data(), command.size());
    return ctx.api.TOC_Send(buffer.data(), -1);
}
