// Files named inside a folder the program was given, so that nothing depends
// on the process's working directory.
#pragma once

#include <string>
#include <string_view>

// `name` inside `folder`. An absolute name stays as it is; an empty folder
// means the working directory (the name as it is).
inline std::string PathInFolder(std::string_view folder, std::string_view name)
{
    if (folder.empty() || name.empty() || name.front() == '/')
        return std::string(name);
    std::string path(folder);
    if (path.back() != '/')
        path += '/';
    path += name;
    return path;
}
