// A TOC1 server's permit/deny state as the commands a client sends change
// it: deny mode (the start: nobody denied) or permit mode, and one list.
//   toc_add_permit NAMES: from deny mode, permit mode with an empty list
//     first; then the names are added. Bare in deny mode: permit nobody.
//   toc_add_deny NAMES: the same the other way round. Bare in permit mode:
//     deny nobody.
// A bare command in its own mode changes nothing.
#pragma once

#include <set>
#include <sstream>
#include <string>
#include <string_view>

#include "normalize_name.h"

struct PrivacyModel {
    bool permitMode = false;
    std::set<std::string> list;

    // Applies one command; false for every command that is not a privacy one.
    bool Apply(std::string_view command)
    {
        std::istringstream words{std::string(command)};
        std::string word;
        words >> word;
        const bool permit = word == "toc_add_permit";
        if (!permit && word != "toc_add_deny")
            return false;
        if (permit != permitMode) {
            permitMode = permit;
            list.clear();
        }
        for (std::string name; words >> name;)
            list.insert(NormalizeName(name));
        return true;
    }

    bool Denies(std::string_view name) const
    {
        return list.contains(NormalizeName(name)) != permitMode;
    }

    // The steps inside one change that leave the server between states: a
    // permit (the start of an unblock) and a bare deny (its middle).
    static bool IsUnfinishedStep(std::string_view command)
    {
        return command.starts_with("toc_add_permit") || command == "toc_add_deny";
    }

    // The recipient of an automatic reply; empty for any other command.
    static std::string AutomaticRecipient(std::string_view command)
    {
        if (!command.starts_with("toc_send_im ") || !command.ends_with(" auto"))
            return {};
        command.remove_prefix(12);
        return NormalizeName(command.substr(0, command.find(' ')));
    }
};
