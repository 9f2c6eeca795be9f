// The protocol library's published interface: status values, the callback
// object the host implements, and the six entry points the host binds by name.
#pragma once

enum {
    STATUS_OFFLINE = 0,
    STATUS_SIGNING_ON = 1,
    STATUS_ONLINE = 2,
};

// Implemented by the host. The slot order is part of the binary contract
// between separately built libraries: never reorder, never add virtuals.
// Texts passed in belong to the library and live only during the call.
class ProtocolCallbacks {
public:
    virtual int OnSignonError(const char* errorText) = 0;
    virtual int OnServerError(const char* errorText) = 0;
    virtual void OnServerMessage(const char* command, const char* arguments) = 0;
    virtual int OnSignonDone() = 0;
    virtual void OnStatusChange(int status) = 0;

protected:
    ~ProtocolCallbacks() = default;
};

#if defined(__GNUC__)
#define TOCWIRE_EXPORT __attribute__((visibility("default")))
#else
#define TOCWIRE_EXPORT
#endif

extern "C" {
TOCWIRE_EXPORT void MaintainLoop();
TOCWIRE_EXPORT int TOC_Establish(const char* host, int port);
TOCWIRE_EXPORT void TOC_Disconnect();
TOCWIRE_EXPORT int TOC_Send(char* text, int length);
TOCWIRE_EXPORT int TOC_Init(void* ownerWindow, ProtocolCallbacks* callbacks, const char* screenName,
                            const char* password, int loginPort, const char* loginHost,
                            const char* clientVersion);
TOCWIRE_EXPORT void TOC_Shutdown();

// Optional, beside the six: the time from the TCP connect to SIGN_ON before
// an attempt is given up, for the attempts that follow. Anything but a
// positive number no greater than kSignonTimeLimitMs (toc_limits.h) keeps
// that default. A host that does not bind it gets the default.
TOCWIRE_EXPORT void TOC_SetSignonTimeLimit(int ms);

// Optional: nonzero keeps the library's message boxes closed (their texts go
// to standard error) for what follows, until called again with zero; for
// attempts the host makes on its own, with nobody waiting to answer a box.
TOCWIRE_EXPORT void TOC_SetQuiet(int quiet);
// Optional: the platform's error number (errno; ECONNREFUSED when the server
// refused) of the last TOC_Establish whose connection could not be made, 0
// from the start of each accepted TOC_Establish until its connect fails.
TOCWIRE_EXPORT int TOC_LastConnectError();
// Optional, beside the six: the proxy the connections that follow go
// through. Kind TOC_PROXY_NONE connects directly; TOC_PROXY_SOCKS5 and
// TOC_PROXY_HTTP (HTTP CONNECT) need a host and a port from 1 to 65535, and
// take an optional user name and password (null or empty: none). The proxy
// looks the server's host name up. Texts are copied. Returns 1 when taken, 0
// when refused (the connection then stays direct). A host that does not bind
// it connects directly.
TOCWIRE_EXPORT int TOC_SetProxy(int kind, const char* host, int port, const char* user, const char* password);
}

enum {
    TOC_PROXY_NONE = 0,
    TOC_PROXY_SOCKS5 = 1,
    TOC_PROXY_HTTP = 2,
};

// Function pointer types for binding the exports with dlsym.
using MaintainLoopFn = void (*)();
using TOC_EstablishFn = int (*)(const char*, int);
using TOC_DisconnectFn = void (*)();
using TOC_SendFn = int (*)(char*, int);
using TOC_InitFn = int (*)(void*, ProtocolCallbacks*, const char*, const char*, int, const char*,
                           const char*);
using TOC_ShutdownFn = void (*)();
using TOC_SetSignonTimeLimitFn = void (*)(int);
using TOC_SetQuietFn = void (*)(int);
using TOC_LastConnectErrorFn = int (*)();
using TOC_SetProxyFn = int (*)(int, const char*, int, const char*, const char*);
