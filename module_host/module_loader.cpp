// Finding, binding, initialising and releasing user modules.
#include <dlfcn.h>

#include <exception>
#include <filesystem>
#include <map>
#include <set>
#include <sys/stat.h>
#include <system_error>

#include "module_commands.h"
#include "normalize_name.h"
#include "user_module_host.h"
#include "visible_text.h"

namespace {

constexpr std::string_view kModulePrefix = "user_";
constexpr std::string_view kModuleSuffix = ".so";

// The eight required entry points, plain and suffixed, in record order.
constexpr const char* kPlainNames[] = {"Initialize", "Shutdown",    "OnServerCommand", "OnUserCommand",
                                       "OnSendIM",   "OnReceiveIM", "OnConnect",       "OnDisconnect"};
constexpr const char* kSuffixedNames[] = {"InitializeZORVANE",      "ShutdownZORVANE",    "OnServerCommandZORVANE",
                                          "OnUserCommandZORVANE",   "OnSendIMZORVANE",    "OnReceiveIMZORVANE",
                                          "OnConnectZORVANE",       "OnDisconnectZORVANE", "GetExtendedUserZORVANE"};
constexpr int kRequiredEntries = 8;

std::string FileNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

template <typename Fn>
void Store(void* address, Fn& slot)
{
    slot = reinterpret_cast<Fn>(address);
}

// Puts the entry point with this index of the record order into the record.
void StoreEntry(UserModule& module, int index, void* address)
{
    switch (index) {
    case 0: Store(address, module.Initialize); break;
    case 1: Store(address, module.Shutdown); break;
    case 2: Store(address, module.OnServerCommand); break;
    case 3: Store(address, module.OnUserCommand); break;
    case 4: Store(address, module.OnSendIM); break;
    case 5: Store(address, module.OnReceiveIM); break;
    case 6: Store(address, module.OnConnect); break;
    case 7: Store(address, module.OnDisconnect); break;
    default: Store(address, module.GetExtendedUser); break;
    }
}

// "Not loaded (MAX_USER_MODULES reached): a.so, b.so", cut to a length the
// transcript shows on a few lines.
std::string NotLoadedLine(const std::vector<std::string>& names)
{
    constexpr std::size_t kMaxListed = 2000;
    std::string line = "Not loaded (MAX_USER_MODULES reached): ";
    std::size_t listed = 0;
    for (const std::string& fileName : names) {
        const std::string name = VisibleText(fileName);
        if (listed > 0 && line.size() + name.size() > kMaxListed)
            break;
        line += (listed > 0 ? ", " : "") + name;
        ++listed;
    }
    if (listed < names.size())
        line += ", and " + std::to_string(names.size() - listed) + " more";
    return line + ".";
}

// "threw an exception", with what the exception says when it says something.
std::string ThrewText(const std::string& what)
{
    return what.empty() ? "threw an exception" : "threw an exception (" + what + ")";
}

void Release(UserModule& module)
{
    void* handle = module.handle;
    module = UserModule{};
    if (handle != nullptr)
        dlclose(handle);
}

}  // namespace

bool IsUserModuleFileName(std::string_view fileName)
{
    if (fileName.size() < kModulePrefix.size() + kModuleSuffix.size() || !fileName.ends_with(kModuleSuffix))
        return false;
    return EqualsIgnoringCase(fileName.substr(0, kModulePrefix.size()), kModulePrefix);
}

std::string CurrentExceptionText()
{
    constexpr std::size_t kMaxShown = 200;
    try {
        throw;
    } catch (const std::exception& error) {
        try {
            const char* what = error.what();
            return what != nullptr ? VisibleText(std::string_view(what).substr(0, kMaxShown)) : std::string();
        } catch (...) {
            return {};
        }
    } catch (...) {
        return {};
    }
}

UserModuleHost::~UserModuleHost()
{
    for (UserModule& module : userModules_)
        Release(module);
    for (void* handle : unloaded_)
        dlclose(handle);
}

void UserModuleHost::Attach(void* mainWindow, HostServices* services, ExtendedHostServices* extended,
                            StatusPrinter print)
{
    mainWindow_ = mainWindow;
    services_ = services;
    extended_ = extended;
    print_ = std::move(print);
}

void UserModuleHost::Print(std::string_view text)
{
    if (print_)
        print_(text);
}

