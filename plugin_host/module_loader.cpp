// Finding, binding, initialising and releasing user modules.
#include <dlfcn.h>

#include <filesystem>
#include <map>
#include <system_error>

#include "normalize_name.h"
#include "user_module_host.h"

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

void UserModuleHost::LoadUserModules(const std::vector<std::string>& folders)
{
    // File name -> its folder; byte order of the names is the load order.
    std::map<std::string, std::string> found;
    for (const std::string& folder : folders) {
        if (folder.empty())
            continue;
        std::error_code error;
        std::filesystem::directory_iterator entries(folder, error);
        if (error)
            continue;  // no such folder: nothing to load from it
        for (const std::filesystem::directory_entry& entry : entries) {
            std::string name = entry.path().filename().string();
            if (!IsUserModuleFileName(name) || entry.is_directory(error))
                continue;
            found.emplace(std::move(name), folder);  // an earlier folder's file stays
        }
    }
    for (const auto& [name, folder] : found) {
        if (userModuleCount_ >= MAX_USER_MODULES)
            break;
        if (LoadUserModule(folder + "/" + name) == 0) {
            Print("'" + name + "' is not a valid user module.");
            Print("Reason: " + refusal_);
        } else
            Print("Loaded user module '" + name + "'.");
        if (userModuleCount_ >= MAX_USER_MODULES) {
            Print("MAX_USER_MODULES reached.");
            break;
        }
    }
}

int UserModuleHost::LoadUserModule(const std::string& path)
{
    refusal_.clear();
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
    const auto tellFolder =
        reinterpret_cast<UserModuleSetProfileFolderFn>(dlsym(module.handle, "SetProfileFolderZORVANE"));
    if (tellFolder != nullptr)
        tellFolder(profileFolder_.c_str());
    if (module.Initialize(mainWindow_, services_) == 0) {
        refusal_ = "its Initialize returned 0.";
        // Its Initialize ran: what it left behind (a Qt object parented to
        // the window) may still need its code, so release it at the end too.
        unloaded_.push_back(module.handle);
        module = UserModule{};
        return 0;
    }
    if (void* address = dlsym(module.handle, kSuffixedNames[kRequiredEntries]); address != nullptr) {
        StoreEntry(module, kRequiredEntries, address);
        module.GetExtendedUser(extended_);
    }
    identities_.push_back(ReadModuleIdentity(module.handle, FileNameOf(path)));
    ++userModuleCount_;
    return 1;
}

void UserModuleHost::UnloadUserModules()
{
    for (int i = 0; i < userModuleCount_; ++i) {
        UserModule& module = userModules_[static_cast<std::size_t>(i)];
        if (module.handle == nullptr)
            continue;
        module.Shutdown();
        unloaded_.push_back(module.handle);
        module = UserModule{};
    }
}
