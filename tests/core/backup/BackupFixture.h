#pragma once

// Helpers of the backup and clean-up tests: a generated card, checksums of
// folders and the files a job may have left behind.

#include "catalog/CatalogFixture.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QMap>

namespace backuptest {

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

inline cardgen::CardOptions threeTripCard()
{
    cardgen::CardOptions o;
    o.trips = {catalogtest::tripOf(2, 0), catalogtest::tripOf(3, 1), catalogtest::tripOf(1, 2)};
    o.trips[1].folder = QStringLiteral("MOVE002");
    o.trips[0].drive.incidents = {{cardgen::Incident::Kind::GShock, 5000, true}};
    o.versionFile = false;
    return o;
}

} // namespace backuptest
