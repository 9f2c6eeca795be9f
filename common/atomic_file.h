// Replacing a file so that a crash or a full disk never leaves it half
// written: a temporary file in the same folder, written, synced, renamed.
// A symbolic link is written through: the temporary file goes beside the
// link's final target and is renamed onto it, so the link stays. Anything
// but a regular file at the target (a folder, a FIFO, a device) is left alone.
// Standard library and POSIX only.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

#include "file_ops.h"

// Where a replacement stopped: it could not start (no temporary file, a
// link that leads nowhere usable), something other than a regular file is
// there (NotRegular), or it failed while writing, syncing or renaming.
enum class FileWriteFailure { None, Open, NotRegular, Write };

// On failure the old file is untouched and no temporary file is left; errno
// tells why (EISDIR for a folder, EINVAL for another non-regular file). The
// temporary file is written and synced through `files`. The file gets `mode`.
FileWriteFailure ReplaceFile(const std::string& path, std::string_view data, mode_t mode,
                             FileOps& files = SystemFileOps());
// The same, except that a file already there keeps its mode (a list the user
// made private stays private); only a new file gets `newFileMode`.
FileWriteFailure ReplaceFileKeepingMode(const std::string& path, std::string_view data, mode_t newFileMode,
                                        FileOps& files = SystemFileOps());
inline bool WriteFileAtomically(const std::string& path, std::string_view data, mode_t mode,
                                FileOps& files = SystemFileOps())
{
    return ReplaceFile(path, data, mode, files) == FileWriteFailure::None;
}

// The file a write to `path` lands in: symbolic links followed, relative
// targets taken from the link's folder; a missing last link is where the
// file will be created. False (errno set) for a loop or an unreadable link.
bool ResolveWriteTarget(const std::string& path, std::string& target);

// Removes the temporary files replacements of `path` cut short (the process
// killed between writing and renaming) left beside the file: regular files
// named ".name." and six characters, as the replacement makes them.
void RemoveLeftTemporaries(const std::string& path);

