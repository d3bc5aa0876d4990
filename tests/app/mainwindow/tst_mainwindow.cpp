#include "TestMain.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "app/mainwindow/MainWindow.h"

#include <QTemporaryDir>
#include <QtTest>

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        SettingsStore::useFile(m_dir.filePath(QStringLiteral("settings.ini")));
        SettingsStore::open()->setValue(UserDefaultUtil::KEY_FIRST_LAUNCH, true);
    }

    void showsTheApplicationTitleWhenNothingIsLoaded()
    {
        ViewController::Options quiet;
        quiet.probeNetwork = false;
        quiet.checkForUpdates = false;
        MainWindow window(nullptr, quiet);
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("KORVELTA REPLAY"));
        QVERIFY(!window.grab().isNull());
    }

private:
    QTemporaryDir m_dir;
};

KR_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
