#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// Writing a file the user relies on so that it is either wholly there or not
// changed at all, and is on the medium (not only in the page cache) when the
// write reports success. A card can be pulled right after a save: the bytes
// and the new directory entry are both flushed.
namespace DurableFile {

// Where a caller passes an int* error, a failure leaves the system's errno
// there (a full disk's ENOSPC, say), so that the user can be told why.

// Writes bytes into a new file beside target (same folder, a name of its own
// that no other file has), flushes it to the medium and answers its path.
// Nothing when the file cannot be made or written whole (it is removed).
std::optional<QString> writeTemporaryBeside(const QString& target, QByteArrayView bytes,
                                            int* error = nullptr);

// Gives the temporary file the target's name (replacing what was there in one
// step) and flushes the folder's entry. False when the rename failed; the
// temporary file is then left for the caller to discard.
bool commit(const QString& temporary, const QString& target, int* error = nullptr);

// Removes a temporary file made by writeTemporaryBeside.
void discard(const QString& temporary);

// writeTemporaryBeside, then commit (discarding on failure).
bool writeAtomically(const QString& target, QByteArrayView bytes, int* error = nullptr);

// Reads at most maxBytes of a file, first asking the system to drop the
// file's cached pages, so that a file flushed before is read back from the
// medium where the system allows it. Nothing when it cannot be opened or
// read; a longer file gives its first maxBytes + 1 bytes so that callers can
// tell it is too long.
std::optional<QByteArray> readBack(const QString& path, qint64 maxBytes);

} // namespace DurableFile
