#include "../../support/ModalHosts.h"
#include "AppTestSupport.h"
#include "TestMain.h"
#include "app/backup/BackUpFolderSelectDialog.h"
#include "app/backup/BackupSettingDialog.h"
#include "app/backup/CleanupDialog.h"
#include "app/mainwindow/AppAboutDialog.h"
#include "app/mainwindow/MainWindow.h"
#include "app/settings/CameraSettingDialog.h"
#include "app/settings/ViewerSettingDialog.h"
#include "app/shell/Alerts.h"
#include "app/shell/CardDriveSelectDialog.h"
#include "app/shell/ModalWindow.h"
#include "app/shell/TaskProgressDialog.h"
#include "core/catalog/CardData.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

using Type = ModalWindow::Type;

struct CountingDelegate : ModalWindowDelegate {
    int calls = 0;
    void modalWindowOnClose() override { ++calls; }
};

} // namespace

class TestModalWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        SettingsStore::useFile(m_dir.filePath(QStringLiteral("settings.ini")));
        SettingsStore::open()->setValue(UserDefaultUtil::KEY_FIRST_LAUNCH, true);
        InstanceGuard::setLockDirectory(m_dir.filePath(QStringLiteral("locks")));
    }
    void cleanup()
    {
        InstanceGuard::releaseAll();
        Alerts::setInterceptor({});
        ModalWindow::setChildWindowLevelsHandler({});
    }

    void escapeEndsOnlyOpenFormTrimAndCapture_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("ends");
        const struct {
            const char* name;
            Type type;
            bool ends;
        } rows[] = {{"OpenForm", Type::OpenForm, true},
                    {"ViewerSetting", Type::ViewerSetting, false},
                    {"CameraSetting", Type::CameraSetting, false},
                    {"BackupDelete", Type::BackupDelete, false},
                    {"TaskProgress", Type::TaskProgress, false},
                    {"BackupSetting", Type::BackupSetting, false},
                    {"Trim", Type::Trim, true},
                    {"Capture", Type::Capture, true},
                    {"Etc", Type::Etc, false}};
        for (const auto& r : rows)
            QTest::newRow(r.name) << static_cast<int>(r.type) << r.ends;
    }
    void escapeEndsOnlyOpenFormTrimAndCapture()
    {
        QFETCH(int, type);
        QFETCH(bool, ends);
        ModalWindow w;
        w.setType(static_cast<Type>(type));
        auto* content = new QPushButton(QStringLiteral("x"));
        w.setContent(content, QStringLiteral("t"), QSize(200, 100));
        QCOMPARE(runEndsAfter(w, [&] { QTest::keyClick(content, Qt::Key_Escape); }), ends);
        delete content;
    }

    void closeButtonEndsTheRunAndGivesBackTheOperationLock_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("key");
        QTest::newRow("ViewerSetting") << int(Type::ViewerSetting) << InstanceGuard::VIEWER_SETTING;
        QTest::newRow("CameraSetting") << int(Type::CameraSetting) << InstanceGuard::CAMERA_SETTING;
        // The backup windows leave their locks to the commands that took them.
        QTest::newRow("BackupDelete") << int(Type::BackupDelete) << QString();
        QTest::newRow("BackupSetting") << int(Type::BackupSetting) << QString();
        QTest::newRow("OpenForm") << int(Type::OpenForm) << QString();
        QTest::newRow("Capture") << int(Type::Capture) << QString();
        QTest::newRow("Etc") << int(Type::Etc) << QString();
    }
    void closeButtonEndsTheRunAndGivesBackTheOperationLock()
    {
        QFETCH(int, type);
        QFETCH(QString, key);
        for (const QString& k : InstanceGuard::operations())
            QVERIFY(InstanceGuard::tryAcquire(k));
        ModalWindow w;
        w.setType(static_cast<Type>(type));
        QVERIFY(runEndsAfter(w, [&] { w.close(); }));
        for (const QString& k : InstanceGuard::operations())
            QCOMPARE(InstanceGuard::isHeldHere(k), k != key);
    }

    void closeOfProgressAndTrimAsksTheDelegateOnly()
    {
        for (Type t : {Type::TaskProgress, Type::Trim}) {
            CountingDelegate delegate;
            ModalWindow w;
            w.setType(t);
            w.setMwDelegate(&delegate);
            QVERIFY(!runEndsAfter(w, [&] { w.close(); }));
            QCOMPARE(delegate.calls, 1);

            ModalWindow without;
            without.setType(t);
            QVERIFY(runEndsAfter(without, [&] { without.close(); }));
        }
    }

    void settingsWindowsDropTheirContentOnClose()
    {
        auto content = std::make_unique<QLabel>(QStringLiteral("settings"));
        {
            ModalWindow w;
            w.setType(Type::BackupSetting);
            w.setContent(content.get(), QStringLiteral("t"), QSize(300, 200));
            QVERIFY(runEndsAfter(w, [&] { w.close(); }));
            QVERIFY(w.content() != content.get());
            QCOMPARE(w.size(), QSize(300, 200));
            QVERIFY(content->parentWidget() == nullptr);
        }
        // The dialog object outlives the window and can be hosted again.
        ModalWindow again;
        again.setContent(content.get(), QStringLiteral("t"));
        QCOMPARE(content->parentWidget(), &again);
    }

    void hostedContentSurvivesTheWindow()
    {
        QLabel content(QStringLiteral("kept"));
        {
            ModalWindow w;
            w.setContent(&content, QStringLiteral("Version information"), QSize(487, 407));
            QCOMPARE(w.windowTitle(), QStringLiteral("Version information"));
            QCOMPARE(content.size(), QSize(487, 407));
        }
        QVERIFY(content.parentWidget() == nullptr);
    }

    void trimAndCaptureKeepTheirPositionWhenCentred()
    {
        QWidget main;
        main.setGeometry(100, 100, 800, 600);
        main.show();
        for (Type t : {Type::Trim, Type::Capture}) {
            ModalWindow w(&main);
            w.setType(t);
            w.setFixedSize(200, 100);
            w.move(5, 7);
            w.center();
            QCOMPARE(w.pos(), QPoint(5, 7));
        }
        ModalWindow etc(&main);
        etc.setFixedSize(200, 100);
        etc.move(5, 7);
        etc.center();
        QVERIFY(etc.pos() != QPoint(5, 7));
    }

    void abortModalEndsTheInnermostRun()
    {
        ModalWindow outer;
        ModalWindow inner(&outer);
        bool outerStillOpenAfterInner = false;
        QTimer::singleShot(0, &outer, [&] {
            QTimer::singleShot(0, &inner, [&] {
                QCOMPARE(ModalWindow::current(), &inner);
                ModalWindow::abortModal();
            });
            inner.runModal();
            outerStillOpenAfterInner = outer.isVisible() && ModalWindow::current() == &outer;
            ModalWindow::abortModal();
        });
        outer.runModal();
        QVERIFY(outerStillOpenAfterInner);
        QVERIFY(ModalWindow::current() == nullptr);
        ModalWindow::abortModal(); // nothing running: nothing happens
    }

    void childWindowsAreLoweredAroundRunsAndAlerts()
    {
        QList<bool> calls;
        ModalWindow::setChildWindowLevelsHandler([&](bool raised) { calls.append(raised); });
        ModalWindow w;
        QTimer::singleShot(0, &w, [&] {
            QCOMPARE(calls, QList<bool>{false});
            w.endModalRun();
        });
        w.runModal();
        QCOMPARE(calls, (QList<bool>{false, true}));

        QStringList events;
        ModalWindow::setChildWindowLevelsHandler(
            [&](bool raised) { events.append(raised ? QStringLiteral("raise") : QStringLiteral("lower")); });
        Alerts::setInterceptor([&](const Alerts::Alert&) {
            events.append(QStringLiteral("alert"));
            return Alerts::FIRST_BUTTON;
        });
        Alerts::warning(nullptr, QStringLiteral("m"));
        QCOMPARE(events,
                 (QStringList{QStringLiteral("lower"), QStringLiteral("alert"), QStringLiteral("raise")}));
    }

    void escapeAnswersCancelInTheDialogsThatHaveOne()
    {
        // What each dialog's Cancel does (its lock given back, its job
        // stopped) is what Escape does.
        Alerts::setInterceptor([](const Alerts::Alert&) { return Alerts::FIRST_BUTTON; });
        QVERIFY(InstanceGuard::tryAcquire(InstanceGuard::VIEWER_SETTING));
        {
            ViewerSettingDialog viewer;
            ModalWindow w;
            w.setType(Type::ViewerSetting);
            w.setContent(&viewer, QStringLiteral("Viewer Settings"), ViewerSettingDialog::CONTENT_SIZE);
            QVERIFY(runEndsAfter(w, [&] { QTest::keyClick(viewer.cmbTimeZone, Qt::Key_Escape); }));
            QVERIFY(!InstanceGuard::isHeldHere(InstanceGuard::VIEWER_SETTING));
            w.setContent(nullptr, QString());
        }
        const auto endsOnEscape = [](QWidget* dialog, Type type) {
            ModalWindow w;
            w.setType(type);
            w.setContent(dialog, QStringLiteral("t"));
            const bool ends = runEndsAfter(w, [&] { QTest::keyClick(dialog, Qt::Key_Escape); });
            w.setContent(nullptr, QString());
            return ends;
        };
        CameraSettingDialog camera;
        camera.showDialog();
        QVERIFY(endsOnEscape(&camera, Type::CameraSetting));
        CardDriveSelectDialog picker;
        QVERIFY(endsOnEscape(&picker, Type::CameraSetting));
        BackUpFolderSelectDialog folders;
        QVERIFY(endsOnEscape(&folders, Type::BackupDelete));

        // A running job's progress: Escape cancels the job, whose end closes the window.
        TaskProgressDialog progress;
        progress.start();
        QVERIFY(!endsOnEscape(&progress, Type::TaskProgress));
        QVERIFY(progress.isCancelled());

        // The backup and the clean-up: Escape in the progress of their
        // running job (pressed as its window shows, inside the job's closing
        // pause at the latest) cancels it, its end closes that window, and
        // Escape in the dialog then closes it as its Cancel does. A cancelled
        // backup takes its files back; a clean-up keeps what it removed.
        QStringList told;
        Alerts::setInterceptor([&told](const Alerts::Alert& a) {
            told.append(a.message);
            return a.buttons.size() >= 2 ? Alerts::FIRST_BUTTON + 1 : Alerts::FIRST_BUTTON;
        });
        const auto escapeInTheJob = [](const std::function<void()>& start) {
            bool cancelled = false;
            whenShown<TaskProgressDialog>([&](TaskProgressDialog* job) {
                QTest::keyClick(job, Qt::Key_Escape);
                cancelled = job->isCancelled();
            });
            start();
            return cancelled;
        };
        const auto escapeEndsTheDialog = [&](QWidget* dialog, Type type, const std::function<void()>& inside) {
            ModalWindow w;
            w.setType(type);
            w.setContent(dialog, QStringLiteral("t"));
            const bool ends = runEndsAfter(w, [&] {
                inside();
                QTest::keyClick(dialog, Qt::Key_Escape);
            });
            w.setContent(nullptr, QString());
            return ends;
        };
        cardgen::CardOptions oneTrip;
        oneTrip.trips = {apptest::tripOf(2, 0)};
        const auto written = cardgen::writeCard(m_dir.filePath(QStringLiteral("card")), oneTrip);
        const QString backups = m_dir.filePath(QStringLiteral("backups"));
        QVERIFY(QDir().mkpath(backups));

        BackupSettingDialog backup;
        backup.cardData = CardData::create();
        backup.cardData->readCardData(written.moveDir);
        backup.pathBackup = backups;
        backup.prepare();
        QTRY_VERIFY(!backup.isReading());
        backup.btnCheckOn()->click();
        backup.txtFolderName()->setText(QStringLiteral("Escaped"));
        bool cancelled = false;
        QVERIFY(escapeEndsTheDialog(&backup, Type::BackupSetting, [&] {
            cancelled = escapeInTheJob([&] { backup.btnOk()->click(); });
        }));
        QVERIFY(cancelled);
        QCOMPARE(backup.lastStatus(), std::optional(BackupCopyJob::Status::Cancelled));
        QCOMPARE(told.last(), QStringLiteral("Backup cancelled."));
        QVERIFY(!QFileInfo::exists(backups + QStringLiteral("/Escaped")));

        const QString kept = apptest::makeBackupFolder(m_dir, backups, QStringLiteral("Kept"), oneTrip);
        CleanupDialog cleanup;
        cleanup.backupRootPath = backups;
        cleanup.cleanupDirPath = kept;
        cleanup.showCleanup();
        QTRY_VERIFY(!cleanup.isReading());
        cleanup.btnCheckOn()->click();
        cancelled = false;
        QVERIFY(escapeEndsTheDialog(&cleanup, Type::Etc, [&] {
            cancelled = escapeInTheJob([&] { cleanup.btnOk()->click(); });
        }));
        QVERIFY(cancelled);
        QCOMPARE(told.last(), QStringLiteral("Delete cancelled."));
        Alerts::setInterceptor([](const Alerts::Alert&) { return Alerts::FIRST_BUTTON; });

        // A Cancel that cannot be pressed now is not pressed.
        QWidget busy;
        auto* cancel = new QPushButton(QStringLiteral("Cancel"), &busy);
        cancel->setObjectName(ModalWindow::CANCEL_BUTTON_NAME);
        cancel->setEnabled(false);
        bool pressed = false;
        connect(cancel, &QPushButton::clicked, this, [&] { pressed = true; });
        busy.resize(200, 100);
        QVERIFY(!endsOnEscape(&busy, Type::Etc));
        QVERIFY(!pressed);
    }

    void floatingWindowsStayLoweredUntilTheOutermostRunEnds()
    {
        ViewController::Options options;
        options.probeNetwork = options.checkForUpdates = options.withPlayer = false;
        MainWindow main(nullptr, options);
        QWidget stopwatch(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
        stopwatch.show();
        main.controller()->addFloatingWindow(&stopwatch);
        const auto floats = [&] { return stopwatch.windowFlags().testFlag(Qt::WindowStaysOnTopHint); };

        Alerts::setInterceptor([](const Alerts::Alert&) { return Alerts::FIRST_BUTTON; });
        QList<bool> insideTheRun;
        ModalWindow dialog(&main);
        QTimer::singleShot(0, &dialog, [&] {
            insideTheRun << floats();
            // A warning inside the dialog, a file panel of the dialog's own,
            // a dialog run inside it and the application coming back to the
            // front: none of them brings the windows back up.
            Alerts::warning(&dialog, QStringLiteral("Unable to save."));
            insideTheRun << floats();
            main.controller()->setChildWindowLevels(false);
            main.controller()->setChildWindowLevels(true);
            insideTheRun << floats();
            ModalWindow inner(&dialog);
            QTimer::singleShot(0, &inner, [&] { inner.endModalRun(); });
            inner.runModal();
            main.controller()->applicationStateChanged(Qt::ApplicationActive);
            insideTheRun << floats() << stopwatch.isVisible();
            dialog.endModalRun();
        });
        dialog.runModal();
        QCOMPARE(insideTheRun, (QList<bool>{false, false, false, false, true}));
        QVERIFY(floats());
        QVERIFY(stopwatch.isVisible());
        QVERIFY(!ModalWindow::childWindowsLowered());
    }

    void alertsCarryTitleStyleAndButtonsInOrder()
    {
        QList<Alerts::Alert> seen;
        Alerts::setInterceptor([&](const Alerts::Alert& a) {
            seen.append(a);
            return Alerts::FIRST_BUTTON + 1;
        });
        QCOMPARE(Alerts::confirm(nullptr, QStringLiteral("Proceed?")), Alerts::FIRST_BUTTON + 1);
        Alerts::warning(nullptr, QStringLiteral("failed"));
        Alerts::information(nullptr, QStringLiteral("done"));
        QCOMPARE(seen.size(), 3);
        QCOMPARE(seen[0].title, QStringLiteral("confirmation"));
        QCOMPARE(seen[0].buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("Cancel")}));
        QCOMPARE(seen[0].style, Alerts::Style::Informational);
        QCOMPARE(seen[1].title, QStringLiteral("Warning"));
        QCOMPARE(seen[1].style, Alerts::Style::Critical);
        QCOMPARE(seen[1].buttons, QStringList{QStringLiteral("OK")});
        QCOMPARE(seen[2].title, QStringLiteral("Information"));
    }

    void realAlertAnswersTheButtonPressed()
    {
        int answer = 0;
        QTimer::singleShot(0, this, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            QCOMPARE(box->text(), QStringLiteral("confirmation"));
            QCOMPARE(box->informativeText(), QStringLiteral("Proceed?"));
            QTest::keyClick(box, Qt::Key_Escape);
        });
        answer = Alerts::confirm(nullptr, QStringLiteral("Proceed?"));
        QCOMPARE(answer, Alerts::FIRST_BUTTON + 1);
    }

    void runDialogHostsAndHandsTheContentBack()
    {
        QWidget main;
        QLabel content(QStringLiteral("c"));
        QTimer::singleShot(0, &content, [&] {
            auto* host = ModalWindow::current();
            QVERIFY(host != nullptr);
            QCOMPARE(host->type(), Type::OpenForm);
            QCOMPARE(host->windowTitle(), QStringLiteral("Open From"));
            QCOMPARE(content.parentWidget(), host);
            QTest::keyClick(host, Qt::Key_Escape);
        });
        ModalWindow::runDialog(&main, &content, Type::OpenForm, QStringLiteral("Open From"), QSize(300, 200));
        QVERIFY(content.parentWidget() == nullptr);
        QVERIFY(ModalWindow::current() == nullptr);
    }

    void aboutBoxShowsTheVersionAndEndsOnOkAndEscape()
    {
        AppAboutDialog about;
        QCOMPARE(about.lblAppVersion()->text(), QStringLiteral(KR_APP_VERSION));
        ModalWindow w;
        w.setContent(&about, AppAboutDialog::windowTitleText(), AppAboutDialog::CONTENT_SIZE);
        QVERIFY(runEndsAfter(w, [&] { about.okBtn()->click(); }));
        QVERIFY(runEndsAfter(w, [&] { QTest::keyClick(about.okBtn(), Qt::Key_Escape); }));
        w.setContent(nullptr, QString());
    }

private:
    QTemporaryDir m_dir;
};

KR_TEST_MAIN(TestModalWindow)
#include "tst_modalwindow.moc"
