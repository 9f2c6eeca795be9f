#include "atomic_file.h"

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel allows

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteAll(FileOps& files, int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = files.Write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// A hidden name in the same folder, so the rename never crosses file
// systems: mkostemp replaces the suffix.
constexpr std::string_view kTemporarySuffix = "XXXXXX";

std::string TemporaryNamePrefix(const std::string& target)
{
    return "." + BaseNameOf(target) + ".";
}

// The rename is only durable once the folder's entry is on disk too; a
// failure here no longer endangers either version of the file.
void SyncFolder(const std::string& folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace

bool ResolveWriteTarget(const std::string& path, std::string& target)
{
    target = path;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (lstat(target.c_str(), &st) != 0) {
            if (errno == ENOENT)
                return true;  // a new file, or the missing end of a dangling link
            return false;
        }
        if (!S_ISLNK(st.st_mode))
            return true;
        if (hops >= kMaxLinkHops) {
            errno = ELOOP;
            return false;
        }
        std::string next(PATH_MAX, '\0');
        const ssize_t n = readlink(target.c_str(), next.data(), next.size());
        if (n < 0)
            return false;
        if (n == 0 || static_cast<std::size_t>(n) >= next.size()) {
            errno = n == 0 ? ENOENT : ENAMETOOLONG;
            return false;
        }
        next.resize(static_cast<std::size_t>(n));
        if (next.front() != '/')
            next = FolderOf(target) + "/" + next;
        target = std::move(next);
    }
}

void RemoveLeftTemporaries(const std::string& path)
{
    std::string target;
    if (!ResolveWriteTarget(path, target))
        return;
    const std::string folder = FolderOf(target);
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return;
    const std::string prefix = TemporaryNamePrefix(target);
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + kTemporarySuffix.size() || !name.starts_with(prefix))
            continue;
        const std::string file = folder + "/" + std::string(name);
        if (struct stat info {}; lstat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            unlink(file.c_str());
    }
    closedir(dir);
}

namespace {

FileWriteFailure Replace(const std::string& path, std::string_view data, mode_t mode, bool keepMode,
                         FileOps& files)
{
    if (path.empty() || path.back() == '/') {
        errno = EINVAL;
        return FileWriteFailure::Open;
    }
    std::string target;
    if (!ResolveWriteTarget(path, target))
        return FileWriteFailure::Open;
    // Only a regular file is ever replaced: a FIFO or a device under the
    // name is the user's, not a settings file to overwrite.
    struct stat existing {};
    if (stat(target.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) {
            errno = S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;
            return FileWriteFailure::NotRegular;
        }
        if (keepMode)
            mode = existing.st_mode & 07777;
    }
    const std::string folder = FolderOf(target);
    std::string temp = folder + "/" + TemporaryNamePrefix(target) + std::string(kTemporarySuffix);
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return FileWriteFailure::Open;

    bool ok = WriteAll(files, fd, data) && files.Sync(fd) == 0 && fchmod(fd, mode) == 0;
    int savedErrno = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        errno = savedErrno;
        return FileWriteFailure::Write;
    }
    SyncFolder(folder);
    return FileWriteFailure::None;
}

}  // namespace

FileWriteFailure ReplaceFile(const std::string& path, std::string_view data, mode_t mode, FileOps& files)
{
    return Replace(path, data, mode, false, files);
}

FileWriteFailure ReplaceFileKeepingMode(const std::string& path, std::string_view data, mode_t newFileMode,
                                        FileOps& files)
{
    return Replace(path, data, newFileMode, true, files);
}
