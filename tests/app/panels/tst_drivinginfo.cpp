// The driving-data panel in the main window over a generated card, with a
// media player that only records what it is asked: the displays show the
// frame at the position, a playing refresh times the meter by the movie
// channel's stamps, a play gives the panel its window once, a panel emptied
// while its chapter loads gets its window back, a drag on the chart seeks the
// player, the display buttons hide their displays and are remembered, Tab
// runs from the panel to the player and back, a picture of the window shows
// the panel laid out without overlaps or clipped texts, and the chart's lines
// and texts are drawn hard in their colours.

#include "../../support/HeldCardReads.h"
#include "AppTestSupport.h"
#include "FakePlayerWindow.h"
#include "TestMain.h"
#include "app/catalog/VideoListView.h"
#include "app/mainwindow/MainWindow.h"
#include "app/mainwindow/PlayController.h"
#include "app/mainwindow/ViewController.h"
#include "app/panels/CircleChartView.h"
#include "app/panels/DrivingInfoController.h"
#include "app/panels/DrivingInfoView.h"
#include "app/panels/GraphView.h"
#include "app/panels/LineView.h"
#include "app/panels/PanelImages.h"
#include "app/panels/SpeedMeterView.h"
#include "app/player/CustomSliderCell.h"
#include "app/player/MoviePlayerView.h"
#include "app/shell/EXTextButton.h"
#include "core/catalog/TripData.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"
#include "core/panels/SpeedRunTable.h"
#include "core/panels/SpeedUnit.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VideoInfo.h"

#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QSet>
#include <QTimeZone>
#include <QVariantAnimation>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace apptest;
using CommonConst::PlayStatus;
using CommonConst::PlayType;

namespace {

struct Rig {
    QPointer<FakeMediaPlayer> media;
    std::unique_ptr<MainWindow> window;

    Rig()
    {
        window = std::make_unique<MainWindow>(nullptr, fakePlayerOptions(media, 20000));
        window->resize(1280, 800);
        window->show();
    }
    MoviePlayerView* player() const { return window->moviePlayerView(); }
    DrivingInfoView* panel() const { return window->drivingInfoController()->view(); }
    RecordingList& list() const { return window->videoListView()->list(); }
    bool load(const QString& path)
    {
        QSignalSpy finished(window->controller(), &ViewController::loadFinished);
        window->controller()->loadData(path, false, MovieType::Card);
        return finished.wait(20000);
    }
    // Paused at a play position, with the displays refreshed for it once the
    // chapter there has been loaded.
    void pauseAt(qint64 position)
    {
        player()->changeChapter(PlayStatus::Pause, position);
        QVERIFY(playerSettles(*player()));
        window->controller()->refreshDrivingInfo(false);
    }
};

cardgen::CardOptions panelCard()
{
    cardgen::CardOptions o;
    cardgen::TripOptions trip = tripOf(2, 0, 20);
    trip.drive.profile = cardgen::SpeedProfile::Urban;
    trip.drive.gpsOutages = {{4000, 6000}};
    trip.drive.incidents = {{cardgen::Incident::Kind::GShock, 15000, true}};
    o.trips = {trip};
    return o;
}

// A recording of 10 s with a frame every 100 ms in both channels: the speed
// steps between 40, 50 and 60 km/h every 700 ms and G rises; the movie
// channel's stamps run movieLeadMs ahead of the picture channel's.
std::shared_ptr<VideoInfo> steppedRecording(qint64 movieLeadMs)
{
    auto info = std::make_shared<VideoInfo>();
    const QDateTime start(QDate(2026, 3, 15), QTime(8, 30), QTimeZone("Australia/Sydney"));
    for (int channel : {0, 1}) {
        FrameList frames;
        for (qint64 t = 0; t <= 10000; t += 100) {
            auto frame = std::make_shared<VideoFrame>();
            frame->_timeStamp = std::uint32_t(5000 + t);
            frame->setTime(start.addMSecs(t));
            frame->speed = std::int32_t(40 + 10 * ((t / 700) % 3));
            frame->gX = double(t) / 40000.0;
            frame->gps = true;
            frames.push_back(frame);
        }
        std::int32_t lon = -1, lat = -1;
        info->_cameraFrames[channel] = VideoInfo::buildFrameDictionary(frames, 5000, 100, lon, lat);
        for (const auto& [key, frame] : info->_cameraFrames[channel])
            if (frame) frame->_movieTimeStamp = std::uint32_t(key + (channel == 1 ? movieLeadMs : 0));
    }
    info->_timeSpan = 10000;
    info->_fileVersion = QStringLiteral("0714");
    info->completeTables();
    return info;
}

// A recording of spanMs with a frame every 50 ms in both channels, all with
// a GPS fix, its speed and G at each time given.
std::shared_ptr<VideoInfo> recordingOf(qint64 spanMs, const std::function<int(qint64)>& speedAt,
                                       const std::function<double(qint64)>& gAt)
{
    auto info = std::make_shared<VideoInfo>();
    const QDateTime start(QDate(2026, 3, 15), QTime(8, 30), QTimeZone("Australia/Sydney"));
    for (int channel : {0, 1}) {
        FrameList frames;
        for (qint64 t = 0; t <= spanMs; t += 50) {
            auto frame = std::make_shared<VideoFrame>();
            frame->_timeStamp = std::uint32_t(5000 + t);
            frame->setTime(start.addMSecs(t));
            frame->speed = speedAt(t);
            frame->gX = gAt(t);
            frame->gps = true;
            frames.push_back(frame);
        }
        std::int32_t lon = -1, lat = -1;
        info->_cameraFrames[channel] = VideoInfo::buildFrameDictionary(frames, 5000, 50, lon, lat);
    }
    info->_timeSpan = std::uint64_t(spanMs);
    info->completeTables();
    return info;
}

// An event window of the first 20 s of chapters.
ChapterWindow eventWindow(const ChapterList& chapters, qint64 event)
{
    ChapterWindow window;
    window.chapters = chapters;
    window.eventValue = event;
    window.minValue = 0;
    window.maxValue = 20000;
    return window;
}

// A driving-data panel on screen, its border drawn.
std::unique_ptr<DrivingInfoView> shownPanel(int width)
{
    auto panel = std::make_unique<DrivingInfoView>();
    panel->resize(width, DrivingInfoView::PANEL_HEIGHT);
    panel->show();
    panel->setupBorder();
    return panel;
}

// Forwards to the panel and counts the windows the play road gives it.
struct CountingPanel : DrivingInfoViewInterface {
    DrivingInfoViewInterface* real = nullptr;
    int chapterLists = 0;
    int accidents = 0;
    void applyStartupSettings(bool a, bool b, bool c) override { real->applyStartupSettings(a, b, c); }
    void refreshDrivingInfo(bool playing) override { real->refreshDrivingInfo(playing); }
    void setChapterList(const ChapterList& chapters) override
    {
        if (!chapters.isEmpty()) ++chapterLists;
        real->setChapterList(chapters);
    }
    void setAccident(const CardData& card, const std::shared_ptr<MoveProtectInfo>& record) override
    {
        ++accidents;
        real->setAccident(card, record);
    }
    void chapterDidLoad(const std::shared_ptr<ChapterData>& chapter) override { real->chapterDidLoad(chapter); }
};

QImage pictureOf(QWidget* w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Rectangles of a widget's children in the panel's coordinates.
QRect inPanel(QWidget* w, QWidget* panel)
{
    return QRect(w->mapTo(panel, QPoint(0, 0)), w->size());
}

// Pixels of text (light) in an area of a picture.
int litPixels(const QImage& image, const QRect& area)
{
    int lit = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) lit += image.pixelColor(x, y).lightness() > 128;
    return lit;
}

// Under the left half of the chart's time axis, right of the G ticks' texts.
QRect underTheTimeAxis(const LineView* chart)
{
    const QRect graph = chart->graphView()->geometry();
    return QRect(QPoint(graph.left() - 3, graph.bottom() + 1), QPoint(chart->width() / 2, chart->height() - 1));
}

} // namespace

