#include "core/tools/OutputFile.h"

#include "core/foundation/LinkFreeOpen.h"
#include "core/tools/OutputRule.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reasonOf(int errorNumber)
{
    return qt_error_string(errorNumber);
}

} // namespace

OutputFile::OutputFile(ChapterList sources, QString target)
    : m_sources(std::move(sources)), m_target(std::move(target))
{
}

OutputFile::~OutputFile()
{
    discard();
}

OutputFile::Check OutputFile::check(const ChapterList& sources, const QString& target)
{
    if (const QString why = OutputRule::refusal(sources, target); !why.isEmpty())
        return {why, OutputRule::refusalText(), true};
    // A folder at the name is no file to replace: said before any work is
    // done towards it, not when the work is done.
    struct stat st {};
    if (::stat(QFile::encodeName(target).constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return {target + QStringLiteral(" is a folder"), reasonOf(EISDIR), false};
    return {};
}

bool OutputFile::fail(const char* what, int errorNumber)
{
    m_failure = {QString::fromLatin1(what) + QLatin1Char(' ') + m_target + QStringLiteral(": ") +
                     reasonOf(errorNumber),
                 reasonOf(errorNumber), false};
    discard();
    return false;
}

bool OutputFile::refuse(const QString& why)
{
    m_failure = {why, OutputRule::refusalText(), true};
    discard();
    return false;
}

bool OutputFile::open()
{
    discard();
    m_failure = {};
    m_written = 0;
    m_writeFailed = false;
    if (const Check c = check(m_sources, m_target); !c.ok()) {
        m_failure = c;
        return false;
    }
    const QFileInfo info(m_target);
    m_name = QFile::encodeName(info.fileName());
    if (m_name.isEmpty()) return fail("no file name in", EISDIR);

    // The folder's links resolved once, then the folder opened with no link
    // followed and held: a link put on its way since then fails the open,
    // and a folder swapped later no longer matters.
    char* real = ::realpath(QFile::encodeName(info.absolutePath()).constData(), nullptr);
    if (!real) return fail("cannot reach the folder of", errno);
    const QByteArray folder(real);
    std::free(real);
    m_folder = LinkFreeOpen::open(AT_FDCWD, folder, O_RDONLY | O_DIRECTORY);
    // A folder that may be written but not listed: held all the same, unflushed.
    if (m_folder < 0 && errno == EACCES)
        m_folder = LinkFreeOpen::open(AT_FDCWD, folder, O_PATH | O_DIRECTORY);
    if (m_folder < 0) return fail("cannot open the folder of", errno);
    if (const QString why = OutputRule::refusalAt(m_sources, m_folder, info.fileName()); !why.isEmpty())
        return refuse(why);

    // An earlier file's permissions go on to its replacement.
    struct stat old {};
    const bool replacing =
        ::fstatat(m_folder, m_name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode);
    for (int attempt = 0; attempt < 16 && m_file < 0; ++attempt) {
        // A hidden name of its own (the catalogue passes hidden files by),
        // short whatever the target's name is.
        m_temporary = QByteArrayLiteral(".kr-output-") +
                      QByteArray::number(QRandomGenerator::global()->generate64(), 16) +
                      QByteArrayLiteral(".tmp");
        m_file = ::openat(m_folder, m_temporary.constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_file < 0 && errno != EEXIST) {
            const int e = errno;
            m_temporary.clear();
            return fail("cannot write beside", e);
        }
    }
    if (m_file < 0) {
        m_temporary.clear();
        return fail("cannot write beside", EEXIST);
    }
    if (replacing) ::fchmod(m_file, old.st_mode & 0777);
    return true;
}

bool OutputFile::write(QByteArrayView bytes)
{
    if (m_file < 0 || m_writeFailed) return false;
    const char* at = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        // A short write (the disk filled up during it) is carried on, so
        // that the write that fails tells the system's reason.
        const ssize_t n = ::write(m_file, at, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            m_writeFailed = true;
            return fail("cannot write", n < 0 ? errno : ENOSPC);
        }
        at += n;
        left -= n;
        m_written += n;
    }
    return true;
}

bool OutputFile::commit()
{
    if (m_file < 0 || m_writeFailed) {
        if (m_failure.ok()) m_failure = {QStringLiteral("nothing to save at ") + m_target, {}, false};
        return false;
    }
    if (::fsync(m_file) != 0) return fail("cannot save", errno);
    const int file = m_file;
    m_file = -1;
    if (::close(file) != 0) return fail("cannot save", errno);
    // Checked again right before the rename: the name may have become a link
    // to a recording, or the folder been moved into the card, since the
    // write began.
    if (const QString why = OutputRule::refusal(m_sources, m_target); !why.isEmpty()) return refuse(why);
    if (const QString why = OutputRule::refusalAt(m_sources, m_folder, QFile::decodeName(m_name));
        !why.isEmpty())
        return refuse(why);
    if (::renameat(m_folder, m_temporary.constData(), m_folder, m_name.constData()) != 0)
        return fail("cannot save", errno);
    m_temporary.clear();
    // The new name is on the medium only once its folder is.
    ::fsync(m_folder);
    discard();
    return true;
}

void OutputFile::discard()
{
    if (m_file >= 0) ::close(m_file);
    m_file = -1;
    if (!m_temporary.isEmpty() && m_folder >= 0) ::unlinkat(m_folder, m_temporary.constData(), 0);
    m_temporary.clear();
    if (m_folder >= 0) ::close(m_folder);
    m_folder = -1;
}

OutputFile::Check OutputFile::save(const ChapterList& sources, const QString& target, QByteArrayView bytes)
{
    OutputFile file(sources, target);
    if (file.open() && file.write(bytes) && file.commit()) return {};
    return file.m_failure;
}
