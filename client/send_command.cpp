#include "send_command.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "session_state.h"
#include "toc_limits.h"
#include "tocwire.h"

int SendCommandNow(SessionState& session, std::string_view command)
{
    if (!session.api.Bound() || command.empty())
        return -1;
    // The library escapes in place: its buffer needs room for twice the
    // (cut) text and a terminator.
    std::vector<char> buffer(std::max<std::size_t>(command.size() + 1, kTocSendBufferSize), '\0');
    std::memcpy(buffer.data(), command.data(), command.size());
    return session.api.TOC_Send(buffer.data(), -1);
}

int SendCommand(SessionState& session, std::string_view command, std::function<void()> onSent)
{
    // What modules send from OnConnect belongs to the sign-on and goes ahead
    // of toc_init_done at once; offline nothing would wait for a connection.
    // While the server has paused the connection, the pacer keeps privacy
    // changes for its next SIGN_ON and refuses the rest.
    if (session.automaticSends > 0 && !session.modulesConnecting &&
        (session.connectionStatus == STATUS_ONLINE || session.paused) && !command.empty() && session.api.Bound())
        return session.pacer.Send(std::string(command), std::move(onSent));
    const int result = SendCommandNow(session, command);
    if (result != -1 && onSent)
        onSent();
    return result;
}

AutomaticSends::AutomaticSends(SessionState& session) : session_(session)
{
    ++session_.automaticSends;
}

AutomaticSends::~AutomaticSends()
{
    --session_.automaticSends;
}
