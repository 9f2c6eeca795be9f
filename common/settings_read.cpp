#include "settings_read.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

SettingsRead Unreadable(std::string why)
{
    SettingsRead result;
    result.outcome = SettingsRead::Outcome::Unreadable;
    result.why = std::move(why);
    return result;
}

int OpenForReading(const std::string& path, FileOps& files)
{
    // O_NONBLOCK: opening a FIFO that has no writer must not wait for one.
    return files.Open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0);
}

}  // namespace

SettingsRead ReadSettingsFile(const std::string& path, std::size_t limit, FileOps& files)
{
    const int fd = OpenForReading(path, files);
    if (fd < 0) {
        if (errno == ENOENT)
            return {};
        return Unreadable(std::strerror(errno));
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        const int error = errno;
        close(fd);
        return Unreadable(std::strerror(error));
    }
    if (!S_ISREG(st.st_mode)) {
        close(fd);
        return Unreadable(S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "Not a regular file");
    }
    SettingsRead result;
    result.outcome = SettingsRead::Outcome::Read;
    char chunk[65536];
    while (result.bytes.size() < limit) {
        const std::size_t want = std::min(sizeof chunk, limit - result.bytes.size());
        const ssize_t got = read(fd, chunk, want);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            // Half a file is not the file: the reader must not save over it.
            const int error = errno;
            close(fd);
            return Unreadable(std::strerror(error));
        }
        if (got == 0)
            break;
        result.bytes.append(chunk, static_cast<std::size_t>(got));
    }
    close(fd);
    return result;
}

std::string CannotReadMessage(std::string_view fileName, std::string_view why)
{
    std::string message = "Cannot read ";
    message.append(fileName).append(": ").append(why).append(".");
    return message;
}