class TestDrivingInfo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        useTemporaryStore(m_dir.path());
        m_card = cardgen::writeCard(m_dir.filePath(QStringLiteral("card")), panelCard());
    }
    void init() { resetSettings(); }

    void theDisplaysShowTheFrameAtThePosition_data()
    {
        QTest::addColumn<bool>("kmh");
        QTest::newRow("km/h") << true;
        QTest::newRow("MPH") << false;
    }
    void theDisplaysShowTheFrameAtThePosition()
    {
        QFETCH(bool, kmh);
        SettingsStore::open()->setValue(UserDefaultUtil::KEY_SPEED_METER, kmh);
        Rig rig;
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_COMPARE(rig.player()->currentStatus(), PlayStatus::Stop);
        const ChapterList chapters = rig.list().trip(0)->chapterDataList();
        DrivingInfoView* panel = rig.panel();

        // One position with a fix in the second chapter, one in the outage.
        const qint64 second = PictureDataUtil::position(chapters, 1, 0);
        for (const qint64 position : {second + 7345, qint64(4500)}) {
            rig.pauseAt(position);
            const VideoFramePtr frame = PictureDataUtil::videoFrame(chapters, std::int32_t(position));
            QVERIFY(frame);
            const int shown = SpeedUnit::displaySpeed(frame->speed, kmh);
            SpeedMeterView* meter = panel->speedMeterView;
            QVERIFY(meter->shownUnit() == (kmh ? SpeedMeterType::KMH : SpeedMeterType::MPH));
            QCOMPARE(meter->isGpsOn(), frame->gps);
            QVERIFY(meter->readout()
                    == (frame->gps ? SpeedMeterModel::readoutOf(shown) : SpeedMeterModel::noFixReadout()));
            QCOMPARE(meter->needleAngle(), SpeedMeterModel::needleAngle(shown, meter->shownUnit()));
            QCOMPARE(panel->gpsImageOn(), frame->gps);

            // The chart's window is the chapter under the position, its line at the position.
            const std::int32_t chapterStart = position >= second ? std::int32_t(second) : 0;
            QCOMPARE(panel->model().minValue(), chapterStart);
            QCOMPARE(panel->lineChartView->value().value_or(-1), std::int32_t(position - chapterStart));
            GraphView* graph = panel->lineChartView->graphView();
            QVERIFY(graph->selectionPosition().has_value());
            QCOMPARE(*graph->selectionPosition(), graph->mapping().xForValue(position - chapterStart));
            QVERIFY(panel->model().samples().size() > 600);

            // The circle chart's dot is the frame's G.
            CircleChartView* circle = panel->circleChartView;
            const auto g = circle->model().markerG();
            QVERIFY(g.has_value());
            QCOMPARE(g->gx, frame->gX);
            QCOMPARE(g->gy, frame->gY);
            QCOMPARE(*circle->dotPosition(),
                     circle->model().pointForG(frame->gX, frame->gY, {double(circle->width()), double(circle->height())}));
        }
        // The frames differ, so a panel stuck on one frame cannot pass.
        QVERIFY(PictureDataUtil::videoFrame(chapters, std::int32_t(second + 7345))->gps);
        QVERIFY(!PictureDataUtil::videoFrame(chapters, 4500)->gps);

        // Closing the movie empties the displays.
        rig.player()->closeMovie(false);
        rig.window->controller()->refreshDrivingInfo(false);
        QVERIFY(panel->model().samples().empty());
        QVERIFY(!panel->gpsImageOn());
        QVERIFY(panel->speedMeterView->readout() == SpeedMeterModel::noFixReadout());
    }

    void aPlayingRefreshTimesTheMeterByTheMovieChannelsStamps()
    {
        Rig rig;
        QTemporaryDir dir;
        const QString movie = dir.filePath(QStringLiteral("m2026031508300001.MP4"));
        QFile file(movie);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        // The movie channel runs 2 s ahead of the picture channel.
        const auto video = steppedRecording(2000);
        auto chapter = std::make_shared<ChapterData>(QUrl::fromLocalFile(movie));
        chapter->storePicture(std::make_shared<PictureData>(video));
        MoviePlayerView* player = rig.player();
        player->setValueInfo(std::make_shared<PlayMovieValueInfo>(ChapterList{chapter}, CardData::ActiveType::MovieRec));
        player->openMovie();
        QTRY_COMPARE(player->currentStatus(), PlayStatus::Stop);
        rig.window->drivingInfoController()->setChapterList({chapter});
        SpeedMeterView* meter = rig.panel()->speedMeterView;
        auto* needle = meter->findChild<QVariantAnimation*>(QStringLiteral("needleAnimation"));
        QVERIFY(needle);

        // 40 km/h at 4200 ms, shown at rest; 50 km/h from 4900 ms.
        rig.pauseAt(4200);
        QVERIFY(meter->readout() == SpeedMeterModel::readoutOf(40));
        const qint64 at = 5000;
        player->trackbar->setIntegerValue(at);
        rig.window->controller()->refreshDrivingInfo(true);

        // The picture channel's frame is shown, timed by the speed-run table
        // built from the movie channel's stamps, looked up with the shown
        // frame's own stamp: 0.5 s (from 3000 ms, 2 s behind, to the step at
        // 3500 ms).
        const VideoFramePtr shown = video->frameAt(0, at, true);
        const SpeedMeterModel::DurationTable table = SpeedRunTable::build(video);
        QVERIFY(table.contains(std::int32_t(shown->_movieTimeStamp)));
        const double seconds = table.value(std::int32_t(shown->_movieTimeStamp));
        QCOMPARE(qRound(seconds * 1000), 500);
        // Looked up with the movie channel's stamp, or in a table made from
        // the picture channel's stamps, it would read 0.6 s.
        QCOMPARE(qRound(table.value(std::int32_t(video->frameAt(1, at, true)->_movieTimeStamp)) * 1000), 600);
        QCOMPARE(qRound(SpeedRunTable::build(steppedRecording(0)).value(std::int32_t(shown->_movieTimeStamp)) * 1000),
                 600);
        QCOMPARE(meter->model().realSpeed(), 50.0);
        QCOMPARE(needle->state(), QAbstractAnimation::Running);
        QCOMPARE(needle->duration(), 500);
        QCOMPARE(needle->endValue().toDouble(), SpeedMeterModel::needleAngle(50, meter->shownUnit()));

        // Paused there: the needle stands at the speed at once, not a moment later.
        rig.window->controller()->refreshDrivingInfo(false);
        QCOMPARE(needle->state(), QAbstractAnimation::Stopped);
        QCOMPARE(meter->needleAngle(), SpeedMeterModel::needleAngle(50, meter->shownUnit()));
        QVERIFY(meter->readout() == SpeedMeterModel::readoutOf(50));
    }

    void aPlayGivesThePanelItsWindowOnce()
    {
        Rig rig;
        CountingPanel counting;
        counting.real = rig.window->drivingInfoController();
        rig.window->controller()->setDrivingInfo(&counting);
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_COMPARE(rig.player()->currentStatus(), PlayStatus::Stop);
        QCOMPARE(counting.chapterLists, 1);
        QCOMPARE(rig.panel()->model().chapters(), rig.list().trip(0)->chapterDataList());
        QVERIFY(!rig.panel()->model().samples().empty());

        QVERIFY(played(*rig.window, rig.window->playController()->playEvent(0, true)));
        QTRY_COMPARE(rig.player()->currentStatus(), PlayStatus::Stop);
        QCOMPARE(counting.accidents, 1);
        QCOMPARE(rig.panel()->model().playType(), PlayType::Event);
        QVERIFY(!rig.panel()->model().samples().empty());
        rig.window->controller()->setDrivingInfo(rig.window->drivingInfoController());
    }

    void aPanelEmptiedWhileItsChapterLoadsGetsItsWindowBack()
    {
        // A trip whose second recording is still being read when the player
        // gets there: the refresh there empties the displays; once it has
        // arrived, the next refresh gives them the trip back without the
        // play road giving it again.
        Rig rig;
        ChapterList trip;
        for (const cardgen::WrittenMovie& movie : m_card.trips[0].chapters)
            trip.append(std::make_shared<ChapterData>(QUrl::fromLocalFile(movie.path)));
        QVERIFY(trip[0]->loadPicture(true));
        HeldCardReads held;
        MoviePlayerView* player = rig.player();
        player->setValueInfo(std::make_shared<PlayMovieValueInfo>(trip, CardData::ActiveType::MovieRec));
        player->openMovie();
        QTRY_COMPARE(player->currentStatus(), PlayStatus::Stop);
        DrivingInfoController* controller = rig.window->drivingInfoController();
        controller->setChapterList(trip);
        rig.pauseAt(5000);
        QCOMPARE(rig.panel()->model().chapters(), trip);

        player->changeChapter(PlayStatus::Pause, PictureDataUtil::position(trip, 1, 0));
        QVERIFY(QTest::qWaitFor([] { return HeldCardReads::reads.load() >= 1; }, 20000));
        rig.window->controller()->refreshDrivingInfo(false);
        QVERIFY(rig.panel()->model().chapters().isEmpty());
        HeldCardReads::letGo();
        QTRY_VERIFY_WITH_TIMEOUT(trip[1]->hasPicture(), 20000);
        controller->chapterDidLoad(trip[1]);
        rig.pauseAt(PictureDataUtil::position(trip, 1, 3000));
        QCOMPARE(rig.panel()->model().chapters(), trip);
        QCOMPARE(rig.panel()->model().currentIndex(), 1);
        QVERIFY(!rig.panel()->model().samples().empty());
        QCOMPARE(rig.panel()->circleChartView->model().currentIndex(), 1);
    }

    void draggingTheChartSeeksThePlayer()
    {
        Rig rig;
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_COMPARE(rig.player()->currentStatus(), PlayStatus::Stop);
        rig.player()->play();
        QCOMPARE(rig.player()->currentStatus(), PlayStatus::Play);
        GraphView* graph = rig.panel()->lineChartView->graphView();
        QVERIFY(graph->isVisible());
        const std::int32_t min = rig.panel()->model().minValue();
        const int y = graph->height() / 2;

        QTest::mousePress(graph, Qt::LeftButton, {}, QPoint(graph->width() / 4, y));
        QTest::mouseMove(graph, QPoint(graph->width() / 2, y));
        // While dragging the player holds still at the dragged moment.
        const qint64 dragged = min + graph->mapping().valueForX(graph->width() / 2);
        QCOMPARE(rig.player()->currentStatus(), PlayStatus::Pause);
        QCOMPARE(rig.player()->_valueInfo->_currentValue, dragged);
        QCOMPARE(rig.player()->trackbar->integerValue(), dragged);
        QCOMPARE(*graph->selectionPosition(), graph->mapping().xForValue(dragged - min));

        // Released: the player goes on from there as it did before the press.
        QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(graph->width() * 3 / 4, y));
        const qint64 released = min + graph->mapping().valueForX(graph->width() * 3 / 4);
        QCOMPARE(rig.player()->currentStatus(), PlayStatus::Play);
        QVERIFY(qAbs(rig.player()->_valueInfo->_currentValue - released) < 200);
    }

    void displayButtonsHideTheirDisplaysAndAreRemembered()
    {
        Rig rig;
        DrivingInfoView* panel = rig.panel();
        QTRY_VERIFY(panel->speedMeter->isVisible());
        const int chartWidth = panel->lineChartView->width();
        const int meterWidth = panel->speedMeter->width();

        QTest::mouseClick(panel->speedMeterButton, Qt::LeftButton);
        QVERIFY(!panel->speedMeter->isVisible());
        QTRY_COMPARE(panel->lineChartView->width(), chartWidth + meterWidth + 1);
        QCOMPARE(UserDefaultUtil::dispSpeedMeter, false);
        QCOMPARE(SettingsStore::open()->value(UserDefaultUtil::KEY_DISP_SPEED_METER).toBool(), false);

        QTest::mouseClick(panel->circleChartButton, Qt::LeftButton);
        QVERIFY(!panel->circleChart->isVisible());
        QCOMPARE(SettingsStore::open()->value(UserDefaultUtil::KEY_DISP_CIRCLE_CHART).toBool(), false);

        // The circle chart's scale steps and is kept as the full scale in g.
        QTest::mouseClick(panel->circleChartButton, Qt::LeftButton);
        const auto before = panel->circleChartView->scope();
        QTest::mouseClick(panel->circleChartView->scopeButton(), Qt::LeftButton);
        QVERIFY(panel->circleChartView->scope() == CircleChartModel::nextScope(before));
        QCOMPARE(SettingsStore::open()->value(UserDefaultUtil::KEY_DISP_CIRCLE_CHART_MAX_G).toDouble(),
                 CircleChartModel::fullScale(CircleChartModel::nextScope(before)));

        // A new window starts with what was stored.
        rig.window.reset();
        Rig again;
        QVERIFY(!again.panel()->speedMeterButton->isChecked());
        QVERIFY(!again.panel()->speedMeter->isVisibleTo(again.panel()));
        QVERIFY(again.panel()->circleChart->isVisibleTo(again.panel()));
        QVERIFY(again.panel()->circleChartView->scope() == CircleChartModel::nextScope(before));

        // Tab from the panel's last button to the player's first, and back.
        again.panel()->circleChartButton->setFocus();
        QTest::keyClick(again.panel()->circleChartButton, Qt::Key_Tab);
        QCOMPARE(again.window->focusWidget(), static_cast<QWidget*>(again.player()->openButton));
        QTest::keyClick(again.player()->openButton, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(again.window->focusWidget(), static_cast<QWidget*>(again.panel()->circleChartButton));
    }

    void aPictureOfTheWindowShowsThePanelLaidOutCleanly()
    {
        Rig rig;
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_COMPARE(rig.player()->currentStatus(), PlayStatus::Stop);
        // The event: its window, label and line.
        QVERIFY(played(*rig.window, rig.window->playController()->playEvent(0, true)));
        QTRY_COMPARE(rig.player()->currentStatus(), PlayStatus::Stop);
        QCOMPARE(rig.player()->_valueInfo->_playType, PlayType::Event);
        rig.pauseAt(rig.player()->_valueInfo->_minValue + 9000);
        DrivingInfoView* panel = rig.panel();
        QCOMPARE(panel->model().playType(), PlayType::Event);
        QTest::qWait(50);

        const QString shot = QStringLiteral(KR_BINARY_DIR) + QStringLiteral("/mainwindow-drivinginfo.png");
        const QImage image = rig.window->grab().toImage();
        QVERIFY(image.save(shot));

        // The panel: its height, under the player, inside the window.
        QCOMPARE(panel->height(), DrivingInfoView::PANEL_HEIGHT);
        const QRect panelInWindow(panel->mapTo(rig.window.get(), QPoint(0, 0)), panel->size());
        const QRect playerInWindow(rig.player()->mapTo(rig.window.get(), QPoint(0, 0)), rig.player()->size());
        QVERIFY(rig.window->rect().contains(panelInWindow));
        QVERIFY(playerInWindow.bottom() < panelInWindow.top());
        QVERIFY(!playerInWindow.intersects(panelInWindow));

        // Its parts: inside it and apart from each other.
        const QList<QWidget*> parts{panel->lineChartView, panel->speedMeter, panel->circleChart, panel->gpsImage,
                                    panel->speedMeterButton, panel->circleChartButton};
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const QRect a = inPanel(parts[i], panel);
            QVERIFY2(panel->rect().contains(a), qPrintable(parts[i]->objectName()));
            QVERIFY2(a.width() > 0 && a.height() > 0, qPrintable(parts[i]->objectName()));
            for (qsizetype j = i + 1; j < parts.size(); ++j)
                QVERIFY2(!a.intersects(inPanel(parts[j], panel)),
                         qPrintable(parts[i]->objectName() + QLatin1Char('/') + parts[j]->objectName()));
        }
        // The chart's time labels: all there, inside the chart, apart.
        LineView* chart = panel->lineChartView;
        QVERIFY(!chart->minLabel().isEmpty());
        QVERIFY(!chart->maxLabel().isEmpty());
        QVERIFY(!chart->eventLabel().isEmpty());
        for (const QRectF& r : {chart->minLabelRect(), chart->maxLabelRect(), chart->eventLabelRect()})
            QVERIFY(QRectF(chart->rect()).contains(r));
        QVERIFY(!chart->eventLabelRect().intersects(chart->minLabelRect()));
        QVERIFY(!chart->eventLabelRect().intersects(chart->maxLabelRect()));

        // Pixels: the circle chart's dot is yellow, the graph's line is drawn.
        const auto dot = panel->circleChartView->dotPosition();
        QVERIFY(dot.has_value());
        const QPoint dotInWindow = panel->circleChartView->mapTo(rig.window.get(), dot->toPoint());
        const qreal dpr = image.devicePixelRatio();
        const QColor dotColor = image.pixelColor((QPointF(dotInWindow) * dpr).toPoint());
        QVERIFY2(dotColor.red() > 200 && dotColor.green() > 200 && dotColor.blue() < 80,
                 qPrintable(dotColor.name()));
        GraphView* graph = chart->graphView();
        const QPoint lineAt = graph->mapTo(rig.window.get(), QPoint(int(*graph->selectionPosition()), graph->height() / 3));
        const QColor lineColor = image.pixelColor((QPointF(lineAt) * dpr).toPoint());
        QVERIFY2(lineColor.red() > 200 && lineColor.green() > 180 && lineColor.blue() < 80, qPrintable(lineColor.name()));
    }

    void theChartAndTheButtonsAreDrawnAsLaidDown()
    {
        // A 20 s event window: the speed climbs from 0 to 100 km/h, G stays 0.
        const auto info = recordingOf(20000, [](qint64 t) { return int(t / 200); }, [](qint64) { return 0.0; });
        auto chapter = std::make_shared<ChapterData>(QUrl::fromLocalFile(QStringLiteral("/nonexistent/m.MP4")));
        chapter->storePicture(std::make_shared<PictureData>(info));
        const std::unique_ptr<DrivingInfoView> shown = shownPanel(1100);
        DrivingInfoView& panel = *shown;
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        LineView* chart = panel.lineChartView;
        // Nothing charted yet: the time axis has no range and no tick text.
        QCOMPARE(litPixels(pictureOf(chart), underTheTimeAxis(chart)), 0);
        panel.setAccident(false, eventWindow({chapter}, 12000));
        panel.setValue(5000);
        QVERIFY(litPixels(pictureOf(chart), underTheTimeAxis(chart)) > 0);
        GraphView* graph = chart->graphView();
        const QImage g = pictureOf(graph);
        const int w = g.width();
        const int h = g.height();
        const QColor background = PanelImages::Colors::background;

        // Legend: an 80-wide half-black box 5 in, swatches from 10 to 20, titles from 30.
        const QColor boxed = g.pixelColor(50, 5 + 2);
        QVERIFY(boxed.value() < background.value());
        QCOMPARE(g.pixelColor(84, 7), boxed);
        QCOMPARE(g.pixelColor(86, 7), background);
        QCOMPARE(g.pixelColor(15, 5 + 9), PanelImages::Colors::speed);
        QCOMPARE(g.pixelColor(15, 5 + 18 + 9), PanelImages::Colors::g);
        for (int x = 21; x < 30; ++x) QCOMPARE(g.pixelColor(x, 5 + 9), boxed);
        bool titled = false;
        for (int x = 30; x < 60 && !titled; ++x)
            for (int y = 5; y < 5 + 18 && !titled; ++y) titled = g.pixelColor(x, y).value() > 200;
        QVERIFY(titled);

        // Grid: grey dots one pixel apart on the lowest scale line (the
        // speed line has crossed it by a third of the way).
        // Columns where other lines cross it are left out.
        const double tick = graph->yLeftAxisTicks()[1].position;
        const int gy = int(std::floor(h - tick));
        QSet<int> crossed{int(std::floor(graph->borderPositions().value(0, -1.0))),
                          int(std::floor(graph->selectionPosition().value_or(-1.0)))};
        for (const GraphScales::Tick& t : graph->xAxisTicks()) crossed.insert(int(std::floor(t.position)));
        int greys = 0;
        for (int x = w / 2; x < w - 20; ++x) {
            if (crossed.contains(x) || crossed.contains(x + 1)) continue;
            const QColor c = g.pixelColor(x, gy);
            const QColor next = g.pixelColor(x + 1, gy);
            QVERIFY2(c == PanelImages::Colors::grid || c == background, qPrintable(QString::number(x) + c.name()));
            QVERIFY2(c != next, qPrintable(QString::number(x)));
            greys += c == PanelImages::Colors::grid;
        }
        QVERIFY(greys > w / 8);

        // Lines drawn hard: outside the legend nothing but the chart's own colours.
        const QList<QColor> own{background,
                                PanelImages::Colors::grid,
                                QColor(Qt::white),
                                PanelImages::Colors::speed,
                                PanelImages::Colors::g,
                                QColor(255, 0, 0),
                                QColor(255, 255, 0)};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (x < 90 && y < 45) continue;
                QVERIFY2(own.contains(g.pixelColor(x, y)),
                         qPrintable(QStringLiteral("%1,%2 %3").arg(x).arg(y).arg(g.pixelColor(x, y).name())));
            }
        // The event line pure red, the selection line pure yellow.
        const int ex = int(std::floor(graph->borderPositions().value(0, -1.0)));
        QVERIFY(ex > 0);
        QCOMPARE(g.pixelColor(ex, h / 3), QColor(255, 0, 0));
        QVERIFY(graph->selectionPosition().has_value());
        QCOMPARE(g.pixelColor(int(std::floor(*graph->selectionPosition())), h / 3), QColor(255, 255, 0));

        // The chart's texts: white, 12 pixels high.
        const QImage c = pictureOf(chart);
        QFont twelve;
        twelve.setPixelSize(PanelImages::TEXT_PIXELS);
        QCOMPARE(chart->minLabelRect().height(), QFontMetricsF(twelve).height());
        int white = 0;
        const QRect label = chart->eventLabelRect().toAlignedRect();
        for (int y = label.top(); y <= label.bottom(); ++y)
            for (int x = label.left(); x <= label.right(); ++x) white += c.pixelColor(x, y) == QColor(Qt::white);
        QVERIFY(white > 10);
        // The window's times stand on the graph's top corners.
        const QRectF plot(graph->geometry());
        QCOMPARE(chart->minLabelRect().bottomLeft(), plot.topLeft());
        QCOMPARE(chart->maxLabelRect().bottomRight(), plot.topRight());
        // A scale's tick text has its bottom 5 below its tick: its letters lie
        // where they lie in a line of its own whose bottom is there.
        const auto litRows = [](const QImage& image, const QRect& area) {
            int top = -1, bottom = -1;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    if (image.pixelColor(x, y).lightness() > 128) {
                        if (top < 0) top = y;
                        bottom = y;
                    }
            return std::pair(top, bottom);
        };
        const int th = QFontMetrics(twelve).height();
        const auto lineOf = [&](const QString& text) {
            QImage line(100, th, QImage::Format_RGB32);
            line.fill(Qt::black);
            QPainter p(&line);
            p.setFont(twelve);
            p.setPen(Qt::white);
            p.drawText(line.rect(), Qt::AlignLeft | Qt::AlignTop, text);
            p.end();
            return litRows(line, line.rect());
        };
        const double tickY = plot.bottom() - graph->yLeftAxisTicks().at(2).position;
        const int lineTop = int(std::lround(tickY + 5.0)) - th;
        const auto expectRows = [&](const QString& text, const QRect& area) {
            const auto [top, bottom] = litRows(c, area);
            const auto [ownTop, ownBottom] = lineOf(text);
            QVERIFY2(qAbs(top - (lineTop + ownTop)) <= 1 && qAbs(bottom - (lineTop + ownBottom)) <= 1,
                     qPrintable(QStringLiteral("%1: %2..%3, line from %4").arg(text).arg(top).arg(bottom).arg(lineTop)));
        };
        const QRect nearTick(0, int(tickY) - 20, 1, 32);
        expectRows(GraphScales::gTickText(graph->yLeftAxisTicks().at(2).value),
                   nearTick.adjusted(0, 0, int(plot.left()) - 6, 0));
        expectRows(GraphScales::speedTickText(graph->yRightAxisTicks().at(2).value),
                   nearTick.translated(int(plot.right()) + 1, 0).adjusted(0, 0, LineView::GRAPH_OFFSET_RIGHT - 3, 0));
        // The time unit ends at the chart's right edge, on its bottom line.
        {
            QImage unit(c.size(), QImage::Format_RGB32);
            unit.fill(PanelImages::Colors::background);
            QPainter p(&unit);
            p.setFont(twelve);
            p.setPen(Qt::white);
            const QFontMetricsF fm(twelve);
            p.drawText(QPointF(c.width() - fm.horizontalAdvance(LineView::LEGEND_SECOND),
                               c.height() - fm.height() / 2.0 + (fm.ascent() - fm.descent()) / 2.0),
                       LineView::LEGEND_SECOND);
            p.end();
            const auto litColumns = [](const QImage& image, const QRect& area) {
                int first = -1, last = -1;
                for (int x = area.left(); x <= area.right(); ++x)
                    if (litPixels(image, QRect(x, area.top(), 1, area.height())) > 0) {
                        if (first < 0) first = x;
                        last = x;
                    }
                return std::pair(first, last);
            };
            const QRect corner(c.width() - 20, c.height() - th, 20, th);
            QVERIFY(litColumns(unit, corner).second > c.width() - 5);
            QCOMPARE(litColumns(c, corner), litColumns(unit, corner));
            QCOMPARE(litRows(c, corner), litRows(unit, corner));
        }

        // The meter's digits stand 5 above its bottom.
        SpeedMeterView* meter = panel.speedMeterView;
        meter->setSpeed({188, true, 0}, false, {});
        const QImage m = pictureOf(meter);
        const double side = std::min(m.width(), m.height());
        const double meterBottom = (m.height() + side) / 2.0;
        int lowest = -1;
        for (int y = 0; y < m.height(); ++y)
            for (int x = 0; x < m.width(); ++x) {
                const QColor p = m.pixelColor(x, y);
                if (p.blue() >= 250 && p.blue() - p.red() >= 12) lowest = y; // lit segments, nothing else
            }
        QVERIFY2(lowest >= meterBottom - 7.0 && lowest < meterBottom - 5.0, qPrintable(QString::number(lowest)));

        // The scale button shows its pressed picture while it is held.
        // (A button showing either picture at rest is the reference.)
        ScopeButton* scope = panel.circleChartView->scopeButton();
        ScopeButton reference(panel.circleChartView);
        reference.setFixedSize(scope->size());
        reference.setImages(scope->pressedImage(), scope->pressedImage());
        const QImage down = pictureOf(&reference);
        reference.setImages(scope->image(), scope->image());
        const QImage up = pictureOf(&reference);
        QVERIFY(up != down);
        QCOMPARE(pictureOf(scope), up);
        QTest::mousePress(scope, Qt::LeftButton);
        QVERIFY(scope->isDown());
        QCOMPARE(pictureOf(scope), down);
        // Released: the next scale's picture.
        QTest::mouseRelease(scope, Qt::LeftButton);
        reference.setImages(scope->image(), scope->image());
        QCOMPARE(pictureOf(scope), pictureOf(&reference));
        QVERIFY(pictureOf(scope) != up);

        // Only the speed button's title is restyled: white, to the right.
        QCOMPARE(panel.speedMeterButton->font().family(), QStringLiteral("Arial"));
        QVERIFY(panel.circleChartButton->font() == QFont());
        const QImage b = pictureOf(panel.speedMeterButton);
        int left = b.width(), right = -1;
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x)
                if (b.pixelColor(x, y).value() > 230 && b.pixelColor(x, y).saturation() < 30) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        QVERIFY(right >= b.width() - 6);
        QVERIFY(left > b.width() - right);
    }

    void aWindowOnlyPartlyLoadedKeepsItsDataWhereTheyLieInTheWindow()
    {
        // A 20 s event window over three chapters of which only the second
        // is loaded (8 s: the speed climbs, G steps up 6 s in): its data
        // lie from 0.001 s to 8.001 s of the window, nothing before or after.
        const auto info = recordingOf(8000, [](qint64 t) { return int(t / 100); },
                                      [](qint64 t) { return t >= 6000 ? 0.3 : 0.0; });
        const auto chapter = [](const char* name) {
            return std::make_shared<ChapterData>(QUrl::fromLocalFile(QStringLiteral("/nonexistent/") + QLatin1String(name)));
        };
        const ChapterList chapters{chapter("a.MP4"), chapter("b.MP4"), chapter("c.MP4")};
        chapters[1]->storePicture(std::make_shared<PictureData>(info));
        const std::unique_ptr<DrivingInfoView> shown = shownPanel(1000);
        DrivingInfoView& panel = *shown;
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        // A time text wider than the chart's left margin.
        panel.model().setTimeText([](const QDateTime& t) { return t.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")); });
        panel.setAccident(false, eventWindow(chapters, 200));
        panel.setValue(15000); // in the stretch with no data
        LineView* chart = panel.lineChartView;
        GraphView* graph = chart->graphView();
        const QImage g = pictureOf(graph);
        // Where a moment of the window lies on the graph.
        const auto at = [&](double ms) { return ms / 20000.0 * g.width(); };
        const auto columnsOf = [&](const QColor& color) {
            QList<int> columns;
            for (int c = 0; c < g.width(); ++c)
                for (int y = 0; y < g.height(); ++y)
                    if (g.pixelColor(c, y) == color) {
                        columns.append(c);
                        break;
                    }
            return columns;
        };

        // The speed ends where the data end, not at the chart's right edge.
        const QList<int> speed = columnsOf(PanelImages::Colors::speed);
        QVERIFY(!speed.isEmpty());
        QVERIFY2(qAbs(speed.last() - at(8001)) <= 2, qPrintable(QString::number(speed.last())));
        // G steps up under the time tick of 6 s (looked for below the legend).
        const double sixSeconds = at(6000);
        const QList<GraphScales::Tick> ticks = graph->xAxisTicks();
        QVERIFY(std::any_of(ticks.cbegin(), ticks.cend(), [&](const GraphScales::Tick& t) {
            return t.value == 6.0 && qAbs(t.position - sixSeconds) < 1.0;
        }));
        int stepAt = -1;
        const int high = int(std::floor(g.height() - GraphScales::yForValue(0.25, graph->leftSeries().scale, g.height())));
        for (int c = 0; c < g.width() && stepAt < 0; ++c)
            for (int y = 45; y <= high; ++y)
                if (g.pixelColor(c, y) == PanelImages::Colors::g) {
                    stepAt = c;
                    break;
                }
        QVERIFY2(qAbs(stepAt - sixSeconds) <= 2, qPrintable(QString::number(stepAt)));
        // The position line goes on through the stretch with no data.
        QVERIFY(graph->selectionPosition().has_value());
        QVERIFY(qAbs(*graph->selectionPosition() - at(15000)) < 1.0);
        QCOMPARE(g.pixelColor(int(std::floor(*graph->selectionPosition())), g.height() / 3), QColor(255, 255, 0));

        // No frame at the window's start, so no start label: the event
        // label still keeps 5 in from the chart's left edge.
        pictureOf(chart);
        QVERIFY(chart->minLabel().isEmpty());
        QVERIFY(!chart->eventLabel().isEmpty());
        QCOMPARE(chart->eventLabelRect().left(), 5.0);

        // A new window leaves the line at its offset until the next position.
        ChapterWindow later = eventWindow({chapters[1]}, 3000);
        later.minValue = 1000;
        later.maxValue = 21000;
        const double line = *graph->selectionPosition();
        panel.setAccident(false, later);
        QCOMPARE(panel.value(), 1000);
        QVERIFY(graph->selectionPosition().has_value());
        QCOMPARE(*graph->selectionPosition(), line);
        panel.setValue(5000);
        QCOMPARE(*graph->selectionPosition(), graph->mapping().xForValue(4000));
        // An empty list: no line and no time ticks, the window kept.
        panel.setChapterList({});
        QVERIFY(!graph->selectionPosition().has_value());
        QCOMPARE(panel.model().minValue(), 1000);
        QCOMPARE(panel.model().maxValue(), 21000);
        QCOMPARE(litPixels(pictureOf(chart), underTheTimeAxis(chart)), 0);
    }

private:
    QTemporaryDir m_dir;
    cardgen::WrittenCard m_card;
};

KR_TEST_MAIN(TestDrivingInfo)
#include "tst_drivinginfo.moc"
