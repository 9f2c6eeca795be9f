#include "connection.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <QTimer>

#include "client_context.h"
#include "output.h"
#include "server_messages.h"
#include "signon_completion.h"
#include "tocwire.h"

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

namespace {

void InitProtocol(ClientContext& ctx)
{
    const UserInfo& info = ctx.userInfo;
    const std::string screenName(FieldText(info.screenName));
    const std::string password(FieldText(info.password));
    const std::string oscarServer(FieldText(info.oscarServer));
    ctx.api.TOC_Init(ctx.window != nullptr ? ctx.window->OwnerHandle() : nullptr, &ctx.callbacks,
                     screenName.c_str(), password.c_str(), info.oscarPort, oscarServer.c_str(), kClientVersion);
    ctx.protocolInitialised = true;
}

// A connection started any other way replaces a reconnect still waiting:
// otherwise the wait would end in a second attempt on top of this one.
void CancelReconnectWaits(ClientContext& ctx)
{
    ctx.autoReconnectWait.stop();
    if (ctx.reconnectCommandPending) {
        ctx.reconnectCommandWait.stop();
        ctx.autoReconnect = ctx.savedAutoReconnect;
        ctx.reconnectCommandPending = false;
    }
}

bool Establish(ClientContext& ctx)
{
    CancelReconnectWaits(ctx);
    const std::string tocServer(FieldText(ctx.userInfo.tocServer));
    if (ctx.api.TOC_Establish(tocServer.c_str(), ctx.userInfo.tocPort) != 0)
        return true;
    PrintLine(ctx, "Failed to establish a connection with AIM services.");
    return false;
}

void EnableButtons(ClientContext& ctx, std::initializer_list<ClientWindow::Button> buttons, bool enabled)
{
    if (ctx.window == nullptr)
        return;
    for (ClientWindow::Button button : buttons)
        ctx.window->SetButtonEnabled(button, enabled);
}

// One single-shot wait at a time per timer: a new start replaces the old action.
template <typename Action>
void StartWait(QTimer& timer, int delayMs, Action action)
{
    timer.stop();
    timer.disconnect();
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, action);
    timer.start(delayMs);
}

}  // namespace

void ConnectToServer(ClientContext& ctx)
{
    if (FieldText(ctx.userInfo.screenName).empty()) {
        PrintLine(ctx, "Set a login name before attempting to connect.");
        return;
    }
    if (FieldText(ctx.userInfo.password).empty()) {
        PrintLine(ctx, "Set a password before attempting to connect.");
        return;
    }
    if (!ctx.api.Bound()) {
        PrintLine(ctx, kLibraryNotLoaded);
        return;
    }
    if (!ctx.protocolInitialised)
        InitProtocol(ctx);
    Establish(ctx);
}

void DisconnectFromServer(ClientContext& ctx)
{
    if (ctx.api.Bound())
        ctx.api.TOC_Disconnect();
}

void ReinitConnection(ClientContext& ctx)
{
    if (!ctx.api.Bound())
        return;
    const int previous = ctx.connectionStatus;
    if (ctx.protocolInitialised)
        ctx.api.TOC_Shutdown();
    InitProtocol(ctx);
    if (previous != STATUS_OFFLINE) {
        PrintLine(ctx, "Reconnecting for updated userinfo.");
        ctx.api.TOC_Disconnect();
        Establish(ctx);
    }
}

void HandleStatusChange(ClientContext& ctx, int status)
{
    if (status == ctx.connectionStatus)
        return;
    const int previous = ctx.connectionStatus;
    ctx.connectionStatus = status;
    using B = ClientWindow::Button;
    switch (status) {
    case STATUS_OFFLINE:
        PrintLine(ctx, "Disconnected from AIM server.");
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
        ctx.modules.DispatchConnect();
        PrintLine(ctx, "Connected to AIM server.");
        EnableButtons(ctx, {B::Connect}, false);
        EnableButtons(ctx, {B::Send, B::Info, B::Warn, B::Disconnect}, true);
        break;
    default:
        break;
    }
    // One automatic attempt per drop from online. The wait runs on a timer so
    // the window stays alive; the order of lines is the same as a frozen wait.
    if (ctx.autoReconnect && previous == STATUS_ONLINE && status == STATUS_OFFLINE && !ctx.shutDown)
        StartWait(ctx.autoReconnectWait, ctx.autoReconnectDelayMs, [&ctx] { ConnectToServer(ctx); });
}

std::string_view ErrorCodeText(std::string_view argument)
{
    std::string code(argument.substr(0, std::min<std::size_t>(argument.find(':'), 63)));
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(code.c_str(), &end, 10);
    if (errno == ERANGE)
        return "Server sent unhandled error.";
    switch (value) {
    case 901: return "User not currently available";
    case 902: return "Warning of user not currently allowed";
    case 903: return "A message has been dropped, you are exceeding the server speed limit";
    case 911: return "Error validating input";
    case 912: return "Invalid account";
    case 913: return "Error encountered while processing request";
    case 914: return "Service unavailable";
    case 950: return "Chat in room is unavailable.";
    case 960: return "You are sending messages too fast to the room";
    case 961: return "You missed an IM from a user because it was too big.";
    case 962: return "You missed an IM from a user because it was sent too fast.";
    default: return "Server sent unhandled error.";
    }
}

void ClearOnlineList(ClientContext& ctx)
{
    ctx.online.Clear(ctx.window);
}

void ReconnectAfterPause(ClientContext& ctx)
{
    // A second request during the pause keeps the flag saved by the first.
    if (!ctx.reconnectCommandPending)
        ctx.savedAutoReconnect = ctx.autoReconnect;
    ctx.autoReconnect = false;
    ctx.autoReconnectWait.stop();
    if (ctx.protocolInitialised && ctx.api.Bound()) {
        ctx.api.TOC_Shutdown();
        ctx.protocolInitialised = false;
    }
    if (ctx.reconnectCommandPending)
        return;
    ctx.reconnectCommandPending = true;
    StartWait(ctx.reconnectCommandWait, ctx.reconnectCommandDelayMs, [&ctx] {
        ctx.autoReconnect = ctx.savedAutoReconnect;
        ctx.reconnectCommandPending = false;
        ConnectToServer(ctx);
    });
}

void StopReconnectWaits(ClientContext& ctx)
{
    ctx.autoReconnectWait.stop();
    ctx.reconnectCommandWait.stop();
    ctx.reconnectCommandPending = false;
}

// The library's calls into the client.

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
    return CompleteSignon(ctx_);
}

void ClientCallbacks::OnStatusChange(int status)
{
    HandleStatusChange(ctx_, status);
}
