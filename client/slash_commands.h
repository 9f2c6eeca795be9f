// The client's own slash commands: one table of word, handler and usage line.
// A typed word is matched against it without regard to case, in table order;
// a word nobody here knows is offered to the user modules.
#pragma once

#include <span>
#include <string_view>

struct ClientContext;

struct SlashCommand {
    std::string_view word;
    void (*run)(ClientContext& ctx, std::string_view argument);
    std::string_view usage;  // one line for /help
};

std::span<const SlashCommand> ClientSlashCommands();

// Nonzero when a command of the table or a module took the word.
int RunSlashCommand(ClientContext& ctx, std::string_view word, std::string_view argument);
