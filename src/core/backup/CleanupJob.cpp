#include "core/backup/CleanupJob.h"

#include "core/backup/BackupPaths.h"
#include "core/backup/FileOps.h"
#include "core/foundation/CommonConst.h"
#include "core/foundation/FileUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace {

constexpr int MAX_WALK_ENTRIES = 200000;
constexpr int MAX_KEPT_SHOWN = 10;

QString tr(const char* text)
{
    return QCoreApplication::translate("CleanupJob", text);
}

// A few of the entries still in folder (files, links, and folders holding nothing else).
QStringList remainingEntries(const QString& folder)
{
    QStringList out;
    const QDir base(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    int budget = MAX_WALK_ENTRIES;
    while (it.hasNext() && --budget > 0 && out.size() < MAX_KEPT_SHOWN) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isDir() && !info.isSymLink()) continue;
        out.append(base.relativeFilePath(path));
    }
    return out;
}

} // namespace

QStringList CleanupJob::managementFiles(const QString& folder)
{
    QStringList out;
    const QDir dir(folder);
    // The names as the recorder writes them, in any letter case.
    const QStringList present = dir.entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
    for (const QString& wanted : {CommonConst::FILE_NAME_VREC, CommonConst::FILE_NAME_PRCT, CommonConst::FILE_NAME_ADVP,
                                  QStringLiteral("ver.txt")})
        for (const QString& name : present)
            if (name.compare(wanted, Qt::CaseInsensitive) == 0) out.append(dir.filePath(name));
    return out;
}

bool CleanupJob::holdsRecordings(const QString& folder)
{
    const QDir base(folder);
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks, QDirIterator::Subdirectories);
    int budget = MAX_WALK_ENTRIES;
    while (it.hasNext() && --budget > 0) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink()) continue;
        const QString suffix = info.suffix();
        if (suffix.compare(QLatin1String("MP4"), Qt::CaseInsensitive) != 0 &&
            suffix.compare(QLatin1String("DAT"), Qt::CaseInsensitive) != 0)
            continue;
        const QString relative = base.relativeFilePath(path);
        if (!relative.contains(QLatin1Char('/')) && FileUtil::isManagementFileName(relative)) continue;
        return true;
    }
    return budget <= 0; // a folder too large to walk is taken to hold some
}

CleanupJob::PlanResult CleanupJob::makePlan(const QString& root, const QString& folder, const QStringList& checkedFiles,
                                            bool wholeFolder)
{
    PlanResult result;
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        result.error = tr("Unable to locate the file.");
        return result;
    }
    if (checkedFiles.isEmpty()) {
        result.error = tr("Chapter was not selected.");
        return result;
    }
    Plan plan;
    plan.root = QDir::cleanPath(QFileInfo(root).absoluteFilePath());
    plan.folder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    plan.wholeFolder = wholeFolder;
    // What the folder is, not what it points to: a link in the backup root
    // may lead to a card or to a backup kept elsewhere, and a disk mounted
    // there is not a backup to clean up.
    if (BackupPaths::isLink(plan.folder) || FileOps::isMountPoint(plan.folder) || root.isEmpty() ||
        !BackupPaths::isStrictlyInside(plan.folder, plan.root)) {
        result.error = tr("The folder \"%1\" is not a backup folder of \"%2\".").arg(folder, root);
        return result;
    }
    if (BackupPaths::holdsCardMarkers(plan.folder)) {
        result.error = tr("The folder \"%1\" belongs to a memory card and is not deleted.").arg(folder);
        return result;
    }
    // A backup holds thousands of chapters in a few folders: each folder on
    // the way is checked once.
    QHash<QString, bool> realFolderInside;
    QSet<QString> taken;
    const auto take = [&](const QString& file, QStringList& into) {
        // The file's own name is taken as it is (a link is removed, not
        // followed); every folder on the way to it must be a real one.
        const QString relative = BackupPaths::relativeInside(plan.folder, file);
        bool inside = !relative.isEmpty();
        if (inside) {
            const QString parent = QFileInfo(file).absolutePath();
            auto known = realFolderInside.constFind(parent);
            if (known == realFolderInside.cend())
                known = realFolderInside.insert(parent, !BackupPaths::linkBetween(plan.folder, file) &&
                                                            BackupPaths::isInsideOrSame(parent, plan.folder));
            inside = *known;
        }
        if (!inside) {
            result.error = tr("The file \"%1\" does not lie in the backup folder.").arg(file);
            return false;
        }
        const QString clean = plan.folder + QLatin1Char('/') + relative;
        if (!taken.contains(clean)) {
            taken.insert(clean);
            into.append(clean);
        }
        return true;
    };
    for (const QString& file : checkedFiles)
        if (!take(file, plan.files)) return result;
    if (wholeFolder)
        for (const QString& file : managementFiles(plan.folder))
            if (!take(file, plan.managementFiles)) return result;
    result.plan = std::move(plan);
    return result;
}

