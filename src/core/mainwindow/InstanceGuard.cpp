#include "core/mainwindow/InstanceGuard.h"

#include "core/foundation/CommonConst.h"

#include <QDir>
#include <QLockFile>
#include <QMutex>
#include <QRegularExpression>
#include <QStandardPaths>

#include <map>
#include <memory>

namespace {

QMutex g_mutex;
QString g_directoryOverride;
std::map<QString, std::unique_ptr<QLockFile>> g_held;

QString defaultDirectory()
{
    // The runtime folder is private to the user and emptied at log-out, which
    // is what a lock wants; without one the private temporary folder serves.
    QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty()) base = CommonConst::DIR_PATH_TMP();
    return QDir(base).filePath(QStringLiteral("korvelta-replay-locks"));
}

QString directoryLocked()
{
    return g_directoryOverride.isEmpty() ? defaultDirectory() : g_directoryOverride;
}

bool isSafeKey(const QString& key)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9_]{1,64}$"));
    return re.match(key).hasMatch();
}

} // namespace

namespace InstanceGuard {

const QStringList& operations()
{
    static const QStringList keys{VIEWER_SETTING, CAMERA_SETTING, BACKUP_DIRECTORY_SETTING, BACKUP_SETTING,
                                  BACKUP_DELETE};
    return keys;
}

QString lockDirectory()
{
    QMutexLocker lock(&g_mutex);
    return directoryLocked();
}

void setLockDirectory(const QString& path)
{
    QMutexLocker lock(&g_mutex);
    g_directoryOverride = path;
}

bool tryAcquire(const QString& key)
{
    if (!isSafeKey(key)) return false;
    QMutexLocker lock(&g_mutex);
    if (g_held.count(key) != 0) return false;

    const QString dir = directoryLocked();
    if (!QDir().mkpath(dir)) return false;
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    auto file = std::make_unique<QLockFile>(QDir(dir).filePath(key + QStringLiteral(".lock")));
    // Age never makes a lock stale: an operation may stay open for hours.
    // Only a lock whose owner process is gone is taken over.
    file->setStaleLockTime(0);
    if (!file->tryLock(0)) return false;
    g_held.emplace(key, std::move(file));
    return true;
}

void release(const QString& key)
{
    QMutexLocker lock(&g_mutex);
    g_held.erase(key); // the lock file's destructor unlocks and removes it
}

bool isHeldHere(const QString& key)
{
    QMutexLocker lock(&g_mutex);
    return g_held.count(key) != 0;
}

void releaseAll()
{
    QMutexLocker lock(&g_mutex);
    g_held.clear();
}

} // namespace InstanceGuard
