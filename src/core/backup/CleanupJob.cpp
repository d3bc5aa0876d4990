#include "core/backup/CleanupJob.h"

#include "core/backup/BackupPaths.h"
#include "core/backup/FileOps.h"
#include "core/foundation/CommonConst.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr int MAX_WALK_ENTRIES = 200000;
constexpr int MAX_KEPT_SHOWN = 10;

QString tr(const char* text)
{
    return QCoreApplication::translate("CleanupJob", text);
}

// Folders below folder, links not followed, deepest first.
QStringList subfoldersDeepestFirst(const QString& folder)
{
    QStringList dirs;
    QDirIterator it(folder, QDir::Dirs | QDir::NoSymLinks | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    int budget = MAX_WALK_ENTRIES;
    while (it.hasNext() && --budget > 0) dirs.append(it.next());
    std::sort(dirs.begin(), dirs.end(), [](const QString& a, const QString& b) {
        return a.count(QLatin1Char('/')) > b.count(QLatin1Char('/'));
    });
    return dirs;
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
    for (const QString& wanted : {CommonConst::FILE_NAME_VREC, CommonConst::FILE_NAME_PRCT, CommonConst::FILE_NAME_ADVP})
        for (const QString& name : present)
            if (name.compare(wanted, Qt::CaseInsensitive) == 0) out.append(dir.filePath(name));
    return out;
}

CleanupJob::PlanResult CleanupJob::makePlan(const QString& folder, const QStringList& checkedFiles, bool wholeFolder)
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
    plan.folder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    plan.wholeFolder = wholeFolder;
    QStringList files = checkedFiles;
    if (wholeFolder) files += managementFiles(plan.folder);
    for (const QString& file : std::as_const(files)) {
        // The file's own name is taken as it is (a link is removed, not
        // followed); the folder it sits in must really lie in the backup.
        const QString relative = BackupPaths::relativeInside(plan.folder, file);
        const QString parent = QFileInfo(file).absolutePath();
        if (relative.isEmpty() || !BackupPaths::isInsideOrSame(parent, plan.folder)) {
            result.error = tr("The file \"%1\" does not lie in the backup folder.").arg(file);
            return result;
        }
        const QString clean = plan.folder + QLatin1Char('/') + relative;
        if (!plan.files.contains(clean)) plan.files.append(clean);
    }
    result.plan = std::move(plan);
    return result;
}

CleanupJob::Result CleanupJob::run(const Plan& plan, const TaskCancelFlag& cancel, const ProgressFn& onProgress,
                                   const AskFn& ask)
{
    Result result;
    const int total = int(plan.files.size());
    int done = 0;
    for (const QString& path : plan.files) {
        if (cancel.isCancelled()) {
            result.status = Status::Cancelled;
            break;
        }
        bool gone = !QFileInfo(path).exists() && !QFileInfo(path).isSymLink();
        for (int attempt = 1; !gone && attempt <= MAX_ATTEMPTS; ++attempt) {
            const QString reason = FileOps::removeFile(path);
            if (reason.isEmpty()) {
                gone = true;
                break;
            }
            if (attempt == MAX_ATTEMPTS || !ask) break;
            const Decision d = ask(path, reason);
            if (d == Decision::Ignore) break;
            if (d == Decision::Cancel) {
                result.status = Status::Cancelled;
                break;
            }
        }
        if (!gone) result.notDeleted.append(path);
        ++done;
        if (onProgress) onProgress(done, total);
        if (result.status == Status::Cancelled) break;
    }
    if (result.status == Status::Cancelled) {
        // Whatever was not reached is not deleted either.
        for (int i = done; i < total; ++i) result.notDeleted.append(plan.files[i]);
        return result;
    }

    if (plan.wholeFolder && result.notDeleted.isEmpty()) {
        for (const QString& dir : subfoldersDeepestFirst(plan.folder)) FileOps::removeEmptyDir(dir);
        result.folderRemoved = FileOps::removeEmptyDir(plan.folder);
        if (!result.folderRemoved) result.keptEntries = remainingEntries(plan.folder);
    }
    return result;
}
