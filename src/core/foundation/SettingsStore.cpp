#include "core/foundation/SettingsStore.h"

#include <QCoreApplication>
#include <QMutex>
#include <QSaveFile>
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

QString SettingsStore::save(QSettings& store)
{
    store.sync();
    if (store.status() == QSettings::NoError) return {};
    const QString cannot = QCoreApplication::translate("SettingsStore", "The settings file \"%1\" could not be written.")
                               .arg(store.fileName());
    if (store.status() == QSettings::FormatError) return cannot;
    // QSettings tells no more than "access error": opening the file for
    // writing as it does finds the system's reason.
    QSaveFile probe(store.fileName());
    if (!probe.open(QIODevice::WriteOnly)) return cannot + QLatin1Char('\n') + probe.errorString();
    probe.cancelWriting();
    return cannot;
}
