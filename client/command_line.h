// quenlo [--dir DIR] [--startup-check] [--help] [--version]
#pragma once

#include <string>
#include <vector>

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    std::string profileDir;  // empty: the default profile folder
    // Once the window is up: print the start-up time and what the start-up
    // showed in the transcript, then close (install checks, the benchmark).
    bool startupCheck = false;
    std::string error;
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);
std::string UsageText();

// $XDG_CONFIG_HOME/quenlo, or ~/.config/quenlo.
std::string DefaultProfileDir();
// Creates the folder (and its parents) with mode 0700 where missing, makes
// it the current directory (user modules are promised that) and gives its
// absolute path in `folder`. On failure returns a message for the user.
std::string EnterProfileDir(const std::string& dir, std::string& folder);
