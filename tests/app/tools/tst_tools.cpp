// The player's tools on the main window over a generated card with real
// movies: the trim window cuts a range across a chapter boundary into a
// movie that opens again as a recording, a running trim can be cancelled,
// the capture window writes a JPEG, and the stopwatch follows the play
// position and the player's Stop button.

#include "../../support/HeldCardReads.h"
#include "AppTestSupport.h"
#include "FakePlayerWindow.h"
#include "../../support/FolderChecksums.h"
#include "TestMain.h"
#include "app/catalog/VideoListView.h"
#include "app/mainwindow/MainWindow.h"
#include "app/mainwindow/PlayController.h"
#include "app/mainwindow/ViewController.h"
#include "app/player/CustomSliderCell.h"
#include "app/map/GoogleEarthExport.h"
#include "app/player/ChapterLoads.h"
#include "app/player/MoviePlayerView.h"
#include "app/shell/EXTextButton.h"
#include "app/shell/TaskProgressDialog.h"
#include "app/tools/CaptureView.h"
#include "app/tools/StopWatchView.h"
#include "app/tools/ToolController.h"
#include "app/tools/TrimView.h"
#include "core/catalog/TripData.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"
#include "core/media/AVUtil.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VideoInfo.h"
#include "core/tools/OutputRule.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QImageReader>
#include <QProgressBar>
#include <QSaveFile>
#include <QSemaphore>
#include <QThread>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>

using namespace apptest;
using CommonConst::PlayStatus;

namespace {

struct Rig {
    QPointer<FakeMediaPlayer> media;
    std::unique_ptr<MainWindow> window;

    explicit Rig(const QString& workFolder)
    {
        window = makeFakePlayerWindow(media, 4000);
        window->resize(1280, 800);
        window->show();
        window->playController()->tools()->trimWorkFolder = workFolder;
    }
    MoviePlayerView* player() const { return window->moviePlayerView(); }
    ToolController* tools() const { return window->playController()->tools(); }
    bool load(const QString& path, MovieType kind = MovieType::Card)
    {
        QSignalSpy finished(window->controller(), &ViewController::loadFinished);
        window->controller()->loadData(path, false, kind);
        if (!finished.wait(20000)) return false;
        // Positions across chapters count each chapter's length, known once
        // the workers have read its recording: wait for them, as a user's
        // track bar does before a range is picked beyond the first chapter.
        return QTest::qWaitFor(
            [this] {
                const ChapterList list = chapters();
                return std::all_of(list.begin(), list.end(), [](const auto& c) { return c && c->hasPicture(); });
            },
            20000);
    }
    ChapterList chapters() const { return player()->_valueInfo->_chapterDataList; }
    void moveTo(qint64 position) { player()->changeChapter(PlayStatus::Pause, position); }
    // The cut button twice: the range from `from` to `to`, then the trim window.
    void trimRange(qint64 from, qint64 to)
    {
        moveTo(from);
        player()->cutButton->click();
        moveTo(to);
        player()->cutButton->click();
    }
};

bool isEmptyFolder(const QString& path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty();
}

} // namespace

