// blocklst.cfg: read at start-up, replaced atomically at exit.
#pragma once

#include <string>

namespace shun {

inline constexpr const char* kBlockFileName = "blocklst.cfg";
inline constexpr long kMaxBlockFileSize = 8191;  // a larger file is refused

enum class BlockFileState {
    Missing,     // no file: an empty list, written at exit
    Loaded,
    TooBig,      // refused: the list starts empty and the file is kept
    Unreadable,  // exists but cannot be read: likewise kept
};

struct BlockFileContents {
    BlockFileState state = BlockFileState::Missing;
    std::string text;  // CR LF and LF both become LF
};

BlockFileContents LoadBlockFile(const std::string& path);
// Replaces the file (or the file a symbolic link names) through a temporary
// file and a rename; on failure the old file stays as it was.
bool SaveBlockFile(const std::string& path, const std::string& text);

}  // namespace shun
