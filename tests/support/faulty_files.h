// File operations that fail on request, as a full disk or a refused
// permission would (tests run as root, where permission bits never make a
// call fail). Each failure is spent by the one call it hits.
#pragma once

#include <cerrno>
#include <map>
#include <string>

#include "file_ops.h"

class FaultyFiles final : public FileOps {
public:
    // The next open of exactly this path fails with `error`.
    void FailOpen(const std::string& path, int error) { openFailures_[path] = error; }
    // The next write or sync (whichever comes first) fails with `error`:
    // an atomic replacement then fails after its temporary file exists.
    void FailNextWrite(int error) { writeFailure_ = error; }

    int Open(const char* path, int flags, mode_t mode) override
    {
        if (const auto found = openFailures_.find(path); found != openFailures_.end()) {
            errno = found->second;
            openFailures_.erase(found);
            return -1;
        }
        return FileOps::Open(path, flags, mode);
    }
    ssize_t Write(int fd, const void* data, std::size_t size) override
    {
        return SpendWriteFailure() ? -1 : FileOps::Write(fd, data, size);
    }
    int Sync(int fd) override { return SpendWriteFailure() ? -1 : FileOps::Sync(fd); }

private:
    bool SpendWriteFailure()
    {
        if (writeFailure_ == 0)
            return false;
        errno = writeFailure_;
        writeFailure_ = 0;
        return true;
    }

    std::map<std::string, int> openFailures_;
    int writeFailure_ = 0;
};
