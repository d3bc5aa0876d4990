#include "core/foundation/SettingsStore.h"

#include <QCoreApplication>
#include <QMutex>
#include <QSettings>

namespace {
QMutex g_mutex;
QString g_overridePath;
} // namespace

void SettingsStore::setIdentity()
{
    QCoreApplication::setOrganizationName(ORGANIZATION);
    QCoreApplication::setApplicationName(APPLICATION);
}

void SettingsStore::useFile(const QString& path)
{
    QMutexLocker lock(&g_mutex);
    g_overridePath = path;
}

std::unique_ptr<QSettings> SettingsStore::open()
{
    QString path;
    {
        QMutexLocker lock(&g_mutex);
        path = g_overridePath;
    }
    if (!path.isEmpty()) return std::make_unique<QSettings>(path, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, ORGANIZATION, APPLICATION);
}
