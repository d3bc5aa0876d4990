#include "core/backup/BackupFolderList.h"

#include "core/backup/BackupPaths.h"
#include "core/backup/FileOps.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/foundation/CommonConst.h"
#include "core/foundation/FileUtil.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace BackupFolderList {

namespace {
constexpr int MAX_ENTRIES = 100000;
}

std::optional<QStringList> readFolderContents(const QString& root, QString* error)
{
    const QFileInfo info(root);
    auto fail = [&](const QString& message) -> std::optional<QStringList> {
        if (error != nullptr) *error = message;
        return std::nullopt;
    };
    if (root.isEmpty() || !info.exists())
        return fail(
            QCoreApplication::translate("BackupFolderList", "The folder \"%1\" doesn't exist.").arg(root));
    if (!info.isDir())
        return fail(QCoreApplication::translate("BackupFolderList", "\"%1\" is not a folder.").arg(root));
    const QDir dir(root);
    if (!info.isReadable() || !info.isExecutable())
        return fail(QCoreApplication::translate(
                        "BackupFolderList",
                        "The folder \"%1\" couldn't be opened because you don't have permission to view it.")
                        .arg(info.fileName()));
    // Without QDir::Hidden, names starting with a full stop are left out.
    const QStringList names =
        dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    QStringList paths;
    for (const QString& name : names) {
        if (paths.size() >= MAX_ENTRIES) break;
        paths.append(dir.filePath(name));
    }
    return paths;
}

QStringList subfolderNames(const QString& root, QString* error)
{
    QStringList names;
    const auto entries = readFolderContents(root, error);
    if (!entries) return names;
    for (const QString& path : *entries) {
        const QFileInfo fi(path);
        if (fi.exists() && fi.isDir()) names.append(fi.fileName());
    }
    return names;
}

QString preparedRoot()
{
    UserDefaultUtil::load();
    const QString root = UserDefaultUtil::pathBackup;
    if (root == UserDefaultUtil::documentsPath()) QDir().mkpath(root);
    return root;
}

bool looksLikeBackup(const QString& folder)
{
    static const QRegularExpression movieFolder(QStringLiteral("^move[0-9]+$"),
                                                QRegularExpression::CaseInsensitiveOption);
    const QFileInfo info(folder);
    if (!info.isDir() || info.isSymLink() || FileOps::isMountPoint(folder) || BackupPaths::holdsCardMarkers(folder))
        return false;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    int budget = MAX_ENTRIES;
    for (const QFileInfo& e : entries) {
        if (--budget < 0) break;
        if (e.isSymLink()) continue;
        if (e.isFile() && FileUtil::isManagementFileName(e.fileName())) return true;
        if (e.isDir() && movieFolder.match(e.fileName()).hasMatch()) return true;
    }
    return false;
}

QStringList cleanupCandidates(const QString& root, const QStringList& cardFolders, QString* error)
{
    QStringList names;
    const auto entries = readFolderContents(root, error);
    if (!entries) return names;
    for (const QString& path : *entries) {
        if (BackupPaths::isLink(path) || !looksLikeBackup(path)) continue;
        const bool holdsCard = std::any_of(cardFolders.cbegin(), cardFolders.cend(), [&](const QString& card) {
            return !card.isEmpty() && BackupPaths::isInsideOrSame(card, path, Qt::CaseInsensitive);
        });
        if (!holdsCard) names.append(QFileInfo(path).fileName());
    }
    return names;
}

QStringList sortedForDisplay(QStringList names)
{
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseSensitive) < 0;
    });
    return names;
}

} // namespace BackupFolderList
