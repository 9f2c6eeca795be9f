// blocklst.cfg: read at start-up, replaced atomically each time the list
// changes. Its bytes are kept as they are: a line the module does not change
// is written back unchanged.
#pragma once

#include <string>

namespace shun {

inline constexpr const char* kBlockFileName = "blocklst.cfg";

enum class BlockFileState {
    Missing,     // no file: an empty list, and the file is created at the first change
    Loaded,
    TooBig,      // refused: the list starts empty and the file is kept
    Unreadable,  // there but cannot be read (a folder, a FIFO, a link loop...): likewise kept
};

struct BlockFileContents {
    BlockFileState state = BlockFileState::Missing;
    std::string text;  // the file's bytes (Loaded)
    std::string why;   // why it could not be read (Unreadable)
};

BlockFileContents LoadBlockFile(const std::string& path);
// Replaces the file (or the file a symbolic link names) through a temporary
// file and a rename; on failure the old file stays as it was and the result
// says why. Empty when saved.
std::string SaveBlockFile(const std::string& path, const std::string& text);

}  // namespace shun
