#include "TestMain.h"
#include "app/shell/Alerts.h"
#include "app/shell/ModalWindow.h"
#include "app/shell/TaskProgressDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QtTest>

namespace {

struct CountingDelegate : TaskProgressDialogDelegate {
    int calls = 0;
    std::function<void()> onClose;
    void taskProgressDialogOnClose() override
    {
        ++calls;
        if (onClose) onClose();
    }
};

const QString kElapsedPrefix = QStringLiteral("elapsed time\uFF1A");

} // namespace

class TestTaskProgressDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { Alerts::setInterceptor({}); }

    void firstTickIsInsideStartAndDotsCycle()
    {
        TaskProgressDialog backup;
        backup.start();
        QCOMPARE(backup.txtComment()->text(), QStringLiteral("Backing up files.."));
        QCOMPARE(backup.txtElapsedTime()->text(), kElapsedPrefix + "00:00:00");
        QVERIFY(backup.isTimerRunning());

        TaskProgressDialog trim;
        trim.setTaskMode(TaskMode::Trim);
        trim.start();
        QCOMPARE(trim.txtComment()->text(), QStringLiteral("Trimming video file.."));
        trim.timeUpdate();
        QCOMPARE(trim.txtComment()->text(), QStringLiteral("Trimming video file..."));
        for (int i = 0; i < 9; ++i)
            trim.timeUpdate();
        QCOMPARE(trim.txtComment()->text(), QStringLiteral("Trimming video file."));
        QCOMPARE(trim.dotCount(), 1);
    }

    void cancelStopsTheClockAndOnlyATrimTellsItsDelegate()
    {
        for (TaskMode mode : {TaskMode::Backup, TaskMode::Cleanup, TaskMode::Trim}) {
            TaskProgressDialog dialog;
            CountingDelegate delegate;
            dialog.setDelegate(&delegate);
            dialog.setTaskMode(mode);
            const TaskCancelFlag workerCopy = dialog.cancelFlag();
            dialog.start();
            QTest::mouseClick(dialog.btnCancel(), Qt::LeftButton);
            QVERIFY(workerCopy.isCancelled());
            QVERIFY(!dialog.isTimerRunning());
            const QString frozen = dialog.txtComment()->text();
            dialog.btnCancel_Click(); // a second press: harmless, the trim delegate hears it again
            QCOMPARE(delegate.calls, mode == TaskMode::Trim ? 2 : 0);
            QCOMPARE(dialog.txtComment()->text(), frozen);
            QVERIFY(dialog.btnCancel()->isEnabled());
        }
    }

    void closeButtonCancelsAndTheWindowStaysUntilTheCallerEndsIt()
    {
        TaskProgressDialog dialog;
        dialog.setTaskMode(TaskMode::Backup);
        CountingDelegate delegate;
        dialog.setDelegate(&delegate);
        dialog.start();
        ModalWindow window;
        window.setType(ModalWindow::Type::TaskProgress);
        window.setMwDelegate(&dialog);
        window.setContent(&dialog, TaskProgressDialog::windowTitle(TaskMode::Backup),
                          TaskProgressDialog::CONTENT_SIZE);
        bool visibleAfterClose = false;
        int ticksSeen = 0;
        QTimer::singleShot(0, &window, [&] {
            const int before = dialog.dotCount();
            // The clock keeps running inside the modal run.
            QTimer::singleShot(1150, &window, [&, before] {
                ticksSeen = (dialog.dotCount() - before + 11) % 11;
                window.close();
                QTimer::singleShot(20, &window, [&] {
                    visibleAfterClose = window.isVisible();
                    window.endModalRun();
                });
            });
        });
        window.runModal();
        QCOMPARE(ticksSeen, 1);
        QVERIFY(visibleAfterClose);
        QVERIFY(dialog.isCancelled());
        QCOMPARE(delegate.calls, 0);
        QCOMPARE(window.content()->size(), QSize(534, 181));
    }

    void workerWritesArriveOnTheGuiThreadInOrder()
    {
        TaskProgressDialog dialog;
        dialog.setTaskMode(TaskMode::Backup);
        dialog.start();
        QThread* worker = QThread::create([&dialog] {
            for (int i = 1; i <= 50; ++i)
                dialog.setProgress(i * 2, TaskProgress::percentText(TaskMode::Backup, i * 2));
            dialog.stopTimer();
        });
        worker->start();
        QVERIFY(worker->wait(5000));
        delete worker;
        QVERIFY(dialog.isTimerRunning()); // nothing touched from the worker itself
        QTRY_VERIFY(!dialog.isTimerRunning());
        QCOMPARE(dialog.progressBar()->value(), 1000);
        QCOMPARE(dialog.progressLabel()->text(), QStringLiteral("100\uFF05"));
        QCOMPARE(dialog.progressValue(), 100.0);
    }

    void resultAlertComesBeforeTheDelegate()
    {
        TaskProgressDialog dialog;
        CountingDelegate delegate;
        dialog.setDelegate(&delegate);
        QStringList seen;
        int delegateCallsDuringAlert = -1;
        Alerts::setInterceptor([&](const Alerts::Alert& a) {
            seen << a.title + "/" + a.message;
            delegateCallsDuringAlert = delegate.calls;
            return Alerts::FIRST_BUTTON;
        });
        dialog.showBackupCancelled();
        dialog.showDeleteCompleted();
        QCOMPARE(seen, (QStringList{"Information/Backup cancelled.", "Information/Delete completed."}));
        QCOMPARE(delegateCallsDuringAlert, 1);
        QCOMPARE(delegate.calls, 2);
        dialog.setDelegate(nullptr);
        dialog.showSaveCompleted(); // a delegate that went away is skipped
        QCOMPARE(seen.size(), 3);
    }
};

KR_TEST_MAIN(TestTaskProgressDialog)
#include "tst_taskprogressdialog.moc"
