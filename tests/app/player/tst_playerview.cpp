#include "TestMain.h"
#include "app/player/MpvMediaPlayer.h"
#include "app/player/PlayerView.h"
#include "app/player/VideoCanvas.h"

#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "ImageCompare.h"
#include <clocale>
#include <memory>

using Scale = PlayerView::ScaleType;

using imagetest::meanDifference;

namespace {

// A canvas that only remembers where it was told to draw.
class RecordingCanvas final : public QWidget, public VideoCanvas {
public:
    QWidget* widget() override { return this; }
    void setPictureGeometry(const QRectF& picture, const QRectF& clip) override
    {
        this->picture = picture;
        this->clip = clip;
    }
    QImage currentFrame() override { return {}; }
    QRectF picture;
    QRectF clip;
};

bool near(const QRectF& a, const QRectF& b)
{
    return qAbs(a.x() - b.x()) < 1e-6 && qAbs(a.y() - b.y()) < 1e-6 && qAbs(a.width() - b.width()) < 1e-6
        && qAbs(a.height() - b.height()) < 1e-6;
}


} // namespace

class TestPlayerView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    void fitsThePictureAtSixteenByNine()
    {
        PlayerView view;
        auto* canvas = new RecordingCanvas;
        view.setCanvas(canvas);
        view.resize(1000, 360);
        view.show();
        QVERIFY(near(canvas->picture, QRectF(180, 0, 640, 360)));
        QVERIFY(near(canvas->clip, canvas->picture));
        view.resize(320, 400);
        QVERIFY(near(canvas->picture, QRectF(0, 110, 320, 180)));
    }

    void aClickAtTimesOneChangesNothing()
    {
        PlayerView view;
        view.resize(960, 540);
        view.show();
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(view.playerScale, Scale::Scale_x1);
        QVERIFY(!view.zoomPoint);
        QVERIFY(!view.selectionVeilShown());
    }

    void choosingThenClickingZoomsAboutTheClickedPointAndASecondClickReturns()
    {
        PlayerView view;
        auto* canvas = new RecordingCanvas;
        view.setCanvas(canvas);
        view.resize(960, 540);
        view.show();

        view.setScale(Scale::Scale_x3);
        QVERIFY(view.selectionVeilShown());
        QVERIFY(near(view.currentLayout().picture, QRectF(0, 0, 960, 540)));
        QCOMPARE(view.currentLayout().selectionWindow.size(), QSizeF(320, 180));

        // Near the edge the window stops at the picture's edge.
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(20, 500));
        QVERIFY(view.zoomPoint);
        QVERIFY(!view.selectionVeilShown());
        QVERIFY(qAbs(view.zoomPoint->x() - 160.0 / 960.0) < 1e-9);
        QVERIFY(qAbs(view.zoomPoint->y() - 450.0 / 540.0) < 1e-9);
        QCOMPARE(canvas->picture.size(), QSizeF(2880, 1620));
        QVERIFY(near(canvas->clip, QRectF(0, 0, 960, 540)));
        QVERIFY(canvas->picture.contains(canvas->clip));

        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(480, 270));
        QCOMPARE(view.playerScale, Scale::Scale_x1);
        QVERIFY(!view.zoomPoint);
        QVERIFY(!view.locationInWindow);
        QVERIFY(near(canvas->picture, QRectF(0, 0, 960, 540)));
    }

    void anotherFactorWhileZoomedKeepsTheClickClampedForTheNewWindow()
    {
        QWidget window;
        window.resize(1000, 600);
        auto* view = new PlayerView(&window);
        view->setGeometry(20, 30, 960, 540);
        window.show();
        view->setScale(Scale::Scale_x2);
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(200, 100));
        QVERIFY(qAbs(view->zoomPoint->x() - 0.25) < 1e-9); // clamped for x2 to (240, 135)
        view->setScale(Scale::Scale_x4);
        QVERIFY(qAbs(view->zoomPoint->x() - 200.0 / 960.0) < 1e-9);
        QVERIFY(qAbs(view->zoomPoint->y() - 100.0 / 540.0) < 1e-9);
        view->resetZoom();
        QCOMPARE(view->playerScale, Scale::Scale_x1);
        QVERIFY(!view->zoomPoint);
    }

    void trimmedMoviesGetACaptionStripAndTheTrimLabelSitsInTheCorner()
    {
        PlayerView view;
        view.resize(1920, 1080);
        view.show();
        QVERIFY(!view.captionStrip()->isVisible());
        view.isCutFile = true;
        view.layoutLayers();
        QVERIFY(view.captionStrip()->isVisible());
        QCOMPARE(view.captionStrip()->geometry(), QRect(0, 1050, 1920, 30));

        QVERIFY(!view.trimLabel());
        view.showTrimLabel(true);
        QVERIFY(view.trimLabel()->isVisible());
        QCOMPARE(view.trimLabel()->text(), QStringLiteral("● Trim Mode"));
        QCOMPARE(view.trimLabel()->pos(), QPoint(5, 5));
        // Red letters straight on the picture, no plate behind them, and the
        // whole text inside the label: as much red as the text drawn freely.
        const QColor grey(90, 90, 90);
        QWidget picture(&view);
        picture.setAutoFillBackground(true);
        QPalette palette = picture.palette();
        palette.setColor(QPalette::Window, grey);
        picture.setPalette(palette);
        picture.setGeometry(view.rect());
        picture.show();
        picture.stackUnder(view.trimLabel());
        const auto count = [](const QImage& image, auto&& pick) {
            int n = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    n += pick(QColor(image.pixel(x, y))) ? 1 : 0;
            return n;
        };
        const auto red = [](const QColor& c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; };
        const QImage shot = view.grab(view.trimLabel()->geometry()).toImage();
        const int bare = count(shot, [&](const QColor& c) { return c == grey; });
        const int darker = count(shot, [&](const QColor& c) { return c.red() < grey.red(); });
        QVERIFY2(bare > shot.width() * shot.height() / 2 && darker == 0,
                 qPrintable(QStringLiteral("%1 %2").arg(bare).arg(darker)));
        QImage drawn(shot.width() * 2, shot.height() * 2, QImage::Format_RGB32);
        drawn.fill(grey);
        {
            QPainter painter(&drawn);
            painter.setFont(view.trimLabel()->font());
            painter.setPen(Qt::red);
            painter.drawText(drawn.rect().adjusted(10, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                             view.trimLabel()->text());
        }
        const int letters = count(shot, red);
        const int whole = count(drawn, red);
        QVERIFY2(whole > 150 && letters * 20 >= whole * 19, qPrintable(QStringLiteral("%1 of %2").arg(letters).arg(whole)));
        view.showTrimLabel(false);
        QVERIFY(!view.trimLabel()->isVisible());
    }

    void theSurfaceMagnifiesTheMoviePictureItself()
    {
        QTemporaryDir dir;
        const QString movie = dir.filePath(QStringLiteral("m.mp4"));
        QProcess ffmpeg;
        ffmpeg.setStandardOutputFile(QProcess::nullDevice());
        ffmpeg.setStandardErrorFile(QProcess::nullDevice());
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     {QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                      QStringLiteral("testsrc=size=320x180:rate=28"), QStringLiteral("-t"), QStringLiteral("1"),
                      QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"),
                      QStringLiteral("yuv420p"), movie});
        QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);

        MpvMediaPlayer player(MpvMediaPlayer::Config{true});
        PlayerView view;
        VideoCanvas* canvas = createVideoCanvas(player, &view);
        view.setCanvas(canvas);
        view.resize(320, 180);
        view.show();
        QSignalSpy ready(&player, &MediaPlayer::readyToPlay);
        QVERIFY(player.open(movie));
        QVERIFY(ready.wait(10000) || !ready.isEmpty());
        player.seekExact(500);
        QTRY_VERIFY_WITH_TIMEOUT(!canvas->currentFrame().isNull() && !player.isSeeking(), 10000);
        QTest::qWait(200);
        const QImage whole = view.grab().toImage();

        view.setScale(Scale::Scale_x2);
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(80, 45)); // top-left quarter
        const QImage zoomed = view.grab().toImage();
        const QImage quarter = whole.copy(0, 0, 160, 90).scaled(320, 180);
        const QImage other = whole.copy(160, 90, 160, 90).scaled(320, 180);
        const double same = meanDifference(zoomed, quarter);
        const double elsewhere = meanDifference(zoomed, other);
        QVERIFY2(same < 12.0 && same * 3 < elsewhere,
                 qPrintable(QStringLiteral("%1 vs %2").arg(same).arg(elsewhere)));
    }

    void brightnessReachesThePictureOnWhicheverRendererIsInUse()
    {
        QTemporaryDir dir;
        const QString movie = dir.filePath(QStringLiteral("grey.mp4"));
        QProcess ffmpeg;
        ffmpeg.setStandardOutputFile(QProcess::nullDevice());
        ffmpeg.setStandardErrorFile(QProcess::nullDevice());
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     {QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                      QStringLiteral("color=c=0x808080:size=320x180:rate=28"), QStringLiteral("-t"),
                      QStringLiteral("1"), QStringLiteral("-c:v"), QStringLiteral("libx264"),
                      QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), movie});
        QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);

        MpvMediaPlayer player(MpvMediaPlayer::Config{true});
        PlayerView view;
        view.setCanvas(createVideoCanvas(player, &view));
        view.resize(320, 180);
        view.show();
        QSignalSpy ready(&player, &MediaPlayer::readyToPlay);
        QVERIFY(player.open(movie));
        QVERIFY(ready.wait(10000) || !ready.isEmpty());
        const auto centre = [&view] { return QColor(view.grab().toImage().pixel(160, 90)).red(); };
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(centre() - 128) < 12, 10000);
        const int plain = centre();
        player.setBrightness(0.3);
        QTRY_VERIFY_WITH_TIMEOUT(centre() > plain + 40, 10000);
        player.setBrightness(0.0);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(centre() - plain) < 6, 10000);
    }
};

KR_TEST_MAIN(TestPlayerView)
#include "tst_playerview.moc"
