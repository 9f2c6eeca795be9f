#include "block_file.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "atomic_file.h"
#include "block_list.h"
#include "settings_read.h"

namespace shun {

constexpr mode_t kNewFileMode = 0644;

BlockFileContents LoadBlockFile(const std::string& path)
{
    BlockFileContents contents;
    // One byte past the limit tells a file that is too big from one that fits.
    SettingsRead read = ReadSettingsFile(path, kMaxListBytes + 1);
    switch (read.outcome) {
    case SettingsRead::Outcome::Missing:
        contents.state = BlockFileState::Missing;
        break;
    case SettingsRead::Outcome::Unreadable:
        contents.state = BlockFileState::Unreadable;
        contents.why = std::move(read.why);
        break;
    case SettingsRead::Outcome::Read:
        if (read.bytes.size() > kMaxListBytes) {
            contents.state = BlockFileState::TooBig;
        } else {
            contents.state = BlockFileState::Loaded;
            contents.text = std::move(read.bytes);
        }
        break;
    }
    return contents;
}

std::string SaveBlockFile(const std::string& path, const std::string& text)
{
    switch (ReplaceFileKeepingMode(path, text, kNewFileMode)) {
    case FileWriteFailure::None:
        return {};
    case FileWriteFailure::NotRegular:
        return errno == EISDIR ? std::strerror(EISDIR) : "Not a regular file";
    case FileWriteFailure::Open:
    case FileWriteFailure::Write:
        break;
    }
    return std::strerror(errno != 0 ? errno : EIO);
}

}  // namespace shun