void UserModuleHost::LoadUserModules(const std::vector<std::string>& folders, const std::string& standardFolder)
{
    // File name -> its folder (an earlier folder's file stays); and the names
    // the standard folder holds, which load first.
    std::map<std::string, std::string> found;
    std::set<std::string> standard;
    for (const std::string& folder : folders) {
        if (folder.empty())
            continue;
        std::error_code error;
        std::filesystem::directory_iterator entries(folder, error);
        if (error)
            continue;  // no such folder: nothing to load from it
        for (const std::filesystem::directory_entry& entry : entries) {
            std::string name = entry.path().filename().string();
            if (!IsUserModuleFileName(name))
                continue;
            if (folder == standardFolder)
                standard.insert(name);
            found.emplace(std::move(name), folder);
        }
    }
    std::vector<std::string> order(standard.begin(), standard.end());
    for (const auto& entry : found) {
        if (standard.count(entry.first) == 0)
            order.push_back(entry.first);
    }
    std::vector<std::string> notLoaded;
    for (const std::string& name : order) {
        if (userModuleCount_ >= MAX_USER_MODULES) {
            notLoaded.push_back(name);
            continue;
        }
        LoadModuleFile(found[name], name);
        if (userModuleCount_ >= MAX_USER_MODULES)
            Print("MAX_USER_MODULES reached.");
    }
    if (!notLoaded.empty())
        Print(NotLoadedLine(notLoaded));
}

void UserModuleHost::LoadModuleFile(const std::string& folder, const std::string& name)
{
    const std::string path = folder + "/" + name;
    // A file name is anybody's text: shown so it cannot pass for a line of the client's.
    const std::string shown = VisibleText(name);
    // dlopen would wait for ever on a FIFO and fail on a folder or a device:
    // only a regular file (through any links) is a library.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        Print("'" + shown + "' is not a regular file; skipped.");
        return;
    }
    // The same file under two names (a link) would be initialised twice.
    const std::pair<std::uint64_t, std::uint64_t> file{info.st_dev, info.st_ino};
    if (const auto loaded = loadedFiles_.find(file); loaded != loadedFiles_.end()) {
        Print("'" + shown + "' is the same library as '" + loaded->second + "'; skipped.");
        return;
    }
    if (LoadUserModule(path) == 0) {
        Print("'" + shown + "' is not a valid user module.");
        Print("Reason: " + refusal_);
        return;
    }
    loadedFiles_.emplace(file, shown);
    Print("Loaded user module '" + shown + "'.");
    for (const std::string& note : loadNotes_)
        Print(note);
    loadNotes_.clear();
}

void UserModuleHost::TakeDeclaredCommands(ModuleIdentity& identity, const UserModuleCommands* declared)
{
    DeclaredCommands read = ReadDeclaredCommands(declared);
    const std::string self = "'" + identity.fileName + "'";
    for (const std::string& refusal : read.refusals)
        loadNotes_.push_back("User module " + self + ": " + refusal + ".");
    if (read.commands.empty())
        return;  // its usage lines, if any, stay what /help shows
    identity.commands.clear();
    // The dispatch order decides who answers: the client's own commands
    // first, then every module in load order. A clash is only named.
    for (const DeclaredCommand& command : read.commands) {
        const std::string shown = "'/" + command.word + "'";
        identity.commandWords.push_back(command.word);
        bool client = false;
        for (const std::string& word : clientCommands_)
            client = client || EqualsIgnoringCase(word, command.word);
        if (client) {
            loadNotes_.push_back("User module " + self + " declares " + shown +
                                 ", a command of the client's own: the client answers it and no module sees it.");
            continue;  // never this module's: not in its help
        }
        identity.commands.push_back(command.help);
        for (const ModuleIdentity& earlier : identities_) {
            for (const std::string& word : earlier.commandWords) {
                if (!earlier.disabled && EqualsIgnoringCase(word, command.word))
                    loadNotes_.push_back("User modules '" + earlier.fileName + "' and " + self + " both declare " +
                                         shown + ": both are called for it, '" + earlier.fileName + "' first.");
            }
        }
    }
}

