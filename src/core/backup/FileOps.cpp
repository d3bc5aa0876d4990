#include "core/backup/FileOps.h"

#include "core/backup/BackupPaths.h"
#include "core/foundation/LinkFreeOpen.h"
#include "core/foundation/UniqueFd.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <dirent.h>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace FileOps {

namespace {

QString reason(int errorNumber)
{
    return qt_error_string(errorNumber);
}

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

using Fd = UniqueFd;

// A hidden name (the catalogue skips hidden files) beside the destination.
QString temporaryNameFor(const QString& destination)
{
    const QFileInfo info(destination);
    const QString tag = QString::number(QRandomGenerator::global()->generate64(), 36);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.') + tag +
           QStringLiteral(".part");
}

} // namespace

bool makeDir(const QString& path, bool* made, QString* error)
{
    *made = false;
    if (::mkdir(native(path).constData(), 0777) == 0) {
        *made = true;
        return true;
    }
    const int e = errno;
    struct stat st {};
    if (e == EEXIST && ::stat(native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
    if (error) *error = path + QStringLiteral(": ") + reason(e);
    return false;
}

bool removeEmptyDir(const QString& path)
{
    struct stat st {};
    if (::lstat(native(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    return ::rmdir(native(path).constData()) == 0;
}

QString errorText(int errorNumber)
{
    return reason(errorNumber);
}

namespace {

constexpr int MAX_DEPTH = 64;
constexpr int MAX_SWEPT_ENTRIES = 200000;

int openFolderNoFollow(int at, const QByteArray& name)
{
    return ::openat(at, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// The mount the entry lies on (name empty: the open folder at itself), or
// the mount's root when the entry is one. A bind mount shares its device
// with the file system it shows: only the mount id tells them apart; a
// kernel without it gives the device.
bool mountOf(int at, const char* name, std::uint64_t* mount, struct statx* out = nullptr)
{
    struct statx sx {};
    const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | (*name == '\0' ? AT_EMPTY_PATH : 0);
    if (::statx(at, name, flags, STATX_TYPE | STATX_MNT_ID, &sx) != 0) return false;
    *mount = (sx.stx_mask & STATX_MNT_ID) ? sx.stx_mnt_id
                                          : (std::uint64_t(sx.stx_dev_major) << 32 | sx.stx_dev_minor);
    if (out) *out = sx;
    return true;
}

bool onMount(int fd, std::uint64_t mount)
{
    std::uint64_t own = 0;
    return mountOf(fd, "", &own) && own == mount;
}

// Removes the empty folders below the open folder fd, all on mount; true
// when fd holds nothing more. A folder of another mount is not entered.
bool sweep(int fd, std::uint64_t mount, int depth, int& budget)
{
    const int listFd = ::dup(fd);
    if (listFd < 0) return false;
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return false;
    }
    std::vector<QByteArray> folders;
    bool onlyFolders = true;
    while (const dirent* e = ::readdir(dir)) {
        if (--budget < 0) {
            onlyFolders = false;
            break;
        }
        const QByteArray name(e->d_name);
        if (name == "." || name == "..") continue;
        struct stat st {};
        if (::fstatat(fd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
            folders.push_back(name);
        else
            onlyFolders = false;
    }
    ::closedir(dir);
    bool empty = onlyFolders;
    for (const QByteArray& name : folders) {
        bool gone = false;
        if (depth < MAX_DEPTH) {
            Fd child(openFolderNoFollow(fd, name));
            if (child.fd >= 0 && onMount(child.fd, mount) && sweep(child.fd, mount, depth + 1, budget))
                gone = ::unlinkat(fd, name.constData(), AT_REMOVEDIR) == 0;
        }
        empty = empty && gone;
    }
    return empty;
}

} // namespace

int removeFileBeneath(const QString& folder, const QString& relative)
{
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.contains(QStringLiteral("..")) || parts.size() > MAX_DEPTH) return EINVAL;
    Fd at(::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (at.fd < 0) return errno;
    std::uint64_t mount = 0;
    if (!mountOf(at.fd, "", &mount)) return errno;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i] == QLatin1String(".")) continue;
        Fd next(openFolderNoFollow(at.fd, native(parts[i])));
        if (next.fd < 0) return errno;
        if (!onMount(next.fd, mount)) return EXDEV;
        ::close(at.fd);
        at.fd = next.release();
    }
    const QByteArray name = native(parts.last());
    struct statx st {};
    std::uint64_t fileMount = 0;
    if (!mountOf(at.fd, name.constData(), &fileMount, &st)) return errno;
    if (fileMount != mount) return EXDEV;
    if (S_ISDIR(st.stx_mode)) return EISDIR;
    if (::unlinkat(at.fd, name.constData(), 0) != 0) return errno;
    return 0;
}

void removeEmptyFoldersBeneath(const QString& folder)
{
    Fd fd(::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    std::uint64_t mount = 0;
    if (fd.fd < 0 || !mountOf(fd.fd, "", &mount)) return;
    int budget = MAX_SWEPT_ENTRIES;
    sweep(fd.fd, mount, 0, budget);
}

bool isMountPoint(const QString& path)
{
    // Compared with the folder above as written: a link is no mount point.
    const QString parent = QFileInfo(path).absolutePath();
    std::uint64_t own = 0;
    std::uint64_t above = 0;
    return mountOf(AT_FDCWD, native(QFileInfo(path).absoluteFilePath()).constData(), &own) &&
           mountOf(AT_FDCWD, native(parent).constData(), &above) && own != above;
}

bool syncDir(const QString& path, QString* error)
{
    Fd dir(::open(native(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd < 0 || ::fsync(dir.fd) != 0) {
        if (error) *error = reason(errno);
        return false;
    }
    return true;
}

CopyStatus copyReplacing(const QString& sourceFolder, const QString& source, const QString& destination,
                         qint64 chunkBytes, const CopyHooks& hooks, bool* existed, QString* error,
                         qint64 expectedBytes, int destinationFolderFd)
{
    const auto failWith = [&](int errorNumber) {
        if (error) *error = reason(errorNumber);
        return CopyStatus::Failed;
    };

    // Only the file itself, reached below the folder without following a
    // link on the way: never what a link names (a file of the user's
    // outside the card), also where a chapter folder has been swapped for a
    // link to a folder of the same files since the plan. Never a wait on a
    // pipe or device that no one writes (O_NONBLOCK), so that Cancel can
    // always end the job.
    const QString relative = BackupPaths::relativeInside(sourceFolder, source);
    if (relative.isEmpty()) {
        if (error) *error = QCoreApplication::translate("FileOps", "It does not lie in the opened folder.");
        return CopyStatus::Failed;
    }
    Fd folder(::open(native(sourceFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd < 0) return failWith(errno);
    Fd in(LinkFreeOpen::open(folder.fd, native(relative), O_RDONLY | O_NONBLOCK, true));
    if (in.fd < 0 && errno == ELOOP) {
        const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
        const Fd parent(slash > 0 ? LinkFreeOpen::open(folder.fd, native(relative.left(slash)), O_PATH | O_DIRECTORY, true)
                                  : ::dup(folder.fd));
        if (error)
            *error = parent.fd < 0 ? QCoreApplication::translate("FileOps", "It lies in a folder that is a symbolic link.")
                                   : QCoreApplication::translate("FileOps", "It is a symbolic link, not a file.");
        return CopyStatus::Failed;
    }
    if (in.fd < 0) return failWith(errno);
    struct stat st {};
    if (::fstat(in.fd, &st) != 0) return failWith(errno);
    if (!S_ISREG(st.st_mode)) {
        if (error) *error = QCoreApplication::translate("FileOps", "It is not a regular file.");
        return CopyStatus::Failed;
    }

    // In the folder held open, names are its own entries; else paths.
    const bool inFolder = destinationFolderFd >= 0;
    const int at = inFolder ? destinationFolderFd : AT_FDCWD;
    const auto nameThere = [inFolder](const QString& path) {
        return native(inFolder ? QFileInfo(path).fileName() : path);
    };
    const QByteArray target = nameThere(destination);
    struct stat old {};
    *existed = ::fstatat(at, target.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (*existed && S_ISDIR(old.st_mode)) return failWith(EISDIR);

    QByteArray tempNative;
    int outFd = -1;
    for (int attempt = 0; attempt < 8 && outFd < 0; ++attempt) {
        tempNative = nameThere(temporaryNameFor(destination));
        outFd = ::openat(at, tempNative.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777);
        if (outFd < 0 && errno != EEXIST) return failWith(errno);
    }
    if (outFd < 0) return failWith(EEXIST);
    Fd out(outFd);
    const auto dropTemp = [&] {
        ::close(out.release());
        ::unlinkat(at, tempNative.constData(), 0);
    };
    const auto failAndDrop = [&](int errorNumber) {
        dropTemp();
        return failWith(errorNumber);
    };

    // Reserving the space first makes a full disk fail at once, before any
    // byte is copied (not every file system can; then the writes tell).
    if (st.st_size > 0) {
        const int e = ::posix_fallocate(out.fd, 0, st.st_size);
        if (e == ENOSPC || e == EDQUOT || e == EFBIG) return failAndDrop(e);
    }

    qint64 copied = 0;
    bool inKernel = true;
    std::vector<char> buffer;
    // A source that keeps growing is copied one byte past what was planned
    // at most (that byte tells it grew), never on until the disk is full.
    const qint64 limit = std::max<qint64>(st.st_size, expectedBytes) + 1;
    for (;;) {
        if (hooks.cancel && hooks.cancel->isCancelled()) {
            dropTemp();
            return CopyStatus::Cancelled;
        }
        qint64 want = std::min<qint64>(chunkBytes, limit - copied);
        if (want <= 0) break;
        if (hooks.failAfterBytes >= 0) {
            const qint64 left = hooks.failAfterBytes - copied;
            if (left <= 0) return failAndDrop(hooks.failErrorNumber);
            want = std::min(want, left);
        }
        qint64 chunk = 0;
        if (inKernel) {
            const bool endsHere = hooks.kernelCopyEndsAtBytes >= 0 && copied >= hooks.kernelCopyEndsAtBytes;
            const ssize_t n = endsHere ? 0 : ::copy_file_range(in.fd, nullptr, out.fd, nullptr, size_t(want), 0);
            if (n == 0 && copied < st.st_size) {
                // Some file systems end an in-kernel copy early: the plain
                // reads, from where it stopped, tell where the file ends.
                inKernel = false;
                continue;
            }
            if (n < 0) {
                const int e = errno;
                if (copied == 0 && (e == EXDEV || e == ENOSYS || e == EOPNOTSUPP || e == EINVAL || e == EBADF)) {
                    inKernel = false;
                    continue;
                }
                if (e == EINTR) continue;
                return failAndDrop(e);
            }
            chunk = n;
        } else {
            if (buffer.empty()) buffer.resize(1 << 20);
            while (chunk < want) {
                const ssize_t r = ::read(in.fd, buffer.data(), size_t(std::min<qint64>(want - chunk, qint64(buffer.size()))));
                if (r < 0 && errno == EINTR) continue;
                if (r < 0) return failAndDrop(errno);
                if (r == 0) break;
                for (ssize_t off = 0; off < r;) {
                    const ssize_t w = ::write(out.fd, buffer.data() + off, size_t(r - off));
                    if (w < 0 && errno == EINTR) continue;
                    if (w < 0) return failAndDrop(errno);
                    off += w;
                }
                chunk += r;
            }
        }
        if (chunk == 0) break;
        // Start writing this chunk out now, so that the flush at the end
        // waits for the tail only and the disk works while we copy.
        ::sync_file_range(out.fd, copied, chunk, SYNC_FILE_RANGE_WRITE);
        copied += chunk;
        if (hooks.onChunk) hooks.onChunk(copied);
    }

    // The whole file or nothing: a source cut or grown while it was copied
    // (or since it was planned) leaves a copy that is no copy of it.
    struct stat atEnd {};
    if (::fstat(in.fd, &atEnd) != 0) return failAndDrop(errno);
    // Rewritten in place at the same size tells by its modification time.
    const bool rewritten =
        atEnd.st_mtim.tv_sec != st.st_mtim.tv_sec || atEnd.st_mtim.tv_nsec != st.st_mtim.tv_nsec;
    if (copied != atEnd.st_size || (expectedBytes >= 0 && copied != expectedBytes) || rewritten) {
        dropTemp();
        if (error)
            *error = QCoreApplication::translate("FileOps",
                                                 "The file changed while it was copied: %1 bytes were copied, "
                                                 "it now holds %2 bytes (%3 expected).")
                         .arg(copied)
                         .arg(qint64(atEnd.st_size))
                         .arg(expectedBytes >= 0 ? expectedBytes : qint64(st.st_size));
        return CopyStatus::Failed;
    }
    // Reserved at the source's size, the file mostly has its length already;
    // some FUSE mounts of FAT refuse a truncate even to the size it has.
    struct stat made {};
    if (::fstat(out.fd, &made) != 0) return failAndDrop(errno);
    if (made.st_size != copied && hooks.truncate(out.fd, copied) != 0) return failAndDrop(errno);
    if (::fsync(out.fd) != 0) return failAndDrop(errno);
    if (::close(out.release()) != 0) {
        const int e = errno;
        ::unlinkat(at, tempNative.constData(), 0);
        return failWith(e);
    }
    if (::renameat(at, tempNative.constData(), at, target.constData()) != 0) {
        const int e = errno;
        ::unlinkat(at, tempNative.constData(), 0);
        return failWith(e);
    }
    return CopyStatus::Done;
}

} // namespace FileOps
