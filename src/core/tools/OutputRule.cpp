#include "core/tools/OutputRule.h"

#include "core/backup/BackupPaths.h"
#include "core/foundation/CommonConst.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

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

} // namespace

QString withSuffix(const QString& path, const QString& suffix)
{
    if (path.isEmpty() || QFileInfo(path).suffix().compare(suffix, Qt::CaseInsensitive) == 0) return path;
    return path + QLatin1Char('.') + suffix;
}

QString refusal(const ChapterList& sources, const QString& outputPath)
{
    if (outputPath.trimmed().isEmpty()) return QStringLiteral("no output file");
    // Where a write would land: QSaveFile and the kernel both follow links.
    const QString target = BackupPaths::resolvedPath(outputPath);
    for (const auto& chapter : sources) {
        if (!chapter) continue;
        for (const QUrl& url : {chapter->_pathMp4, chapter->_pathMove}) {
            if (url.isEmpty()) continue;
            const QString source = BackupPaths::resolvedPath(url.isLocalFile() ? url.toLocalFile() : url.toString());
            if (source.compare(target, Qt::CaseInsensitive) == 0) return QStringLiteral("the output is a source recording");
            if (insideOrSame(target, recordingFolderOf(source)))
                return QStringLiteral("the output lies in the card's recording folder");
        }
    }
    return {};
}

QString refusalText()
{
    return QCoreApplication::translate("OutputRule",
                                       "The file cannot be saved over a recording or in the card's recording folder. "
                                       "Please choose another location.");
}

} // namespace OutputRule
