// What a loaded module says about itself (its optional GetModuleInfoZORVANE),
// copied into the client when the module is accepted, and the texts the
// loader shows about modules.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ModuleIdentity {
    std::string fileName;  // "user_hello.so"
    std::string name;      // the rest are empty when the module says nothing
    std::string version;
    std::string description;
    std::vector<std::string> commands;  // one usage line each
    std::vector<std::string> commandWords;  // the words it declares, as declared
    bool disabled = false;              // taken out after one of its entry points threw
};

// Asks the library (already accepted by its Initialize) for its info. Each
// text becomes one line: cut to kMaxIdentityText, its control bytes shown
// as VisibleText does; at most kMaxModuleCommands usage lines are kept. The
// file name is kept in the same visible form.
ModuleIdentity ReadModuleIdentity(void* handle, std::string fileName);

inline constexpr std::size_t kMaxIdentityText = 256;
inline constexpr std::size_t kMaxModuleCommands = 64;

// "user_hello.so: Hello 1.0 - Greets whoever you name." (as much as is
// known), and " (disabled)" after a disabled module.
std::string DescribeModule(const ModuleIdentity& identity);

// Why dlopen refused a library, for the user: dlerror's text with the
// library's path shortened to its file name and an undefined C++ symbol
// shown as its declaration.
std::string DescribeLoadFailure(std::string_view dlerrorText, const std::string& path);
