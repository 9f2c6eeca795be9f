#include "atomic_file.h"

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int g_failNextWith = 0;

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

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = write(fd, data.data(), data.size());
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

void FailNextAtomicWriteForTesting(int error)
{
    g_failNextWith = error;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, mode_t mode)
{
    if (path.empty() || path.back() == '/') {
        errno = EINVAL;
        return false;
    }
    const std::string folder = FolderOf(path);
    // A hidden name in the same folder, so the rename never crosses file systems.
    std::string temp = folder + "/." + BaseNameOf(path) + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;

    bool ok = true;
    if (g_failNextWith != 0) {
        errno = g_failNextWith;
        g_failNextWith = 0;
        ok = false;
    }
    ok = ok && WriteAll(fd, data) && fsync(fd) == 0 && fchmod(fd, mode) == 0;
    int savedErrno = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        errno = savedErrno;
        return false;
    }
    SyncFolder(folder);
    return true;
}
