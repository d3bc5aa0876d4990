#include "core/foundation/SettingsStore.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Every core test runs with a QCoreApplication and a settings file of its
// own, never the user's.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    SettingsStore::setIdentity();
    QTemporaryDir settingsDir;
    SettingsStore::useFile(settingsDir.filePath(QStringLiteral("settings.ini")));
    const int result = RUN_ALL_TESTS();
    // The last changes go to the run's file while its folder is there.
    SettingsStore::finish();
    return result;
}
