#pragma once

#include <QString>
#include <QtGlobal>

// Path rules of the backup and clean-up: where a file may be written or
// removed, what a backup folder may be called, and how sizes read.
namespace BackupPaths {

// The absolute path that the kernel would reach: walked part by part, every
// symbolic link replaced by what it names (also when that does not exist, as
// a file written through a dangling link lands there) and ".." taken from the
// folder reached so far. Parts that do not exist are appended as written.
// Empty for an empty path.
QString resolvedPath(const QString& path);

// The path itself is a symbolic link (its target is not asked).
bool isLink(const QString& path);
// A folder between folder and file (file lying below folder as written) is a
// symbolic link; the file itself is not counted.
bool linkBetween(const QString& folder, const QString& file);

// The folder is a memory card's or part of one: it holds the recorder's
// settings files (SETINF.DAT, GROUP.DAT) or a MOVE folder, or it is a MOVE
// folder holding the version file (ver.txt) or lying beside the settings
// files. A backup is none of these, so such a folder is never taken for
// one; a copy of MOVE under another name is a backup.
bool holdsCardMarkers(const QString& folder);
// The part of a card that a backup must stay out of, for data opened from
// sourceFolder: the card's root (the folder above MOVE) when the data is a
// card's MOVE folder, else the source folder itself. Resolved.
QString cardAreaOf(const QString& sourceFolder);

// The resolved path equals the resolved folder or lies below it.
bool isInsideOrSame(const QString& path, const QString& folder, Qt::CaseSensitivity cs = Qt::CaseSensitive);
// The resolved path lies strictly below the resolved folder.
bool isStrictlyInside(const QString& path, const QString& folder, Qt::CaseSensitivity cs = Qt::CaseSensitive);
// One of the two contains the other (or they are the same). Letter case is
// ignored: a folder on a card or stick may be reached in either spelling.
bool overlaps(const QString& a, const QString& b);

// The lexical path of file relative to folder (both made absolute and
// cleaned, links not followed); empty when file does not lie strictly below
// folder.
QString relativeInside(const QString& folder, const QString& file);

// What is wrong with a new backup folder's name, or nothing.
enum class NameProblem { None, Empty, InvalidFormat, TooLong };
NameProblem checkFolderName(const QString& name);
// The user's text for a problem (translated); empty for None.
QString nameProblemText(NameProblem problem);

// Sizes in units of 1,048,576 bytes with one decimal and "," grouping,
// followed by " MB"; empty for a negative count.
// Backup dialog: rounded to the nearest tenth, halves away from zero.
QString backupSizeText(qint64 bytes);
// Clean-up dialog: cut to two decimals, then rounded to one, halves to even.
QString cleanupSizeText(qint64 bytes);

} // namespace BackupPaths
