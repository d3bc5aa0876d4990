#pragma once

// What a folder holds, to tell that a job touched nothing it was not asked
// to: checksums of its files and the list of its entries.

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringList>

namespace testfiles {

// Relative path -> SHA-256 of every file below folder (links not followed;
// a link is listed by its target's path).
inline QMap<QString, QByteArray> checksums(const QString& folder)
{
    QMap<QString, QByteArray> out;
    const QDir base(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink()) {
            out.insert(base.relativeFilePath(path), "link:" + info.symLinkTarget().toUtf8());
            continue;
        }
        if (info.isDir()) continue;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) continue;
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(&f);
        out.insert(base.relativeFilePath(path), hash.result());
    }
    return out;
}

// Every entry below folder (folders too), relative.
inline QStringList entries(const QString& folder)
{
    QStringList out;
    const QDir base(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) out.append(base.relativeFilePath(it.next()));
    out.sort();
    return out;
}

} // namespace testfiles
