// libFuzzer target: arbitrary server messages through the client's
// HandleServerMessage, with a recording window and a fake protocol library
// that records every command the client sends.
//
// Input: byte 0 sets the client's state (away message, timestamps, online,
// a pending profile request), the rest is one server message per line, each
// split at its first colon into command and arguments as the library does.
#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "client_context.h"
#include "normalize_name.h"
#include "recording_window.h"
#include "server_messages.h"
#include "tocwire.h"

namespace {

std::vector<std::string> g_sent;

void FakeMaintainLoop() {}
int FakeEstablish(const char*, int) { return 1; }
void FakeDisconnect() {}
int FakeSend(char* text, int length)
{
    FUZZ_CHECK(length == -1);
    g_sent.emplace_back(text);
    return 0;
}
int FakeInit(void*, ProtocolCallbacks*, const char*, const char*, int, const char*, const char*) { return 1; }
void FakeShutdown() {}

void BindFakeLibrary(ProtocolApi& api)
{
    static int handle;
    api.handle = &handle;
    api.MaintainLoop = FakeMaintainLoop;
    api.TOC_Establish = FakeEstablish;
    api.TOC_Disconnect = FakeDisconnect;
    api.TOC_Send = FakeSend;
    api.TOC_Init = FakeInit;
    api.TOC_Shutdown = FakeShutdown;
}

// The reply to an away message names its recipient normalised and never empty.
void CheckSent()
{
    for (const std::string& command : g_sent) {
        FUZZ_CHECK(command.size() < 4096);
        if (command.rfind("toc_send_im ", 0) == 0) {
            const std::string_view rest = std::string_view(command).substr(12);
            const std::string_view recipient = rest.substr(0, rest.find(' '));
            FUZZ_CHECK(!recipient.empty());
            FUZZ_CHECK(NormalizeName(recipient) == recipient);
            FUZZ_CHECK(IsValidScreenName(recipient));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    g_sent.clear();
    ClientContext ctx;
    RecordingWindow window;
    ctx.AttachWindow(window);
    ctx.online.Watch(&window);
    BindFakeLibrary(ctx.session.api);
    const std::uint8_t options = data[0];
    ctx.away.Set("away \"now\" \\ $");
    if ((options & 1) == 0)
        ctx.away.Unset();
    ctx.settings.userInfo.timestamp = (options & 2) != 0;
    ctx.session.connectionStatus = (options & 4) != 0 ? STATUS_ONLINE : STATUS_OFFLINE;
    ctx.session.pendingProfileRequests = (options >> 3) & 3;

    const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::size_t start = 0;
    while (start <= stream.size()) {
        std::size_t end = stream.find('\n', start);
        if (end == std::string_view::npos)
            end = stream.size();
        std::string_view message = stream.substr(start, end - start);
        // The library hands texts over as C strings: they end at the first NUL.
        message = message.substr(0, message.find('\0'));
        const std::size_t colon = message.find(':');
        const std::string_view command = message.substr(0, colon);
        const std::string_view arguments = colon == std::string_view::npos ? std::string_view() : message.substr(colon + 1);
        HandleServerMessage(ctx, std::string(command).c_str(), std::string(arguments).c_str());
        start = end + 1;
    }
    CheckSent();
    // The window shows what the transcript holds, and one list entry per name.
    FUZZ_CHECK(window.OnlineCount() == ctx.online.Count());
    FUZZ_CHECK(window.badOnlineNotices == 0);
    FUZZ_CHECK(ctx.session.pendingProfileRequests >= 0);
    ctx.DetachWindow(window);
    ctx.session.api = ProtocolApi{};
    return 0;
}
