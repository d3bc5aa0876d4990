#pragma once

#include "core/backup/TaskProgress.h"
#include "core/foundation/FileIdentity.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <unistd.h>

// Copies chosen chapters of an opened card, and the recorder's management
// files, into a new backup folder, each to the same path relative to the
// card folder.
//
// Nothing already there is removed before its replacement is complete: each
// file is written under a temporary name in its destination folder, flushed
// to the disk and then renamed over the destination. A cancel or a failure
// removes exactly what this job created (files and folders, tracked as they
// were made, with the folders they were made in); each goes through that
// folder, known by what it is and not by its path, so that a folder swapped
// meanwhile for a link or a mount leads no removal elsewhere. Folders are
// only removed when empty, never recursively. A file that existed before and
// was replaced keeps its new, complete copy.
//
// run() is plain blocking code for a worker thread: it touches no widget and
// no timer, reads the cancel flag between chunks of at most CHUNK_BYTES and
// reports progress through a callback on its own thread. A cancel that comes
// after the last file, up to the end of the closing pause, still ends the
// job as cancelled and takes back what it made: the user asked for no backup.
class BackupCopyJob {
public:
    static constexpr qint64 CHUNK_BYTES = 16 * 1024 * 1024;

    struct Entry {
        QString source;
        QString destination;
        qint64 size = 0;
    };
    struct Plan {
        QString sourceFolder; // the opened card folder
        QString destFolder;   // the new backup folder
        QString cardArea;     // the card the source lies on (resolved): nothing is written there
        FileIdentity::Ids cardIds; // the card area's folders and the source folder, by what they are
        QList<Entry> entries; // the chapters in the given order, then the management files
        qint64 totalBytes = 0;
    };
    struct PlanResult {
        std::optional<Plan> plan;
        QString error; // translated; set when there is no plan
    };

    // The plan for copying chapterFiles (paths under the opened source) and
    // the management files of the source's folder into destFolder. The
    // source is the path the card was opened from: its folder, or one of its
    // management files (any other single file brings no management files).
    // Refused: no source, nothing to copy, a backup folder anywhere on the
    // card (BackupPaths::cardAreaOf) or holding it, or a file that does not
    // lie inside the card folder. Each file must still have the size planned
    // when it has been copied. The card and the backup folder are compared
    // by name and by what the folders are (device and inode), so that a
    // second path to the card that no link resolution joins (a bind mount)
    // is the card; the run compares the folders it reaches again.
    static PlanResult makePlan(const QString& openSourcePath, const QString& destFolder,
                               const QStringList& chapterFiles);

    // The management files that a backup of the opened source copies, those
    // that exist, in their usual order.
    static QStringList managementFilesOf(const QString& openSourcePath);

    enum class Status { Completed, Cancelled, Failed };
    struct Result {
        Status status = Status::Failed;
        QString error; // translated; set for Failed
    };
    struct Progress {
        int filesDone = 0;
        int fileCount = 0;
        qint64 bytesDone = 0;      // over the whole plan
        qint64 currentFileBytes = 0; // of the file in hand
        qint64 currentFileSize = 0;
        // Whole percent by files, the file in hand counted by its bytes.
        int percent() const;
    };
    using ProgressFn = std::function<void(const Progress&)>;

    struct Options {
        qint64 chunkBytes = CHUNK_BYTES;
        // Test seam: a write that fails once this many bytes have been
        // written in the run, with this error number (a full disk by default).
        qint64 failAfterBytes = -1;
        int errorNumber = 28; // ENOSPC
        // Test seam: stands in for ftruncate on the files written.
        int (*truncate)(int fd, off_t length) = ::ftruncate;
        // Test seam: called just before each removal when the run takes back
        // what it made.
        std::function<void()> beforeRemoval;
        // A pause once the last file is in, before the end is decided, so
        // that the last figure stays a moment; a cancel cuts it short.
        int pauseAtEndMs = 0;
    };

    static Result run(const Plan& plan, const TaskCancelFlag& cancel, const ProgressFn& onProgress,
                      const Options& options);
    static Result run(const Plan& plan, const TaskCancelFlag& cancel, const ProgressFn& onProgress = {});
};
