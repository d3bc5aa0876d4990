#include "core/foundation/FileIdentity.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace FileIdentity {

namespace {

// Deeper than any real folder tree; ends a walk up a looped mount.
constexpr int kMaxDepth = 256;

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

} // namespace

Id of(const struct stat& st)
{
    return {st.st_dev, st.st_ino};
}

std::optional<Id> ofPath(const QString& path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt;
    return of(st);
}

std::optional<Id> ofEntry(const QString& path)
{
    struct stat st {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt;
    return of(st);
}

std::optional<Id> ofFd(int fd)
{
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) return std::nullopt;
    return of(st);
}

bool isOneOf(const Id& id, const Ids& ids)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

bool isOrLiesBelowOneOf(int folderFd, const Ids& ids)
{
    if (ids.empty() || folderFd < 0) return false;
    int fd = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    bool found = false;
    for (int depth = 0; fd >= 0 && depth < kMaxDepth; ++depth) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) break;
        if (isOneOf(of(st), ids)) {
            found = true;
            break;
        }
        const int up = ::openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        struct stat above {};
        const bool top = up < 0 || ::fstat(up, &above) != 0 || of(above) == of(st);
        ::close(fd);
        fd = up;
        if (top) break;
    }
    if (fd >= 0) ::close(fd);
    return found;
}

namespace {

// Deeper than a card's folders go; each level holds one descriptor.
constexpr int kMaxTreeDepth = 16;

// Notes the open folder fd and the folders below it on mount; takes fd.
void collectTree(int fd, std::uint64_t mount, int depth, int limit, Ids& out)
{
    if (const auto id = ofFd(fd)) out.push_back(*id);
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    std::vector<QByteArray> folders;
    while (const dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        if (e->d_type == DT_DIR || e->d_type == DT_UNKNOWN) folders.emplace_back(e->d_name);
    }
    for (const QByteArray& name : folders) {
        if (int(out.size()) >= limit || depth >= kMaxTreeDepth) break;
        const int child = ::openat(::dirfd(dir), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child < 0) continue;
        if (mountOf(child) == mount)
            collectTree(child, mount, depth + 1, limit, out);
        else
            ::close(child);
    }
    ::closedir(dir);
}

} // namespace

Ids folderTree(const QString& path, int limit)
{
    Ids out;
    const int top = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top < 0) return out;
    const std::optional<std::uint64_t> mount = mountOf(top);
    if (!mount || limit <= 0) {
        ::close(top);
        return out;
    }
    collectTree(top, *mount, 0, limit, out);
    return out;
}

int openNearestFolder(const QString& path, bool* own)
{
    if (own) *own = true;
    if (!path.startsWith(QLatin1Char('/'))) return -1;
    QString folder = path;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        const int fd = ::open(QFile::encodeName(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0 || (errno != ENOENT && errno != ENOTDIR) || folder == QLatin1String("/")) return fd;
        if (own) *own = false;
        folder = parentOf(folder);
    }
    return -1;
}

std::optional<std::uint64_t> mountOf(int fd)
{
    struct statx sx {};
    if (fd < 0 || ::statx(fd, "", AT_EMPTY_PATH | AT_NO_AUTOMOUNT, STATX_TYPE | STATX_MNT_ID, &sx) != 0)
        return std::nullopt;
    if (sx.stx_mask & STATX_MNT_ID) return sx.stx_mnt_id;
    return std::uint64_t(sx.stx_dev_major) << 32 | sx.stx_dev_minor;
}

} // namespace FileIdentity
