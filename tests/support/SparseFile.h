#pragma once

// Files grown far beyond what a recorder writes, for the readers' size
// limits, without filling the disk: the grown part is a hole.

#include <QFile>
#include <QString>

#include <sys/stat.h>

// Grows the file to size with a hole. False when the file system keeps no
// holes (the file then takes its whole size on disk): nothing to test there.
inline bool growWithAHole(const QString& path, qint64 size)
{
    if (!QFile::resize(path, size)) return false;
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 &&
           qint64(st.st_blocks) * 512 < 64 * 1024 * 1024;
}
