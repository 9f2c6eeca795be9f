// Write only the hooks you need. Name them in QUENLO_USER_MODULE with C++20
// designated initializers: the macro defines every entry point the client
// looks for, forwarding to yours and to a default for the others. A hook
// name that is not one of the table's (".OnRecieveIM") does not compile, and
// neither does a function of the wrong type.
//
//   #include <module_defaults.h>
//
//   namespace {
//   HostServices* host = nullptr;
//   int Start(void*, HostServices* services) { host = services; return 1; }
//   int Command(const char* word, const char* arguments) { ... }
//   }  // namespace
//
//   QUENLO_USER_MODULE({
//       .Initialize = Start,
//       .OnUserCommand = Command,
//   });
//
// Declare the slash commands you answer, each with its help line, as an
// array named in .Commands (/help lists them; OnUserCommand still runs them):
//
//   constexpr UserModuleCommand kCommands[] = {
//       {"hello", "/hello [name]: greets NAME, or the world"},
//   };
//   QUENLO_USER_MODULE({.Commands = kCommands, .OnUserCommand = Command});
//
// Name the hooks in the order of UserModuleHooks below (C++20 asks for
// that order). The defaults: Initialize accepts the module, OnSendIM lets
// every message go, OnUserCommand handles nothing, GetModuleInfo says
// nothing, no command is declared, every other hook does nothing. Use the macro once per module,
// outside any namespace. Build with -std=c++20.
#pragma once

#include <span>

#include "user_module.h"

// Every hook a module may give, by the entry point's name without ZORVANE.
struct UserModuleHooks {
    UserModuleSetProfileFolderFn SetProfileFolder = nullptr;
    UserModuleInitializeFn Initialize = nullptr;
    UserModuleGetExtendedFn GetExtendedUser = nullptr;
    UserModuleGetInfoFn GetModuleInfo = nullptr;
    std::span<const UserModuleCommand> Commands{};  // an array of static storage
    UserModuleServerCommandFn OnServerCommand = nullptr;
    UserModuleUserCommandFn OnUserCommand = nullptr;
    UserModuleSendIMFn OnSendIM = nullptr;
    UserModuleSentIMFn OnSentIM = nullptr;
    UserModuleReceiveIMFn OnReceiveIM = nullptr;
    UserModuleConnectFn OnConnect = nullptr;
    UserModuleDisconnectFn OnDisconnect = nullptr;
    UserModuleShutdownFn Shutdown = nullptr;
};

#define QUENLO_USER_MODULE(...)                                                                            \
    namespace quenlo_user_module {                                                                         \
    constexpr UserModuleHooks kHooks = UserModuleHooks __VA_ARGS__;                                        \
    }                                                                                                      \
    extern "C" {                                                                                           \
    int SetProfileFolderZORVANE(const char* folder)                                                        \
    {                                                                                                      \
        return quenlo_user_module::kHooks.SetProfileFolder ? quenlo_user_module::kHooks.SetProfileFolder(folder) \
                                                           : 0;                                            \
    }                                                                                                      \
    int Initialize(void* mainWindow, HostServices* host)                                                   \
    {                                                                                                      \
        return quenlo_user_module::kHooks.Initialize ? quenlo_user_module::kHooks.Initialize(mainWindow, host) : 1; \
    }                                                                                                      \
    int GetExtendedUserZORVANE(ExtendedHostServices* host)                                                 \
    {                                                                                                      \
        return quenlo_user_module::kHooks.GetExtendedUser ? quenlo_user_module::kHooks.GetExtendedUser(host) : 0; \
    }                                                                                                      \
    const UserModuleInfo* GetModuleInfoZORVANE()                                                           \
    {                                                                                                      \
        return quenlo_user_module::kHooks.GetModuleInfo ? quenlo_user_module::kHooks.GetModuleInfo() : nullptr; \
    }                                                                                                      \
    const UserModuleCommands* GetModuleCommandsZORVANE()                                                   \
    {                                                                                                      \
        static constexpr UserModuleCommands declared{                                                      \
            sizeof(UserModuleCommands), sizeof(UserModuleCommand),                                         \
            static_cast<int>(quenlo_user_module::kHooks.Commands.size()),                                  \
            quenlo_user_module::kHooks.Commands.data()};                                                   \
        return declared.count > 0 ? &declared : nullptr;                                                   \
    }                                                                                                      \
    int OnServerCommand(const char* command, const char* arguments)                                        \
    {                                                                                                      \
        return quenlo_user_module::kHooks.OnServerCommand                                                  \
                   ? quenlo_user_module::kHooks.OnServerCommand(command, arguments)                        \
                   : 0;                                                                                    \
    }                                                                                                      \
    int OnUserCommand(const char* word, const char* arguments)                                             \
    {                                                                                                      \
        return quenlo_user_module::kHooks.OnUserCommand ? quenlo_user_module::kHooks.OnUserCommand(word, arguments) \
                                                        : 0;                                               \
    }                                                                                                      \
    int OnSendIM(const char* recipient, const char* text, int automatic)                                   \
    {                                                                                                      \
        return quenlo_user_module::kHooks.OnSendIM ? quenlo_user_module::kHooks.OnSendIM(recipient, text, automatic) \
                                                   : 0;                                                    \
    }                                                                                                      \
    int OnSentIMZORVANE(const char* recipient, const char* text, int automatic)                            \
    {                                                                                                      \
        return quenlo_user_module::kHooks.OnSentIM ? quenlo_user_module::kHooks.OnSentIM(recipient, text, automatic) \
                                                   : 0;                                                    \
    }                                                                                                      \
    int OnReceiveIM(const char* sender, const char* text)                                                  \
    {                                                                                                      \
        return quenlo_user_module::kHooks.OnReceiveIM ? quenlo_user_module::kHooks.OnReceiveIM(sender, text) : 0; \
    }                                                                                                      \
    int OnConnect() { return quenlo_user_module::kHooks.OnConnect ? quenlo_user_module::kHooks.OnConnect() : 0; } \
    int OnDisconnect()                                                                                     \
    {                                                                                                      \
        return quenlo_user_module::kHooks.OnDisconnect ? quenlo_user_module::kHooks.OnDisconnect() : 0;    \
    }                                                                                                      \
    int Shutdown() { return quenlo_user_module::kHooks.Shutdown ? quenlo_user_module::kHooks.Shutdown() : 0; } \
    }                                                                                                      \
    static_assert(true, "")
