// Collects what is written to standard error while it lives: the protocol
// library shows its messages there when no GUI application exists.
#pragma once

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

class StderrCapture {
public:
    StderrCapture()
    {
        std::fflush(stderr);
        char pattern[] = "/tmp/quenlo_stderr.XXXXXX";
        file_ = mkstemp(pattern);
        if (file_ >= 0) {
            unlink(pattern);
            saved_ = dup(STDERR_FILENO);
            dup2(file_, STDERR_FILENO);
        }
    }
    ~StderrCapture()
    {
        if (file_ < 0)
            return;
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        close(file_);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    std::string Text() const
    {
        std::fflush(stderr);
        std::string text;
        if (file_ < 0)
            return text;
        char buffer[4096];
        off_t offset = 0;
        for (;;) {
            const ssize_t got = pread(file_, buffer, sizeof buffer, offset);
            if (got <= 0)
                break;
            text.append(buffer, static_cast<std::size_t>(got));
            offset += got;
        }
        return text;
    }

private:
    int file_ = -1;
    int saved_ = -1;
};
