// The user-module contract: what a module exports and what the client offers
// it. Outside module writers build against this header alone.
//
// Writing a module:
//  1. Include this header and define the eight entry points declared below
//     (Initialize ... OnDisconnect) with exactly these signatures. Each may
//     instead be named with the suffix ZORVANE (OnSendIMZORVANE); the plain
//     name wins when both exist. GetExtendedUserZORVANE is optional.
//  2. Keep the HostServices pointer from Initialize; return nonzero to be
//     loaded, 0 to be refused. Texts you receive are valid only during the
//     call; texts you pass to a service are copied by the client.
//  3. Build a shared library named user_<something>.so, e.g.
//       g++ -std=c++20 -shared -fPIC -fvisibility=hidden -o user_hello.so hello.cpp
//     (only the entry points need to be visible; they are declared so here).
//  4. Drop it into the "modules" folder of the profile folder
//     (~/.config/quenlo/modules) and start the client: it says
//     "Loaded user module 'user_hello.so'." Modules load in file-name order.
//  Everything runs on the client's one thread; a service call may call your
//  entry points again before it returns. Send nothing from Shutdown.
#pragma once

// Implemented by the client. The slot order is part of the binary contract:
// never reorder, never add virtuals.
class HostServices {
public:
    // Handles the text as if typed into the input line for this one recipient:
    // "/word arguments" runs a command, anything else is sent as a message
    // through the Formatting template. `reserved` is not used.
    virtual void SendInputLine(const char* recipient, const char* text, int reserved) = 0;
    virtual void PrintStatus(const char* text) = 0;
    virtual void PrintText(const char* text) = 0;
    // The transcript's text, valid until the next line is shown; null before
    // anything was shown.
    virtual const char* GetOutputText() = 0;
    // One raw TOC command. 0: handed to the connection; -1: not signed on or paused.
    virtual int SendCommand(const char* text) = 0;
    // The online list; names compare with blanks removed and without regard to case.
    virtual bool AddOnlineName(const char* name) = 0;
    virtual bool RemoveOnlineName(const char* name) = 0;
    // Ends the connection (nothing while offline).
    virtual void Disconnect() = 0;
    // A non-empty text becomes the away reply; null or "" clears it. The
    // server is not told.
    virtual void SetAwayText(const char* text) = 0;

protected:
    ~HostServices() = default;
};

// Handed only to modules that export GetExtendedUserZORVANE.
class ExtendedHostServices {
public:
    // Runs "/word arguments" through the client's commands and every module;
    // nonzero when some handler took it. Prints nothing when none did.
    virtual int RunCommand(const char* word, const char* arguments) = 0;

protected:
    ~ExtendedHostServices() = default;
};

inline constexpr int MAX_USER_MODULES = 256;

#if defined(__GNUC__)
#define USER_MODULE_EXPORT __attribute__((visibility("default")))
#else
#define USER_MODULE_EXPORT
#endif

extern "C" {
// Nonzero accepts the module; mainWindow is the client's window (a QWidget*).
USER_MODULE_EXPORT int Initialize(void* mainWindow, HostServices* host);
USER_MODULE_EXPORT int Shutdown();
// Every server message: its name ("IM_IN") and the text after the first colon.
USER_MODULE_EXPORT int OnServerCommand(const char* command, const char* arguments);
// A slash command the client does not know: the word without "/" and the
// text after the first blank. Nonzero: handled.
USER_MODULE_EXPORT int OnUserCommand(const char* word, const char* arguments);
// Before every outgoing message (not yet escaped); automatic is 1 for away
// replies. Exactly -1 stops the message.
USER_MODULE_EXPORT int OnSendIM(const char* recipient, const char* text, int automatic);
// After an incoming message was shown; an automatic reply's sender ends in " AUTORESPONSE".
USER_MODULE_EXPORT int OnReceiveIM(const char* sender, const char* text);
USER_MODULE_EXPORT int OnConnect();
USER_MODULE_EXPORT int OnDisconnect();
// Optional, and only under this suffixed name.
USER_MODULE_EXPORT int GetExtendedUserZORVANE(ExtendedHostServices* host);
}

// The entry points' types, for binding them by name.
extern "C" {
typedef int (*UserModuleInitializeFn)(void* mainWindow, HostServices* host);
typedef int (*UserModuleShutdownFn)();
typedef int (*UserModuleServerCommandFn)(const char* command, const char* arguments);
typedef int (*UserModuleUserCommandFn)(const char* word, const char* arguments);
typedef int (*UserModuleSendIMFn)(const char* recipient, const char* text, int automatic);
typedef int (*UserModuleReceiveIMFn)(const char* sender, const char* text);
typedef int (*UserModuleConnectFn)();
typedef int (*UserModuleDisconnectFn)();
typedef int (*UserModuleGetExtendedFn)(ExtendedHostServices* host);
}
