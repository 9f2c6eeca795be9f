// Reading a settings file (userinfo.cfg, blist.cfg, blocklst.cfg) so that
// only a missing file counts as missing. A file that is there but cannot be
// read (permission, I/O error, a folder, a FIFO or a device under the name)
// must never be replaced by defaults at exit: its reader gets Unreadable and
// a reason, says so, runs on with defaults and leaves the file alone.
// Standard library and POSIX only, so every separately built part can link
// its own copy.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

#include "file_ops.h"

struct SettingsRead {
    enum class Outcome { Read, Missing, Unreadable };
    Outcome outcome = Outcome::Missing;
    std::string bytes;  // what was read (Read only)
    std::string why;    // the reason (Unreadable only), e.g. "Permission denied"
};

// Reads at most `limit` bytes. Never blocks on a FIFO; follows symbolic
// links (a dangling link is a missing file, a loop is unreadable). The file
// is opened through `files`.
SettingsRead ReadSettingsFile(const std::string& path,
                              std::size_t limit = std::numeric_limits<std::size_t>::max(),
                              FileOps& files = SystemFileOps());

// "Cannot read <file>: <why>." for the transcript.
std::string CannotReadMessage(std::string_view fileName, std::string_view why);

