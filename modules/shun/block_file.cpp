#include "block_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// CR LF is one line end; a CR anywhere else is part of the name.
std::string WithPlainLineEnds(const std::string& bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        text.push_back(bytes[i]);
    }
    return text;
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
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        contents.state = errno == ENOENT ? BlockFileState::Missing : BlockFileState::Unreadable;
        return contents;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        contents.state = BlockFileState::Unreadable;
        return contents;
    }
    if (info.st_size > kMaxBlockFileSize) {
        close(fd);
        contents.state = BlockFileState::TooBig;
        return contents;
    }
    std::string bytes(static_cast<std::size_t>(kMaxBlockFileSize) + 1, '\0');
    std::size_t used = 0;
    for (;;) {
        const ssize_t n = read(fd, bytes.data() + used, bytes.size() - used);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            close(fd);
            contents.state = BlockFileState::Unreadable;
            return contents;
        }
        if (n == 0)
            break;
        used += static_cast<std::size_t>(n);
        if (used == bytes.size()) {  // grew while being read
            close(fd);
            contents.state = BlockFileState::TooBig;
            return contents;
        }
    }
    close(fd);
    bytes.resize(used);
    // Text ends at a NUL, as a C string read from the file would.
    if (const std::size_t nul = bytes.find('\0'); nul != std::string::npos)
        bytes.resize(nul);
    contents.state = BlockFileState::Loaded;
    contents.text = WithPlainLineEnds(bytes);
    return contents;
}

bool SaveBlockFile(const std::string& path, const std::string& text)
{
    const std::string target = SaveTarget(path);
    if (target.empty())
        return false;
    mode_t mode = kNewFileMode;
    if (struct stat info {}; stat(target.c_str(), &info) == 0)
        mode = info.st_mode & 07777;
    const std::string folder = FolderOf(target);
    std::string temp = folder + "/.blocklst.cfg.XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, text) && fsync(fd) == 0 && fchmod(fd, mode) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    if (const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

}  // namespace shun
