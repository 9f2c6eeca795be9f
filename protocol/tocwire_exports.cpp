// The six entry points the host binds by name, and the optional ones: the
// sign-on time limit, quiet attempts, the last connect error and the proxy.
// One connection per process: the library's state is one static
// instance.
#include <cstring>
#include <dlfcn.h>

#include "message_box.h"
#include "toc_library.h"
#include "toc_socket.h"
#include "tocwire.h"

namespace {

// A host that shuts the library down while one of its message boxes is open
// will unload it next, with the box's frames still on the stack: keep the
// code mapped until the process ends.
void KeepLoadedForTheProcess()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&KeepLoadedForTheProcess), &info) == 0 || info.dli_fname == nullptr)
        return;
    // NOLOAD takes no new reference; NODELETE marks the loaded library resident.
    dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

struct Instance {
    tocwire::TocLibrary library{&tocwire::ShowProtocolMessage};
    tocwire::TocSocket socket{library};
    Instance() { library.SetTransport(&socket); }
};

Instance& Library()
{
    static Instance instance;
    return instance;
}

}  // namespace

extern "C" {

TOCWIRE_EXPORT void MaintainLoop()
{
    // Every network event arrives as a socket notification on the event loop;
    // there is nothing to pump.
}

TOCWIRE_EXPORT int TOC_Establish(const char* host, int port)
{
    return Library().library.Establish(host, port);
}

TOCWIRE_EXPORT void TOC_Disconnect()
{
    Library().library.Disconnect();
}

TOCWIRE_EXPORT int TOC_Send(char* text, int length)
{
    return Library().library.Send(text, length);
}

TOCWIRE_EXPORT int TOC_Init(void* ownerWindow, ProtocolCallbacks* callbacks, const char* screenName,
                            const char* password, int loginPort, const char* loginHost,
                            const char* clientVersion)
{
    return Library().library.Init(ownerWindow, callbacks, screenName, password, loginPort, loginHost,
                                  clientVersion);
}

TOCWIRE_EXPORT void TOC_Shutdown()
{
    if (Library().library.MessageOpen())
        KeepLoadedForTheProcess();
    Library().library.Shutdown();
}

TOCWIRE_EXPORT void TOC_SetSignonTimeLimit(int ms)
{
    Library().library.SetSignonTimeLimit(ms);
}

TOCWIRE_EXPORT void TOC_SetQuiet(int quiet)
{
    Library().library.SetQuiet(quiet != 0);
}

TOCWIRE_EXPORT int TOC_LastConnectError()
{
    return Library().library.LastConnectError();
}

TOCWIRE_EXPORT int TOC_SetProxy(int kind, const char* host, int port, const char* user, const char* password)
{
    tocwire::ProxySetting proxy;
    const bool usable = (kind == TOC_PROXY_SOCKS5 || kind == TOC_PROXY_HTTP) && host != nullptr &&
                        host[0] != '\0' && port > 0 && port <= 65535;
    if (usable) {
        proxy.kind = kind;
        proxy.host.assign(host, strnlen(host, tocwire::kMaxStoredText));
        proxy.port = port;
        if (user != nullptr)
            proxy.user.assign(user, strnlen(user, tocwire::kMaxStoredText));
        if (password != nullptr)
            proxy.password.assign(password, strnlen(password, tocwire::kMaxStoredText));
    }
    Library().socket.SetProxy(proxy);
    return usable || kind == TOC_PROXY_NONE ? 1 : 0;
}

}  // extern "C"
