#include "core/backup/BackupCopyJob.h"

#include "core/backup/BackupPaths.h"
#include "core/backup/FileOps.h"
#include "core/foundation/CommonConst.h"
#include "core/foundation/FileIdentity.h"
#include "core/foundation/FileUtil.h"
#include "core/foundation/LinkFreeOpen.h"
#include "core/foundation/UniqueFd.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// A card holds a few dozen folders; a folder opened as data may hold more,
// and then the first ones are compared by what they are.
constexpr int kCardFoldersNoted = 4096;

QString tr(const char* text)
{
    return QCoreApplication::translate("BackupCopyJob", text);
}

QString copyFailed(const QString& path, const QString& reason)
{
    return tr("Unable to copy the file.") + QStringLiteral("\n") + path + QStringLiteral(": ") + reason;
}

QString outsideTheBackup(const QString& destination)
{
    return copyFailed(destination, tr("The destination lies outside the backup folder."));
}

using Fd = UniqueFd;

// An entry the run made and the folder it made it in, both by what they
// are: taking it back removes that entry of that folder or nothing.
struct Made {
    QString folder;                           // the path it was made in
    std::optional<FileIdentity::Id> folderId; // what that folder was then
    QString name;
    std::optional<FileIdentity::Id> id; // what was made there
};

