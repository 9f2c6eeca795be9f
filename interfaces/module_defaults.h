// Write only the hooks you need. Derive a struct from UserModuleDefaults,
// give it static member functions named like the entry points you use, and
// name it once in QUENLO_USER_MODULE: the macro defines all the entry points
// the client looks for, forwarding to yours and to a no-op for the others.
//
//   #include <module_defaults.h>
//
//   struct Hello : UserModuleDefaults {
//       static inline HostServices* host = nullptr;
//       static int Initialize(void*, HostServices* services) { host = services; return 1; }
//       static int OnUserCommand(const char* word, const char*) { ... }
//   };
//   QUENLO_USER_MODULE(Hello);
//
// The defaults: Initialize accepts the module, OnSendIM lets every message
// go, OnUserCommand handles nothing, GetModuleInfo says nothing, every other
// hook does nothing. Use the macro once per module, outside any namespace.
#pragma once

#include "user_module.h"

struct UserModuleDefaults {
    static int Initialize(void*, HostServices*) { return 1; }
    static int Shutdown() { return 0; }
    static int OnServerCommand(const char*, const char*) { return 0; }
    static int OnUserCommand(const char*, const char*) { return 0; }
    static int OnSendIM(const char*, const char*, int) { return 0; }
    static int OnReceiveIM(const char*, const char*) { return 0; }
    static int OnConnect() { return 0; }
    static int OnDisconnect() { return 0; }
    static int GetExtendedUser(ExtendedHostServices*) { return 0; }
    static const UserModuleInfo* GetModuleInfo() { return nullptr; }
    static int SetProfileFolder(const char*) { return 0; }
};

#define QUENLO_USER_MODULE(Hooks)                                                                          \
    extern "C" {                                                                                           \
    int Initialize(void* mainWindow, HostServices* host) { return Hooks::Initialize(mainWindow, host); }   \
    int Shutdown() { return Hooks::Shutdown(); }                                                           \
    int OnServerCommand(const char* command, const char* arguments)                                        \
    {                                                                                                      \
        return Hooks::OnServerCommand(command, arguments);                                                 \
    }                                                                                                      \
    int OnUserCommand(const char* word, const char* arguments) { return Hooks::OnUserCommand(word, arguments); } \
    int OnSendIM(const char* recipient, const char* text, int automatic)                                   \
    {                                                                                                      \
        return Hooks::OnSendIM(recipient, text, automatic);                                                \
    }                                                                                                      \
    int OnReceiveIM(const char* sender, const char* text) { return Hooks::OnReceiveIM(sender, text); }     \
    int OnConnect() { return Hooks::OnConnect(); }                                                         \
    int OnDisconnect() { return Hooks::OnDisconnect(); }                                                   \
    int GetExtendedUserZORVANE(ExtendedHostServices* host) { return Hooks::GetExtendedUser(host); }        \
    const UserModuleInfo* GetModuleInfoZORVANE() { return Hooks::GetModuleInfo(); }                        \
    int SetProfileFolderZORVANE(const char* folder) { return Hooks::SetProfileFolder(folder); }            \
    }                                                                                                      \
    static_assert(true, "")
