// The user-module contract: what a module exports and what the client offers
// it. Outside module writers build against the installed SDK alone: this
// header, normalize_name.h, module_defaults.h and markup_text.h (pkg-config
// quenlo-module), and the version script user_module.map.
//
// Writing a module
//  1. Entry points. The client binds eight by name: Initialize, Shutdown,
//     OnServerCommand, OnUserCommand, OnSendIM, OnReceiveIM, OnConnect,
//     OnDisconnect, each also accepted with the suffix ZORVANE
//     (OnSendIMZORVANE); the plain name wins when both exist. A library that
//     lacks one under both names is refused. Easiest: include
//     module_defaults.h and name only the hooks you need in
//     QUENLO_USER_MODULE (a misspelt hook does not compile); the rest get
//     defaults. Every name below is
//     declared here with default visibility, so defining it is enough to
//     export it, also under -fvisibility=hidden.
//  2. Build a shared library whose file name starts with "user_":
//       g++ -std=c++20 -O2 -Wall -Wextra -shared -fPIC -fvisibility=hidden
//           $(pkg-config --cflags quenlo-module) -o user_hello.so hello.cpp
//           -Wl,--no-undefined -Wl,--version-script=$(pkg-config
//           --variable=versionscript quenlo-module)
//     The version script exports the entry points alone. The client exports
//     nothing to modules: link what you use (Qt, for instance) yourself.
//     -Wl,--no-undefined finds what is missing at build time instead of at
//     load time.
//  3. Install it. The client loads "user_*.so" (prefix in any case), in file
//     name order, from the "modules" folder of the profile folder
//     (~/.config/quenlo/modules, or DIR/modules for "quenlo --dir DIR"), then
//     from the installed module folder ($(pkg-config --variable=moduledir
//     quenlo-module)); a file in the profile's folder hides one of the same
//     name in the installed folder. A loaded module is announced with
//     "Loaded user module 'user_hello.so'."; a refused one with
//     "'user_hello.so' is not a valid user module." and a line saying why.
//
// Calling order and moments
//  - Initialize once; nonzero accepts the module. A module refused there is
//    unloaded at once and gets nothing else, not even Shutdown. Until it
//    returns, neither this module nor those after it receive events: a
//    command run from Initialize does not reach them.
//  - GetExtendedUserZORVANE (optional, suffixed name only) right after, then
//    GetModuleInfoZORVANE (optional): your name, version, one-line
//    description and command usage lines, shown by /modules and /help; then
//    GetModuleCommandsZORVANE (optional): the slash commands you answer,
//    each with one line of help. /help shows these instead of the usage
//    lines, and a word another loaded module or the client itself already
//    declares is named in a status line at load. Declaring changes no
//    dispatch: OnUserCommand still sees every word the client does not know.
//  - OnConnect comes when the server has signed the user on, before the
//    client prints "Connected to AIM server." and before it sends its own
//    sign-on commands (buddy list, toc_init_done): send your server state
//    (deny lists and the like) from there. Nothing you sent before survives
//    a reconnect.
//  - OnDisconnect comes after "Disconnected from AIM server.", also for a
//    sign-on that failed before OnConnect.
//  - An incoming message while away: OnServerCommand, the message shown,
//    OnSendIM for the away reply (automatic 1), OnSentIMZORVANE once it went
//    (later when automatic replies wait their turn), then OnReceiveIM.
//  - Shutdown once at exit, after the connection is gone: send nothing from
//    it. Save your files there; report one that could not be saved with
//    ReportSaveFailure (ExtendedHostServices), not with a printed line, so
//    that the closing window lists it. The library is released only after
//    the main window is destroyed, so Qt objects parented to the window may
//    use the module's code until then.
//  Every loaded module gets every event, in load order, whatever the others
//  return. Everything runs on the client's one thread; a service call may
//  call your entry points again before it returns (a message sent from
//  OnSendIM runs OnSendIM again). Events nested more than 64 deep reach no
//  module: a module that answers each event with another is stopped there.
//
// Texts
//  - Texts the client passes are valid only during the call; texts you pass
//    to a service are read during the call and copied. Never free one across
//    the boundary.
//  - Every name you send to the server in a command must be normalised
//    (NormalizeName in normalize_name.h) and should pass IsValidScreenName.
//  - Limits: a TOC command and a message text at most 2,047 characters
//    (longer ones are cut); one transcript line (PrintStatus, PrintText) at
//    most 4,095 bytes with its line end.
//  - SendCommand returns -1 and sends nothing while the client is not signed
//    on or the server has paused the connection; keep your own state and send
//    it again from OnConnect.
//  - GetOutputText is the whole transcript as shown: lines ended by CR LF,
//    status lines as "[hh:mm:ss] STATUS MESSAGE: text" (the time prefix only
//    when timestamps are on), messages as "<-bob:  text" and "bob->:  text"
//    (when the very first line was a message, the text begins with
//    "<HTML><BODY>"). It is null before the first line and emptied by /clear
//    and by auto-clearing.
//
// Data files
//  Keep them in the profile folder. It is the client's current directory
//  during every call, but do not rely on that: export SetProfileFolderZORVANE
//  and you are told its absolute path before Initialize.
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