int UserModuleHost::LoadUserModule(const std::string& path)
{
    refusal_.clear();
    loadNotes_.clear();
    if (userModuleCount_ >= MAX_USER_MODULES) {
        refusal_ = "MAX_USER_MODULES reached.";
        return 0;
    }
    UserModule& module = userModules_[static_cast<std::size_t>(userModuleCount_)];
    module.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module.handle == nullptr) {
        const char* why = dlerror();
        refusal_ = DescribeLoadFailure(why != nullptr ? why : "it cannot be loaded", path);
        return 0;
    }
    // A library the process has loaded already (another path to it) is not
    // initialised a second time.
    for (int i = 0; i < userModuleCount_; ++i) {
        if (userModules_[static_cast<std::size_t>(i)].handle == module.handle) {
            refusal_ = "it is the same library as a module already loaded.";
            dlclose(module.handle);
            module.handle = nullptr;
            return 0;
        }
    }
    for (int i = 0; i < kRequiredEntries; ++i) {
        void* address = dlsym(module.handle, kPlainNames[i]);
        if (address == nullptr)
            address = dlsym(module.handle, kSuffixedNames[i]);
        if (address == nullptr) {
            refusal_ = std::string("it exports neither ") + kPlainNames[i] + " nor " + kSuffixedNames[i] + ".";
            Release(module);
            return 0;
        }
        StoreEntry(module, i, address);
    }
    // From here the module's own code runs: what it leaves behind (a Qt
    // object parented to the window) may still need that code, so a module
    // refused from here on is released only at the end.
    const auto refuse = [&](std::string why) {
        refusal_ = std::move(why);
        unloaded_.push_back(module.handle);
        module = UserModule{};
        return 0;
    };
    // Which entry point is running, for the line when one throws.
    const char* running = "SetProfileFolderZORVANE";
    try {
        const auto tellFolder =
            reinterpret_cast<UserModuleSetProfileFolderFn>(dlsym(module.handle, "SetProfileFolderZORVANE"));
        if (tellFolder != nullptr)
            tellFolder(profileFolder_.c_str());
        running = "Initialize";
        if (module.Initialize(mainWindow_, services_) == 0)
            return refuse("its Initialize returned 0.");
        if (void* address = dlsym(module.handle, kSuffixedNames[kRequiredEntries]); address != nullptr) {
            StoreEntry(module, kRequiredEntries, address);
            running = "GetExtendedUserZORVANE";
            module.GetExtendedUser(extended_);
        }
        running = "GetModuleInfoZORVANE";
        ModuleIdentity identity = ReadModuleIdentity(module.handle, FileNameOf(path));
        running = "GetModuleCommandsZORVANE";
        const auto getCommands =
            reinterpret_cast<UserModuleGetCommandsFn>(dlsym(module.handle, "GetModuleCommandsZORVANE"));
        TakeDeclaredCommands(identity, getCommands != nullptr ? getCommands() : nullptr);
        identities_.push_back(std::move(identity));
        module.OnSentIM = reinterpret_cast<UserModuleSentIMFn>(dlsym(module.handle, "OnSentIMZORVANE"));
    } catch (...) {
        return refuse(std::string("its ") + running + " " + ThrewText(CurrentExceptionText()) + ".");
    }
    ++userModuleCount_;
    return 1;
}

void UserModuleHost::Disable(int index, const char* entry, const std::string& what)
{
    UserModule& module = userModules_[static_cast<std::size_t>(index)];
    if (module.handle == nullptr)
        return;
    unloaded_.push_back(module.handle);
    module = UserModule{};
    ModuleIdentity& identity = identities_[static_cast<std::size_t>(index)];
    identity.disabled = true;
    Print("User module '" + identity.fileName + "' is disabled: its " + entry + " " + ThrewText(what) + ".");
}

void UserModuleHost::UnloadUserModules()
{
    for (int i = 0; i < userModuleCount_; ++i) {
        UserModule& module = userModules_[static_cast<std::size_t>(i)];
        if (module.handle == nullptr)
            continue;
        try {
            module.Shutdown();
        } catch (...) {
            Print("User module '" + identities_[static_cast<std::size_t>(i)].fileName + "' " +
                  ThrewText(CurrentExceptionText()) + " from its Shutdown.");
        }
        // (Unless a call it made during its Shutdown got it disabled.)
        if (module.handle != nullptr) {
            unloaded_.push_back(module.handle);
            module = UserModule{};
        }
    }
}
