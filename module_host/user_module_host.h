// The user modules of one client: the loader that finds and binds them, the
// table that keeps them in load order, and the six dispatch operations that
// give every loaded module its turn at each event. Knows only the module
// contract: the client hands it its two service objects and a status printer.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <utility>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "module_identity.h"
#include "user_module.h"

// One loaded module: its library handle (null when free or released) and its
// entry points in binding order.
struct UserModule {
    void* handle = nullptr;
    UserModuleInitializeFn Initialize = nullptr;
    UserModuleShutdownFn Shutdown = nullptr;
    UserModuleServerCommandFn OnServerCommand = nullptr;
    UserModuleUserCommandFn OnUserCommand = nullptr;
    UserModuleSendIMFn OnSendIM = nullptr;
    UserModuleReceiveIMFn OnReceiveIM = nullptr;
    UserModuleConnectFn OnConnect = nullptr;
    UserModuleDisconnectFn OnDisconnect = nullptr;
    UserModuleGetExtendedFn GetExtendedUser = nullptr;
    UserModuleSentIMFn OnSentIM = nullptr;  // optional: OnSentIMZORVANE
};

class UserModuleHost {
public:
    using StatusPrinter = std::function<void(std::string_view)>;

    UserModuleHost() = default;
    UserModuleHost(const UserModuleHost&) = delete;
    UserModuleHost& operator=(const UserModuleHost&) = delete;
    // Releases every library: those UnloadUserModules shut down, and those
    // still loaded (without calling Shutdown).
    ~UserModuleHost();

    // What every module is given, and where the loader's lines go. Set before loading.
    void Attach(void* mainWindow, HostServices* services, ExtendedHostServices* extended, StatusPrinter print);
    // The client's own command words: a module declaring one of them is
    // told at load that the client answers it.
    void SetClientCommands(std::vector<std::string> words) { clientCommands_ = std::move(words); }
    // The profile folder's absolute path, told to modules that ask for it.
    void SetProfileFolder(std::string folder) { profileFolder_ = std::move(folder); }

    // Loads every "user_*.so" (prefix in any case) from the folders; a name
    // in an earlier folder hides the same name in a later one. The names
    // found in standardFolder (the installed standard modules) load first,
    // then the others, each group in file name order, so no number of other
    // modules can push the standard ones past MAX_USER_MODULES. Only regular
    // files (or links to them) are loaded, and one file only once.
    void LoadUserModules(const std::vector<std::string>& folders, const std::string& standardFolder = {});
    // 1 loaded, 0 refused (the record stays free for the next one); the
    // loader shows why under the refusal's line.
    int LoadUserModule(const std::string& path);
    // Shutdown for each module, in load order; from then on no event reaches
    // them. Their libraries stay mapped until this host is destroyed: Qt
    // objects a module parented to the main window run the module's code
    // when the window destroys them, so the host must outlive the window.
    void UnloadUserModules();

    void DispatchServerCommand(const char* command, const char* arguments);
    int DispatchUserCommand(const char* word, const char* arguments);       // 1 if a module took it
    int DispatchSendIM(const char* recipient, const char* text, bool automatic);  // -1: vetoed
    void DispatchReceiveIM(const char* sender, const char* text);
    // A message went to the protocol library (only modules that export OnSentIMZORVANE).
    void DispatchSentIM(const char* recipient, const char* text, bool automatic);
    void DispatchConnect();
    void DispatchDisconnect();

    // Modules loaded at start-up, the disabled ones included.
    int LoadedCount() const { return userModuleCount_; }
    // What each loaded module says about itself, in load order.
    const std::vector<ModuleIdentity>& Identities() const { return identities_; }

    // Dispatches nest when a module's service call leads to another event; a
    // module that answers every event with another would never end, so
    // beyond this depth an event reaches nobody (and a message is not sent).
    static constexpr int kMaxNesting = 64;

private:
    // Runs call(module) for every module still loaded, in load order; false
    // when the nesting limit kept the event from every module. A module
    // whose entry point throws is disabled.
    template <typename Call>
    bool ForEachModule(const char* entry, Call call);
    // Takes the module in record `index` out for the rest of the run, with
    // a line naming it: it gets no further calls, Shutdown included (its
    // library stays mapped until the end, its code may still be running).
    void Disable(int index, const char* entry, const std::string& what);
    void Print(std::string_view text);
    // Loads one file found by LoadUserModules, with its status line.
    void LoadModuleFile(const std::string& folder, const std::string& name);
    // Takes the commands a module declares into its identity; what was
    // ignored and which words another claims go to loadNotes_.
    void TakeDeclaredCommands(ModuleIdentity& identity, const UserModuleCommands* declared);

    // Which module file (device, inode) is loaded under which name.
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::string> loadedFiles_;
    std::array<UserModule, MAX_USER_MODULES> userModules_{};
    int userModuleCount_ = 0;
    int nesting_ = 0;
    void* mainWindow_ = nullptr;
    HostServices* services_ = nullptr;
    ExtendedHostServices* extended_ = nullptr;
    StatusPrinter print_;
    std::string profileFolder_;
    std::string refusal_;
    // Lines about the module being loaded, shown after its "Loaded" line.
    std::vector<std::string> loadNotes_;
    std::vector<std::string> clientCommands_;
    std::vector<ModuleIdentity> identities_;
    // Libraries whose code ran (Shutdown done, or refused by Initialize),
    // released only by the destructor.
    std::vector<void*> unloaded_;
};

// Inside a catch block: what the exception being handled says about itself,
// cut and with its control bytes shown ("" when it is no std::exception).
std::string CurrentExceptionText();

// Whether a file name is a module's: "user_" in any case, then anything, ".so".
bool IsUserModuleFileName(std::string_view fileName);
