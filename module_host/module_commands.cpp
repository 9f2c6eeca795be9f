#include "module_commands.h"

#include <cstddef>
#include <cstring>

#include "normalize_name.h"
#include "visible_text.h"

namespace {

// The fields of the first version of each struct, the least a module must give.
constexpr int kHeaderFields = static_cast<int>(offsetof(UserModuleCommands, commands) + sizeof(void*));
constexpr int kEntryFields = static_cast<int>(sizeof(UserModuleCommand));

// The text at `text`, reading at most limit + 1 bytes: longer means too long.
std::string_view Bounded(const char* text, std::size_t limit)
{
    return text != nullptr ? std::string_view(text, strnlen(text, limit + 1)) : std::string_view();
}

bool Shows(std::string_view text)
{
    return VisibleText(text) == text;
}

// Why the header cannot be read, or empty.
std::string HeaderFault(const UserModuleCommands& header)
{
    if (header.size < kHeaderFields)
        return "its size field is " + std::to_string(header.size) + ", less than the " +
               std::to_string(kHeaderFields) + " this client reads";
    if (header.commandSize < kEntryFields || header.commandSize > kMaxCommandEntrySize)
        return "its command size is " + std::to_string(header.commandSize) + ", not between " +
               std::to_string(kEntryFields) + " and " + std::to_string(kMaxCommandEntrySize);
    if (header.count < 0 || header.count > MAX_MODULE_COMMANDS)
        return "its count is " + std::to_string(header.count) + ", not between 0 and " +
               std::to_string(MAX_MODULE_COMMANDS);
    if (header.count > 0 && header.commands == nullptr)
        return "its list of " + std::to_string(header.count) + " commands is null";
    return {};
}

// The help line as /help shows it: beginning with "/word".
std::string HelpLine(std::string_view word, std::string_view help)
{
    const std::string command = "/" + std::string(word);
    if (help.empty())
        return command;
    const std::string_view head = help.substr(0, command.size());
    const std::string_view rest = help.substr(head.size());
    if (EqualsIgnoringCase(head, command) && (rest.empty() || rest[0] == ' ' || rest[0] == ':'))
        return std::string(help);
    return command + ": " + std::string(help);
}

// Why this entry is left out, or empty.
std::string EntryFault(std::string_view word, std::string_view help, const std::vector<DeclaredCommand>& kept)
{
    if (word.empty())
        return "it has no word";
    const std::string shown = "'/" + VisibleText(word.substr(0, kMaxCommandWord)) + "'";
    if (word.size() > kMaxCommandWord)
        return shown + "... is longer than " + std::to_string(kMaxCommandWord) + " bytes";
    if (!Shows(word) || word.find_first_of(" /") != std::string_view::npos)
        return shown + " holds a blank, a '/' or a control character";
    if (help.size() > kMaxCommandHelp)
        return "the help of " + shown + " is longer than " + std::to_string(kMaxCommandHelp) + " bytes";
    if (!Shows(help))
        return "the help of " + shown + " holds a control character";
    for (const DeclaredCommand& earlier : kept) {
        if (EqualsIgnoringCase(earlier.word, word))
            return shown + " is declared twice";
    }
    return {};
}

}  // namespace

DeclaredCommands ReadDeclaredCommands(const UserModuleCommands* declared)
{
    DeclaredCommands out;
    if (declared == nullptr)
        return out;
    // The size first: only then is it known how much may be read. Of a
    // newer module's larger header, the fields this client knows.
    UserModuleCommands header{};
    std::memcpy(&header.size, &declared->size, sizeof header.size);
    if (header.size >= kHeaderFields)
        std::memcpy(&header, declared, sizeof header);
    if (std::string fault = HeaderFault(header); !fault.empty()) {
        out.refusals.push_back("its declared commands are ignored: " + fault);
        return out;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(header.commands);
    for (int i = 0; i < header.count; ++i) {
        UserModuleCommand entry{};
        std::memcpy(&entry, bytes + static_cast<std::size_t>(i) * static_cast<std::size_t>(header.commandSize),
                    sizeof entry);
        const std::string_view word = Bounded(entry.word, kMaxCommandWord);
        const std::string_view help = Bounded(entry.help, kMaxCommandHelp);
        if (std::string fault = EntryFault(word, help, out.commands); !fault.empty()) {
            out.refusals.push_back("declared command " + std::to_string(i + 1) + " ignored: " + fault);
            continue;
        }
        out.commands.push_back({std::string(word), HelpLine(word, help)});
    }
    return out;
}
