// One client per profile folder: two processes on one folder would each
// write the settings at exit, and the later one would undo the other's
// changes. The lock is an flock on a file in the folder, so it ends with
// the process, however that ends, and never goes stale.
#pragma once

#include <string>

class ProfileLock {
public:
    ProfileLock() = default;
    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;
    ~ProfileLock();

    enum class Result { Locked, Busy, Failed };
    // Takes the lock on lockPath (created if missing). On Failed, error()
    // says why.
    Result Acquire(const std::string& lockPath);
    const std::string& error() const { return error_; }

private:
    int fd_ = -1;
    std::string error_;
};

inline constexpr const char* kProfileLockFile = ".quenlo.lock";
