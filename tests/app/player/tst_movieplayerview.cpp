#include "../../support/HeldCardReads.h"
#include "FakeMediaPlayer.h"
#include "TestMain.h"
#include "app/player/ChapterLoads.h"
#include "app/player/CustomSliderCell.h"
#include "app/player/CustomSliderCellMin.h"
#include "app/player/MoviePlayerView.h"
#include "app/player/NSZoomView.h"
#include "app/player/PlayerView.h"
#include "app/shell/EXTextButton.h"
#include "core/foundation/SettingsStore.h"
#include "core/recording/PictureData.h"
#include "core/recording/VideoInfo.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

using CommonConst::PlayStatus;

namespace {

constexpr int FRAME_MS = 35;

struct Delegate : MoviePlayerViewDelegate {
    QStringList calls;
    bool fullscreen = false;
    void playerPositionChanged() override { calls << QStringLiteral("position"); }
    void playerDidReachEnd() override { calls << QStringLiteral("reachEnd"); }
    void playerFollowedChapterLengths() override { calls << QStringLiteral("followed"); }
    void refreshDrivingInfo(bool) override { calls << QStringLiteral("refresh"); }
    void showOpenFailed() override { calls << QStringLiteral("openFailed"); }
    void showPlayFailed() override { calls << QStringLiteral("playFailed"); }
    void updateSaveButton() override { calls << QStringLiteral("saveButton"); }
    void setFullScreenLayout(bool on) override { calls << QStringLiteral("layout%1").arg(on); }
    bool isFullscreen() const override { return fullscreen; }
    void toggleFullScreen() override
    {
        fullscreen = !fullscreen;
        calls << QStringLiteral("toggle");
    }
    void showOpenDialog() override { calls << QStringLiteral("open"); }
    void showBackupDialog() override { calls << QStringLiteral("backup"); }
    void showCameraSettings() override { calls << QStringLiteral("camera"); }
    void playPreviousItem() override { calls << QStringLiteral("prevItem"); }
    void playNextItem() override { calls << QStringLiteral("nextItem"); }
    void showStopWatch() override { calls << QStringLiteral("showStopWatch"); }
    void hideStopWatch() override { calls << QStringLiteral("hideStopWatch"); }
    void exportGoogleEarth() override { calls << QStringLiteral("google"); }
    void openToolWindow(std::uint8_t code) override { calls << QStringLiteral("tool%1").arg(code); }
    void playerControlEvent(std::uint8_t code) override { calls << QStringLiteral("control%1").arg(code); }
    int count(const QString& what) const { return int(calls.count(what)); }
};

// A chapter of `spanMs` whose frames, every 35 ms, carry their own offset as
// movie time (so seek targets equal in-chapter offsets); a trimmed movie's
// when cut.
std::shared_ptr<ChapterData> chapterAt(const QString& path, qint64 spanMs, const QDateTime& start,
                                       int frameMs = FRAME_MS, bool cut = false)
{
    QFile f(path);
    if (!f.exists() && f.open(QIODevice::WriteOnly)) f.close();
    auto info = std::make_shared<VideoInfo>();
    for (int channel : {0, 1}) {
        FrameList frames;
        for (qint64 t = 0; t <= spanMs; t += frameMs) {
            auto frame = std::make_shared<VideoFrame>();
            frame->_timeStamp = std::uint32_t(10000 + t);
            frame->setTime(start.addMSecs(t));
            frames.push_back(frame);
        }
        std::int32_t lon = -1, lat = -1;
        info->_cameraFrames[channel] = VideoInfo::buildFrameDictionary(frames, 10000, frameMs, lon, lat);
    }
    info->_timeSpan = quint64(spanMs);
    info->_isCutVideo = cut;
    info->completeTables();
    auto chapter = std::make_shared<ChapterData>(QUrl::fromLocalFile(path));
    chapter->storePicture(std::make_shared<PictureData>(info));
    return chapter;
}

struct FakeTime {
    qint64 ns = 1'000'000'000;
    void advanceMs(double ms) { ns += qint64(ms * 1e6); }
};

struct Rig {
    QTemporaryDir dir;
    FakeTime time;
    FakeMediaPlayer* player = nullptr;
    Delegate delegate;
    std::unique_ptr<MoviePlayerView> view;
    ChapterList chapters;
    QDateTime start = QDateTime(QDate(2026, 3, 15), QTime(8, 30), QTimeZone("Australia/Sydney"));

    explicit Rig(int chapterCount = 2, qint64 spanMs = 2000, int frameMs = FRAME_MS)
    {
        view = std::make_unique<MoviePlayerView>(
            nullptr,
            [this](MoviePlayerView& v) {
                player = new FakeMediaPlayer(&v);
                player->duration = 2000;
                return player;
            },
            [this] { return time.ns; });
        view->setDelegate(&delegate);
        view->resize(900, 560);
        for (int i = 0; i < chapterCount; ++i)
            chapters << chapterAt(dir.filePath(QStringLiteral("c%1.MP4").arg(i)), spanMs,
                                  start.addMSecs(qint64(i) * (spanMs + 1)), frameMs);
    }

    void open(CardData::ActiveType kind = CardData::ActiveType::MovieRec, qint64 position = 0)
    {
        auto info = std::make_shared<PlayMovieValueInfo>(chapters, kind);
        info->setCurrentValue(position);
        view->setValueInfo(info);
        view->openMovie();
        view->updateNavigationButtons();
    }

    void openReady(bool autoPlay = false)
    {
        view->autoPlay = autoPlay;
        open();
        player->becomeReady();
    }

