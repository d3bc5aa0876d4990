#pragma once

#include "core/backup/TaskProgress.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Deletes chosen chapters of a backup folder, or the whole backup.
//
// Only the files the clean-up dialog listed are ever removed: the checked
// chapters, and, when every chapter is checked and no recording is left in
// the folder, the recorder's management files too, after which the folders
// left empty are removed (the backup folder last). A stray file keeps its
// folder; nothing is removed recursively. Nothing is reached through a
// symbolic link at any depth: the backup folder may not be one, every file
// is reached from it without following links, and a link is removed
// itself, never followed.
//
// run() is blocking code for a worker thread. When a removal fails it asks
// through a callback (Retry, Ignore, Cancel), at most MAX_ATTEMPTS times
// per file; what could not be removed is reported, never passed over.
class CleanupJob {
public:
    static constexpr int MAX_ATTEMPTS = 5;

    struct Plan {
        QString root;              // the backup root the folder was chosen in
        QString folder;            // the backup folder, directly or deeper below root
        QStringList files;         // the chapter files
        QStringList managementFiles; // whole backup: the management files, kept while a recording remains
        bool wholeFolder = false;
    };
    struct PlanResult {
        std::optional<Plan> plan;
        QString error; // translated; set when there is no plan
    };

    // The plan for the checked chapters of a backup folder below the backup
    // root; wholeFolder when every chapter of it is checked. Refused when
    // nothing is checked, when the folder is a symbolic link, does not lie
    // strictly inside the root once both are resolved, or belongs to a
    // memory card (BackupPaths::holdsCardMarkers), or when a file does not
    // lie in the folder or is reached through a link.
    static PlanResult makePlan(const QString& root, const QString& folder, const QStringList& checkedFiles,
                               bool wholeFolder);

    enum class Decision { Retry, Ignore, Cancel };
    // A removal failed: the file and the reason; called on the worker.
    using AskFn = std::function<Decision(const QString& path, const QString& reason)>;
    // Files handled so far (removed, skipped or failed) of all.
    using ProgressFn = std::function<void(int done, int total)>;

    enum class Status { Completed, Cancelled };
    struct Result {
        Status status = Status::Completed;
        QStringList notDeleted; // listed files that are still there
        bool folderRemoved = false;
        QStringList keptEntries; // whole backup: what kept the folder (a few, relative)
        bool managementFilesKept = false; // whole backup: recordings the tree did not list remain
    };

    static Result run(const Plan& plan, const TaskCancelFlag& cancel, const ProgressFn& onProgress,
                      const AskFn& ask);

    // The recorder's own files at the top of a backup folder that exist: the
    // management files in their usual order, then the version file a copy
    // of a card's MOVE folder holds.
    static QStringList managementFiles(const QString& folder);
    // A recording (a regular .MP4 or .DAT file other than the management
    // files at the top) is somewhere below folder; links are not followed.
    static bool holdsRecordings(const QString& folder);
};
