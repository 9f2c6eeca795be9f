#include "file_ops.h"

#include <fcntl.h>
#include <unistd.h>

int FileOps::Open(const char* path, int flags, mode_t mode)
{
    return open(path, flags, mode);
}

ssize_t FileOps::Write(int fd, const void* data, std::size_t size)
{
    return write(fd, data, size);
}

int FileOps::Sync(int fd)
{
    return fsync(fd);
}

FileOps& SystemFileOps()
{
    struct System final : FileOps {};
    static System system;
    return system;
}
