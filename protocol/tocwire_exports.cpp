// The six entry points the host binds by name. One connection per process:
// the library's state is one static instance.
#include "message_box.h"
#include "toc_library.h"
#include "toc_socket.h"
#include "tocwire.h"

namespace {

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
    Library().library.Shutdown();
}

}  // extern "C"
