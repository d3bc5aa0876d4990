// The driving-data panel in the main window over a generated card, with a
// media player that only records what it is asked: the displays show the
// frame at the position, a drag on the chart seeks the player, the display
// buttons hide their displays and are remembered, Tab runs from the panel to
// the player and back, and a picture of the window shows the panel laid out
// without overlaps or clipped texts.

#include "AppTestSupport.h"
#include "FakePlayerWindow.h"
#include "app/catalog/VideoListView.h"
#include "app/mainwindow/MainWindow.h"
#include "app/mainwindow/PlayController.h"
#include "app/mainwindow/ViewController.h"
#include "app/panels/CircleChartView.h"
#include "app/panels/DrivingInfoController.h"
#include "app/panels/DrivingInfoView.h"
#include "app/panels/GraphView.h"
#include "app/panels/LineView.h"
#include "app/panels/SpeedMeterView.h"
#include "app/player/CustomSliderCell.h"
#include "app/player/EXTextButton.h"
#include "app/player/MoviePlayerView.h"
#include "core/catalog/TripData.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"
#include "core/panels/SpeedUnit.h"
#include "core/recording/PictureDataUtil.h"

#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QSettings>
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
    // Paused at a play position, with the displays refreshed for it.
    void pauseAt(qint64 position)
    {
        player()->changeChapter(PlayStatus::Pause, position);
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

// Rectangles of a widget's children in the panel's coordinates.
QRect inPanel(QWidget* w, QWidget* panel)
{
    return QRect(w->mapTo(panel, QPoint(0, 0)), w->size());
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
        QVERIFY(rig.window->playController()->playEvent(0, true));
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

private:
    QTemporaryDir m_dir;
    cardgen::WrittenCard m_card;
};

QTEST_MAIN(TestDrivingInfo)
#include "tst_drivinginfo.moc"
