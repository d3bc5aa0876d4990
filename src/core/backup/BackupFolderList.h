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

// The names in the order the chooser shows them: plain code-point order,
// case-sensitive ("A" < "B" < "a").
QStringList sortedForDisplay(QStringList names);

} // namespace BackupFolderList
