// The library's calls into the client.
#include "client_callbacks.h"

#include "client_context.h"
#include "connection.h"
#include "connection_status.h"
#include "output.h"
#include "reconnect_series.h"
#include "server_error_text.h"
#include "server_messages.h"
#include "signon_completion.h"
#include "signon_presence.h"

int ClientCallbacks::OnSignonError(const char* errorText)
{
    const std::string_view argument = errorText != nullptr ? errorText : "";
    PrintLine(ctx_.Out(), "Error during signon. Try again later.");
    // The server says why; the line above alone would blame the service.
    const std::string reason = SignonErrorText(argument);
    if (!reason.empty())
        PrintLine(ctx_.Out(), reason);
    const long code = ErrorCode(argument);
    ReconnectAfterSignonRefusal(ctx_.Out(), ctx_.session, code);
    if (code == kIncorrectPassword)
        ctx_.Window().OfferUserConfig(reason);
    return 1;
}

int ClientCallbacks::OnServerError(const char* errorText)
{
    PrintLine(ctx_.Out(), ErrorCodeText(errorText != nullptr ? errorText : ""));
    return 1;
}

void ClientCallbacks::OnServerMessage(const char* command, const char* arguments)
{
    HandleServerMessage(ctx_, command, arguments);
}

int ClientCallbacks::OnSignonDone()
{
    const int done = CompleteSignon(ctx_.session, ctx_.settings);
    RestorePresence(ctx_);
    return done;
}

void ClientCallbacks::OnStatusChange(int status)
{
    // Offline after a connect the library could not make: it has said why,
    // so the attempt ended for a reason other than a silent server (however
    // long its box stayed open).
    if (status == STATUS_OFFLINE && LastConnectError(ctx_.session) != 0)
        ctx_.session.answerWatch.Abandon();
    HandleStatusChange(ctx_, status);
    FollowStatusForReconnect(ctx_.Out(), ctx_.session, ctx_.settings, status);
}