class TestTools : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        SettingsStore::useFile(m_dir.filePath("settings.ini"));
        InstanceGuard::setLockDirectory(m_dir.filePath("locks"));
        cardgen::CardOptions o;
        cardgen::TripOptions trip = tripOf(2, 0, 4);
        trip.format.realVideo = true;
        o.trips = {trip};
        o.videoCacheDir = m_dir.filePath("cache");
        m_card = cardgen::writeCard(m_dir.filePath("card"), o);
        m_work = m_dir.filePath("work");
        QVERIFY(QDir().mkpath(m_work));
        QVERIFY(QDir().mkpath(m_dir.filePath("out")));
    }
    void init()
    {
        auto s = SettingsStore::open();
        s->clear();
        s->setValue(UserDefaultUtil::KEY_FIRST_LAUNCH, true);
        UserDefaultUtil::resetToInitialValues();
    }
    void cleanup() { ToolSupport::setSavePanel({}); }

    void aTrimAcrossAChapterBoundaryIsSavedAndOpensAgainWithItsData()
    {
        AlertLog alerts;
        Rig rig(m_work);
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_VERIFY(rig.player()->isReady());
        const ChapterList chapters = rig.chapters();
        QCOMPARE(chapters.size(), 2);
        const QString output = m_dir.filePath("out/cut one.mp4");
        QString offeredFolder;
        ToolSupport::setSavePanel([&](const QString& folder, const QString& suffix) {
            offeredFolder = folder;
            return suffix == "mp4" ? m_dir.filePath("out/cut one") : QString();
        });

        bool checked = false;
        QPoint toolWindowAt;
        whenModalHosts<TrimView>([&](TrimView* trim, ModalWindow* window) {
            checked = true;
            QCOMPARE(window->windowTitle(), QStringLiteral("Trim Tool"));
            QCOMPARE(trim->size(), QSize(500, 135));
            toolWindowAt = window->frameGeometry().topLeft();
            QVERIFY(!trim->cutFlg());
            QVERIFY(trim->checks().chkDate->isEnabled());
            trim->checks().chkSpeed->setChecked(true);
            trim->checks().chkPoint->setCheckState(Qt::PartiallyChecked); // counts as ticked
            QTest::mouseClick(trim->btnSave(), Qt::LeftButton);
        });
        rig.trimRange(2000, PictureDataUtil::position(chapters, 1, 2000));
        QVERIFY(checked);
        // Just below the main window's title bar, level with the cut button.
        QWidget* main = rig.window.get();
        QCOMPARE(toolWindowAt, QPoint(main->frameGeometry().x() + rig.player()->cutButton->mapTo(main, QPoint(0, 0)).x(),
                                      main->geometry().y()));
        QVERIFY(QFile::exists(output));
        QCOMPARE(alerts.messages(), QStringList{"Saved"});
        QCOMPARE(offeredFolder, UserDefaultUtil::documentsPath());
        QCOMPARE(UserDefaultUtil::pathDirCut, m_dir.filePath("out"));
        QVERIFY(UserDefaultUtil::expDlgSpeed && UserDefaultUtil::expDlgPoint && !UserDefaultUtil::expDlgDateTime);
        QVERIFY(!rig.player()->trackbar->selectFrame());
        QVERIFY(isEmptyFolder(m_work));
        QCOMPARE(rig.tools()->trimView()->taskProgressDialog()->progressLabel()->text(), QStringLiteral("100%"));

        // The movie opens as a recording of its own, with the trim's data,
        // and the trim window then offers no data to add.
        QVERIFY(rig.load(output, MovieType::PC));
        QTRY_VERIFY(rig.player()->isReady());
        QCOMPARE(rig.chapters().size(), 1);
        const auto picture = rig.chapters().front()->loadPicture(true);
        QVERIFY(picture && picture->video && picture->video->_isCutVideo);
        QVERIFY(picture->video->isSpeed && picture->video->isPoint && !picture->video->isAcceleration);
        QVERIFY(picture->video->getCameraFrames(1).size() > 100);
        whenModalHosts<TrimView>([&](TrimView* trim, ModalWindow*) {
            QVERIFY(trim->cutFlg());
            QVERIFY(!trim->checks().chkSpeed->isChecked() && !trim->checks().chkSpeed->isEnabled());
            QVERIFY(trim->checks().lblNotAdd->isVisible());
            QTest::mouseClick(trim->btnCancel(), Qt::LeftButton);
        });
        rig.trimRange(500, 3000);
        QCOMPARE(alerts.messages(), QStringList{"Saved"});

        // Nor does the capture window, also once a capture has failed.
        ToolSupport::setSavePanel([&](const QString&, const QString&) { return m_dir.filePath("out/cut.jpeg"); });
        CaptureView::setFrameSource([](const QString&, qint64) { return std::optional<AVUtil::RgbPicture>(); });
        bool boxesStayOff = false;
        whenModalHosts<CaptureView>([&](CaptureView* view, ModalWindow*) {
            QVERIFY(view->cutFlg());
            QTest::mouseClick(view->btnSave(), Qt::LeftButton);
            QTRY_VERIFY(!view->isWorking());
            boxesStayOff = view->btnSave()->isEnabled() && !view->checks().chkDate->isEnabled() &&
                           !view->checks().chkPoint->isEnabled();
            QTest::mouseClick(view->btnCancel(), Qt::LeftButton);
        });
        rig.player()->snapShotButton->click();
        CaptureView::setFrameSource({});
        QVERIFY(boxesStayOff);
        QCOMPARE(alerts.messages(), (QStringList{"Saved", "Unable to save the image."}));
    }

    void cancellingARunningTrimEndsItAndLeavesNoFile()
    {
        AlertLog alerts;
        Rig rig(m_work);
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_VERIFY(rig.player()->isReady());
        const QString output = m_dir.filePath("out/cancelled.mp4");
        ToolSupport::setSavePanel([&](const QString&, const QString&) { return output; });
        whenModalHosts<TrimView>([&](TrimView* trim, ModalWindow*) {
            for (QCheckBox* box : {trim->checks().chkDate, trim->checks().chkSpeed, trim->checks().chkAccel,
                                   trim->checks().chkPoint})
                box->setChecked(true);
            whenModalHosts<TaskProgressDialog>([](TaskProgressDialog* progress, ModalWindow*) {
                QCOMPARE(progress->txtComment()->text().left(19), QStringLiteral("Trimming video file"));
                QTest::mouseClick(progress->btnCancel(), Qt::LeftButton);
                progress->btnCancel_Click(); // a second press changes nothing
            });
            QTest::mouseClick(trim->btnSave(), Qt::LeftButton);
        });
        rig.trimRange(500, PictureDataUtil::position(rig.chapters(), 1, 3000));
        QTRY_COMPARE(alerts.messages(), QStringList{"The trim tool operation was cancelled."});
        TrimView* trim = rig.tools()->trimView();
        QSignalSpy finished(trim, &TrimView::jobFinished);
        if (trim->isRunning()) QVERIFY(finished.wait(5000));
        QVERIFY(!QFile::exists(output));
        QVERIFY(isEmptyFolder(m_work));
        QCOMPARE(alerts.messages().size(), 1);
    }

    void theTrimWindowChecksTheRangeTheWaitAndTheDiskBeforeItCuts()
    {
        // A range that ends before its start is refused as too short.
        AlertLog alerts;
        int panels = 0;
        ToolSupport::setSavePanel([&](const QString&, const QString&) {
            ++panels;
            return QString();
        });
        Rig rig(m_work);
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_VERIFY(rig.player()->isReady());
        const QString tooShort = QStringLiteral("Unable to save because the selected time range is less than 2 "
                                                "seconds. Please increase the selected time range for trim operation.");
        whenModalHosts<TrimView>([&](TrimView* trim, ModalWindow*) {
            QTest::mouseClick(trim->btnSave(), Qt::LeftButton);
            QTest::mouseClick(trim->btnBack(), Qt::LeftButton);
        });
        rig.moveTo(3500);
        rig.player()->cutButton->click();
        rig.player()->trackbar->setDoubleValue(500);
        rig.player()->cutButton->click();
        QCOMPARE(alerts.messages(), QStringList{tooShort});
        QCOMPARE(panels, 0);

        // The shortest range is 2 s; a burn-in of 5 minutes or more asks first.
        TrimView trim;
        ToolInfo info;
        info.chapterList = rig.chapters();
        info.chapter = info.chapterList.front();
        info.recMode = CommonConst::RecMode::HighQuality;
        trim.toolinfo = info;
        trim.workFolderBase = m_work;
        trim.setupView();
        const auto saveRange = [&](qint64 ms) {
            alerts.alerts.clear();
            panels = 0;
            trim.toolinfo->selectStartSumFrameTS = 1000;
            trim.toolinfo->selectEndSumFrameTS = 1000 + ms;
            trim.save();
        };
        saveRange(1999);
        QCOMPARE(alerts.messages(), QStringList{tooShort});
        QCOMPARE(panels, 0);
        saveRange(2000);
        QVERIFY(alerts.alerts.isEmpty());
        QCOMPARE(panels, 1);
        saveRange(300000); // no data to burn in: no question
        QVERIFY(alerts.alerts.isEmpty());
        QCOMPARE(panels, 1);
        trim.checks().chkAccel->setChecked(true);
        saveRange(299999);
        QVERIFY(alerts.alerts.isEmpty());
        saveRange(300000);
        QCOMPARE(alerts.messages(), QStringList{"It will take more than 5Minutes to complete video trimming. "
                                                "Would you like to continue?"});
        QCOMPARE(alerts.alerts[0].buttons, (QStringList{"OK", "Cancel"}));
        QCOMPARE(panels, 1); // OK goes on
        Alerts::setInterceptor([](const Alerts::Alert&) { return Alerts::FIRST_BUTTON + 1; });
        panels = 0;
        trim.save();
        QCOMPARE(panels, 0); // Cancel stops
        Alerts::setInterceptor([&](const Alerts::Alert& a) {
            alerts.alerts.append(a);
            return Alerts::FIRST_BUTTON;
        });
        QCOMPARE(TrimView::timeText(5400000), QStringLiteral("1Hour30Minutes"));
        QCOMPARE(TrimView::timeText(3600000), QStringLiteral("1Hour0Minutes"));
        QCOMPARE(TrimView::timeText(3599999), QStringLiteral("59Minutes"));
        QCOMPARE(TrimView::timeText(420000), QStringLiteral("7Minutes"));

        // 36 MB for each chunk the range may touch, once for the cut in the
        // work folder and once for its copy beside the target.
        using Need = TrimView::SpaceNeed;
        QCOMPARE(TrimView::neededSpaceMb(80000, CommonConst::RecMode::HighQuality), (Need{108, 108}));
        QCOMPARE(TrimView::neededSpaceMb(39999, CommonConst::RecMode::HighQuality), (Need{36, 36}));
        QCOMPARE(TrimView::neededSpaceMb(52000, CommonConst::RecMode::Nomal), (Need{72, 72}));
        QCOMPARE(TrimView::neededSpaceMb(157999, CommonConst::RecMode::LongRec), (Need{72, 72}));
        alerts.alerts.clear();
        trim.toolinfo->selectEndSumFrameTS = 1000 + 60000;
        QVERIFY(trim.checkDiskSpace(m_dir.filePath("out")));
        // A year of high quality needs far more than any test disk holds.
        trim.toolinfo->selectEndSumFrameTS = 1000 + qint64(365) * 24 * 3600 * 1000;
        QVERIFY(!trim.checkDiskSpace(m_dir.filePath("out")));
        QCOMPARE(alerts.messages(), QStringList{"There is not enough disk space or memory available."});
    }

    void aFailedTrimSaysSoAndTheToolWindowStays()
    {
        AlertLog alerts;
        Rig rig(m_work);
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_VERIFY(rig.player()->isReady());
        QString output = m_dir.filePath("out/failed.mp4");
        ToolSupport::setSavePanel([&](const QString&, const QString&) { return output; });
        // The job cannot start ffmpeg.
        const QByteArray ffmpeg = qgetenv("KR_FFMPEG");
        qputenv("KR_FFMPEG", m_dir.filePath("no-such-ffmpeg").toLocal8Bit());
        // Once the job has failed, the progress window stays for a second
        // with nothing said yet; with cancel, Cancel is pressed meanwhile.
        const auto watchTheWait = [&](bool cancel, bool& waited) {
            waited = false;
            whenModalHosts<TaskProgressDialog>([&, cancel](TaskProgressDialog* progress, ModalWindow*) {
                TrimView* trim = rig.tools()->trimView();
                const auto waiting = [trim] {
                    const QTimer* wait = trim->findChild<QTimer*>("failedTrimWait");
                    return wait && wait->isActive() && wait->interval() == TrimView::FAILURE_WAIT_MS;
                };
                QTRY_VERIFY(waiting());
                waited = alerts.alerts.isEmpty() && progress->isVisible();
                if (cancel) QTest::mouseClick(progress->btnCancel(), Qt::LeftButton);
            });
        };
        // After the failure the progress window has gone; the tool window is
        // still there for another try, and the player still holds the range.
        QStringList said;
        bool waited = false;
        bool toolWindowStays = false;
        bool rangeKept = false;
        whenModalHosts<TrimView>([&](TrimView* trim, ModalWindow* window) {
            watchTheWait(false, waited);
            QTest::mouseClick(trim->btnSave(), Qt::LeftButton);
            said = alerts.messages();
            toolWindowStays = ModalWindow::current() == window && window->isVisible() && !trim->isRunning();
            rangeKept = rig.player()->trackbar->selectFrame();
            QTest::mouseClick(trim->btnCancel(), Qt::LeftButton);
        });
        const qint64 end = PictureDataUtil::position(rig.chapters(), 1, 2000);
        rig.trimRange(500, end);
        QVERIFY(waited);
        QCOMPARE(said.size(), 1);
        // A program that would not start is no reason the user can act on.
        QCOMPARE(said[0], QStringLiteral("Cut was unsuccessful."));
        QCOMPARE(alerts.alerts[0].title, QStringLiteral("Warning"));
        QVERIFY(toolWindowStays);
        QVERIFY(rangeKept);
        QVERIFY(!QFile::exists(output));
        QVERIFY(isEmptyFolder(m_work));
        QVERIFY(!rig.player()->trackbar->selectFrame());
        QCOMPARE(alerts.messages().size(), 1);

        // Cancel pressed within that second: the trim ends as cancelled, and
        // the failure is never told.
        alerts.alerts.clear();
        std::unique_ptr<QSignalSpy> finished;
        whenModalHosts<TrimView>([&](TrimView* trim, ModalWindow*) {
            finished = std::make_unique<QSignalSpy>(trim, &TrimView::jobFinished);
            watchTheWait(true, waited);
            QTest::mouseClick(trim->btnSave(), Qt::LeftButton);
        });
        rig.trimRange(500, end);
        QVERIFY(waited);
        QVERIFY(finished);
        QVERIFY(!finished->isEmpty() || finished->wait(5000));
        QCOMPARE(finished->first().first().value<TrimJob::Outcome>(), TrimJob::Outcome::Cancelled);
        QTRY_COMPARE(alerts.messages(), QStringList{"The trim tool operation was cancelled."});
        if (rig.player()->trackbar->selectFrame()) rig.player()->setCutSelection(false);

        // A reason of the system's is told on a second line: here the folder
        // to write into is a file.
        if (ffmpeg.isNull())
            qunsetenv("KR_FFMPEG");
        else
            qputenv("KR_FFMPEG", ffmpeg);
        const QString blocker = m_dir.filePath("out/not a folder");
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        output = blocker + "/failed.mp4";
        QSaveFile probe(output);
        QVERIFY(!probe.open(QIODevice::WriteOnly));
        const QString reason = probe.errorString();
        QVERIFY(!reason.isEmpty());
        alerts.alerts.clear();
        said.clear();
        whenModalHosts<TrimView>([&](TrimView* trim, ModalWindow*) {
            QTest::mouseClick(trim->btnSave(), Qt::LeftButton);
            said = alerts.messages();
            QTest::mouseClick(trim->btnCancel(), Qt::LeftButton);
        });
        rig.trimRange(500, end);
        QCOMPARE(said, QStringList{"Cut was unsuccessful.\n" + reason});
        QVERIFY(isEmptyFolder(m_work));
        QFile::remove(blocker);

        // A file the output rule refuses (a recording, through a link) is
        // found by the job: the window goes back to its events with nothing
        // said and the progress window shown; the refusal alone comes with
        // the job's result, once that window has gone, and nothing is cut.
        const QString movie = rig.chapters().front()->_pathMp4.toLocalFile();
        output = m_dir.filePath("out/over a movie.mp4");
        QVERIFY(QFile::link(movie, output));
        alerts.alerts.clear();
        // Shared, as a window that never shows leaves its watch behind.
        const auto told = std::make_shared<int>(0);
        const auto quietWhileChecked = std::make_shared<bool>(false);
        whenShown<TaskProgressDialog>(
            [told, quietWhileChecked](TaskProgressDialog*) { *quietWhileChecked = *told == 0; });
        bool toldAlone = false;
        Alerts::setInterceptor([&, told](const Alerts::Alert& a) {
            ++*told;
            alerts.alerts.append(a);
            const TrimView* trim = rig.tools()->trimView();
            const TaskProgressDialog* progress = trim->taskProgressDialog();
            toldAlone = progress && !progress->isVisible() && !trim->findChild<QTimer*>("failedTrimWait");
            return Alerts::FIRST_BUTTON;
        });
        whenModalHosts<TrimView>([&](TrimView* trim, ModalWindow*) {
            QTest::mouseClick(trim->btnSave(), Qt::LeftButton);
            QTest::mouseClick(trim->btnCancel(), Qt::LeftButton);
        });
        rig.trimRange(500, end);
        QVERIFY(*quietWhileChecked);
        QVERIFY(toldAlone);
        QCOMPARE(alerts.messages(), QStringList{OutputRule::refusalText()});
        const TaskProgressDialog* progress = rig.tools()->trimView()->taskProgressDialog();
        QVERIFY(progress && progress->progressValue() == 0);
        QCOMPARE(QFileInfo(output).symLinkTarget(), movie);
        QVERIFY(isEmptyFolder(m_work));
    }

    void theCaptureIsMadeOffTheGuiThreadWhileTheDialogShowsItWorks()
    {
        AlertLog alerts;
        Rig rig(m_work);
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_VERIFY(rig.player()->isReady());
        rig.moveTo(1500);
        const QString output = m_dir.filePath("out/from a worker.jpeg");
        ToolSupport::setSavePanel([&](const QString&, const QString&) { return output; });
        // A decoder that holds on until the test lets it go.
        QSemaphore entered;
        QSemaphore release;
        QThread* gui = QThread::currentThread();
        std::atomic<bool> decodedOnGui{true};
        CaptureView::setFrameSource([&](const QString& movie, qint64 ms) {
            decodedOnGui = QThread::currentThread() == gui;
            entered.release();
            release.tryAcquire(1, 10000);
            return AVUtil::rgbAt(movie, ms);
        });
        bool checked = false;
        whenModalHosts<CaptureView>([&](CaptureView* view, ModalWindow*) {
            view->checks().chkSpeed->setChecked(true);
            QTest::mouseClick(view->btnSave(), Qt::LeftButton);
            // The decoder is at work and the GUI thread goes on meanwhile.
            QVERIFY(entered.tryAcquire(1, 5000));
            QVERIFY(view->isWorking());
            QVERIFY(view->indicator()->isVisible());
            QVERIFY(!view->btnSave()->isEnabled() && !view->btnCancel()->isEnabled());
            bool ticked = false;
            QTimer::singleShot(0, view, [&ticked] { ticked = true; });
            QTRY_VERIFY(ticked);
            QVERIFY(alerts.alerts.isEmpty());
            checked = true;
            release.release();
        });
        rig.player()->snapShotButton->click();
        QVERIFY(checked);
        QVERIFY(!decodedOnGui);
        QCOMPARE(alerts.messages(), QStringList{"Saved"});
        QCOMPARE(QImageReader(output).size(), QSize(320, 180));

        // Escape closes the window while the still is being made: it is
        // given up, and nothing is told after the window has gone.
        const QString given = m_dir.filePath("out/given up.jpeg");
        ToolSupport::setSavePanel([&](const QString&, const QString&) { return given; });
        whenModalHosts<CaptureView>([&](CaptureView* view, ModalWindow* window) {
            QTest::mouseClick(view->btnSave(), Qt::LeftButton);
            QVERIFY(entered.tryAcquire(1, 5000));
            QTest::keyClick(window, Qt::Key_Escape);
        });
        rig.player()->snapShotButton->click();
        QSignalSpy finished(rig.tools()->captureView(), &CaptureView::captureFinished);
        release.release();
        QVERIFY(finished.wait(10000));
        CaptureView::setFrameSource({});
        QCOMPARE(finished.first().first().toBool(), false);
        QVERIFY(!QFile::exists(given));
        QCOMPARE(alerts.messages(), QStringList{"Saved"});
    }

    void aToolWaitsForItsChapterAndOpensOnlyIfThePlayStaysThere()
    {
        AlertLog alerts;
        Rig rig(m_work);
        HeldCardReads held; // no recording is read until it is let go
        // Loaded with the first chapter read (the load reads it) and the
        // second still held (the workers read it once the load is told).
        const auto loadHeld = [&] {
            HeldCardReads::shut();
            const int before = HeldCardReads::reads.load();
            QSignalSpy finished(rig.window->controller(), &ViewController::loadFinished);
            rig.window->controller()->loadData(m_card.moveDir, false, MovieType::Card);
            if (!QTest::qWaitFor([&] { return HeldCardReads::reads.load() > before; }, 20000)) return false;
            const auto first = rig.window->controller()->cardData()->tripList().value(0)->firstChapter();
            HeldCardReads::letGo();
            const QDeadlineTimer read(20000); // no events meanwhile
            while (!first->hasPicture() && !read.hasExpired()) QThread::msleep(1);
            HeldCardReads::shut();
            return first->hasPicture() && finished.wait(20000);
        };
        ChapterList arrived;
        QObject::connect(rig.player()->chapterLoads(), &ChapterLoads::chapterLoaded, rig.window.get(),
                         [&](const std::shared_ptr<ChapterData>& c) { arrived.append(c); });
        std::shared_ptr<ChapterData> openedFor;
        bool pressedAgain = false;
        bool openedEarly = false;
        std::function<void()> watchOpenings = [&] {
            whenModalHosts<CaptureView>([&](CaptureView* view, ModalWindow*) {
                openedFor = view->toolinfo->chapter;
                openedEarly = openedEarly || !pressedAgain;
                QTest::mouseClick(view->btnCancel(), Qt::LeftButton);
                if (!pressedAgain) watchOpenings();
            });
        };

        // Pressed while its chapter is still read: the window waits for it.
        QVERIFY(loadHeld());
        ChapterList chapters = rig.chapters();
        QCOMPARE(chapters.size(), 2);
        rig.moveTo(PictureDataUtil::position(chapters, 1, 0));
        QCOMPARE(rig.player()->currentChapterData(), chapters[1]);
        QVERIFY(!chapters[1]->hasPicture());
        pressedAgain = true;
        watchOpenings();
        rig.tools()->openToolWindow(6);
        QVERIFY(!openedFor && alerts.alerts.isEmpty());
        HeldCardReads::letGo();
        QTRY_VERIFY(openedFor);
        QCOMPARE(openedFor, chapters[1]);

        // The play has moved to another chapter by the time it comes: nothing opens.
        QVERIFY(loadHeld());
        chapters = rig.chapters();
        rig.moveTo(PictureDataUtil::position(chapters, 1, 0));
        QCOMPARE(rig.player()->currentChapterData(), chapters[1]);
        QVERIFY(!chapters[1]->hasPicture());
        openedFor.reset();
        pressedAgain = false;
        watchOpenings();
        rig.tools()->openToolWindow(6);
        rig.moveTo(0);
        QCOMPARE(rig.player()->currentChapterData(), chapters[0]);
        arrived.clear();
        HeldCardReads::letGo();
        QTRY_VERIFY(arrived.contains(chapters[1]));
        // Pressed again there, it opens for that chapter.
        pressedAgain = true;
        rig.tools()->openToolWindow(6);
        QTRY_VERIFY(openedFor);
        QCOMPARE(openedFor, chapters[0]);
        QVERIFY(!openedEarly);
        QVERIFY(alerts.alerts.isEmpty());
    }

    void theCaptureWindowWritesAJpegOfThePictureWithItsCaption()
    {
        AlertLog alerts;
        Rig rig(m_work);
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_VERIFY(rig.player()->isReady());
        rig.moveTo(1500);
        const QString plain = m_dir.filePath("out/plain.jpeg");
        const QString captioned = m_dir.filePath("out/captioned.jpeg");
        QString next = plain;
        ToolSupport::setSavePanel([&](const QString&, const QString& suffix) {
            return suffix == "jpeg" ? next : QString();
        });
        const auto capture = [&](bool caption) {
            whenModalHosts<CaptureView>([caption](CaptureView* view, ModalWindow* window) {
                QCOMPARE(window->windowTitle(), QStringLiteral("Capture Image"));
                QCOMPARE(view->size(), QSize(500, 110));
                view->checks().chkSpeed->setChecked(caption);
                view->checks().chkPoint->setChecked(caption);
                QTest::mouseClick(view->btnSave(), Qt::LeftButton);
            });
            rig.player()->snapShotButton->click();
        };
        capture(false);
        next = captioned;
        capture(true);
        QCOMPARE(alerts.messages(), (QStringList{"Saved", "Saved"}));

        QImageReader plainReader(plain);
        QCOMPARE(plainReader.format(), QByteArray("jpeg"));
        const QImage a = plainReader.read();
        const QImage b = QImageReader(captioned).read();
        QCOMPARE(a.size(), QSize(320, 180));
        QCOMPARE(b.size(), QSize(320, 180));
        // The caption sits at the bottom left; the top of the picture is the same.
        const auto differs = [&](QRect r) {
            int n = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    n += qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 40 ? 1 : 0;
            return n;
        };
        QVERIFY(differs(QRect(0, 160, 160, 20)) > 100);
        QVERIFY(differs(QRect(0, 0, 320, 100)) < 20);

        // The outline is 3 % of the font size: round 20 px letters on grey it
        // darkens their edges without laying a black band round them.
        AVUtil::RgbPicture grey{0, 200, 40, 800, QByteArray(800 * 40, char(0x80))};
        const QImage lettered = CaptureView::renderPicture(grey, std::nullopt, QStringLiteral("HHHH"), 20);
        int black = 0, darker = 0, white = 0;
        for (int y = 0; y < lettered.height(); ++y)
            for (int x = 0; x < lettered.width(); ++x) {
                const int g = qGray(lettered.pixel(x, y));
                black += g < 64 ? 1 : 0;
                darker += g < 100 ? 1 : 0;
                white += g > 200 ? 1 : 0;
            }
        QVERIFY2(white > 100 && black * 10 < white && darker * 4 > white,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(black).arg(darker).arg(white)));
    }

    void theOneSavePanelAsksAboutTheFileItWillWrite()
    {
        // Earlier files named as each typed name will be saved; every
        // question is declined, which shows the panel again for the next
        // name, but the last. A folder of such a name is said to be one and
        // the panel shown again: it is never offered to be replaced.
        const QString folder = m_dir.filePath("earlier");
        QVERIFY(QDir().mkpath(folder));
        const QStringList folders{"album.mov", "stills.jpg"};
        const QList<std::pair<QString, QStringList>> panels{
            {"mp4", {"trip", "route 2026.03.15", "album.mov", "clip.mov"}},
            {"jpeg", {"photo", "stills.jpg", "photo.jpg", "still 07.31.05"}},
            {"kmz", {"trip.kml", "route 2026.03.15"}}};
        for (const auto& [suffix, names] : panels) {
            QStringList expected;
            // The name the panel shows again: the declined file's, but none
            // after a folder (the folder's would open it).
            QStringList expectedShown{QString()};
            for (const QString& name : names) {
                const QString earlierPath = folder + '/' + name + '.' + suffix;
                if (expectedShown.size() < names.size())
                    expectedShown << (folders.contains(name) ? QString() : name + '.' + suffix);
                if (folders.contains(name)) {
                    QVERIFY(QDir().mkpath(earlierPath));
                    expected << QStringLiteral("\"%1.%2\" is a folder. Please choose another name.").arg(name, suffix);
                    continue;
                }
                QFile earlier(earlierPath);
                QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("an earlier file") > 0);
                expected << QStringLiteral("\"%1.%2\" already exists. Do you want to replace it?").arg(name, suffix);
            }
            QStringList typed = names;
            QStringList asked;
            QStringList shown;
            QTimer typist;
            typist.setInterval(10);
            connect(&typist, &QTimer::timeout, [&] {
                // A question of the panel's own, about the name as typed: declined.
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    asked << box->text();
                    box->button(QMessageBox::No)->click();
                    return;
                }
                auto* panel = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                auto* edit = panel ? panel->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
                if (!edit || typed.isEmpty()) return;
                if (!edit->hasFocus()) { // the user's typing goes where the focus is
                    panel->activateWindow();
                    edit->setFocus();
                    return;
                }
                shown << edit->text();
                edit->selectAll();
                QTest::keyClicks(edit, typed.takeFirst());
                // Pressed after this call: a question the panel asks then
                // runs while the typist can still answer it.
                QTimer::singleShot(0, edit, [edit] { QTest::keyClick(edit, Qt::Key_Return); });
            });
            Alerts::setInterceptor([&](const Alerts::Alert& a) {
                asked << a.message;
                return asked.size() == names.size() ? Alerts::FIRST_BUTTON + 1 : Alerts::FIRST_BUTTON;
            });
            typist.start();
            GoogleEarthExport exporter(nullptr, nullptr);
            const QString chosen = suffix == "kmz" ? exporter.askDestination(folder)
                                                   : ToolSupport::savePath(nullptr, "Save", folder, suffix);
            typist.stop();
            Alerts::setInterceptor({});
            QCOMPARE(asked, expected);
            QCOMPARE(shown, expectedShown);
            QCOMPARE(chosen, folder + '/' + names.last() + '.' + suffix);
            QVERIFY(typed.isEmpty());
        }
    }

    void aCaptureIsNeverWrittenOverARecordingOrIntoTheCard()
    {
        AlertLog alerts;
        Rig rig(m_work);
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_VERIFY(rig.player()->isReady());
        rig.moveTo(1500);
        const QString movie = rig.chapters().front()->_pathMp4.toLocalFile();
        const QString overAMovie = m_dir.filePath("out/over a movie.jpeg");
        const QString intoTheCard = m_dir.filePath("out/into the card.jpeg");
        const QString landing = m_card.moveDir + "/MOVE001/new.jpeg";
        QVERIFY(QFile::link(movie, overAMovie));
        QVERIFY(QFile::link(landing, intoTheCard));
        const QString cardFolder = QFileInfo(m_card.moveDir).absolutePath();
        const auto cardBefore = testfiles::checksums(cardFolder);
        std::atomic<int> decoded{0};
        CaptureView::setFrameSource([&decoded](const QString& movie, qint64 ms) {
            ++decoded;
            return AVUtil::rgbAt(movie, ms);
        });
        // The rule walks the card on the worker: the window is back at its
        // events before the refusal is told, and no picture is decoded.
        bool toldLater = true;
        // The last as a card's file system takes it: its folders in any letter case.
        for (const QString& path : {overAMovie, intoTheCard, cardFolder + "/move/MOVE001/still.jpeg"}) {
            ToolSupport::setSavePanel([&](const QString&, const QString&) { return path; });
            whenModalHosts<CaptureView>([&](CaptureView* view, ModalWindow* window) {
                const qsizetype before = alerts.alerts.size();
                QTest::mouseClick(view->btnSave(), Qt::LeftButton);
                toldLater = toldLater && view->isWorking() && alerts.alerts.size() == before;
                QTRY_VERIFY(!view->isWorking());
                if (ModalWindow::current() == window) QTest::mouseClick(view->btnCancel(), Qt::LeftButton);
            });
            rig.player()->snapShotButton->click();
        }
        CaptureView::setFrameSource({});
        QVERIFY(toldLater);
        QCOMPARE(decoded.load(), 0);
        QCOMPARE(alerts.messages(), QStringList(3, OutputRule::refusalText()));
        QVERIFY(testfiles::checksums(cardFolder) == cardBefore);
    }

    void stopwatchFollowsThePlayPositionAndThePlayersStop()
    {
        AlertLog alerts;
        Rig rig(m_work);
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_VERIFY(rig.player()->isReady());
        rig.moveTo(500);
        rig.player()->stopWatchButton->click();
        StopWatchView* sw = rig.tools()->stopWatch();
        QVERIFY(sw && sw->isVisible());
        QCOMPARE(sw->size(), QSize(324, 440));
        // Just below the main window's title bar, as far from its right edge as the list is wide.
        const QRect main = rig.window->frameGeometry();
        QCOMPARE(sw->frameGeometry().topLeft(),
                 QPoint(main.x() + main.width() - rig.window->videoListView()->width(), rig.window->geometry().y()));
        QCOMPARE(sw->model().chapters(), rig.chapters());

        QTest::mouseClick(sw->btnStartStop(), Qt::LeftButton);
        QCOMPARE(rig.player()->trackbar->swStatus, StopWatchStatus::Start);
        QCOMPARE(rig.player()->trackbar->swStartSumFrameTS, 500);
        rig.moveTo(2500);
        QCOMPARE(sw->lapLabel(0)->text(), QStringLiteral("00'02\"0"));
        QCOMPARE(sw->totalTimeLabel()->text(), QStringLiteral("00'02\"0"));

        rig.moveTo(3000);
        rig.player()->movieStopButton->click(); // the player's Stop ends the measurement
        QCOMPARE(sw->model().status(), StopWatchStatus::Stop);
        QCOMPARE(rig.player()->trackbar->swStatus, StopWatchStatus::Stop);
        QCOMPARE(sw->totalTimeLabel()->text(), QStringLiteral("00'02\"5"));

        // Escape only hides it; the player's button goes off; the laps stay.
        QTest::keyClick(sw, Qt::Key_Escape);
        QVERIFY(!sw->isVisible());
        QVERIFY(!rig.player()->stopWatchButton->isChecked());
        rig.player()->stopWatchButton->click();
        QVERIFY(sw->isVisible());
        QCOMPARE(sw->totalTimeLabel()->text(), QStringLiteral("00'02\"5"));

        QVERIFY(alerts.alerts.isEmpty());

        // A finished load puts the window away and the button off (the
        // measurement's question answered OK).
        QStringList asked;
        Alerts::setInterceptor([&asked](const Alerts::Alert& a) {
            asked.append(a.message);
            return Alerts::FIRST_BUTTON + 1;
        });
        QVERIFY(rig.load(m_card.moveDir));
        QVERIFY(!sw->isVisible());
        QVERIFY(!rig.player()->stopWatchButton->isChecked());
        QCOMPARE(asked, QStringList{QStringLiteral("The Stopwatch measurement result will be deleted. Proceed?")});
    }

private:
    QTemporaryDir m_dir;
    cardgen::WrittenCard m_card;
    QString m_work;
};

KR_TEST_MAIN(TestTools)
#include "tst_tools.moc"
