#include "TestMain.h"
#include "app/player/MpvMediaPlayer.h"
#include "app/player/MpvSoftwareCanvas.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "ImageCompare.h"
#include <clocale>
#include <memory>

using imagetest::meanDifference;
using imagetest::meanLuma;

namespace {

constexpr double FPS = 28.0;

bool runFfmpeg(const QStringList& args)
{
    QProcess ffmpeg;
    ffmpeg.setStandardOutputFile(QProcess::nullDevice());
    ffmpeg.setStandardErrorFile(QProcess::nullDevice());
    ffmpeg.start(QStringLiteral("ffmpeg"), QStringList{QStringLiteral("-y"), QStringLiteral("-v"),
                                                       QStringLiteral("error")} + args);
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit
        && ffmpeg.exitCode() == 0;
}

// The time stamp in whole milliseconds that a frame record names for frame n.
qint64 frameStamp(int n)
{
    return static_cast<qint64>(n * 1000.0 / FPS);
}



} // namespace

class TestMpvMediaPlayer : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_movie;

    QImage referenceFrame(int n)
    {
        const QString out = m_dir.filePath(QStringLiteral("frame%1.png").arg(n));
        if (!QFile::exists(out)) {
            const bool ok = runFfmpeg({QStringLiteral("-i"), m_movie, QStringLiteral("-vf"),
                                       QStringLiteral("select=eq(n\\,%1)").arg(n), QStringLiteral("-fps_mode"),
                                       QStringLiteral("passthrough"), QStringLiteral("-frames:v"),
                                       QStringLiteral("1"), out});
            if (!ok)
                return {};
        }
        return QImage(out);
    }

    struct Rig {
        std::unique_ptr<MpvMediaPlayer> player;
        std::unique_ptr<MpvSoftwareCanvas> canvas;
    };

    Rig makeRig()
    {
        Rig rig;
        rig.player = std::make_unique<MpvMediaPlayer>(MpvMediaPlayer::Config{true});
        rig.canvas = std::make_unique<MpvSoftwareCanvas>(*rig.player);
        rig.canvas->resize(320, 180);
        rig.canvas->setPictureGeometry(QRectF(0, 0, 320, 180), QRectF(0, 0, 320, 180));
        return rig;
    }

    bool openMovie(Rig& rig)
    {
        QSignalSpy ready(rig.player.get(), &MediaPlayer::readyToPlay);
        if (!rig.player->open(m_movie))
            return false;
        return ready.wait(10000) || ready.count() > 0;
    }

    // Seeks and waits until the picture of the seek target has been rendered.
    QImage seekAndGrab(Rig& rig, qint64 ms)
    {
        QSignalSpy done(rig.player.get(), &MediaPlayer::seekFinished);
        rig.player->seekExact(ms);
        if (!done.wait(10000) && done.isEmpty())
            return {};
        QSignalSpy rendered(rig.canvas.get(), &MpvSoftwareCanvas::frameRendered);
        rendered.wait(300); // the frame may already be there
        return rig.canvas->currentFrame();
    }

