#include "core/tools/OutputRule.h"

#include "core/backup/BackupPaths.h"
#include "core/foundation/CommonConst.h"
#include "core/foundation/FileIdentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace OutputRule {

namespace {

// The recording folder holding a movie (a card's or a backup's): the nearest
// folder above it that is named like the recorder's own or holds its list
// of recordings. None for a movie of no card.
QString recordingFolderOf(const QString& resolvedMovie)
{
    QDir dir = QFileInfo(resolvedMovie).absoluteDir();
    for (int depth = 0; depth < 4; ++depth) {
        if (dir.dirName().compare(CommonConst::DIR_PATH_CARD_SUBDIR, Qt::CaseInsensitive) == 0
            || dir.exists(CommonConst::FILE_NAME_VREC))
            return dir.absolutePath();
        if (!dir.cdUp()) break;
    }
    return {};
}

bool insideOrSame(const QString& path, const QString& folder)
{
    if (folder.isEmpty()) return false;
    if (path.compare(folder, Qt::CaseInsensitive) == 0) return true;
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    return path.startsWith(prefix, Qt::CaseInsensitive);
}

QString localPath(const QUrl& url)
{
    return url.isLocalFile() ? url.toLocalFile() : url.toString();
}

// More than any card holds; a damaged card's tree is not walked further.
constexpr int kRecordingFoldersNoted = 4096;

// The sources and their recording folders as files, not names.
struct Guarded {
    FileIdentity::Ids sources;
    FileIdentity::Ids folders;
};

Guarded guardedOf(const ChapterList& sources)
{
    Guarded g;
    QSet<QString> folders;
    for (const auto& chapter : sources) {
        if (!chapter) continue;
        for (const QUrl& url : {chapter->_pathMp4, chapter->_pathMove}) {
            if (url.isEmpty()) continue;
            const QString path = localPath(url);
            struct stat st {};
            if (::stat(QFile::encodeName(path).constData(), &st) == 0) g.sources.push_back(FileIdentity::of(st));
            const QString folder = recordingFolderOf(BackupPaths::resolvedPath(path));
            if (folder.isEmpty() || folders.contains(folder)) continue;
            folders.insert(folder);
            // Every folder of it: one of its chapter folders shown elsewhere
            // by a bind mount leads up out of the mount, never to the
            // recording folder itself.
            const FileIdentity::Ids tree = FileIdentity::folderTree(folder, kRecordingFoldersNoted);
            g.folders.insert(g.folders.end(), tree.begin(), tree.end());
        }
    }
    return g;
}

// The entry name in the open folder, then the folder and every folder above
// it as the kernel walks them (".." of a mount's root leads out of it).
QString identityRefusal(const Guarded& g, int folderFd, const QByteArray& name)
{
    struct stat st {};
    if (!name.isEmpty() && ::fstatat(folderFd, name.constData(), &st, 0) == 0) {
        const FileIdentity::Id id = FileIdentity::of(st);
        if (FileIdentity::isOneOf(id, g.sources)) return QStringLiteral("the output is a source recording");
        if (FileIdentity::isOneOf(id, g.folders)) return QStringLiteral("the output is the card's recording folder");
    }
    if (FileIdentity::isOrLiesBelowOneOf(folderFd, g.folders))
        return QStringLiteral("the output lies in the card's recording folder");
    return {};
}

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

QString identityRefusal(const Guarded& g, const QString& path)
{
    // The folder the file lands in, or the nearest one above it when that
    // does not exist yet.
    bool own = false;
    const int fd = FileIdentity::openNearestFolder(parentOf(path), &own);
    if (fd < 0) return {};
    const QString why = identityRefusal(g, fd, own ? QFile::encodeName(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1))
                                                   : QByteArray());
    ::close(fd);
    return why;
}

} // namespace

QString withSuffix(const QString& path, const QString& suffix)
{
    if (path.isEmpty() || QFileInfo(path).suffix().compare(suffix, Qt::CaseInsensitive) == 0) return path;
    return path + QLatin1Char('.') + suffix;
}

QString refusal(const ChapterList& sources, const QString& outputPath)
{
    if (outputPath.trimmed().isEmpty()) return QStringLiteral("no output file");
    // Where a write would land: a writer that follows links, and the kernel, go there.
    const QString target = BackupPaths::resolvedPath(outputPath);
    for (const auto& chapter : sources) {
        if (!chapter) continue;
        for (const QUrl& url : {chapter->_pathMp4, chapter->_pathMove}) {
            if (url.isEmpty()) continue;
            const QString source = BackupPaths::resolvedPath(localPath(url));
            if (source.compare(target, Qt::CaseInsensitive) == 0) return QStringLiteral("the output is a source recording");
            if (insideOrSame(target, recordingFolderOf(source)))
                return QStringLiteral("the output lies in the card's recording folder");
        }
    }
    const Guarded guarded = guardedOf(sources);
    const QString absolute =
        outputPath.startsWith(QLatin1Char('/')) ? outputPath : QDir::currentPath() + QLatin1Char('/') + outputPath;
    if (QString why = identityRefusal(guarded, absolute); !why.isEmpty()) return why;
    // A link at the name: where its target lands too.
    return target == absolute ? QString() : identityRefusal(guarded, target);
}

QString refusalAt(const ChapterList& sources, int folderFd, const QString& name)
{
    return identityRefusal(guardedOf(sources), folderFd, QFile::encodeName(name));
}

QString refusalText()
{
    return QCoreApplication::translate("OutputRule",
                                       "The file cannot be saved over a recording or in the card's recording folder. "
                                       "Please choose another location.");
}

} // namespace OutputRule
