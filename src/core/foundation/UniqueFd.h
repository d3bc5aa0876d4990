#pragma once

#include <unistd.h>

// A file descriptor closed once, whatever path the code leaves by.
struct UniqueFd {
    int fd = -1;
    explicit UniqueFd(int f) : fd(f) {}
    ~UniqueFd()
    {
        if (fd >= 0) ::close(fd);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int release()
    {
        const int f = fd;
        fd = -1;
        return f;
    }
};
