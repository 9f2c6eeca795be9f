// The slash commands a module declares (its optional
// GetModuleCommandsZORVANE), checked and copied when the module is accepted.
// A declaration is the module's own text: whatever it holds, reading it
// stays inside the bounds it states and the limits here.
#pragma once

#include <string>
#include <vector>

#include "user_module.h"

struct DeclaredCommand {
    std::string word;  // as declared: "block"
    std::string help;  // the line /help shows: "/block NAME: blocks NAME"
};

struct DeclaredCommands {
    std::vector<DeclaredCommand> commands;
    // Why an entry, or the whole declaration, was ignored: one line each,
    // without the module's name ("declared command 3 ignored: it has no word").
    std::vector<std::string> refusals;
};

inline constexpr std::size_t kMaxCommandWord = 32;
inline constexpr std::size_t kMaxCommandHelp = 256;
// Entries are read in steps of the module's commandSize, at most this big.
inline constexpr int kMaxCommandEntrySize = 1024;

// Null declares nothing. An entry that breaks a rule of UserModuleCommand
// (or repeats an earlier word in another case) is left out with a refusal;
// a header whose sizes or count cannot be right is ignored whole.
DeclaredCommands ReadDeclaredCommands(const UserModuleCommands* declared);
