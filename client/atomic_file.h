// Replacing a file so that a crash or a full disk never leaves it half
// written: a temporary file in the same folder, written, synced, renamed.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

// On failure the old file is untouched and no temporary file is left; errno tells why.
bool WriteFileAtomically(const std::string& path, std::string_view data, mode_t mode);

// Tests run as root, where permissions never make a write fail: this makes
// the next write fail with the given errno after the temporary file exists.
void FailNextAtomicWriteForTesting(int error);
