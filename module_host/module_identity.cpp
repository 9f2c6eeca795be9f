#include "module_identity.h"

#include <cxxabi.h>
#include <dlfcn.h>

#include <cstdlib>

#include "user_module.h"
#include "visible_text.h"

namespace {

// One line from at most `room` bytes of the text, its control bytes shown.
std::string OneLine(std::string_view text, std::size_t room = kMaxIdentityText)
{
    return VisibleText(text.substr(0, room));
}

std::string_view View(const char* text)
{
    return text != nullptr ? std::string_view(text) : std::string_view();
}

std::vector<std::string> UsageLines(std::string_view commands)
{
    std::vector<std::string> lines;
    while (!commands.empty() && lines.size() < kMaxModuleCommands) {
        const std::size_t end = commands.find('\n');
        const std::string_view usage = commands.substr(0, end);
        if (usage.find_first_not_of(" \t\r") != std::string_view::npos)
            lines.push_back(OneLine(usage));
        if (end == std::string_view::npos)
            break;
        commands.remove_prefix(end + 1);
    }
    return lines;
}

std::string Demangled(const std::string& symbol)
{
    int status = 0;
    char* readable = abi::__cxa_demangle(symbol.c_str(), nullptr, nullptr, &status);
    std::string out = status == 0 && readable != nullptr ? readable : symbol;
    std::free(readable);
    return out;
}

}  // namespace

ModuleIdentity ReadModuleIdentity(void* handle, std::string fileName)
{
    ModuleIdentity identity;
    identity.fileName = VisibleText(fileName);
    const auto getInfo = reinterpret_cast<UserModuleGetInfoFn>(dlsym(handle, "GetModuleInfoZORVANE"));
    const UserModuleInfo* info = getInfo != nullptr ? getInfo() : nullptr;
    if (info == nullptr)
        return identity;
    identity.name = OneLine(View(info->name));
    identity.version = OneLine(View(info->version));
    identity.description = OneLine(View(info->description));
    identity.commands = UsageLines(View(info->commands));
    return identity;
}

std::string DescribeModule(const ModuleIdentity& identity)
{
    std::string out = identity.fileName;
    std::string title = identity.name;
    if (!identity.version.empty())
        title += (title.empty() ? "" : " ") + identity.version;
    if (!title.empty())
        out += ": " + title;
    if (!identity.description.empty())
        out += (title.empty() ? ": " : " - ") + identity.description;
    if (identity.disabled)
        out += " (disabled)";
    return out;
}

std::string DescribeLoadFailure(std::string_view dlerrorText, const std::string& path)
{
    std::string text(dlerrorText);
    if (const std::size_t at = text.find(path); at != std::string::npos && !path.empty())
        text.replace(at, path.size(), path.substr(path.rfind('/') + 1));
    constexpr std::string_view kUndefined = "undefined symbol: ";
    if (const std::size_t at = text.find(kUndefined); at != std::string::npos) {
        const std::size_t start = at + kUndefined.size();
        const std::size_t end = text.find_first_of(" \t,", start);
        const std::string symbol = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        text.replace(start, symbol.size(), Demangled(symbol));
    }
    return OneLine(text, 1024);
}