private Q_SLOTS:
    void initTestCase()
    {
        std::setlocale(LC_NUMERIC, "C");
        QVERIFY(m_dir.isValid());
        m_movie = m_dir.filePath(QStringLiteral("testsrc.mp4"));
        QVERIFY(runFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                           QStringLiteral("testsrc=size=320x180:rate=28"), QStringLiteral("-t"),
                           QStringLiteral("3"), QStringLiteral("-c:v"), QStringLiteral("libx264"),
                           QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), m_movie}));
    }

    void opensAMovieAndReportsItsDurationAndFrameRate()
    {
        Rig rig = makeRig();
        QSignalSpy status(rig.player.get(), &MediaPlayer::statusChanged);
        QVERIFY(openMovie(rig));
        QCOMPARE(rig.player->status(), MediaPlayer::ItemStatus::ReadyToPlay);
        QVERIFY(status.count() >= 2); // Unknown, then ReadyToPlay
        QVERIFY2(std::abs(rig.player->durationMs() - 3000) <= 40,
                 qPrintable(QString::number(rig.player->durationMs())));
        QCOMPARE(qRound(rig.player->nominalFrameRate()), 28);
        QCOMPARE(rig.player->rate(), 0.0);
        QCOMPARE(rig.player->currentTimeMs(), 0);
    }

    void refusesAMissingFileAndKeepsTheCurrentItem()
    {
        Rig rig = makeRig();
        QVERIFY(openMovie(rig));
        QVERIFY(!rig.player->open(m_dir.filePath(QStringLiteral("absent.mp4"))));
        QCOMPARE(rig.player->status(), MediaPlayer::ItemStatus::ReadyToPlay);
        QCOMPARE(rig.player->currentPath(), m_movie);
    }

    void reportsFailureForAFileThatIsNoMovie()
    {
        const QString garbage = m_dir.filePath(QStringLiteral("garbage.mp4"));
        QFile file(garbage);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray bytes(64 * 1024, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>((i * 7919 + 13) & 0xFF);
        file.write(bytes);
        file.close();

        Rig rig = makeRig();
        QSignalSpy failed(rig.player.get(), &MediaPlayer::failed);
        QSignalSpy ready(rig.player.get(), &MediaPlayer::readyToPlay);
        QVERIFY(rig.player->open(garbage));
        QVERIFY(failed.wait(10000) || !failed.isEmpty());
        QCOMPARE(rig.player->status(), MediaPlayer::ItemStatus::Failed);
        QVERIFY(ready.isEmpty());
        QCOMPARE(rig.player->durationMs(), -1);

        // The player still opens a good movie afterwards.
        QVERIFY(openMovie(rig));
    }

    void exactSeekShowsTheFrameThatTheTimeStampNames()
    {
        Rig rig = makeRig();
        QVERIFY(openMovie(rig));
        for (const int n : {17, 45, 44, 70}) {
            QImage shown = seekAndGrab(rig, frameStamp(n));
            QVERIFY(!shown.isNull());
            QCOMPARE(rig.player->currentTimeMs(), frameStamp(n));
            double here = 0, before = 0, after = 0;
            const auto showsFrameN = [&] {
                here = meanDifference(shown, referenceFrame(n));
                before = meanDifference(shown, referenceFrame(n - 1));
                after = meanDifference(shown, referenceFrame(n + 1));
                return here < before && here < after;
            };
            // On a busy machine the canvas may draw the sought frame a little
            // after the seek is reported; a frame next to it never becomes it.
            (void)QTest::qWaitFor([&] {
                shown = rig.canvas->currentFrame();
                return showsFrameN();
            }, 5000);
            QVERIFY2(showsFrameN(),
                     qPrintable(QStringLiteral("frame %1: %2 vs %3 / %4").arg(n).arg(here).arg(before).arg(after)));
        }
    }

    void thePictureIsRenderedAtTheSizeItIsShown()
    {
        // Painting then copies it as it is: scaling a large picture makes
        // the GUI thread wait on the painter's helper threads.
        Rig rig = makeRig();
        QVERIFY(openMovie(rig));
        QVERIFY(!seekAndGrab(rig, frameStamp(10)).isNull());
        QCOMPARE(rig.canvas->currentFrame().size(), QSize(320, 180));
        QSignalSpy rendered(rig.canvas.get(), &MpvSoftwareCanvas::frameRendered);
        rig.canvas->setPictureGeometry(QRectF(0, 0, 160, 90), QRectF(0, 0, 160, 90));
        QVERIFY(rendered.wait(5000) || !rendered.isEmpty());
        QCOMPARE(rig.canvas->currentFrame().size(), QSize(160, 90));
        // Never larger than the movie itself, however large it is shown.
        rig.canvas->setPictureGeometry(QRectF(0, 0, 1280, 720), QRectF(0, 0, 320, 180));
        QVERIFY(rendered.wait(5000));
        QCOMPARE(rig.canvas->currentFrame().size(), QSize(320, 180));
    }

    void seekAskedWhileOpeningIsMadeOnceReady()
    {
        Rig rig = makeRig();
        QSignalSpy ready(rig.player.get(), &MediaPlayer::readyToPlay);
        QSignalSpy done(rig.player.get(), &MediaPlayer::seekFinished);
        QVERIFY(rig.player->open(m_movie));
        rig.player->seekExact(frameStamp(30));
        QCOMPARE(rig.player->currentTimeMs(), frameStamp(30));
        QVERIFY(ready.wait(10000) || !ready.isEmpty());
        QVERIFY(done.wait(10000) || !done.isEmpty());
        QCOMPARE(rig.player->currentTimeMs(), frameStamp(30));
    }

    void playsAtARateAndHoldsWhenPaused()
    {
        Rig rig = makeRig();
        QVERIFY(openMovie(rig));
        rig.player->setRate(1.0);
        QCOMPARE(rig.player->rate(), 1.0);
        QTRY_VERIFY_WITH_TIMEOUT(rig.player->currentTimeMs() > 300, 5000);
        rig.player->pause();
        QCOMPARE(rig.player->rate(), 0.0);
        QTest::qWait(200); // let the pause land
        const qint64 held = rig.player->currentTimeMs();
        QTest::qWait(400);
        QVERIFY(std::abs(rig.player->currentTimeMs() - held) <= 40);
    }

    void reportsTheEndOfTheItemOnceAndKeepsTheLastFrame()
    {
        Rig rig = makeRig();
        QVERIFY(openMovie(rig));
        QSignalSpy end(rig.player.get(), &MediaPlayer::reachedEnd);
        seekAndGrab(rig, 2700);
        rig.player->setRate(2.0);
        QVERIFY(end.wait(10000) || !end.isEmpty());
        QCOMPARE(end.count(), 1);
        QCOMPARE(rig.player->rate(), 0.0);
        QCOMPARE(rig.player->status(), MediaPlayer::ItemStatus::ReadyToPlay);
        QVERIFY(!rig.canvas->currentFrame().isNull());
        QTest::qWait(300);
        QCOMPARE(end.count(), 1);

        // Seeking back and playing again reaches the end again.
        seekAndGrab(rig, 2800);
        rig.player->setRate(1.0);
        QVERIFY(end.wait(10000) || end.count() == 2);
        QCOMPARE(end.count(), 2);
    }

    void theEndIsReportedOnceHoweverOftenItemsWereOpened()
    {
        Rig rig = makeRig();
        for (int i = 0; i < 3; ++i)
            QVERIFY(openMovie(rig));
        QSignalSpy end(rig.player.get(), &MediaPlayer::reachedEnd);
        seekAndGrab(rig, 2850);
        rig.player->setRate(1.0);
        QVERIFY(end.wait(10000) || !end.isEmpty());
        QTest::qWait(300);
        QCOMPARE(end.count(), 1);
    }

    void switchesToAnotherMovie()
    {
        const QString second = m_dir.filePath(QStringLiteral("second.mp4"));
        QVERIFY(runFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                           QStringLiteral("color=c=white:size=320x180:rate=30"), QStringLiteral("-t"),
                           QStringLiteral("1"), QStringLiteral("-c:v"), QStringLiteral("libx264"),
                           QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), second}));
        Rig rig = makeRig();
        QVERIFY(openMovie(rig));
        QSignalSpy ready(rig.player.get(), &MediaPlayer::readyToPlay);
        QVERIFY(rig.player->open(second));
        QCOMPARE(rig.player->status(), MediaPlayer::ItemStatus::Unknown);
        QVERIFY(ready.wait(10000) || !ready.isEmpty());
        QCOMPARE(ready.count(), 1);
        QCOMPARE(qRound(rig.player->nominalFrameRate()), 30);
        QVERIFY(std::abs(rig.player->durationMs() - 1000) <= 40);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.canvas->currentFrame().isNull()
                                     && meanLuma(rig.canvas->currentFrame()) > 230.0,
                                 5000);
    }

    void brightnessIsAppliedToAPausedPicture()
    {
        Rig rig = makeRig();
        QVERIFY(openMovie(rig));
        const QImage plain = seekAndGrab(rig, frameStamp(20));
        QVERIFY(!plain.isNull());
        const double base = meanLuma(plain);

        QSignalSpy rendered(rig.canvas.get(), &MpvSoftwareCanvas::frameRendered);
        rig.player->setBrightness(0.4);
        QTRY_VERIFY_WITH_TIMEOUT(meanLuma(rig.canvas->currentFrame()) > base + 40.0, 5000);

        rig.player->setBrightness(-0.27);
        QTRY_VERIFY_WITH_TIMEOUT(meanLuma(rig.canvas->currentFrame()) < base - 25.0, 5000);

        rig.player->setBrightness(0.0);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(meanLuma(rig.canvas->currentFrame()) - base) < 3.0, 5000);
        QCOMPARE(rig.player->brightness(), 0.0);
    }

    void seeksOnEveryTickLandOnTheNewestTarget()
    {
        Rig rig = makeRig();
        QVERIFY(openMovie(rig));
        QSignalSpy done(rig.player.get(), &MediaPlayer::seekFinished);
        // As at 10x: a seek a tick, 30 ticks a second, never waiting for one.
        int n = 0;
        for (int tick = 0; tick < 30; ++tick) {
            n = (tick * 9 + 5) % 80;
            rig.player->seekExact(frameStamp(n));
            QCOMPARE(rig.player->currentTimeMs(), frameStamp(n));
            QTest::qWait(33);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!rig.player->isSeeking(), 10000);
        QCOMPARE(rig.player->currentTimeMs(), frameStamp(n));
        QSignalSpy rendered(rig.canvas.get(), &MpvSoftwareCanvas::frameRendered);
        rendered.wait(300);
        const QImage shown = rig.canvas->currentFrame();
        const double here = meanDifference(shown, referenceFrame(n));
        QVERIFY(here < meanDifference(shown, referenceFrame(n - 1)));
        QVERIFY(here < meanDifference(shown, referenceFrame(n + 1)));
        QVERIFY(!done.isEmpty());
    }

    void aMovieWithoutPictureHasNoFrameRate()
    {
        const QString sound = m_dir.filePath(QStringLiteral("sound.mp4"));
        QVERIFY(runFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                           QStringLiteral("sine=frequency=440:duration=1"), QStringLiteral("-c:a"),
                           QStringLiteral("aac"), sound}));
        Rig rig = makeRig();
        QSignalSpy ready(rig.player.get(), &MediaPlayer::readyToPlay);
        QVERIFY(rig.player->open(sound));
        QVERIFY(ready.wait(10000) || !ready.isEmpty());
        QCOMPARE(rig.player->nominalFrameRate(), 0.0);
        QVERIFY(rig.player->durationMs() > 900);
    }

    void volumeAndMuteAreKeptInRange()
    {
        Rig rig = makeRig();
        rig.player->setVolume(1.7f);
        QCOMPARE(rig.player->volume(), 1.0f);
        rig.player->setVolume(-1.0f);
        QCOMPARE(rig.player->volume(), 0.0f);
        rig.player->setVolume(0.25f);
        QCOMPARE(rig.player->volume(), 0.25f);
        rig.player->setMuted(true);
        QVERIFY(rig.player->isMuted());
    }

    void theRendererMayOutliveOrPrecedeThePlayer()
    {
        {
            Rig rig = makeRig();
            QVERIFY(openMovie(rig));
            QVERIFY(!seekAndGrab(rig, 500).isNull());
            rig.player.reset(); // the canvas gives its context back first
            QVERIFY(!rig.canvas->currentFrame().isNull()); // the last picture stays
            rig.canvas->update();
            QCoreApplication::processEvents();
        }
        {
            Rig rig = makeRig();
            QVERIFY(openMovie(rig));
            // Without its picture surface libmpv drops a movie that has only
            // a picture: the player says so instead of staying "ready".
            QSignalSpy failed(rig.player.get(), &MediaPlayer::failed);
            rig.canvas.reset();
            QVERIFY(failed.wait(10000) || !failed.isEmpty());
            QCOMPARE(rig.player->status(), MediaPlayer::ItemStatus::Failed);
            // A new surface and a new open bring it back.
            rig.canvas = std::make_unique<MpvSoftwareCanvas>(*rig.player);
            QVERIFY(openMovie(rig));
            QVERIFY(!seekAndGrab(rig, 500).isNull());
        }
    }
};

KR_TEST_MAIN(TestMpvMediaPlayer)
#include "tst_mpvmediaplayer.moc"
