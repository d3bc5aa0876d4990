#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The backup folders that the backup-folder chooser offers: the visible
// sub-folders directly below the backup root.
namespace BackupFolderList {

// Paths of the visible entries directly below root (shallow, hidden entries
// skipped), in the file system's order. Nothing, with a message for the
// user in *error, when root cannot be listed.
std::optional<QStringList> readFolderContents(const QString& root, QString* error = nullptr);

// Names of the entries of readFolderContents that are folders (a link to a
// folder counts), unsorted. Empty when the root cannot be listed.
QStringList subfolderNames(const QString& root, QString* error = nullptr);

// The folder whose sub-folders the chooser lists: the chosen backup folder,
// or the Documents folder when none was chosen or the chosen one is gone
// (UserDefaultUtil::load decides). The Documents folder is made when it is
// missing, as on a fresh account, so that the chooser opens on an empty list
// rather than an alert. Reads the settings store.
QString preparedRoot();
// A folder that a backup made: a real folder (not a symbolic link, nothing
// mounted there) that holds one of the recorder's management files or a
// movie folder (MOVE001 and the like), directly, and none of a memory
// card's own files (BackupPaths::holdsCardMarkers). The clean-up offers only these, so that
// a plain folder of the backup root (the Documents folder when no backup
// folder is set) or a card is never offered for deletion.
bool looksLikeBackup(const QString& folder);

// The names of the sub-folders of root that the clean-up offers: each a
// real folder (a link to one is left out, whatever it points to) that looks
// like a backup and neither is nor holds any of the card folders given (the
// open card's, the card drives'). Unsorted; empty when root cannot be listed.
QStringList cleanupCandidates(const QString& root, const QStringList& cardFolders, QString* error = nullptr);

// The names in the order the chooser shows them: plain code-point order,
// case-sensitive ("A" < "B" < "a").
QStringList sortedForDisplay(QStringList names);

} // namespace BackupFolderList
