// The library's calls into the client.
#include "client_callbacks.h"

#include "client_context.h"
#include "connection_status.h"
#include "output.h"
#include "server_error_text.h"
#include "server_messages.h"
#include "signon_completion.h"
#include "signon_presence.h"

int ClientCallbacks::OnSignonError(const char*)
{
    PrintLine(ctx_, "Error during signon. Try again later.");
    return 1;
}

int ClientCallbacks::OnServerError(const char* errorText)
{
    PrintLine(ctx_, ErrorCodeText(errorText != nullptr ? errorText : ""));
    return 1;
}

void ClientCallbacks::OnServerMessage(const char* command, const char* arguments)
{
    HandleServerMessage(ctx_, command != nullptr ? command : "", arguments != nullptr ? arguments : "");
}

int ClientCallbacks::OnSignonDone()
{
    const int done = CompleteSignon(ctx_.session, ctx_.settings);
    RestorePresence(ctx_);
    return done;
}

void ClientCallbacks::OnStatusChange(int status)
{
    HandleStatusChange(ctx_, status);
}