CleanupJob::Result CleanupJob::run(const Plan& plan, const TaskCancelFlag& cancel, const ProgressFn& onProgress,
                                   const AskFn& ask)
{
    Result result;
    const int total = int(plan.files.size() + plan.managementFiles.size());
    int done = 0;
    const auto advance = [&] {
        ++done;
        if (onProgress) onProgress(done, total);
    };

    // Checked again now: the folder may have been swapped for a link or a
    // mount since it was planned, or removed by another copy of the
    // application (then every file of it is gone as asked).
    struct stat st {};
    const bool folderGone = ::lstat(QFile::encodeName(plan.folder).constData(), &st) != 0 && errno == ENOENT;
    const bool folderSound = !BackupPaths::isLink(plan.folder) && QFileInfo(plan.folder).isDir() &&
                             !FileOps::isMountPoint(plan.folder) && BackupPaths::isStrictlyInside(plan.folder, plan.root);
    const auto remove = [&](const QString& path) {
        if (folderGone) return true;
        if (!folderSound) return false;
        const QString relative = BackupPaths::relativeInside(plan.folder, path);
        for (int attempt = 1; attempt <= MAX_ATTEMPTS; ++attempt) {
            const int error = FileOps::removeFileBeneath(plan.folder, relative);
            if (error == 0 || error == ENOENT) return true;
            if (attempt == MAX_ATTEMPTS || !ask) return false;
            const Decision d = ask(path, FileOps::errorText(error));
            if (d == Decision::Ignore) return false;
            if (d == Decision::Cancel) {
                result.status = Status::Cancelled;
                return false;
            }
        }
        return false;
    };

    QStringList pending = plan.files;
    bool managementReached = false;
    while (!pending.isEmpty() || !managementReached) {
        if (pending.isEmpty()) {
            managementReached = true;
            if (plan.managementFiles.isEmpty()) break;
            // Without its management files a backup cannot be opened: they go
            // only when no recording is left that the tree did not list.
            if (!folderGone && (holdsRecordings(plan.folder) || !result.notDeleted.isEmpty() || !folderSound)) {
                result.managementFilesKept = true;
                for (int i = 0; i < plan.managementFiles.size(); ++i) advance();
                break;
            }
            pending = plan.managementFiles;
        }
        if (cancel.isCancelled()) {
            result.status = Status::Cancelled;
            break;
        }
        const QString path = pending.takeFirst();
        if (!remove(path)) result.notDeleted.append(path);
        advance();
        if (result.status == Status::Cancelled) break;
    }
    if (result.status == Status::Cancelled) {
        // Whatever was not reached is not deleted either.
        result.notDeleted += pending;
        if (!managementReached) result.notDeleted += plan.managementFiles;
        return result;
    }

    if (plan.wholeFolder && folderGone) {
        result.folderRemoved = true;
    } else if (plan.wholeFolder && folderSound && result.notDeleted.isEmpty()) {
        FileOps::removeEmptyFoldersBeneath(plan.folder);
        result.folderRemoved = FileOps::removeEmptyDir(plan.folder);
        if (!result.folderRemoved) result.keptEntries = remainingEntries(plan.folder);
    }
    return result;
}
