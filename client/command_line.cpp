#include "command_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

CommandLine ParseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine result;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            result.action = CommandLine::Action::Help;
            return result;
        }
        if (argument == "--version") {
            result.action = CommandLine::Action::Version;
            return result;
        }
        if (argument == "--startup-check") {
            result.startupCheck = true;
            continue;
        }
        if (argument == "--dir" || argument.rfind("--dir=", 0) == 0) {
            std::string value;
            if (argument == "--dir") {
                if (i + 1 >= arguments.size()) {
                    result.action = CommandLine::Action::Error;
                    result.error = "--dir needs a folder";
                    return result;
                }
                value = arguments[++i];
            } else {
                value = argument.substr(6);
            }
            if (value.empty()) {
                result.action = CommandLine::Action::Error;
                result.error = "--dir needs a folder";
                return result;
            }
            result.profileDir = value;
            continue;
        }
        result.action = CommandLine::Action::Error;
        result.error = "unknown argument '" + argument + "'";
        return result;
    }
    return result;
}

std::string UsageText()
{
    return "Usage: quenlo [--dir DIR] [--startup-check] [--help] [--version]\n"
           "An instant-messaging client for TOC servers.\n\n"
           "  --dir DIR          keep settings, buddy list, log and modules in DIR\n"
           "                     (default: $XDG_CONFIG_HOME/quenlo, or ~/.config/quenlo)\n"
           "  --startup-check    start, print the start-up time and what the start-up\n"
           "                     showed in the transcript, then exit\n"
           "  --help             show this text\n"
           "  --version          show the version\n";
}

std::string DefaultProfileDir()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/')
        return std::string(xdg) + "/quenlo";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr && home[0] != '\0' ? home : ".") + "/.config/quenlo";
}

std::string EnterProfileDir(const std::string& dir, std::string& folder)
{
    // Create each missing component; the folder itself is private.
    for (std::size_t slash = dir.find('/', 1); ; slash = dir.find('/', slash + 1)) {
        const std::string part = dir.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return "Cannot create the folder '" + part + "': " + std::strerror(errno);
        if (slash == std::string::npos)
            break;
    }
    if (::chdir(dir.c_str()) != 0)
        return "Cannot use the folder '" + dir + "': " + std::strerror(errno);
    // Read back once there: a relative DIR and symbolic links resolved.
    std::error_code error;
    folder = std::filesystem::current_path(error).string();
    if (error || folder.empty() || folder.front() != '/')
        return "Cannot use the folder '" + dir + "': " + error.message();
    return {};
}
