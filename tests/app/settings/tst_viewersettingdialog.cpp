// The viewer-settings dialog: the stored values it shows, what OK stores,
// the restart it offers (the main window closes and a new copy starts by an
// argument list, tried here with a stand-in program), and a screenshot with
// every control inside the window and unclipped.

#include "../../support/FileSizeLimit.h"
#include "AppTestSupport.h"
#include "LayoutCheck.h"
#include "TestMain.h"
#include "app/settings/ViewerSettingDialog.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/SettingsValue.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"
#include "core/mainwindow/Relaunch.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// OK, and the store's answer to it taken.
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool pressOk(ViewerSettingDialog& d)
{
    d.btnOk->click();
    return QTest::qWaitFor([&d] { return !d.isSaving(); });
}
} // namespace

class TestViewerSettingDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        apptest::useTemporaryStore(m_dir.path());
    }
    void init()
    {
        SettingsStore::open()->clear();
        UserDefaultUtil::resetToInitialValues();
        restartRequested = false;
    }

    void showsTheStoredValuesAndFallsBackToTheFirstItem()
    {
        ViewerSettingDialog first;
        QCOMPARE(first.cmbDateFormat->currentIndex(), 0);
        QCOMPARE(first.cmbTimeZone->currentText(), QStringLiteral("AEST-Australian Eastern"));
        QCOMPARE(first.rbtnSummerTime->checkedId(), 1);
        QCOMPARE(first.rbtnSpeedMeter->checkedId(), 0);

        const auto store = SettingsStore::open();
        store->setValue(UserDefaultUtil::KEY_TIME_ZONE, 7);
        store->setValue(UserDefaultUtil::KEY_DATE_FORMAT, 2);
        store->setValue(UserDefaultUtil::KEY_SPEED_METER, false);
        first.setupControls();
        QCOMPARE(first.cmbTimeZone->count(), 7);
        QCOMPARE(first.cmbTimeZone->currentIndex(), 0);
        QCOMPARE(first.cmbDateFormat->currentIndex(), 0);
        QCOMPARE(first.rbtnSpeedMeter->checkedId(), 1);
    }

    void okStoresTheValuesAndAsksOnlyWhenTheyDifferFromTheRunningOnes()
    {
        apptest::AlertLog alerts;
        ViewerSettingDialog d;
        QVERIFY(pressOk(d));
        QVERIFY(alerts.alerts.isEmpty());
        QCOMPARE(SettingsStore::open()->value(UserDefaultUtil::KEY_TIME_ZONE).toInt(), 0);

        // Changed and the restart declined: stored, not taken by this run,
        // and asked again next time.
        Alerts::setInterceptor([&alerts](const Alerts::Alert& a) {
            alerts.alerts.append(a);
            return Alerts::FIRST_BUTTON + 1;
        });
        InstanceGuard::tryAcquire(InstanceGuard::VIEWER_SETTING);
        d.cmbTimeZone->setCurrentIndex(4);
        QVERIFY(pressOk(d));
        QCOMPARE(alerts.messages().value(0),
                 QStringLiteral("Settings will be reflected after restarting the application. Would you like to "
                                "restart now?"));
        QCOMPARE(SettingsStore::open()->value(UserDefaultUtil::KEY_TIME_ZONE).toInt(), 4);
        QCOMPARE(UserDefaultUtil::timeZone.load(), 0);
        QVERIFY(!restartRequested);
        QVERIFY(!InstanceGuard::isHeldHere(InstanceGuard::VIEWER_SETTING));
        ViewerSettingDialog again;
        QCOMPARE(again.cmbTimeZone->currentIndex(), 4);
        QVERIFY(pressOk(again));
        QCOMPARE(alerts.alerts.size(), 2);
    }

    void cancelStoresNothing()
    {
        ViewerSettingDialog d;
        InstanceGuard::tryAcquire(InstanceGuard::VIEWER_SETTING);
        d.rbtnSummerTime->button(0)->setChecked(true);
        d.btnCancel->click();
        QVERIFY(!SettingsStore::open()->contains(UserDefaultUtil::KEY_SUMMER_TIME));
        QVERIFY(!InstanceGuard::isHeldHere(InstanceGuard::VIEWER_SETTING));
    }

    void settingsThatCannotBeSavedAreToldAndTheDialogStays()
    {
        // The store's folder cannot be made (a file stands in its place):
        // refused for root too, as a read-only home folder is for a user.
        const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        SettingsStore::useFile(blocker + QStringLiteral("/settings.ini"));
        apptest::AlertLog alerts;
        InstanceGuard::tryAcquire(InstanceGuard::VIEWER_SETTING);
        ViewerSettingDialog d;
        d.rbtnSpeedMeter->button(1)->setChecked(true);
        QVERIFY(pressOk(d));
        apptest::useTemporaryStore(m_dir.path());
        QCOMPARE(alerts.messages(), QStringList{QStringLiteral("The settings could not be saved.\nThe settings file "
                                                               "\"%1/settings.ini\" could not be written.\nNot a directory")
                                                    .arg(blocker)});
        QVERIFY(!restartRequested);
        QVERIFY(InstanceGuard::isHeldHere(InstanceGuard::VIEWER_SETTING)); // still open

        // A full disk: files of this process may grow no further than 1 KiB,
        // less than the settings file. The file stays as it was.
        const QString store = m_dir.filePath(QStringLiteral("settings.ini"));
        SettingsStore::open()->setValue(QStringLiteral("padding"), QString(4000, QLatin1Char('p')));
        QCOMPARE(SettingsStore::flush(), QString());
        const QByteArray before = readAll(store);
        alerts.alerts.clear();
        ViewerSettingDialog full;
        full.rbtnSpeedMeter->button(1)->setChecked(true);
        bool answered = false;
        {
            const testfiles::FileSizeLimit limit(1024);
            QVERIFY(limit.made());
            answered = pressOk(full);
        }
        QVERIFY(answered);
        QCOMPARE(alerts.messages(),
                 QStringList{QStringLiteral("The settings could not be saved.\nThe settings file \"%1\" could "
                                            "not be written.\n")
                                 .arg(store) +
                             qt_error_string(EFBIG)});
        QCOMPARE(readAll(store), before);
        QVERIFY(!restartRequested);
        QVERIFY(InstanceGuard::isHeldHere(InstanceGuard::VIEWER_SETTING));
        // Given up on (Cancel): the values that failed never go in with a
        // later write.
        QCOMPARE(SettingsStore::flush(), QString());
        QCOMPARE(readAll(store), before);
        QVERIFY(SettingsValue::boolOf(SettingsStore::open()->value(UserDefaultUtil::KEY_SPEED_METER, true)));
        InstanceGuard::release(InstanceGuard::VIEWER_SETTING);
    }

    void anAcceptedRestartClosesTheMainWindowAndStartsANewCopy()
    {
        apptest::AlertLog alerts;
        QWidget mainWindow;
        mainWindow.show();
        ViewerSettingDialog d;
        d.frmMain = &mainWindow;
        d.rbtnSpeedMeter->button(1)->setChecked(true);
        QVERIFY(pressOk(d));
        QVERIFY(restartRequested);
        QVERIFY(!UserDefaultUtil::speedMeter.load()); // the stored values were loaded
        QTRY_VERIFY(!mainWindow.isVisible());

        // The new copy is started from its path and arguments, no shell
        // between: quotes, ";" and "$(...)" in them are only characters.
        const QString folder = m_dir.filePath(QStringLiteral("app \"; touch shell-ran; \" $(touch shell-ran)"));
        QVERIFY(QDir().mkpath(folder));
        const QString standIn = QDir(folder).filePath(QStringLiteral("korvelta-replay"));
        const QString out = m_dir.filePath(QStringLiteral("arguments.txt"));
        {
            QFile f(standIn);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$KR_STAND_IN_OUT\"\n");
        }
        QFile::setPermissions(standIn, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("KR_STAND_IN_OUT", out.toLocal8Bit());
        const QStringList arguments = {QStringLiteral("-style"), QStringLiteral("a b; $(touch shell-ran)")};
        QVERIFY(Relaunch::relaunchIfRequested(standIn, arguments));
        QVERIFY(!restartRequested);
        QTRY_VERIFY(QFileInfo(out).size() > 0);
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLocal8Bit(f.readAll()), arguments.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        QVERIFY(!QFile::exists(QStringLiteral("shell-ran")) && !QFile::exists(m_dir.filePath(QStringLiteral("shell-ran"))));
        // Asked once, started once.
        QVERIFY(!Relaunch::relaunchIfRequested(standIn, arguments));
    }

    void screenshotShowsEveryControlInsideTheWindowUnclipped()
    {
        ViewerSettingDialog d;
        d.setFixedSize(ViewerSettingDialog::CONTENT_SIZE);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QVERIFY(d.wasShown());
        const QImage shot = d.grab().toImage();
        shot.save(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("viewer-settings.png")));
        const QStringList problems = layoutcheck::problems(&d);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

private:
    QTemporaryDir m_dir;
};

KR_TEST_MAIN(TestViewerSettingDialog)
#include "tst_viewersettingdialog.moc"
