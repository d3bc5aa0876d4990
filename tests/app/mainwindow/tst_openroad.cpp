// The road from "Open" to a filled list: the chooser's three sources, the
// background load and its completion, and loads that overlap.

#include "AppTestSupport.h"
#include "TestMain.h"
#include "app/catalog/RecordingListModel.h"
#include "app/catalog/VideoListView.h"
#include "../../support/HeldCardReads.h"
#include "app/mainwindow/MainWindow.h"
#include "app/mainwindow/ViewController.h"
#include "app/shell/CardDriveSelectDialog.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <memory>
#include <thread>

using namespace apptest;
using ListType = CommonConst::ListType;

namespace {

ViewController::Options quietOptions(int delayMs = 0)
{
    ViewController::Options o;
    o.probeNetwork = false;
    o.checkForUpdates = false;
    o.loadDelayMs = delayMs;
    o.withPlayer = false; // the load road alone: the list selects the first trip
    return o;
}

struct Stopwatch : StopWatchInterface {
    bool ready = true;
    int resets = 0;
    bool isReady() const override { return ready; }
    void reset() override
    {
        ++resets;
        ready = true;
    }
};

} // namespace

class TestOpenRoad : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        useTemporaryStore(m_dir.path());
        m_card = cardgen::writeCard(m_dir.filePath(QStringLiteral("volumes/CARD_A")), mixedCard());
        // A backup folder holds what the card's movie folder holds.
        cardgen::CardOptions backup;
        backup.trips = {tripOf(2, 5)};
        m_backup = cardgen::writeCard(m_dir.filePath(QStringLiteral("staging")), backup);
        QDir().mkpath(m_dir.filePath(QStringLiteral("backups")));
        QVERIFY(QDir().rename(m_backup.moveDir, m_dir.filePath(QStringLiteral("backups/Trip of May"))));
        QDir().mkpath(m_dir.filePath(QStringLiteral("empty/MOVE")));
    }
    void init()
    {
        auto s = SettingsStore::open();
        s->clear();
        s->setValue(UserDefaultUtil::KEY_FIRST_LAUNCH, true);
        s->setValue(UserDefaultUtil::KEY_PATH_BACKUP, m_dir.filePath(QStringLiteral("backups")));
        UserDefaultUtil::resetToInitialValues();
        CardDriveSelectDialog::setDefaultSource(std::make_shared<FixedCardDriveSource>(
            QStringList{m_dir.filePath(QStringLiteral("volumes/CARD_A"))}));
    }
    void cleanup()
    {
        CardDriveSelectDialog::setDefaultSource(nullptr);
        VideoTypeSelectDialog::setFileChooser({});
        InstanceGuard::releaseAll();
    }

    void openingACardFillsTheListAndSelectsTheFirstTrip()
    {
        MainWindow window(nullptr, quietOptions());
        window.show();
        ViewController* c = window.controller();
        QSignalSpy finished(c, &ViewController::loadFinished);

        whenModalHosts<VideoTypeSelectDialog>([](VideoTypeSelectDialog* chooser, ModalWindow*) {
            whenModalHosts<CardDriveSelectDialog>([](CardDriveSelectDialog* picker, ModalWindow*) {
                QCOMPARE(picker->cmbCardDriveFolder()->currentText(), QStringLiteral("CARD_A"));
                picker->btnOk()->click();
            });
            chooser->btnCardDrive()->click();
        });
        c->showOpenDialog();
        QVERIFY(ModalWindow::current() == nullptr); // the chooser ended its own run
        QVERIFY(c->isLoading());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        QVERIFY(!c->isLoading());

        VideoListView* list = window.videoListView();
        QCOMPARE(list->listType(), ListType::Trip);
        QCOMPARE(list->tableModel()->rowCount(), int(list->list().trips().size()));
        QVERIFY(list->tableModel()->rowCount() >= 2);
        QCOMPARE(list->list().currentRow(ListType::Trip), 0);
        QCOMPARE(list->selectedTableRow(), 0);
        QCOMPARE(list->list().currentRow(ListType::TripChapter), 0);
        QCOMPARE(c->openedMovieType(), std::optional<MovieType>(MovieType::Card));
        QVERIFY(c->backupFlg());
        QVERIFY(c->cardData()->workersRunning());
        QCOMPARE(c->videoTypeSelectDialog()->selectMovieType, MovieType::Card);
    }

    void openingABackupFolderThroughTheChooser()
    {
        MainWindow window(nullptr, quietOptions());
        ViewController* c = window.controller();
        QSignalSpy finished(c, &ViewController::loadFinished);
        whenModalHosts<VideoTypeSelectDialog>([](VideoTypeSelectDialog* chooser, ModalWindow*) {
            whenModalHosts<BackUpFolderSelectDialog>([](BackUpFolderSelectDialog* folders, ModalWindow*) {
                QCOMPARE(folders->cmbBackupFolder()->currentText(), QStringLiteral("Trip of May"));
                folders->btnOk()->click();
            });
            chooser->btnBackupFolder()->click();
        });
        c->showOpenDialog();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        QCOMPARE(window.videoListView()->tableModel()->rowCount(), 1);
        QCOMPARE(c->openedMovieType(), std::optional<MovieType>(MovieType::Backup));
        QVERIFY(!c->backupFlg());
    }

    void openingASingleFileStartsInTheFolderOfTheLastFile()
    {
        MainWindow window(nullptr, quietOptions());
        ViewController* c = window.controller();
        QSignalSpy finished(c, &ViewController::loadFinished);
        const QString movie = m_card.trips[1].chapters[0].path;
        QString startedIn;
        VideoTypeSelectDialog::setFileChooser([&](QWidget*, const QString& start) {
            startedIn = start;
            return movie;
        });
        whenModalHosts<VideoTypeSelectDialog>(
            [](VideoTypeSelectDialog* chooser, ModalWindow*) { chooser->btnFile()->click(); });
        c->showOpenDialog();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        QCOMPARE(startedIn, UserDefaultUtil::documentsPath());
        QCOMPARE(window.videoListView()->tableModel()->rowCount(), 1);
        QCOMPARE(c->openedMovieType(), std::optional<MovieType>(MovieType::PC));
        QCOMPARE(UserDefaultUtil::pathSelectFile, movie);
        QCOMPARE(VideoTypeSelectDialog::fileStartFolder(), QFileInfo(movie).absolutePath());
    }

    void aCancelledPickerKeepsTheKindOfTheOpenData()
    {
        MainWindow window(nullptr, quietOptions());
        ViewController* c = window.controller();
        QSignalSpy finished(c, &ViewController::loadFinished);
        c->loadData(m_dir.filePath(QStringLiteral("backups/Trip of May")), true, MovieType::Backup);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);

        whenModalHosts<VideoTypeSelectDialog>([](VideoTypeSelectDialog* chooser, ModalWindow* host) {
            whenModalHosts<CardDriveSelectDialog>(
                [](CardDriveSelectDialog* picker, ModalWindow*) { picker->btnCancel()->click(); });
            chooser->btnCardDrive()->click();
            QVERIFY(host->isVisible()); // the chooser stays open after a cancelled picker
            host->endModalRun();
        });
        c->showOpenDialog();
        QCOMPARE(c->videoTypeSelectDialog()->selectMovieType, MovieType::Card);
        QCOMPARE(c->openedMovieType(), std::optional<MovieType>(MovieType::Backup));
        QVERIFY(!c->backupFlg());
        QCOMPARE(finished.count(), 1);
    }

    void aSecondLoadStartedWhileOneRunsIsTheOnlyOneToComplete()
    {
        MainWindow window(nullptr, quietOptions(300));
        ViewController* c = window.controller();
        QSignalSpy finished(c, &ViewController::loadFinished);
        AlertLog alerts;
        c->loadData(m_card.moveDir, true, MovieType::Card);
        const std::shared_ptr<CardData> first = c->cardData();
        c->loadData(m_dir.filePath(QStringLiteral("backups/Trip of May")), true, MovieType::Backup);
        const std::shared_ptr<CardData> second = c->cardData();
        QVERIFY(first != second);
        QVERIFY(c->isLoading());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        // The first load's completion is dropped and its catalogue disposed.
        QTRY_VERIFY_WITH_TIMEOUT(first->isDisposed(), 20000);
        QTest::qWait(500);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(c->cardData(), second);
        QVERIFY(!second->isDisposed());
        QVERIFY(!c->isLoading());
        QCOMPARE(window.videoListView()->tableModel()->rowCount(), 1);
        QCOMPARE(c->openedMovieType(), std::optional<MovieType>(MovieType::Backup));
        QVERIFY(alerts.alerts.isEmpty());
    }

    void aResetWhileLoadingDropsTheLoad()
    {
        MainWindow window(nullptr, quietOptions(200));
        ViewController* c = window.controller();
        QSignalSpy finished(c, &ViewController::loadFinished);
        c->loadData(m_card.moveDir, true, MovieType::Card);
        const auto loading = c->cardData();
        c->resetForLoad();
        QVERIFY(!c->isLoading());
        QTRY_VERIFY_WITH_TIMEOUT(loading->isDisposed(), 20000);
        QCOMPARE(finished.count(), 0);
        QCOMPARE(window.videoListView()->tableModel()->rowCount(), 0);
    }

    void closingTheWindowGivesUpALoadOnAHangingCardWithoutWaitingForIt()
    {
        HeldCardReads card;
        auto window = std::make_unique<MainWindow>(nullptr, quietOptions());
        window->controller()->loadData(m_card.moveDir, true, MovieType::Card);
        const std::weak_ptr<CardData> loading = window->controller()->cardData();
        // The load is inside a read of the first recording.
        QTRY_COMPARE(card.reads.load(), 1);
        // Should the window wait for the load, a helper lets the card go after a second.
        QSemaphore closed;
        std::thread helper([&] {
            closed.tryAcquire(1, 1000);
            card.letGo();
        });
        QElapsedTimer closing;
        closing.start();
        window.reset();
        const qint64 closingMs = closing.elapsed();
        closed.release();
        helper.join();
        QVERIFY2(closingMs < 500, qPrintable(QStringLiteral("the window waited %1 ms").arg(closingMs)));
        // Let go, the load ends by itself without another read of the card,
        // and its catalogue goes with it.
        QThreadPool::globalInstance()->waitForDone();
        QCOMPARE(card.reads.load(), 1);
        QVERIFY(loading.expired());
    }

    void aSourceWithoutRecordingsShowsTheAlert()
    {
        MainWindow window(nullptr, quietOptions());
        ViewController* c = window.controller();
        QSignalSpy finished(c, &ViewController::loadFinished);
        AlertLog alerts;
        c->loadData(m_dir.filePath(QStringLiteral("empty/MOVE")), true, MovieType::Card);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        QCOMPARE(alerts.messages(), QStringList{QStringLiteral("Unable to locate the file.")});
        QCOMPARE(alerts.alerts[0].title, Alerts::titleWarning());
        QCOMPARE(alerts.alerts[0].style, Alerts::Style::Critical);
        QVERIFY(!c->isLoading());
        QCOMPARE(window.videoListView()->tableModel()->rowCount(), 0);
        QCOMPARE(window.windowTitle(), QStringLiteral("KORVELTA REPLAY"));
        QVERIFY(!c->openedMovieType());
    }

    void anUnreadableOrForeignFirstRecordingShowsTheAlertAndStartsNoWorker()
    {
        for (const bool foreign : {false, true}) {
            QTemporaryDir dir;
            cardgen::CardOptions o;
            o.trips = {tripOf(2, 0)};
            // A first movie of another format, or one cut short.
            if (foreign) o.trips[0].chapterFormatCodes = {{0, 0x0715}};
            const auto w = cardgen::writeCard(dir.path(), o);
            if (!foreign) {
                QFile f(w.trips[0].chapters[0].path);
                QVERIFY(f.open(QIODevice::ReadWrite));
                QVERIFY(f.resize(100));
                f.close();
            }

            MainWindow window(nullptr, quietOptions());
            ViewController* c = window.controller();
            QSignalSpy finished(c, &ViewController::loadFinished);
            AlertLog alerts;
            c->loadData(w.moveDir, true, MovieType::Card);
            QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
            QCOMPARE(alerts.messages(), QStringList{QStringLiteral("Unable to read the selected file.")});
            QVERIFY(!c->cardData()->workersRunning());
            QCOMPARE(window.videoListView()->tableModel()->rowCount(), 0);
            QVERIFY(!c->isLoading());
        }
    }

    void noRemovableVolumeKeepsTheChooserOpen()
    {
        CardDriveSelectDialog::setDefaultSource(std::make_shared<FixedCardDriveSource>(QStringList{}));
        MainWindow window(nullptr, quietOptions());
        ViewController* c = window.controller();
        AlertLog alerts;
        bool stayedOpen = false;
        whenModalHosts<VideoTypeSelectDialog>([&stayedOpen](VideoTypeSelectDialog* chooser, ModalWindow* host) {
            chooser->btnCardDrive()->click();
            stayedOpen = host->isVisible();
            host->endModalRun();
        });
        c->showOpenDialog();
        QVERIFY(stayedOpen);
        QCOMPARE(alerts.messages(), QStringList{QStringLiteral("Unable to locate the selected drive.")});
        QVERIFY(!c->isLoading());
    }

    void noBackupFolderKeepsTheChooserOpen()
    {
        QDir().mkpath(m_dir.filePath(QStringLiteral("no-backups")));
        SettingsStore::open()->setValue(UserDefaultUtil::KEY_PATH_BACKUP, m_dir.filePath(QStringLiteral("no-backups")));
        MainWindow window(nullptr, quietOptions());
        ViewController* c = window.controller();
        AlertLog alerts;
        bool stayedOpen = false;
        whenModalHosts<VideoTypeSelectDialog>([&stayedOpen](VideoTypeSelectDialog* chooser, ModalWindow* host) {
            chooser->btnBackupFolder()->click();
            stayedOpen = host->isVisible();
            host->endModalRun();
        });
        c->showOpenDialog();
        QVERIFY(stayedOpen);
        QCOMPARE(alerts.messages(), QStringList{QStringLiteral("There is no backup folder.")});
        QVERIFY(!c->isLoading());
    }

    void keptStopwatchResultsRefuseTheFile()
    {
        MainWindow window(nullptr, quietOptions());
        ViewController* c = window.controller();
        Stopwatch stopwatch;
        stopwatch.ready = false;
        c->setStopWatch(&stopwatch);
        int chooserAsked = 0;
        VideoTypeSelectDialog::setFileChooser([&](QWidget*, const QString&) {
            ++chooserAsked;
            return QString();
        });
        // "Cancel" (the first button) keeps the measurement.
        AlertLog alerts;
        whenModalHosts<VideoTypeSelectDialog>([](VideoTypeSelectDialog* chooser, ModalWindow* host) {
            chooser->btnFile()->click();
            host->endModalRun();
        });
        c->showOpenDialog();
        QCOMPARE(chooserAsked, 0);
        QCOMPARE(alerts.messages(),
                 QStringList{QStringLiteral("The Stopwatch measurement result will be deleted. Proceed?")});
        QCOMPARE(stopwatch.resets, 0);
        c->setStopWatch(nullptr);
    }

private:
    QTemporaryDir m_dir;
    cardgen::WrittenCard m_card;
    cardgen::WrittenCard m_backup;
};

KR_TEST_MAIN(TestOpenRoad)
#include "tst_openroad.moc"
