// The movie player panel on libmpv, over a generated card: a trip of two
// chapters whose movies are ffmpeg's testsrc (each frame differs from its
// neighbours), read through the catalogue as the application reads it.
// With KR_TEST_VIDEO_CANVAS=opengl the panel draws through the OpenGL canvas
// even on a software rasteriser (where the player itself would not choose
// it); that needs a display (Xvfb), and the tests skip without one.
#include "CardGen.h"
#include "TestMain.h"
#include "app/player/CustomSliderCell.h"
#include "app/player/CustomSliderCellMin.h"
#include "app/player/MoviePlayerView.h"
#include "app/player/MpvGLCanvas.h"
#include "app/player/PlayerView.h"
#include "app/player/VideoCanvas.h"
#include "app/shell/EXTextButton.h"
#include "core/catalog/CardData.h"
#include "core/foundation/SettingsStore.h"
#include "core/recording/PictureDataUtil.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "ImageCompare.h"
#include <clocale>

using CommonConst::PlayStatus;

using imagetest::meanDifference;

namespace {

constexpr double FPS = 28.0;

qint64 frameStamp(int n)
{
    return static_cast<qint64>(n * 1000.0 / FPS);
}

// The movie frame whose time stamp a frame record names.
int frameOfStamp(qint64 ms)
{
    int n = int(ms * FPS / 1000.0);
    while (frameStamp(n + 1) <= ms) ++n;
    while (n > 0 && frameStamp(n) > ms) --n;
    return n;
}


struct Delegate : MoviePlayerViewDelegate {
    QStringList calls;
    void playerPositionChanged() override { ++ticks; }
    void playerDidReachEnd() override { calls << QStringLiteral("reachEnd"); }
    void refreshDrivingInfo(bool) override {}
    void showOpenFailed() override { calls << QStringLiteral("openFailed"); }
    void showPlayFailed() override { calls << QStringLiteral("playFailed"); }
    void updateSaveButton() override {}
    void setFullScreenLayout(bool) override {}
    bool isFullscreen() const override { return false; }
    void toggleFullScreen() override {}
    void showOpenDialog() override {}
    void showBackupDialog() override {}
    void showCameraSettings() override {}
    void playPreviousItem() override { calls << QStringLiteral("prevItem"); }
    void playNextItem() override { calls << QStringLiteral("nextItem"); }
    void showStopWatch() override {}
    void hideStopWatch() override {}
    void exportGoogleEarth() override {}
    void openToolWindow(std::uint8_t) override {}
    void playerControlEvent(std::uint8_t) override {}
    int ticks = 0;
};

} // namespace

