#include "core/foundation/DurableFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool writeAll(int fd, QByteArrayView bytes)
{
    const char* at = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, size_t(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        at += n;
        left -= n;
    }
    return true;
}

bool failWith(int* error, int code)
{
    if (error) *error = code;
    return false;
}

void syncFolderOf(const QString& path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

namespace DurableFile {

std::optional<QString> writeTemporaryBeside(const QString& target, QByteArrayView bytes, int* error)
{
    const QFileInfo info(target);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString temporary = info.absolutePath() + QLatin1Char('/') + QLatin1Char('.') + info.fileName() +
                                  QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                                QLatin1Char('0'));
        const QByteArray native = QFile::encodeName(temporary);
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            failWith(error, errno);
            return std::nullopt;
        }
        int failure = 0;
        if (!writeAll(fd, bytes) || ::fsync(fd) != 0) failure = errno;
        if (::close(fd) != 0 && failure == 0) failure = errno;
        if (failure != 0) {
            ::unlink(native.constData());
            failWith(error, failure);
            return std::nullopt;
        }
        return temporary;
    }
    failWith(error, EEXIST);
    return std::nullopt;
}

bool commit(const QString& temporary, const QString& target, int* error)
{
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0)
        return failWith(error, errno);
    syncFolderOf(target);
    return true;
}

void discard(const QString& temporary)
{
    ::unlink(QFile::encodeName(temporary).constData());
}

bool writeAtomically(const QString& target, QByteArrayView bytes, int* error)
{
    const auto temporary = writeTemporaryBeside(target, bytes, error);
    if (!temporary) return false;
    if (commit(*temporary, target, error)) return true;
    discard(*temporary);
    return false;
}

std::optional<QByteArray> readBack(const QString& path, qint64 maxBytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    // Clean pages (flushed before) can be dropped; the read then goes to the
    // medium. Where the system ignores the advice the check still compares
    // what the file system holds.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    QByteArray out;
    char buffer[65536];
    while (out.size() <= maxBytes) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        out.append(buffer, qsizetype(std::min<qint64>(n, maxBytes + 1 - out.size())));
    }
    ::close(fd);
    return out;
}

} // namespace DurableFile