// Everything the run made, so that a cancel or a failure takes back exactly
// that. A path is resolved anew at each use, so no removal goes by one: each
// goes through the folder the entry was made in, opened again and used only
// while it is still that folder, and removes the entry there only while it
// is still what was made. A folder swapped for a link or a mount meanwhile,
// even just before the removal, then never has another of the same name
// removed. One folder is open at a time, however many the backup spans.
struct Created {
    QList<Made> dirs;  // in creation order (parents first)
    QList<Made> files; // destinations that did not exist before
    void rollBack(const std::function<void()>& beforeRemoval) const
    {
        for (auto it = files.crbegin(); it != files.crend(); ++it)
            takeBack(*it, 0, beforeRemoval);
        for (auto it = dirs.crbegin(); it != dirs.crend(); ++it)
            takeBack(*it, AT_REMOVEDIR, beforeRemoval);
    }
    // flags: AT_REMOVEDIR for a folder, which goes only when it is empty.
    static void takeBack(const Made& made, int flags, const std::function<void()>& beforeRemoval)
    {
        if (!made.id || !made.folderId) return;
        const Fd folder(::open(QFile::encodeName(made.folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (FileIdentity::ofFd(folder.fd) != made.folderId) return;
        const QByteArray name = QFile::encodeName(made.name);
        struct stat st {};
        if (::fstatat(folder.fd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            FileIdentity::of(st) != *made.id)
            return;
        if (beforeRemoval) beforeRemoval();
        ::unlinkat(folder.fd, name.constData(), flags);
    }
};

// The folder, or the nearest one above it when it does not exist yet, is
// one of ids or lies below one, as the kernel reaches it (links followed).
bool landsIn(const QString& folder, const FileIdentity::Ids& ids)
{
    const Fd fd(FileIdentity::openNearestFolder(folder));
    return FileIdentity::isOrLiesBelowOneOf(fd.fd, ids);
}

// The destination folder of an entry as the copy reaches it: from the backup
// folder without following a link or entering another mount, and neither it
// nor any folder above it the card's. -1 otherwise, with *refused when it
// leads out of the backup folder or onto the card, else *errorNumber. The
// copy writes into this descriptor, so a folder swapped after the check
// cannot move the write.
int openReachedFolder(const BackupCopyJob::Plan& plan, const QString& folder, bool* refused, int* errorNumber)
{
    *refused = false;
    *errorNumber = 0;
    const Fd root(::open(QFile::encodeName(plan.destFolder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (root.fd < 0) {
        *errorNumber = errno;
        return -1;
    }
    const QString relative = BackupPaths::relativeInside(plan.destFolder, folder);
    Fd reached(-1);
    if (!relative.isEmpty())
        reached.fd = LinkFreeOpen::open(root.fd, QFile::encodeName(relative), O_PATH | O_DIRECTORY, true);
    else if (QDir::cleanPath(folder) == plan.destFolder)
        reached.fd = ::fcntl(root.fd, F_DUPFD_CLOEXEC, 0);
    else
        errno = EXDEV;
    if (reached.fd < 0) {
        *refused = errno == ELOOP || errno == EXDEV;
        *errorNumber = errno;
        return -1;
    }
    if (FileIdentity::mountOf(reached.fd) != FileIdentity::mountOf(root.fd) ||
        FileIdentity::isOrLiesBelowOneOf(reached.fd, plan.cardIds)) {
        *refused = true;
        return -1;
    }
    return std::exchange(reached.fd, -1);
}

// What the copy made in the folder held open.
std::optional<FileIdentity::Id> madeIn(int folderFd, const QString& destination)
{
    struct stat st {};
    if (::fstatat(folderFd, QFile::encodeName(QFileInfo(destination).fileName()).constData(), &st,
                  AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return FileIdentity::of(st);
}

// Makes the folder and its missing parents, noting each one made.
bool makeDirs(const QString& dir, Created& created, QString* error)
{
    QStringList missing;
    QString d = QDir::cleanPath(dir);
    while (!d.isEmpty() && !QFileInfo::exists(d)) {
        missing.prepend(d);
        const qsizetype slash = d.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0) break;
        d = d.left(slash);
    }
    for (const QString& m : std::as_const(missing)) {
        bool made = false;
        if (!FileOps::makeDir(m, &made, error)) return false;
        if (made) {
            const QFileInfo info(m);
            created.dirs.append({info.absolutePath(), FileIdentity::ofPath(info.absolutePath()),
                                 info.fileName(), FileIdentity::ofEntry(m)});
        }
    }
    if (!QFileInfo(dir).isDir()) {
        if (error) *error = tr("\"%1\" is not a folder.").arg(dir);
        return false;
    }
    return true;
}

} // namespace

int BackupCopyJob::Progress::percent() const
{
    if (fileCount <= 0) return 0;
    double done = filesDone;
    if (currentFileSize > 0 && filesDone < fileCount)
        done += double(std::min(currentFileBytes, currentFileSize)) / double(currentFileSize);
    return std::clamp(int(done * 100.0 / fileCount), 0, 100);
}

QStringList BackupCopyJob::managementFilesOf(const QString& openSourcePath)
{
    const QFileInfo source(openSourcePath);
    if (openSourcePath.isEmpty() || !source.exists()) return {};
    const bool isManagementFile = FileUtil::isManagementFileName(source.fileName());
    // A single movie opened on its own brings no management files.
    if (!source.isDir() && !isManagementFile) return {};
    const QString folder = QDir::cleanPath(source.isDir() ? source.absoluteFilePath() : source.absolutePath());
    QStringList out;
    for (const QString& name : {CommonConst::FILE_NAME_VREC, CommonConst::FILE_NAME_PRCT, CommonConst::FILE_NAME_ADVP}) {
        const QString path = folder + QLatin1Char('/') + name;
        if (QFileInfo(path).isFile()) out.append(path);
    }
    return out;
}

BackupCopyJob::PlanResult BackupCopyJob::makePlan(const QString& openSourcePath, const QString& destFolder,
                                                  const QStringList& chapterFiles)
{
    PlanResult result;
    const QFileInfo source(openSourcePath);
    if (openSourcePath.isEmpty() || !source.exists()) {
        result.error = tr("The data to back up cannot be found.");
        return result;
    }
    if (chapterFiles.isEmpty()) {
        result.error = tr("Chapter was not selected.");
        return result;
    }
    if (destFolder.isEmpty()) {
        result.error = tr("The backup folder is not set.");
        return result;
    }

    Plan plan;
    plan.sourceFolder = QDir::cleanPath(source.isDir() ? source.absoluteFilePath() : source.absolutePath());
    plan.destFolder = QDir::cleanPath(QFileInfo(destFolder).absoluteFilePath());

    plan.cardArea = BackupPaths::cardAreaOf(plan.sourceFolder);

    // A backup is a copy kept off the card: a folder anywhere on it (beside
    // MOVE, in another of its folders, or reached through a link) would
    // fill the card and sit where the recorder overwrites.
    if (BackupPaths::isInsideOrSame(plan.destFolder, plan.cardArea, Qt::CaseInsensitive)) {
        result.error = tr("The backup folder cannot be on the memory card. Please choose a backup folder on another "
                          "drive in \"Backup Directory Settings\".");
        return result;
    }
    // A folder holding the card would copy files onto themselves.
    if (BackupPaths::overlaps(plan.destFolder, plan.sourceFolder)) {
        result.error = tr("The backup folder cannot be inside the opened data, nor hold it.");
        return result;
    }
    // The same by what the folders are: a bind mount shows the card, one of
    // its folders or the backup folder at a second path that no link
    // resolution joins.
    plan.cardIds = FileIdentity::folderTree(plan.cardArea, kCardFoldersNoted);
    if (const auto id = FileIdentity::ofPath(plan.sourceFolder); id && !FileIdentity::isOneOf(*id, plan.cardIds))
        plan.cardIds.push_back(*id);
    if (landsIn(plan.destFolder, plan.cardIds)) {
        result.error = tr("The backup folder cannot be on the memory card. Please choose a backup folder on another "
                          "drive in \"Backup Directory Settings\".");
        return result;
    }
    if (const auto dest = FileIdentity::ofPath(plan.destFolder); dest && landsIn(plan.sourceFolder, {*dest})) {
        result.error = tr("The backup folder cannot be inside the opened data, nor hold it.");
        return result;
    }

    const QStringList files = chapterFiles + managementFilesOf(openSourcePath);
    QSet<QString> destinations;
    QSet<QString> foldersChecked;
    for (const QString& file : std::as_const(files)) {
        const QString relative = BackupPaths::relativeInside(plan.sourceFolder, file);
        if (relative.isEmpty()) {
            result.error = tr("The file \"%1\" does not lie in the opened folder.").arg(file);
            return result;
        }
        const QString destination = plan.destFolder + QLatin1Char('/') + relative;
        if (!BackupPaths::isStrictlyInside(destination, plan.destFolder) ||
            BackupPaths::isInsideOrSame(destination, plan.cardArea, Qt::CaseInsensitive)) {
            result.error = tr("The file \"%1\" cannot be copied into the backup folder.").arg(file);
            return result;
        }
        if (destinations.contains(destination)) continue;
        destinations.insert(destination);
        // A folder of an older backup may be the card's, mounted there.
        const QString folder = QFileInfo(destination).absolutePath();
        if (!foldersChecked.contains(folder)) {
            foldersChecked.insert(folder);
            if (landsIn(folder, plan.cardIds)) {
                result.error = tr("The file \"%1\" cannot be copied into the backup folder.").arg(file);
                return result;
            }
        }
        const qint64 size = QFileInfo(file).size();
        plan.entries.append({QDir::cleanPath(QFileInfo(file).absoluteFilePath()), destination, size});
        plan.totalBytes += size;
    }
    result.plan = std::move(plan);
    return result;
}

namespace {

// Copies every entry of the plan, noting what it makes; takes nothing back.
BackupCopyJob::Result copyEntries(const BackupCopyJob::Plan& plan, const TaskCancelFlag& cancel,
                                  const BackupCopyJob::ProgressFn& onProgress, const BackupCopyJob::Options& options,
                                  Created& created)
{
    using Entry = BackupCopyJob::Entry;
    using Result = BackupCopyJob::Result;
    using Status = BackupCopyJob::Status;
    BackupCopyJob::Progress progress;
    progress.fileCount = int(plan.entries.size());
    QSet<QString> touchedDirs;
    qint64 written = 0;

    const auto fail = [](const QString& error) { return Result{Status::Failed, error}; };
    const auto cancelled = [] { return Result{Status::Cancelled, QString()}; };

    if (plan.entries.isEmpty()) return Result{Status::Failed, tr("Chapter was not selected.")};

    for (const Entry& entry : plan.entries) {
        if (cancel.isCancelled()) return cancelled();
        const QString folder = QFileInfo(entry.destination).absolutePath();
        QString error;
        if (!makeDirs(folder, created, &error)) return fail(error);
        // Checked again now that the folders exist: a link or a mount met on
        // the way must not lead out of the backup folder or into the card.
        if (!BackupPaths::isInsideOrSame(folder, plan.destFolder) ||
            BackupPaths::isInsideOrSame(folder, plan.cardArea, Qt::CaseInsensitive))
            return fail(outsideTheBackup(entry.destination));
        bool refused = false;
        int errorNumber = 0;
        const Fd into(openReachedFolder(plan, folder, &refused, &errorNumber));
        if (refused) return fail(outsideTheBackup(entry.destination));
        if (into.fd < 0) return fail(copyFailed(entry.destination, FileOps::errorText(errorNumber)));
        touchedDirs.insert(folder);

        progress.currentFileBytes = 0;
        progress.currentFileSize = entry.size;
        const qint64 before = progress.bytesDone;
        FileOps::CopyHooks hooks;
        hooks.cancel = &cancel;
        hooks.onChunk = [&](qint64 fileBytes) {
            progress.currentFileBytes = fileBytes;
            progress.bytesDone = before + fileBytes;
            if (onProgress) onProgress(progress);
        };
        hooks.truncate = options.truncate;
        if (options.failAfterBytes >= 0) {
            hooks.failAfterBytes = std::max<qint64>(0, options.failAfterBytes - written);
            hooks.failErrorNumber = options.errorNumber;
        }
        bool existed = false;
        const FileOps::CopyStatus status =
            FileOps::copyReplacing(plan.sourceFolder, entry.source, entry.destination,
                                   std::max<qint64>(options.chunkBytes, 4096), hooks, &existed, &error, entry.size,
                                   into.fd);
        written += progress.currentFileBytes;
        if (status == FileOps::CopyStatus::Cancelled) return cancelled();
        if (status == FileOps::CopyStatus::Failed) return fail(copyFailed(entry.source, error));
        if (!existed)
            created.files.append({folder, FileIdentity::ofFd(into.fd),
                                  QFileInfo(entry.destination).fileName(),
                                  madeIn(into.fd, entry.destination)});

        ++progress.filesDone;
        progress.currentFileBytes = 0;
        progress.currentFileSize = 0;
        progress.bytesDone = before + entry.size;
        if (onProgress) onProgress(progress);
    }

    // The renames and new folders are on the disk only once their folders are.
    for (const Made& dir : std::as_const(created.dirs))
        touchedDirs.insert(dir.folder);
    for (const QString& dir : std::as_const(touchedDirs)) {
        QString error;
        if (!FileOps::syncDir(dir, &error)) return fail(copyFailed(dir, error));
    }
    return Result{Status::Completed, QString()};
}

} // namespace

BackupCopyJob::Result BackupCopyJob::run(const Plan& plan, const TaskCancelFlag& cancel,
                                         const ProgressFn& onProgress, const Options& options)
{
    Created created;
    Result result = copyEntries(plan, cancel, onProgress, options, created);
    cancel.sleepUnlessCancelled(options.pauseAtEndMs);
    if (result.status == Status::Completed && cancel.isCancelled()) result = Result{Status::Cancelled, QString()};
    if (result.status != Status::Completed) created.rollBack(options.beforeRemoval);
    return result;
}

BackupCopyJob::Result BackupCopyJob::run(const Plan& plan, const TaskCancelFlag& cancel,
                                         const ProgressFn& onProgress)
{
    return run(plan, cancel, onProgress, Options{});
}