class TestMoviePlayerMpv : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QTemporaryDir m_settings;
    std::shared_ptr<CardData> m_card;
    ChapterList m_chapters;

    QImage referenceFrame(int chapter, int n)
    {
        const QString out = m_dir.filePath(QStringLiteral("ref-%1-%2.png").arg(chapter).arg(n));
        if (!QFile::exists(out)) {
            QProcess ffmpeg;
            ffmpeg.setStandardOutputFile(QProcess::nullDevice());
            ffmpeg.setStandardErrorFile(QProcess::nullDevice());
            ffmpeg.start(QStringLiteral("ffmpeg"),
                         {QStringLiteral("-y"), QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"),
                          m_chapters[chapter]->_pathMp4.toLocalFile(), QStringLiteral("-vf"),
                          QStringLiteral("select=eq(n\\,%1)").arg(n), QStringLiteral("-fps_mode"),
                          QStringLiteral("passthrough"), QStringLiteral("-frames:v"), QStringLiteral("1"), out});
            if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) return {};
        }
        return QImage(out);
    }

    static bool openGLCanvas() { return qEnvironmentVariable("KR_TEST_VIDEO_CANVAS") == QLatin1String("opengl"); }

    static MoviePlayerView::PlayerFactory playerFactory()
    {
        if (!openGLCanvas()) return MoviePlayerView::mpvFactory({true});
        return [](MoviePlayerView& view) -> MediaPlayer* {
            auto* player = new MpvMediaPlayer(MpvMediaPlayer::Config{true}, &view);
            view.playerView->setCanvas(new MpvGLCanvas(*player, view.playerView));
            return player;
        };
    }

    struct Rig {
        Delegate delegate;
        std::unique_ptr<MoviePlayerView> view;
    };

    std::unique_ptr<Rig> openTrip(qint64 position, bool autoPlay)
    {
        auto rig = std::make_unique<Rig>();
        rig->view = std::make_unique<MoviePlayerView>(nullptr, playerFactory());
        rig->view->setDelegate(&rig->delegate);
        rig->view->resize(800, 560);
        rig->view->show();
        auto info = std::make_shared<PlayMovieValueInfo>(m_chapters, CardData::ActiveType::MovieRec);
        info->setCurrentValue(position);
        rig->view->setValueInfo(info);
        rig->view->autoPlay = autoPlay;
        rig->view->openMovie();
        return rig;
    }

    // Waits for the movie to settle on its seek and returns what is shown.
    static QImage settledFrame(MoviePlayerView& view)
    {
        MediaPlayer* player = view.mediaPlayer();
        QDeadlineTimer deadline(10000);
        while (!(player->isReady() && !player->isSeeking()) && !deadline.hasExpired()) QTest::qWait(10);
        QTest::qWait(250); // the picture of the landed seek is rendered
        return view.playerView->canvas()->currentFrame();
    }

    // The shown picture is frame n of the chapter's movie, not a neighbour.
    void verifyShows(const QImage& shown, int chapter, int n)
    {
        QVERIFY(!shown.isNull());
        const double here = meanDifference(shown, referenceFrame(chapter, n));
        QVERIFY(!referenceFrame(chapter, n).isNull());
        const double before = n > 0 ? meanDifference(shown, referenceFrame(chapter, n - 1)) : 1e9;
        const double after = meanDifference(shown, referenceFrame(chapter, n + 1));
        QVERIFY2(here < before && here < after,
                 qPrintable(QStringLiteral("frame %1: %2 vs %3 / %4").arg(n).arg(here).arg(before).arg(after)));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (openGLCanvas() && QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("the OpenGL canvas needs a display (run under Xvfb)");
        std::setlocale(LC_NUMERIC, "C");
        SettingsStore::setIdentity();
        SettingsStore::useFile(m_settings.filePath(QStringLiteral("settings.ini")));
        QVERIFY(m_dir.isValid());
        cardgen::CardOptions o;
        cardgen::TripOptions trip;
        trip.chapters = 2;
        trip.chapterSeconds = 3;
        trip.drive.profile = cardgen::SpeedProfile::Constant;
        trip.drive.incidents = {cardgen::Incident{cardgen::Incident::Kind::GShock, 1500, true}};
        o.trips = {trip};
        o.videoCacheDir = m_dir.filePath(QStringLiteral("cache"));
        const cardgen::WrittenCard written = cardgen::writeCard(m_dir.filePath(QStringLiteral("card")), o);
        m_card = CardData::create();
        m_card->readCardData(written.moveDir);
        const TripList trips = m_card->tripList();
        QCOMPARE(trips.size(), 1);
        m_chapters = trips.first()->chapterDataList();
        QCOMPARE(m_chapters.size(), 2);
        for (const auto& c : m_chapters) QVERIFY(c->loadPicture(true));
    }

    void cleanupTestCase()
    {
        m_chapters.clear();
        if (m_card) m_card->dispose();
    }

    void opensTheFirstChapterAndStopsAtItsStart()
    {
        auto rig = openTrip(0, false);
        QTRY_COMPARE_WITH_TIMEOUT(rig->view->currentStatus(), PlayStatus::Stop, 10000);
        QCOMPARE(rig->view->mediaPlayer()->currentPath(), m_chapters[0]->_pathMp4.toLocalFile());
        QCOMPARE(rig->delegate.calls.count(QStringLiteral("reachEnd")), 1);
        QVERIFY(rig->view->moviePlayButton->isEnabled());
        verifyShows(settledFrame(*rig->view), 0, 0);
    }

    void exactSeekAndFrameStepsShowTheFrameOfThePosition()
    {
        auto rig = openTrip(0, false);
        QTRY_COMPARE_WITH_TIMEOUT(rig->view->currentStatus(), PlayStatus::Stop, 10000);
        MoviePlayerView& view = *rig->view;
        for (const qint64 p : {1000, 1517, 2210}) {
            view.changeChapter(PlayStatus::Pause, p);
            const auto ts = PictureDataUtil::movieTimeStamp(m_chapters, std::int32_t(p));
            QVERIFY(ts);
            verifyShows(settledFrame(view), 0, frameOfStamp(*ts));
        }
        // One frame forward and back (1000 / 28 fps = 35 ms).
        const qint64 at = view.trackbar->integerValue();
        view.frameForward();
        QCOMPARE(view.trackbar->integerValue(), at + 35);
        const auto tsNext = PictureDataUtil::movieTimeStamp(m_chapters, std::int32_t(at + 35));
        QVERIFY(tsNext);
        verifyShows(settledFrame(view), 0, frameOfStamp(*tsNext));
        view.frameBack();
        view.frameBack();
        const auto tsBack = PictureDataUtil::movieTimeStamp(m_chapters, std::int32_t(at - 35));
        QVERIFY(tsBack);
        verifyShows(settledFrame(view), 0, frameOfStamp(*tsBack));
    }

    void playingAcrossTheChapterBoundaryLoadsTheNextMovieAndKeepsPlaying()
    {
        const qint64 chapterEnd = PictureDataUtil::position(m_chapters, 1, 0) - 1;
        auto rig = openTrip(chapterEnd - 400, true);
        MoviePlayerView& view = *rig->view;
        QTRY_COMPARE_WITH_TIMEOUT(view.currentStatus(), PlayStatus::Play, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(view.loadedChapter(), m_chapters[1], 5000);
        QCOMPARE(view.mediaPlayer()->currentPath(), m_chapters[1]->_pathMp4.toLocalFile());
        QVERIFY(rig->delegate.calls.count(QStringLiteral("reachEnd")) >= 2);
        QCOMPARE(view.currentStatus(), PlayStatus::Play);
        // The new movie runs with the clock.
        QTRY_VERIFY_WITH_TIMEOUT(view.mediaPlayer()->currentTimeMs() > 300, 5000);
        const qint64 inChapter = view.trackbar->integerValue() - PictureDataUtil::position(m_chapters, 1, 0);
        QVERIFY2(std::abs(view.mediaPlayer()->currentTimeMs() - inChapter) < 400,
                 qPrintable(QStringLiteral("%1 vs %2").arg(view.mediaPlayer()->currentTimeMs()).arg(inChapter)));
        QVERIFY(rig->delegate.ticks > 10);

        // A picture of the panel playing the generated card.
        const QString shot = QDir::current().filePath(QStringLiteral("movieplayerview-playing.png"));
        QVERIFY(view.grab().save(shot));
    }

    void theEndOfTheLastChapterPausesWithoutMovingOn()
    {
        const qint64 total = PictureDataUtil::totalLength(m_chapters);
        auto rig = openTrip(total - 600, true);
        MoviePlayerView& view = *rig->view;
        QTRY_COMPARE_WITH_TIMEOUT(view.currentStatus(), PlayStatus::Play, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(view.currentStatus(), PlayStatus::Pause, 5000);
        QCOMPARE(view.trackbar->integerValue(), total);
        QCOMPARE(view.mediaPlayer()->rate(), 0.0);
        QVERIFY(!rig->delegate.calls.contains(QStringLiteral("nextItem")));
        // The movie stopped before its end, on a picture.
        QVERIFY(view.mediaPlayer()->currentTimeMs() <= view.itemEndLimit() + 100);
        QVERIFY(!view.playerView->canvas()->currentFrame().isNull());
    }

    void closingBlanksThePictureUntilAnotherMovieIsReady()
    {
        auto rig = openTrip(0, false);
        MoviePlayerView& view = *rig->view;
        QTRY_COMPARE_WITH_TIMEOUT(view.currentStatus(), PlayStatus::Stop, 10000);
        QWidget* canvas = view.playerView->canvas()->widget();
        QVERIFY(canvas->isVisible());
        view.closeMovie(false);
        QVERIFY(!canvas->isVisible());
        QCOMPARE(view.mediaPlayer()->status(), MediaPlayer::ItemStatus::None);
        view.setValueInfo(std::make_shared<PlayMovieValueInfo>(m_chapters, CardData::ActiveType::MovieRec));
        view.openMovie();
        QTRY_COMPARE_WITH_TIMEOUT(view.currentStatus(), PlayStatus::Stop, 10000);
        QVERIFY(canvas->isVisible());
        verifyShows(settledFrame(view), 0, 0);
    }

    void anEventPlaysOverItsWindowWithTheSecondsFromTheEvent()
    {
        const MoveProtectList records = m_card->moveProtectList();
        QCOMPARE(records.size(), 1);
        Rig rig;
        rig.view = std::make_unique<MoviePlayerView>(nullptr, playerFactory());
        rig.view->setDelegate(&rig.delegate);
        MoviePlayerView& view = *rig.view;
        view.showMovie(*m_card, records.first());
        QCOMPARE(view._valueInfo->_playType, CommonConst::PlayType::Event);
        QTRY_COMPARE_WITH_TIMEOUT(view.currentStatus(), PlayStatus::Stop, 10000);
        // The window starts at the first chapter (the event is 1.5 s in) and
        // ends 8 s after the event, within the trip.
        QCOMPARE(view.trackbar->minValue(), 0.0);
        QVERIFY(std::abs(view.eventFrame() - 1500) <= 40);
        QCOMPARE(view.trackbar->maxValue(), double(std::min<qint64>(view.eventFrame() + 8000,
                                                                    PictureDataUtil::totalLength(m_chapters))));
        QCOMPARE(view.trackbar->markerList().value(view.eventFrame()).kind,
                 CustomSliderCell::Marker::Kind::EventG);
        view.changeChapter(PlayStatus::Pause, view.eventFrame() + 1300);
        QCOMPARE(view.diffSecLabel->text(), QStringLiteral("+01.3"));
        view.changeChapter(PlayStatus::Pause, view.eventFrame() - 1000);
        QCOMPARE(view.diffSecLabel->text(), QStringLiteral("-01.0"));
        QVERIFY(!view.movieRewindButton->isEnabled() && !view.movieForwardButton->isEnabled());
        QCOMPARE(view.movieFirstButton->toolTip(), QString());
    }

    void atTenTimesTheSpeedThePictureFollowsBySeeks()
    {
        auto rig = openTrip(0, false);
        MoviePlayerView& view = *rig->view;
        QTRY_COMPARE_WITH_TIMEOUT(view.currentStatus(), PlayStatus::Stop, 10000);
        view.playSpeedSlider->setDoubleValue(5);
        view.applyPlaySpeed();
        view.play();
        QTRY_VERIFY_WITH_TIMEOUT(view.trackbar->integerValue() > 1500, 5000);
        QCOMPARE(view.mediaPlayer()->rate(), 0.0);
        view.pause();
        const auto ts = PictureDataUtil::movieTimeStamp(m_chapters, std::int32_t(view.trackbar->integerValue()));
        QVERIFY(ts);
        view.seek();
        const int chapter = int(view._valueInfo->currentIndex());
        verifyShows(settledFrame(view), chapter, frameOfStamp(*ts));
    }
};

KR_TEST_MAIN(TestMoviePlayerMpv)
#include "tst_movieplayer_mpv.moc"
