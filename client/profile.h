// Where one user's files live: settings, buddy list, log, saved transcripts
// and the "modules" folder. The client names each file it keeps through
// this; it never relies on the working directory.
#pragma once

#include <string>
#include <string_view>

#include "path_in_folder.h"

struct Profile {
    // An absolute path; empty means the working directory.
    std::string folder;

    // A file of the profile; an absolute path the user typed stays as it is.
    std::string File(std::string_view name) const { return PathInFolder(folder, name); }
};
