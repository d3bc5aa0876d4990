#pragma once

#include <QByteArray>

// Opening a file whose path must not be turned elsewhere: no symbolic link
// is followed in any part of the path, not only in its last part as
// O_NOFOLLOW does. A folder swapped for a link to another place (a user's
// private folder, the card) is then an error, never a way there.
namespace LinkFreeOpen {

// Opens path, relative to the open folder at (or AT_FDCWD), with the open
// flags given (O_CLOEXEC is added; no O_CREAT). With beneath, the path may not leave at
// (an absolute path or ".." above it fails with EXDEV). A descriptor, or -1
// with errno set: ELOOP when a part of the path is a symbolic link.
int open(int at, const QByteArray& path, int flags, bool beneath = false);

// Test seam: behave as on a kernel without openat2 (the part-by-part walk).
void setKernelWalkForTesting(bool unavailable);

} // namespace LinkFreeOpen