// Handed only to modules that export GetExtendedUserZORVANE. Slots are only
// ever appended, never reordered: a module built against an older header
// keeps working; one that calls a newer slot needs a client at least as new
// as the header it was built against.
class ExtendedHostServices {
public:
    // Runs "/word arguments" through the client's commands and every module;
    // nonzero when some handler took it. Prints nothing when none did.
    virtual int RunCommand(const char* word, const char* arguments) = 0;
    // One of your data files could not be saved: its name as the user knows
    // it ("blocklst.cfg") and why (strerror's text, for instance), both
    // without a final full stop. The client shows "Could not save
    // blocklst.cfg: why." as a status line and on standard error; called
    // from Shutdown, the failure is also listed with the client's own in the
    // box the window shows as it closes. Without a file name it does nothing.
    virtual void ReportSaveFailure(const char* file, const char* why) = 0;

protected:
    ~ExtendedHostServices() = default;
};

// What a module may say about itself (GetModuleInfoZORVANE): shown by
// /modules and /help. Any field may be null. The client copies the texts
// right after Initialize accepted the module.
struct UserModuleInfo {
    const char* name;         // "Hello"
    const char* version;      // "1.0"
    const char* description;  // one line: what the module does
    // The module's slash commands, one usage line each, separated by "\n":
    // "/hello [name]: greets someone".
    const char* commands;
};

// One slash command a module answers (GetModuleCommandsZORVANE).
struct UserModuleCommand {
    // The word as typed after "/", matched without regard to case: "block".
    // 1 to 32 bytes, no blank, no "/", no control character.
    const char* word;
    // One line for /help, at most 256 bytes, no control character:
    // "/block NAME: blocks NAME". One that does not begin with the command
    // is shown after "/block: "; null or "" shows the command alone.
    const char* help;
};

// What GetModuleCommandsZORVANE returns. Fields are only ever appended, to
// this struct and to UserModuleCommand: `size` and `commandSize` say how big
// each was where the module was built, and the client reads the fields both
// sides know. Fill them with sizeof, or use QUENLO_USER_MODULE's .Commands.
struct UserModuleCommands {
    int size;         // sizeof(UserModuleCommands)
    int commandSize;  // sizeof(UserModuleCommand): the step between entries
    int count;        // entries in `commands`, at most MAX_MODULE_COMMANDS
    const UserModuleCommand* commands;
};

inline constexpr int MAX_USER_MODULES = 256;
inline constexpr int MAX_MODULE_COMMANDS = 64;

#if defined(__GNUC__)
#define USER_MODULE_EXPORT __attribute__((visibility("default")))
#else
#define USER_MODULE_EXPORT
#endif

extern "C" {
// Nonzero accepts the module; mainWindow is the client's main window (a
// QWidget*), valid until Shutdown returns.
USER_MODULE_EXPORT int Initialize(void* mainWindow, HostServices* host);
USER_MODULE_EXPORT int Shutdown();
// Every server message but SIGN_ON, ERROR and PAUSE, before the client
// handles it: its name ("IM_IN") and the text after the first colon.
USER_MODULE_EXPORT int OnServerCommand(const char* command, const char* arguments);
// A slash command the client does not know: the word without "/" (as typed)
// and the text after the first blank. Nonzero: handled.
USER_MODULE_EXPORT int OnUserCommand(const char* word, const char* arguments);
// Before every outgoing message (not yet escaped); automatic is 1 for away
// replies. Exactly -1 stops the message.
USER_MODULE_EXPORT int OnSendIM(const char* recipient, const char* text, int automatic);
// After an incoming message was shown; an automatic reply's sender ends in " AUTORESPONSE".
USER_MODULE_EXPORT int OnReceiveIM(const char* sender, const char* text);
USER_MODULE_EXPORT int OnConnect();
USER_MODULE_EXPORT int OnDisconnect();

// The same eight under their other accepted names.
USER_MODULE_EXPORT int InitializeZORVANE(void* mainWindow, HostServices* host);
USER_MODULE_EXPORT int ShutdownZORVANE();
USER_MODULE_EXPORT int OnServerCommandZORVANE(const char* command, const char* arguments);
USER_MODULE_EXPORT int OnUserCommandZORVANE(const char* word, const char* arguments);
USER_MODULE_EXPORT int OnSendIMZORVANE(const char* recipient, const char* text, int automatic);
USER_MODULE_EXPORT int OnReceiveIMZORVANE(const char* sender, const char* text);
USER_MODULE_EXPORT int OnConnectZORVANE();
USER_MODULE_EXPORT int OnDisconnectZORVANE();

// Optional, and only under these suffixed names.
// Called right after Initialize accepted the module.
USER_MODULE_EXPORT int GetExtendedUserZORVANE(ExtendedHostServices* host);
// Called after GetExtendedUserZORVANE; the result (or null) is copied at once.
USER_MODULE_EXPORT const UserModuleInfo* GetModuleInfoZORVANE();
// Called after GetModuleInfoZORVANE; null declares nothing. The entries are
// copied at once; a malformed one is ignored with a status line saying why.
USER_MODULE_EXPORT const UserModuleCommands* GetModuleCommandsZORVANE();
// Called before Initialize with the profile folder's absolute path.
USER_MODULE_EXPORT int SetProfileFolderZORVANE(const char* folder);
// Called once a message has really gone to the protocol library, with the
// text as sent (cut to what fit, not escaped): not for a message a module
// stopped, one refused while offline, or an automatic reply that never got
// its turn. An automatic reply may go some time after its OnSendIM.
USER_MODULE_EXPORT int OnSentIMZORVANE(const char* recipient, const char* text, int automatic);
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
typedef const UserModuleInfo* (*UserModuleGetInfoFn)();
typedef int (*UserModuleSetProfileFolderFn)(const char* folder);
typedef int (*UserModuleSentIMFn)(const char* recipient, const char* text, int automatic);
typedef const UserModuleCommands* (*UserModuleGetCommandsFn)();
}
