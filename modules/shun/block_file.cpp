#include "block_file.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdlib>
#include <string_view>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "block_list.h"
#include "settings_read.h"

namespace shun {

namespace {

constexpr mode_t kNewFileMode = 0644;

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The file the save replaces: a symbolic link's target, so the link stays.
// Empty when the target is something other than a regular file.
std::string SaveTarget(const std::string& path)
{
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) {
        if (errno != ENOENT)
            return {};  // a loop, or a folder that cannot be searched
        // A dangling link: the file it names is created.
        char target[PATH_MAX];
        const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
        if (n <= 0)
            return {};
        target[n] = '\0';
        const std::string named(target, static_cast<std::size_t>(n));
        return named.front() == '/' ? named : FolderOf(path) + "/" + named;
    }
    if (stat(resolved, &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    return resolved;
}

}  // namespace

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

void RemoveLeftTemporaries(const std::string& path)
{
    const std::string target = SaveTarget(path);
    if (target.empty())
        return;
    const std::string folder = FolderOf(target);
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return;
    constexpr std::string_view kPrefix = ".blocklst.cfg.";
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        // The names mkostemp makes from the pattern SaveBlockFile uses.
        if (name.size() != kPrefix.size() + 6 || !name.starts_with(kPrefix))
            continue;
        const std::string file = folder + "/" + std::string(name);
        if (struct stat info {}; lstat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            unlink(file.c_str());
    }
    closedir(dir);
}

std::string SaveBlockFile(const std::string& path, const std::string& text)
{
    errno = 0;
    const std::string target = SaveTarget(path);
    if (target.empty())
        return errno != 0 ? std::strerror(errno) : "Not a regular file";
    mode_t mode = kNewFileMode;
    if (struct stat info {}; stat(target.c_str(), &info) == 0) {
        // A folder, a FIFO or a device under the name is left alone.
        if (!S_ISREG(info.st_mode))
            return S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "Not a regular file";
        mode = info.st_mode & 07777;
    }
    const std::string folder = FolderOf(target);
    std::string temp = folder + "/.blocklst.cfg.XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    errno = 0;
    bool ok = WriteAll(fd, text) && fsync(fd) == 0 && fchmod(fd, mode) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        unlink(temp.c_str());
        return std::strerror(error != 0 ? error : EIO);
    }
    if (const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return {};
}

}  // namespace shun
