#include "profile_lock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

ProfileLock::~ProfileLock()
{
    if (fd_ >= 0)
        ::close(fd_);  // releases the lock
}

ProfileLock::Result ProfileLock::Acquire(const std::string& lockPath)
{
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error_ = lockPath + ": " + std::strerror(errno);
        return Result::Failed;
    }
    int rc = 0;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return Result::Busy;
        error_ = lockPath + ": " + std::strerror(error);
        return Result::Failed;
    }
    fd_ = fd;
    return Result::Locked;
}