    // One clock tick, ms after the previous.
    void tick(double ms = 1000.0 / 30.0)
    {
        time.advanceMs(ms);
        view->trackbar->onTimerTick();
    }

    qint64 position() const { return view->trackbar->integerValue(); }

    // Chapter i made one whose recording is still to be read: its movie file
    // holds nothing a reader takes (a read of it waits while the card's
    // reads are held). Gives the picture data a read would store.
    std::shared_ptr<const PictureData> makeLate(int i)
    {
        const auto picture = chapters[i]->loadPicture(false);
        const QString path = chapters[i]->_pathMp4.toLocalFile();
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(QByteArray(64, 'x'));
        f.close();
        chapters[i] = std::make_shared<ChapterData>(QUrl::fromLocalFile(path));
        return picture;
    }
};

} // namespace

class TestMoviePlayerView : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_settings;

private Q_SLOTS:
    void initTestCase()
    {
        SettingsStore::setIdentity();
        SettingsStore::useFile(m_settings.filePath(QStringLiteral("settings.ini")));
    }

    // ---- readiness and enabled states ----

    void beforeAMovieOnlyOpenAndSettingsAreUsable()
    {
        Rig rig;
        auto* v = rig.view.get();
        QVERIFY(!v->moviePlayButton->isEnabled());
        QVERIFY(v->moviePauseButton->isHidden());
        QVERIFY(!v->movieStopButton->isEnabled());
        QVERIFY(!v->movieKomaBackButton->isEnabled() && !v->movieKomaGoButton->isEnabled());
        QVERIFY(!v->trackbar->isEnabled());
        QVERIFY(!v->fullscreenButton->isEnabled());
        QVERIFY(!v->saveButton->isEnabled() && !v->cutButton->isEnabled() && !v->zoomButton->isEnabled());
        QVERIFY(v->openButton->isEnabled() && v->settingButton->isEnabled());
        QCOMPARE(v->datetimeLabel->text(), QStringLiteral("--.--.---- --:-- --"));
        QCOMPARE(v->diffSecLabel->text(), QStringLiteral("±00.0"));
        QVERIFY(v->brightButton->toolTip() == QStringLiteral("Standard brightness"));
    }

    void theFirstMovieBecomingReadyStopsAtTheStartAndTellsTheMainWindow()
    {
        Rig rig;
        rig.open();
        QCOMPARE(rig.player->opened, QStringList{rig.chapters[0]->_pathMp4.toLocalFile()});
        QCOMPARE(rig.view->currentStatus(), PlayStatus::NotReady);
        QVERIFY(!rig.view->moviePlayButton->isEnabled());
        rig.player->becomeReady();
        QCOMPARE(rig.view->currentStatus(), PlayStatus::Stop);
        QCOMPARE(rig.delegate.count(QStringLiteral("reachEnd")), 1);
        QVERIFY(rig.delegate.count(QStringLiteral("saveButton")) > 0);
        auto* v = rig.view.get();
        QVERIFY(v->moviePlayButton->isEnabled());
        QVERIFY(!v->movieStopButton->isEnabled());
        QVERIFY(!v->movieKomaBackButton->isEnabled());
        QVERIFY(v->movieKomaGoButton->isEnabled());
        QVERIFY(!v->movieRewindButton->isEnabled());
        QVERIFY(v->movieForwardButton->isEnabled());
        QVERIFY(!v->movieFirstButton->isEnabled() && !v->movieLastButton->isEnabled());
        QVERIFY(v->trackbar->isEnabled() && v->fullscreenButton->isEnabled());
        QVERIFY(v->cutButton->isEnabled() && v->zoomButton->isEnabled() && v->stopWatchButton->isEnabled());
        // Summer time off (the default): standard time all year.
        QCOMPARE(v->datetimeLabel->text(), QStringLiteral("15.03.2026 07:30:00 AM"));
        QCOMPARE(v->diffSecLabel->text(), QString()); // not an event list
        QCOMPARE(rig.player->seeks.last(), 0);
    }

    void autoPlayStartsPlayingWhenReadyAndPlayBeforeReadyAsksForIt()
    {
        Rig rig;
        rig.open();
        rig.view->play();
        QVERIFY(rig.view->autoPlay);
        QCOMPARE(rig.view->currentStatus(), PlayStatus::NotReady);
        rig.player->becomeReady();
        QCOMPARE(rig.view->currentStatus(), PlayStatus::Play);
        QVERIFY(!rig.view->autoPlay);
        QVERIFY(rig.view->trackbar->timerRunning());
        QVERIFY(rig.view->moviePlayButton->isHidden() && !rig.view->moviePauseButton->isHidden());
        QCOMPARE(rig.player->rate(), 1.0); // started with the clock, not a tick behind it
    }

    void firstAndLastButtonsFollowTheMainWindowsFlags()
    {
        Rig rig;
        rig.openReady();
        rig.view->_isPrevTrip = true;
        rig.view->_isNextTrip = true;
        rig.view->updateNavigationButtons();
        QVERIFY(rig.view->movieFirstButton->isEnabled() && rig.view->movieLastButton->isEnabled());
        QCOMPARE(rig.view->movieLastButton->toolTip(), QStringLiteral("Next Trip"));
        rig.view->movieFirstButton->click();
        rig.view->movieLastButton->click();
        QCOMPARE(rig.delegate.count(QStringLiteral("prevItem")), 1);
        QCOMPARE(rig.delegate.count(QStringLiteral("nextItem")), 1);
    }

    // ---- the clock and the synchronisation ----

    void eachTickAdvancesByRateTimesElapsedAndStartsALaggingMovie()
    {
        Rig rig;
        rig.openReady(true);
        rig.delegate.calls.clear();
        rig.tick(100);
        QCOMPARE(rig.position(), 100);
        QCOMPARE(rig.player->rate(), 1.0); // lagging: started at the chosen rate
        QCOMPARE(rig.delegate.count(QStringLiteral("position")), 1);
        // The movie runs ahead by more than 100 ms: paused while the clock goes on.
        rig.player->setTime(400);
        rig.tick(50);
        QCOMPARE(rig.position(), 150);
        QCOMPARE(rig.player->rate(), 0.0);
        // Within 100 ms: the rate is left alone.
        rig.player->setRate(1.0);
        rig.player->setTime(200);
        rig.tick(50);
        QCOMPARE(rig.player->rate(), 1.0);
    }

    void atTwiceTheSpeedTheMovieMayRun300msAhead()
    {
        Rig rig;
        rig.openReady(true);
        rig.view->playSpeedSlider->setDoubleValue(2);
        rig.view->applyPlaySpeed();
        QCOMPARE(rig.view->trackbar->rate, 2.0f);
        rig.tick(100);
        QCOMPARE(rig.position(), 200);
        QCOMPARE(rig.player->rate(), 2.0);
        rig.player->setTime(490); // the frame at 210 ms has movie time 210: 280 ahead
        rig.tick(5);
        QCOMPARE(rig.player->rate(), 2.0);
        rig.player->setTime(530);
        rig.tick(5);
        QCOMPARE(rig.player->rate(), 0.0);
    }

    void aboveTwiceTheSpeedEveryTickSeeksAndTheMovieNeverPlays()
    {
        for (int slider : {3, 4, 5}) {
            Rig rig(2, 20000);
            rig.player = nullptr;
            rig.openReady(true);
            rig.view->playSpeedSlider->setDoubleValue(slider);
            rig.view->applyPlaySpeed();
            rig.player->rates.clear();
            const int seeksBefore = int(rig.player->seeks.size());
            for (int i = 0; i < 5; ++i) rig.tick();
            QCOMPARE(int(rig.player->seeks.size()), seeksBefore + 5);
            QCOMPARE(rig.player->rate(), 0.0);
            for (double r : rig.player->rates) QCOMPARE(r, 0.0);
            // The last seek is the frame at the position (35 ms frames).
            QVERIFY(qAbs(rig.player->seeks.last() - rig.position()) < FRAME_MS);
        }
    }

    void aTickIntoTheNextChapterLoadsItsMovieAndKeepsPlaying()
    {
        Rig rig;
        // The second chapter a trimmed movie, as in a folder that holds one
        // among the recorder's chapters: the caption strip follows the chapter.
        rig.chapters[1] = chapterAt(rig.chapters[1]->_pathMp4.toLocalFile(), 2000, rig.start.addMSecs(2001),
                                    FRAME_MS, true);
        QLabel* strip = rig.view->playerView->captionStrip();
        rig.openReady(true);
        QVERIFY(strip->isHidden());
        rig.delegate.calls.clear();
        rig.tick(1990);
        QCOMPARE(rig.player->opened.size(), 1);
        rig.tick(20); // 2010: the second chapter (from 2001)
        QCOMPARE(rig.player->opened.size(), 2);
        QCOMPARE(rig.player->opened.last(), rig.chapters[1]->_pathMp4.toLocalFile());
        QCOMPARE(rig.view->loadedChapter(), rig.chapters[1]);
        QVERIFY(!strip->isHidden());
        QCOMPARE(rig.delegate.count(QStringLiteral("reachEnd")), 1);
        QCOMPARE(rig.view->currentStatus(), PlayStatus::Play);
        QVERIFY(rig.view->trackbar->timerRunning());
        QCOMPARE(rig.player->seeks.last(), 0); // 9 ms into the new chapter: its first frame
        // The new movie comes ready: the clock goes on and the next tick starts it.
        rig.player->becomeReady();
        rig.tick(100);
        QCOMPARE(rig.player->rate(), 1.0);
        QVERIFY(rig.view->movieRewindButton->isEnabled());
        QVERIFY(!rig.view->movieForwardButton->isEnabled());
        rig.view->goPreviousChapter();
        QCOMPARE(rig.view->loadedChapter(), rig.chapters[0]);
        QVERIFY(strip->isHidden());
    }

    void theEndOfTheListPausesAndNeverMovesToAnotherItem()
    {
        Rig rig(1);
        rig.openReady(true);
        rig.view->_isNextTrip = true;
        rig.tick(5000);
        QCOMPARE(rig.position(), 2000);
        QCOMPARE(rig.view->currentStatus(), PlayStatus::Pause);
        QVERIFY(!rig.view->trackbar->timerRunning());
        QCOMPARE(rig.delegate.count(QStringLiteral("nextItem")), 0);
        // Play at the end rewinds to the start first.
        rig.view->onMoviePlayButton();
        QCOMPARE(rig.position(), 0);
        QCOMPARE(rig.view->currentStatus(), PlayStatus::Play);
    }

    void aChapterThatArrivesLetsTheWaitingClockGoOnAndMovesWhatStandsAfterIt()
    {
        // The first and the last chapter are still to be read, and every
        // read of the card is held; the player stands in the second one.
        HeldCardReads held;
        Rig rig(3);
        const auto firstData = rig.makeLate(0);
        const auto lastData = rig.makeLate(2);
        rig.open(CardData::ActiveType::MovieRec, 1);
        rig.player->becomeReady();
        // The last one is read ahead; the first asked for as the catalogue's
        // workers would read it.
        QVERIFY(rig.view->chapterLoads()->isLoading(rig.chapters[2]));
        QVERIFY(rig.view->chapterLoads()->request(rig.chapters[0]));
        QTRY_VERIFY(held.reads.load() >= 2);

        // A trim start and a running stopwatch half a second into the chapter.
        rig.view->trackbar->setIntegerValue(501);
        rig.view->userValueChanged();
        rig.view->setCutSelection(true);
        rig.view->refreshTrackbar(StopWatchStatus::Start, 501, {}, -1, 501);
        // Played into the last chapter: its length counts nothing yet, so the
        // list ends where it starts, and the clock waits there.
        rig.view->play();
        rig.tick(1600);
        QCOMPARE(rig.view->loadedChapter(), rig.chapters[2]);
        QCOMPARE(rig.position(), 2002);
        QCOMPARE(rig.view->trackbar->maxValue(), 2002.0);
        QVERIFY(rig.view->isWaitingForChapter());
        QVERIFY(!rig.view->trackbar->timerRunning());
        // Speed, volume and mute changes meanwhile reach the clock, not the movie.
        rig.player->rates.clear();
        rig.view->playSpeedSlider->setDoubleValue(2);
        rig.view->applyPlaySpeed();
        rig.view->setIsMute(true);
        QCOMPARE(rig.view->trackbar->rate, 2.0f);
        QCOMPARE(rig.player->rate(), 0.0);
        for (double r : rig.player->rates)
            QCOMPARE(r, 0.0);
        // Play there is no play from the start: that chapter plays once it is there.
        rig.view->pause();
        rig.view->onMoviePlayButton();
        QCOMPARE(rig.position(), 2002);
        QCOMPARE(rig.view->currentStatus(), PlayStatus::Play);
        QVERIFY(rig.view->isWaitingForChapter());
        QVERIFY(!rig.view->movieKomaGoButton->isEnabled());

        // Both arrive: the list's end, the position, the trim start and the
        // stopwatch's marks move with the first chapter's length, the frame
        // step forward is open, and the clock goes on (and starts the movie).
        std::optional<bool> stepOpenOnArrival;
        connect(rig.view->chapterLoads(), &ChapterLoads::chapterLoaded, this,
                [&](const std::shared_ptr<ChapterData>& chapter) {
                    if (chapter == rig.chapters[2])
                        stepOpenOnArrival = rig.view->movieKomaGoButton->isEnabled();
                });
        rig.chapters[0]->storePicture(firstData);
        rig.chapters[2]->storePicture(lastData);
        HeldCardReads::letGo();
        QTRY_VERIFY(stepOpenOnArrival.has_value());
        QVERIFY(*stepOpenOnArrival);
        QCOMPARE(rig.view->trackbar->maxValue(), 6002.0);
        QCOMPARE(rig.position(), 4002);
        QCOMPARE(rig.view->cutStart(), 2501);
        QCOMPARE(rig.view->_valueInfo->_startValueMovieCut.value_or(-1), 2501);
        QCOMPARE(rig.view->_valueInfo->_endValueMovieCut.value_or(-1), 2501 + CustomSliderCell::TRM_MAX_VAL);
        QCOMPARE(rig.view->trackbar->swStartSumFrameTS, 2501);
        QVERIFY(rig.delegate.count(QStringLiteral("followed")) >= 1); // for the positions held beside it
        QVERIFY(rig.view->trackbar->markerList().contains(2501));
        QVERIFY(rig.view->trackbar->timerRunning());
        rig.player->becomeReady();
        rig.tick(100);
        QCOMPARE(rig.position(), 4202);
        QCOMPARE(rig.player->rate(), 2.0);
    }

    void theChapterTheClockWaitsInIsReadBeforeTheOneAfterIt()
    {
        HeldCardReads held;
        Rig rig(4);
        for (int i = 1; i < 4; ++i)
            rig.makeLate(i);
        rig.openReady();
        // The second chapter is read ahead and one of no list keeps the
        // other load busy: the loads asked for next wait for their turn.
        ChapterLoads& loads = *rig.view->chapterLoads();
        const auto other = std::make_shared<ChapterData>(rig.chapters[1]->_pathMp4);
        QVERIFY(loads.request(other));
        QTRY_VERIFY(held.reads.load() >= 2);
        // (The chapters to be read count no length yet: each one millisecond.)
        rig.view->trackbar->setIntegerValue(2002);
        rig.view->userValueChanged();
        QCOMPARE(rig.view->loadedChapter(), rig.chapters[2]);
        QCOMPARE(loads.queued(), (ChapterList{rig.chapters[2], rig.chapters[3]}));
        // On to the last one: wanted now, it goes first.
        rig.view->trackbar->setIntegerValue(2003);
        rig.view->userValueChanged();
        QCOMPARE(rig.view->loadedChapter(), rig.chapters[3]);
        QCOMPARE(loads.queued(), (ChapterList{rig.chapters[3], rig.chapters[2]}));
        HeldCardReads::letGo();
        QTRY_VERIFY(loads.queued().isEmpty() && !loads.isLoading(rig.chapters[3]));
    }

    void theEndOfAMovieInTheSameChapterOnlyPausesItOnceHoweverOftenItWasOpened()
    {
        Rig rig;
        rig.openReady(true);
        rig.open();
        rig.open();
        rig.view->play();
        rig.player->setRate(1.0);
        const int before = int(rig.player->rates.size());
        rig.player->reachEnd();
        QCOMPARE(int(rig.player->rates.size()), before + 1);
        QCOMPARE(rig.player->rate(), 0.0);
    }

    void aDragHoldsThePositionButTicksStillReport()
    {
        Rig rig(1, 4000);
        rig.openReady(true);
        rig.view->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.view.get()));
        auto* bar = rig.view->trackbar;
        const int y = 8;
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, y));
        const qint64 dragged = rig.position();
        QVERIFY2(dragged > 1800 && dragged < 2200, qPrintable(QString::number(dragged)));
        rig.delegate.calls.clear();
        rig.tick(500);
        QCOMPARE(rig.position(), dragged);
        QCOMPARE(rig.delegate.count(QStringLiteral("position")), 1);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, y));
        rig.tick(40);
        QCOMPARE(rig.position(), dragged + 40);
        // A click below the 20-point band does not move the knob.
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(10, 24));
        QCOMPARE(rig.position(), dragged + 40);
    }

    void aClickOnTheTrackBarInAnotherChapterSwitchesTheMovie()
    {
        Rig rig;
        rig.openReady();
        rig.view->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.view.get()));
        rig.delegate.calls.clear();
        auto* bar = rig.view->trackbar;
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 20, 8));
        QCOMPARE(rig.view->loadedChapter(), rig.chapters[1]);
        QCOMPARE(rig.delegate.count(QStringLiteral("reachEnd")), 1);
        QVERIFY(rig.delegate.count(QStringLiteral("refresh")) >= 1);
        QCOMPARE(rig.view->currentStatus(), PlayStatus::Pause);
        QVERIFY(bar->hasFocus());
    }

    // ---- transport ----

    void stopInATripReturnsToTheStartOfTheCurrentChapter()
    {
        Rig rig;
        rig.openReady(true);
        rig.tick(2500);
        rig.player->becomeReady();
        rig.view->onMovieStopButton();
        QCOMPARE(rig.delegate.count(QStringLiteral("control7")), 1);
        QCOMPARE(rig.view->currentStatus(), PlayStatus::Stop);
        QCOMPARE(rig.position(), 2001);
        QVERIFY(!rig.view->trackbar->timerRunning());
    }

    void frameStepsMoveByOneFrameAndForwardWhilePlayingOnlyPauses()
    {
        Rig rig;
        rig.openReady(true);
        rig.player->frameRate = 28.0; // 35 ms a frame
        rig.tick(500);
        rig.view->frameForward();
        QCOMPARE(rig.view->currentStatus(), PlayStatus::Pause);
        QCOMPARE(rig.position(), 500);
        rig.view->frameForward();
        QCOMPARE(rig.position(), 535);
        QCOMPARE(rig.player->seeks.last(), 525); // the frame at 535 starts at 525
        rig.view->frameBack();
        QCOMPARE(rig.position(), 500);
        // Less than a frame after the start: back stops at the start.
        rig.view->changeChapter(PlayStatus::Pause, 20);
        rig.view->frameBack();
        QCOMPARE(rig.position(), 0);
        QCOMPARE(rig.view->currentStatus(), PlayStatus::Stop);
        QVERIFY(!rig.view->movieKomaBackButton->isEnabled());
        // Forward across the chapter boundary switches the movie and reports it.
        rig.view->changeChapter(PlayStatus::Pause, 1990);
        rig.delegate.calls.clear();
        rig.view->frameForward();
        QCOMPARE(rig.view->loadedChapter(), rig.chapters[1]);
        QCOMPARE(rig.delegate.count(QStringLiteral("reachEnd")), 1);
    }

    void aHeldFrameButtonRepeats()
    {
        Rig rig(1, 20000);
        rig.openReady();
        rig.view->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.view.get()));
        QTest::mousePress(rig.view->movieKomaGoButton, Qt::LeftButton);
        QCOMPARE(rig.position(), FRAME_MS); // at once
        QTest::qWait(150);
        QCOMPARE(rig.position(), FRAME_MS); // not yet
        QTest::qWait(250);
        QTest::mouseRelease(rig.view->movieKomaGoButton, Qt::LeftButton);
        QVERIFY2(rig.position() >= 3 * FRAME_MS, qPrintable(QString::number(rig.position())));
    }

    void chapterStepsGoToTheNeighboursStart()
    {
        Rig rig(3);
        rig.openReady();
        rig.delegate.calls.clear();
        rig.view->goNextChapter();
        QCOMPARE(rig.position(), 2001);
        QCOMPARE(rig.view->currentStatus(), PlayStatus::Stop);
        QCOMPARE(rig.delegate.count(QStringLiteral("reachEnd")), 1);
        rig.view->goNextChapter();
        QCOMPARE(rig.position(), 4002);
        QVERIFY(!rig.view->movieForwardButton->isEnabled());
        rig.view->goNextChapter();
        QCOMPARE(rig.position(), 4002);
        rig.view->goPreviousChapter();
        QCOMPARE(rig.position(), 2001);
        QCOMPARE(rig.view->loadedChapter(), rig.chapters[1]);
    }

    void adventureListsStepByTheirNeighbouringChapters()
    {
        Rig rig(2);
        rig.view->autoPlay = false;
        rig.open(CardData::ActiveType::AdventureRec);
        rig.player->becomeReady();
        QVERIFY(rig.view->movieForwardButton->isEnabled());
        QCOMPARE(rig.view->movieLastButton->toolTip(), QString()); // disabled: no tip
        rig.view->goNextChapter();
        QVERIFY(rig.view->movieRewindButton->isEnabled());
        QVERIFY(!rig.view->movieForwardButton->isEnabled());
    }

    // ---- faults mended ----

    void aMissingChapterFileIsReportedOnceAndTheChapterIsNotTakenAsLoaded()
    {
        Rig rig;
        rig.openReady(true);
        rig.player->missing << rig.chapters[1]->_pathMp4.toLocalFile();
        rig.tick(2100);
        QCOMPARE(rig.delegate.count(QStringLiteral("openFailed")), 1);
        QCOMPARE(rig.view->loadedChapter(), rig.chapters[0]);
        QCOMPARE(rig.view->currentStatus(), PlayStatus::Pause);
        QVERIFY(!rig.view->trackbar->timerRunning());
        // Later value updates of the same list do not repeat the alert.
        rig.view->trackbarChanged();
        rig.view->play();
        rig.tick(40);
        rig.tick(40);
        QCOMPARE(rig.delegate.count(QStringLiteral("openFailed")), 1);
    }

    void aMovieThatCannotBePlayedIsReported()
    {
        Rig rig;
        rig.open();
        rig.player->fail();
        QCOMPARE(rig.delegate.count(QStringLiteral("playFailed")), 1);
        QCOMPARE(rig.view->currentStatus(), PlayStatus::NotReady);
    }

    void aMovieIsPutOnThePositionsFrameWhenOpenedAndAgainOnceItsLengthIsKnown()
    {
        Rig rig;
        // Opened half a second into the second chapter: that frame (the one
        // at 500 starts at 490), not the start of the list.
        rig.open(CardData::ActiveType::MovieRec, 2501);
        QCOMPARE(rig.view->loadedChapter(), rig.chapters[1]);
        QCOMPARE(rig.player->seeks.last(), 490);
        rig.player->becomeReady();
        // Into the first chapter while paused: its movie's length is not known
        // yet and does not hold the seek at the movie's start; once it is
        // known the frame is sought again.
        rig.view->changeChapter(PlayStatus::Pause, 1500);
        QCOMPARE(rig.view->loadedChapter(), rig.chapters[0]);
        QCOMPARE(rig.player->seeks.last(), 1470);
        const auto seeks = rig.player->seeks.size();
        rig.player->becomeReady();
        QCOMPARE(rig.player->seeks.size(), seeks + 1);
        QCOMPARE(rig.player->seeks.last(), 1470);
        // Opened again into a playing player: stopped, and so is its clock.
        rig.view->play();
        QVERIFY(rig.view->trackbar->timerRunning());
        rig.open(CardData::ActiveType::MovieRec, 2501);
        QCOMPARE(rig.view->currentStatus(), PlayStatus::Stop);
        QVERIFY(!rig.view->trackbar->timerRunning());
        QCOMPARE(rig.player->seeks.last(), 490);
    }

    // ---- stopwatch and trim marks ----

    void stopwatchMarksTenLapsAndAStopAtZero()
    {
        Rig rig;
        rig.openReady();
        QList<qint64> laps;
        for (int i = 1; i <= 10; ++i) laps << i * 100;
        rig.view->refreshTrackbar(StopWatchStatus::Stop, 0, laps, 1500, 0);
        const auto& marks = rig.view->trackbar->markerList();
        QCOMPARE(marks.size(), 12);
        QCOMPARE(marks.value(1000).kind, CustomSliderCell::Marker::Kind::Lap);
        QCOMPARE(marks.value(1000).lap, 10);
        QCOMPARE(marks.value(0).kind, CustomSliderCell::Marker::Kind::Start);
        QCOMPARE(marks.value(1500).kind, CustomSliderCell::Marker::Kind::Stop);
        rig.view->grab(); // the tenth lap is drawn like the others
        // -1 means none: no stop mark.
        rig.view->refreshTrackbar(StopWatchStatus::Stop, 0, {}, -1, 0);
        QCOMPARE(rig.view->trackbar->markerList().size(), 1);
    }

    void theTrackBarDrawsThePlayedPartTheKnobTheSelectionAndTheMarksWhereTheirPositionsLie()
    {
        // A track of 400 points inside a bar of 408: 100 ms a point over 40 s.
        CustomSliderCell bar;
        bar.resize(408, 26);
        QPalette black = bar.palette();
        black.setColor(QPalette::Window, Qt::black);
        bar.setPalette(black);
        bar.setAutoFillBackground(true);
        auto info = std::make_shared<PlayMovieValueInfo>();
        info->_maxValue = 40000;
        bar.updateValue(info);
        const QColor played(0x5f, 0xc8, 0xff), track(0x4a, 0x4a, 0x4a), selected(0xe6, 0xb4, 0x2a);
        const QColor start(0x3c, 0xc8, 0x50), stop(0xe0, 0x40, 0x40), lap(0xe8, 0xe8, 0xe8), cut(0xd0, 0x30, 0xd0);
        const auto same = [](const QColor& a, const QColor& b) {
            return qAbs(a.red() - b.red()) <= 3 && qAbs(a.green() - b.green()) <= 3 && qAbs(a.blue() - b.blue()) <= 3;
        };
        QImage shot;
        const auto draw = [&] { shot = bar.grab().toImage(); };
        // The columns of row y in [from, to) drawn in the colour: the first and one past the last.
        const auto columns = [&](int y, const QColor& colour, int from = 0, int to = 408) {
            int first = -1, last = -1;
            for (int x = from; x < to; ++x)
                if (same(shot.pixelColor(x, y), colour)) {
                    if (first < 0) first = x;
                    last = x + 1;
                }
            return std::pair{first, last};
        };
        const auto centre = [](std::pair<int, int> c) { return (c.first + c.second) / 2.0; };
        const auto all = [&](int y, int from, int to, const QColor& colour) {
            for (int x = from; x < to; ++x)
                if (!same(shot.pixelColor(x, y), colour)) return false;
            return true;
        };
        // The knob: what lies on the bar's middle row in neither bar colour.
        const auto knob = [&] {
            int first = -1, last = -1;
            for (int x = 10; x < 398; ++x) {
                const QColor c = shot.pixelColor(x, 12);
                if (same(c, played) || same(c, track) || same(c, selected)) continue;
                if (first < 0) first = x;
                last = x + 1;
            }
            return std::pair{first, last};
        };

        // At 10 s: played from the track's start to the knob at 104, the
        // rest of the track after it.
        bar.setIntegerValue(10000);
        // Marks of the stopwatch at 5 s, a stop at 5.5 s drawn over it, a
        // lap at 20 s and one past the end, drawn at the last tick.
        bar.swStatus = StopWatchStatus::Stop;
        bar.swStartSumFrameTS = 5000;
        bar.swStopSumFrameTS = 5500;
        bar.swLapSumFrameTSList = {20000, 45000};
        bar.refresh();
        draw();
        QVERIFY(all(12, 5, 98, played));
        QVERIFY(all(12, 110, 398, track));
        QVERIFY(!same(shot.pixelColor(2, 12), played));
        QCOMPARE(centre(knob()), 104.0);
        QCOMPARE(knob().second - knob().first, 10);
        QCOMPARE(columns(2, stop), (std::pair{54, 64}));
        QCOMPARE(columns(2, start), (std::pair{49, 54}));
        QCOMPARE(centre(columns(2, lap, 150, 300)), 204.0);
        QCOMPARE(columns(2, lap, 300).first, 399);

        // A selection from 10 s with the position at 30 s: selected from its
        // start mark to the knob, over the played part.
        bar.setSelectFrame(true);
        bar.setIntegerValue(30000);
        draw();
        QCOMPARE(centre(columns(2, cut, 80, 130)), 104.0);
        QVERIFY(all(12, 8, 103, played));
        QVERIFY(all(12, 105, 298, selected));
        QCOMPARE(centre(knob()), 304.0);
        QVERIFY(all(12, 310, 398, track));

        // Over 4,000 s a selection from 1,000 s shows 30 minutes of it, to
        // 2,800 s at 284; the played part goes on to the knob at 3,000 s.
        info = std::make_shared<PlayMovieValueInfo>();
        info->_maxValue = 4000000;
        bar.updateValue(info);
        bar.setIntegerValue(1000000);
        bar.setSelectFrame(true);
        bar.setIntegerValue(3000000);
        draw();
        QVERIFY(all(12, 105, 283, selected));
        QVERIFY(all(12, 285, 298, played));
        QCOMPARE(centre(knob()), 304.0);
    }

    void aRunningStopwatchIsTheLowerBoundAndHoldsADragUntilItStops()
    {
        Rig rig(1);
        rig.openReady();
        rig.view->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.view.get()));
        rig.view->changeChapter(PlayStatus::Pause, 1500);
        rig.view->refreshTrackbar(StopWatchStatus::Start, 1000, {1200}, -1, 1000);
        QCOMPARE(rig.view->_valueInfo->lowerBound(), 1000);
        auto* bar = rig.view->trackbar;
        const int xAt1500 = int(4 + bar->positionForValue(1500));
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(xAt1500, 8));
        QTest::mouseMove(bar, QPoint(5, 8));
        QTest::mouseMove(bar, QPoint(4, 8)); // the previous point lies left of the last lap
        QVERIFY2(qAbs(rig.position() - 1200) <= 3, qPrintable(QString::number(rig.position())));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(4, 8));
        // Stopped at position 0: a stop position, so the marks no longer hold the knob.
        rig.view->refreshTrackbar(StopWatchStatus::Stop, 1000, {1200}, 0, 1000);
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(xAt1500, 8));
        QTest::mouseMove(bar, QPoint(5, 8));
        QTest::mouseMove(bar, QPoint(4, 8));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(4, 8));
        QVERIFY2(rig.position() < 20, qPrintable(QString::number(rig.position())));
    }

    void aTrimSelectionPausesThirtyMinutesAfterItsStart()
    {
        Rig rig(1, 2'000'000, 1000);
        rig.view->autoPlay = true;
        rig.open();
        rig.player->duration = 2'000'000;
        rig.player->becomeReady();
        rig.tick(1000);
        rig.view->setCutSelection(true);
        QVERIFY(rig.view->cutButton->isChecked());
        QVERIFY(!rig.view->zoomButton->isEnabled());
        QVERIFY(rig.view->playerView->trimLabel()->isVisibleTo(rig.view->playerView));
        QVERIFY(rig.view->datetimeLabel->text().contains(QStringLiteral(" \uFF5E ")));
        QCOMPARE(rig.view->trackbar->markerList().value(1000).kind, CustomSliderCell::Marker::Kind::CutStart);
        rig.tick(1'799'000);
        QCOMPARE(rig.view->currentStatus(), PlayStatus::Play);
        rig.tick(5000);
        QCOMPARE(rig.position(), 1'801'000);
        QCOMPARE(rig.view->currentStatus(), PlayStatus::Pause);
        QVERIFY(!rig.view->moviePlayButton->isEnabled());
        rig.view->setCutSelection(false);
        QVERIFY(rig.view->moviePlayButton->isEnabled());
    }

    // ---- picture, sound and speed ----

    void speedVolumeMuteAndBrightnessReachTheMediaPlayer()
    {
        Rig rig;
        rig.openReady(true);
        rig.view->playSpeedSlider->setDoubleValue(5);
        rig.view->applyPlaySpeed();
        QCOMPARE(rig.view->trackbar->rate, 10.0f);
        QCOMPARE(rig.player->rate(), 0.0);
        QCOMPARE(rig.view->playSpeedRateLabel->text(), QStringLiteral("×10 times speed"));
        rig.view->playSpeedSlider->setDoubleValue(0);
        rig.view->applyPlaySpeed();
        QCOMPARE(rig.view->trackbar->rate, 0.5f);
        rig.view->setVolume(0.25f);
        QCOMPARE(rig.player->volume(), 0.25f);
        rig.view->volumeButton->click();
        QVERIFY(rig.player->isMuted());
        QVERIFY(!rig.view->volumeSlider->isEnabled());
        rig.view->volumeButton->click();
        QVERIFY(!rig.player->isMuted());
        rig.view->setGamma(5.0);
        QVERIFY(qAbs(rig.player->brightness() - 0.4) < 1e-9);
        rig.view->brightButton->click();
        QCOMPARE(rig.player->brightness(), 0.0);
    }

    // ---- zoom, full screen and keys ----

    void zoomAndTrimExcludeEachOtherAndFullScreenReturnsToOneTimes()
    {
        Rig rig;
        rig.openReady();
        rig.view->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.view.get()));
        rig.view->zoomButton->click();
        QVERIFY(!rig.view->zoomMenu->isHidden());
        rig.view->zoomButtons[2]->click();
        QCOMPARE(rig.view->playerView->playerScale, PlayerView::ScaleType::Scale_x3);
        QVERIFY(!rig.view->cutButton->isEnabled() && !rig.view->snapShotButton->isEnabled());
        rig.view->fullscreenButton->click();
        QCOMPARE(rig.view->playerView->playerScale, PlayerView::ScaleType::Scale_x1);
        QVERIFY(rig.delegate.fullscreen);
        QCOMPARE(rig.delegate.count(QStringLiteral("layout1")), 1);
        rig.view->updateButtonState(); // the button now leaves full screen, and says so
        QCOMPARE(rig.view->fullscreenButton->toolTip(), QStringLiteral("Close full screen"));
        // A click into the video leaves full screen.
        QTest::mouseClick(rig.view->playerView, Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(!rig.view->fullscreenButton->isChecked());
        QVERIFY(!rig.delegate.fullscreen);
        QCOMPARE(rig.delegate.count(QStringLiteral("layout0")), 1);
    }

    void escapeLeavesFullScreenAndClosesTheZoomMenu()
    {
        Rig rig;
        rig.openReady();
        rig.view->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.view.get()));
        rig.view->fullscreenButton->click();
        rig.view->zoomButton->click();
        QVERIFY(!rig.view->zoomMenu->isHidden());
        QTest::keyClick(rig.view.get(), Qt::Key_Right);
        QCOMPARE(rig.view->zoomController().hoveredZoomIndex(), 0);
        QTest::keyClick(rig.view.get(), Qt::Key_Escape);
        QVERIFY(rig.view->zoomMenu->isHidden());
        QVERIFY(!rig.view->fullscreenButton->isChecked());
        QVERIFY(!rig.delegate.fullscreen);
        QVERIFY(!rig.view->zoomButton->isChecked());
    }

    void tabWrapsBetweenTheButtonGroups()
    {
        Rig rig;
        rig.view->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.view.get()));
        rig.view->activateWindow();
        // Not ready: the stopwatch button is disabled, Tab skips to brightness.
        rig.view->googleEathButton->setEnabled(true);
        rig.view->googleEathButton->setFocus();
        QTest::keyClick(rig.view->googleEathButton, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), rig.view->brightButton);
        QTest::keyClick(rig.view->brightButton, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), rig.view->settingButton);

        rig.openReady();
        QVERIFY(rig.view->stopWatchButton->isEnabled());
        rig.view->googleEathButton->setFocus();
        QTest::keyClick(rig.view->googleEathButton, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), rig.view->fullscreenButton);
        QTest::keyClick(rig.view->fullscreenButton, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), rig.view->googleEathButton);
        // From brightness backwards the normal order applies.
        rig.view->brightButton->setFocus();
        QVERIFY(!rig.view->wrapFocus(false));
    }

    void toolButtonsAskTheMainWindow()
    {
        Rig rig;
        rig.openReady();
        rig.view->openButton->click();
        rig.view->settingButton->click();
        rig.view->snapShotButton->click();
        rig.view->cutButton->click();
        QVERIFY(!rig.view->cutButton->isChecked()); // the main window turns it on with the tool
        rig.view->googleEathButton->click();
        rig.view->stopWatchButton->click();
        rig.view->stopWatchButton->click();
        for (const char* call : {"open", "camera", "tool6", "tool5", "google", "showStopWatch", "hideStopWatch"})
            QCOMPARE(rig.delegate.count(QLatin1String(call)), 1);
    }

    void closingEmptiesThePlayer()
    {
        Rig rig;
        rig.openReady(true);
        rig.view->closeMovie(true);
        QCOMPARE(rig.view->currentStatus(), PlayStatus::NotReady);
        QCOMPARE(rig.player->status(), MediaPlayer::ItemStatus::None);
        QVERIFY(!rig.view->trackbar->timerRunning());
        QVERIFY(!rig.view->moviePlayButton->isEnabled());
        QCOMPARE(rig.view->loadingText->text(), QStringLiteral("Now Loading"));
        QCOMPARE(rig.view->datetimeLabel->text(), QStringLiteral("--.--.---- --:-- --"));
        // A new first movie is waited for again.
        rig.open();
        QCOMPARE(rig.view->currentStatus(), PlayStatus::NotReady);
        rig.player->becomeReady();
        QCOMPARE(rig.view->currentStatus(), PlayStatus::Stop);
    }
};

KR_TEST_MAIN(TestMoviePlayerView)
#include "tst_movieplayerview.moc"
