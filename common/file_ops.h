// The system calls through which settings files are opened, written and
// synced, the way the protocol core takes its Transport: the settings code
// is handed one, the program the system's own. A test hands in one that
// fails where a full disk or a refused permission would (tests run as root,
// where permission bits never make a call fail).
#pragma once

#include <cstddef>
#include <sys/types.h>

class FileOps {
public:
    // As open(2), write(2) and fsync(2): -1 with errno set on failure.
    virtual int Open(const char* path, int flags, mode_t mode);
    virtual ssize_t Write(int fd, const void* data, std::size_t size);
    virtual int Sync(int fd);

protected:
    ~FileOps() = default;
};

// The kernel's calls, as they are.
FileOps& SystemFileOps();
