#include "core/foundation/LinkFreeOpen.h"

#include <QList>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace LinkFreeOpen {

namespace {

std::atomic<bool> g_noOpenat2{false};

constexpr int kMaxParts = 256;

int openat2Call(int at, const char* path, int flags, std::uint64_t resolve)
{
    open_how how{};
    how.flags = std::uint64_t(flags);
    how.resolve = resolve;
    for (int attempt = 0;; ++attempt) {
        const long fd = ::syscall(SYS_openat2, at, path, &how, sizeof how);
        // EAGAIN: a rename elsewhere raced the lookup; the kernel asks for a retry.
        if (fd < 0 && (errno == EAGAIN || errno == EINTR) && attempt < 16) continue;
        return int(fd);
    }
}

// For kernels without openat2: one part at a time, each folder opened
// without following a link, the last part with O_NOFOLLOW.
int walk(int at, const QByteArray& path, int flags, bool beneath)
{
    if (path.isEmpty()) {
        errno = ENOENT;
        return -1;
    }
    const bool absolute = path.startsWith('/');
    if (absolute && beneath) {
        errno = EXDEV;
        return -1;
    }
    QList<QByteArray> parts = path.split('/');
    parts.removeAll(QByteArray());
    parts.removeAll(QByteArray("."));
    if (parts.size() > kMaxParts) {
        errno = ENAMETOOLONG;
        return -1;
    }
    if (beneath && parts.contains(QByteArray(".."))) {
        errno = EXDEV;
        return -1;
    }
    if (parts.isEmpty()) return ::openat(absolute ? AT_FDCWD : at, absolute ? "/" : ".", flags | O_NOFOLLOW);

    int current = absolute ? ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC) : at;
    if (current < 0 && absolute) return -1;
    const auto closeCurrent = [&] {
        if (current >= 0 && current != at) ::close(current);
    };
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const int next =
            ::openat(current, parts[i].constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            int e = errno;
            // O_DIRECTORY refuses a link as "not a folder": tell it as a link.
            struct stat st {};
            if (e == ENOTDIR && ::fstatat(current, parts[i].constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(st.st_mode))
                e = ELOOP;
            closeCurrent();
            errno = e;
            return -1;
        }
        closeCurrent();
        current = next;
    }
    const int fd = ::openat(current, parts.last().constData(), flags | O_NOFOLLOW);
    const int e = errno;
    closeCurrent();
    errno = e;
    return fd;
}

} // namespace

int open(int at, const QByteArray& path, int flags, bool beneath)
{
    flags |= O_CLOEXEC;
    if (!g_noOpenat2.load()) {
        const int fd =
            openat2Call(at, path.constData(), flags,
                        RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | (beneath ? RESOLVE_BENEATH : 0));
        if (fd >= 0 || errno != ENOSYS) return fd;
    }
    return walk(at, path, flags, beneath);
}

void setKernelWalkForTesting(bool unavailable)
{
    g_noOpenat2.store(unavailable);
}

} // namespace LinkFreeOpen
