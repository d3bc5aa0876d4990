#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <sys/stat.h>
#include <vector>

// What a file or folder is, rather than what it is called: its device and
// inode. A bind mount gives a folder a second path that no link resolution
// joins to the first; only this tells that the two paths name one folder.
namespace FileIdentity {

struct Id {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const Id&) const = default;
};
using Ids = std::vector<Id>;

Id of(const struct stat& st);
// The file a path names, links followed.
std::optional<Id> ofPath(const QString& path);
// The entry at a path itself: a link is not followed.
std::optional<Id> ofEntry(const QString& path);
std::optional<Id> ofFd(int fd);

bool isOneOf(const Id& id, const Ids& ids);

// The open folder folderFd, or a folder above it, is one of ids. Walked up
// through ".." from the descriptor, as the kernel walks it: out of a mount's
// root to the folder it is mounted on, whatever the path it was opened by.
bool isOrLiesBelowOneOf(int folderFd, const Ids& ids);

// The folder at path (links followed) and the folders below it on the same
// mount, no link followed, at most limit of them and 16 levels deep. A
// folder of it shown elsewhere by a bind mount is then still one of them.
Ids folderTree(const QString& path, int limit);

// Opens (O_PATH) the folder at an absolute path, links followed, or when it
// does not exist the nearest folder above it that does; *own tells which.
// Taken apart as written ("link/.." stays for the kernel to resolve). -1
// when even that cannot be opened.
int openNearestFolder(const QString& path, bool* own = nullptr);

// The mount an open file lies on (statx's mount id; the device on a kernel
// without it).
std::optional<std::uint64_t> mountOf(int fd);

} // namespace FileIdentity
