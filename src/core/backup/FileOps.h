#pragma once

#include "core/backup/TaskProgress.h"

#include <QString>
#include <functional>
#include <unistd.h>

// The few file-system steps of the backup and clean-up, each one system
// call deep so that nothing is ever followed or removed by surprise:
// removals never follow a symbolic link and never recurse.
namespace FileOps {

// Makes one folder; *made tells whether this call made it (false when it
// existed). False with a reason when it cannot be made.
bool makeDir(const QString& path, bool* made, QString* error);

// Removes a folder only when it is empty (never a link to one).
bool removeEmptyDir(const QString& path);

// Removes the file or link at relative (a path below folder) itself, reaching
// it without following any symbolic link on the way, folder included: a link
// met anywhere is an error, never a way elsewhere. Nor does it leave the
// folder's mount: a file below a mount point there is not reached (EXDEV).
// Refuses folders. 0 on success, else the error number (ENOENT when nothing
// is there).
int removeFileBeneath(const QString& folder, const QString& relative);

// Removes every empty folder below folder, deepest first, walking no
// symbolic link and entering no folder of another mount (a disk or a bind
// mount placed there); folders holding anything stay. Bounded in depth and
// count.
void removeEmptyFoldersBeneath(const QString& folder);

// Something is mounted at path (a disk, a bind mount of a folder).
bool isMountPoint(const QString& path);

// The text of an error number.
QString errorText(int errorNumber);

// Flushes a folder's entries (new names, renames) to the disk.
bool syncDir(const QString& path, QString* error);

struct CopyHooks {
    const TaskCancelFlag* cancel = nullptr;           // read between chunks
    std::function<void(qint64 bytesCopied)> onChunk;     // after each chunk
    qint64 failAfterBytes = -1;                          // test seam: a write failing here
    int failErrorNumber = 0;
    qint64 kernelCopyEndsAtBytes = -1;                   // test seam: the in-kernel copy stops early
    int (*truncate)(int fd, off_t length) = ::ftruncate; // test seam: a file system refusing it
};
enum class CopyStatus { Done, Cancelled, Failed };

// Copies source, a regular file below sourceFolder (a link, a pipe or a
// device fails with the reason, as does a file reached through a link to a
// folder anywhere below sourceFolder), to a new temporary file beside destination, flushes it to
// the disk and renames it over destination: a reader sees the old file or
// the whole new one, never a part. On a cancel or an error the temporary
// file is removed and destination is untouched. *existed tells whether
// destination existed before. The copy fails when the bytes copied differ
// from the source's size once it has been read (a file cut or grown while
// copied) or from expectedBytes (the size planned; -1: not checked).
// With destinationFolderFd (an open folder, O_PATH will do), the file is
// made and renamed in that folder under destination's file name, whatever
// destination's folder path leads to by then.
CopyStatus copyReplacing(const QString& sourceFolder, const QString& source, const QString& destination,
                         qint64 chunkBytes, const CopyHooks& hooks, bool* existed, QString* error,
                         qint64 expectedBytes = -1, int destinationFolderFd = -1);

} // namespace FileOps
