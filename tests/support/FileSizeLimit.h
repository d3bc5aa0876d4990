#pragma once

// A full disk, as far as this process can tell: while the object lives, no
// file it writes may grow past a number of bytes (the write fails with
// EFBIG; the signal that would end the process is ignored meanwhile).

#include <csignal>
#include <sys/resource.h>

namespace testfiles {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_made = ::getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        if (!m_made) return;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = m_old;
        small.rlim_cur = bytes;
        m_made = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool made() const { return m_made; }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit m_old {};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_made = false;
};

} // namespace testfiles
