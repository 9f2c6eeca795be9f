// A small user module: "/hello [name]" answers in the transcript, and a
// status line says so when the connection is signed on.
#include <string>

#include <user_module.h>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {
HostServices* host = nullptr;
}

EXPORT int Initialize(void* /*mainWindow*/, HostServices* services)
{
    host = services;
    return 1;
}

EXPORT int Shutdown()
{
    host = nullptr;
    return 0;
}

EXPORT int OnUserCommand(const char* word, const char* arguments)
{
    if (std::string(word) != "hello")
        return 0;
    const std::string name = arguments[0] != '\0' ? arguments : "world";
    host->PrintStatus(("Hello, " + name + "!").c_str());
    return 1;
}

EXPORT int OnConnect()
{
    host->PrintStatus("hello module: signed on.");
    return 0;
}

EXPORT int OnServerCommand(const char*, const char*) { return 0; }
EXPORT int OnSendIM(const char*, const char*, int) { return 0; }
EXPORT int OnReceiveIM(const char*, const char*) { return 0; }
EXPORT int OnDisconnect() { return 0; }
