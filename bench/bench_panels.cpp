// GUI-thread cost of the driving-data panel.
//
// Refresh: the main window plays a 1080p movie (libmpv, software rendering)
// over a play list of two chapters with every panel shown; each tick of the
// playback clock is fired by hand and the per-position refresh it makes is
// timed with the repaints it makes the panel do (the window's pending
// repaints are flushed at once; the panel's paint events are timed, the
// movie's and the player's controls' are theirs). As an upper bound, the
// whole panel is then drawn once more into a picture. Times are the GUI
// thread's own CPU time (the machine runs other work too); wall times of
// the refresh are given beside them, with the number of refreshes in which
// the GUI thread went to sleep waiting on something.
// At 1x a tick moves 33 ms, at 10x a third of a second, so the 10x run also
// crosses into the next chapter (a new chart window, circle-chart cache and
// speed-run table) and back.
//
// Graph: drawing the chart of a 1-minute window and of a 30-minute one
// (50,400 frames at 28 per second), and taking the window's samples.
#include "app/mainwindow/MainWindow.h"
#include "app/mainwindow/ViewController.h"
#include "app/panels/CircleChartView.h"
#include "app/panels/DrivingInfoController.h"
#include "app/panels/DrivingInfoView.h"
#include "app/panels/GraphView.h"
#include "app/panels/LineView.h"
#include "app/panels/SpeedMeterView.h"
#include "app/shell/EXTextButton.h"
#include <QLabel>
#include "BenchMovie.h"
#include "app/player/CustomSliderCell.h"
#include "app/player/CustomSliderCellMin.h"
#include "app/player/MoviePlayerView.h"
#include "core/panels/DrivingInfoModel.h"
#include "core/recording/PictureData.h"
#include "core/recording/VideoInfo.h"

#include <QImage>
#include <QElapsedTimer>
#include <QTimeZone>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <ctime>
#include <sys/resource.h>
#include <cmath>
#include <vector>

namespace {

constexpr int MOVIE_SECONDS = 10;
constexpr int FRAME_MS = 35; // 28 frames a second

QString g_movie;

// A recording of `seconds` with a frame every 35 ms: the speed changes every
// second, G follows the changes, the GPS drops out for two seconds a minute.
std::shared_ptr<VideoInfo> recording(int seconds)
{
    auto info = std::make_shared<VideoInfo>();
    const QDateTime start(QDate(2026, 3, 15), QTime(8, 30), QTimeZone("Australia/Sydney"));
    for (int channel : {0, 1}) {
        FrameList frames;
        for (qint64 t = 0; t <= qint64(seconds) * 1000; t += FRAME_MS) {
            auto frame = std::make_shared<VideoFrame>();
            frame->_timeStamp = std::uint32_t(5000 + t);
            frame->setTime(start.addMSecs(t));
            const double s = double(t / 1000);
            frame->speed = std::int32_t(60.0 + 45.0 * std::sin(s / 9.0));
            frame->gX = 0.25 * std::cos(s / 9.0) + 0.02 * std::sin(double(t) / 90.0);
            frame->gY = 0.15 * std::sin(s / 4.0);
            frame->gps = (t / 1000) % 60 >= 2;
            frames.push_back(frame);
        }
        std::int32_t lon = -1, lat = -1;
        info->_cameraFrames[channel] = VideoInfo::buildFrameDictionary(frames, 5000, FRAME_MS, lon, lat);
    }
    info->_timeSpan = quint64(seconds) * 1000;
    info->_fileVersion = QStringLiteral("0714");
    info->completeTables();
    return info;
}

std::shared_ptr<ChapterData> chapter(const QString& path, int seconds)
{
    auto c = std::make_shared<ChapterData>(QUrl::fromLocalFile(path));
    c->storePicture(std::make_shared<PictureData>(recording(seconds)));
    return c;
}

double percentile(std::vector<double> v, double q)
{
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}

void runEvents(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
}

// The calling thread's CPU time in seconds: the GUI thread's own work,
// whatever else the machine runs meanwhile.
double threadSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// How often the calling thread went to sleep on its own (waiting on a lock,
// a condition or a file) rather than being preempted.
long voluntarySwitches()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// Times every refresh the main window asks of the panel.
struct TimedPanel : DrivingInfoViewInterface {
    DrivingInfoViewInterface* real = nullptr;
    double last = 0.0;
    double lastCpu = 0.0;
    long lastSleeps = 0;
    void applyStartupSettings(bool a, bool b, bool c) override { real->applyStartupSettings(a, b, c); }
    void refreshDrivingInfo(bool playing) override
    {
        // The clocks of the thread are read outside the timed call: reading
        // one is a system call that takes the scheduler's lock, and on a
        // crowded machine that alone took milliseconds now and then.
        const double cpu = threadSeconds();
        const long sleeps = voluntarySwitches();
        QElapsedTimer t;
        t.start();
        real->refreshDrivingInfo(playing);
        const double wall = double(t.nsecsElapsed()) / 1e9;
        lastSleeps += voluntarySwitches() - sleeps;
        lastCpu += threadSeconds() - cpu;
        last += wall;
    }
    void setChapterList(const ChapterList& c) override { real->setChapterList(c); }
    void setAccident(const CardData& card, const std::shared_ptr<MoveProtectInfo>& r) override
    {
        real->setAccident(card, r);
    }
    void chapterDidLoad(const std::shared_ptr<ChapterData>& c) override { real->chapterDidLoad(c); }
};

// Times the paint events of the panel's widgets (delivered while the
// window's pending repaints are flushed), and nothing else.
struct PanelPaintTimer : QObject {
    QWidget* panel = nullptr;
    double cpu = 0.0;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || !watched->isWidgetType()) return false;
        auto* w = static_cast<QWidget*>(watched);
        if (w != panel && !panel->isAncestorOf(w)) return false;
        const double start = threadSeconds();
        watched->event(event);
        cpu += threadSeconds() - start;
        return true;
    }
};

void runRefresh(benchmark::State& state)
{
    const int speedPosition = int(state.range(0));
    ViewController::Options o;
    o.probeNetwork = false;
    o.checkForUpdates = false;
    o.playerFactory = MoviePlayerView::mpvFactory({true});
    MainWindow window(nullptr, o);
    window.resize(1280, 800);
    window.show();
    MoviePlayerView* player = window.moviePlayerView();
    const ChapterList chapters{chapter(g_movie, MOVIE_SECONDS), chapter(g_movie, MOVIE_SECONDS)};
    player->setValueInfo(std::make_shared<PlayMovieValueInfo>(chapters, CardData::ActiveType::MovieRec));
    player->openMovie();
    window.drivingInfoController()->setChapterList(chapters);
    QElapsedTimer wait;
    wait.start();
    while (player->currentStatus() != CommonConst::PlayStatus::Stop && wait.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (player->currentStatus() != CommonConst::PlayStatus::Stop) {
        state.SkipWithError("movie did not open");
        return;
    }
    TimedPanel timed;
    timed.real = window.drivingInfoController();
    window.controller()->setDrivingInfo(&timed);
    player->playSpeedSlider->setDoubleValue(speedPosition);
    player->applyPlaySpeed();
    player->play();
    auto* clock = player->trackbar->findChild<QTimer*>(QStringLiteral("clockTimer"));
    clock->stop();
    runEvents(300);

    DrivingInfoView* panel = window.drivingInfoController()->view();
    QImage picture(panel->size() * panel->devicePixelRatioF(), QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(panel->devicePixelRatioF());
    std::vector<double> refresh, refreshCpu, total, cpu, tick;
    int waiting = 0;
    PanelPaintTimer paints;
    paints.panel = panel;
    qApp->installEventFilter(&paints);
    for (auto _ : state) {
        if (player->currentStatus() != CommonConst::PlayStatus::Play) {
            player->changeChapter(CommonConst::PlayStatus::Play, 0); // from the start again
            clock->stop();
            runEvents(33);
        }
        timed.last = 0.0;
        timed.lastCpu = 0.0;
        timed.lastSleeps = 0;
        player->trackbar->onTimerTick();
        // What the tick made the panel repaint, as the window would.
        paints.cpu = 0.0;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        tick.push_back(timed.lastCpu + paints.cpu);
        const double paintCpu = threadSeconds();
        QElapsedTimer paint;
        paint.start();
        panel->render(&picture);
        const double painted = double(paint.nsecsElapsed()) / 1e9;
        const double paintedCpu = threadSeconds() - paintCpu;
        refresh.push_back(timed.last);
        refreshCpu.push_back(timed.lastCpu);
        if (timed.lastSleeps > 0) ++waiting;
        total.push_back(timed.last + painted);
        cpu.push_back(timed.lastCpu + paintedCpu);
        state.SetIterationTime(timed.last + painted);
        runEvents(33);
    }
    qApp->removeEventFilter(&paints);
    window.controller()->setDrivingInfo(window.drivingInfoController());
    state.counters["cpu_tick_p50_us"] = percentile(tick, 0.5) * 1e6;
    state.counters["cpu_tick_p99_us"] = percentile(tick, 0.99) * 1e6;
    state.counters["refresh_p50_us"] = percentile(refresh, 0.5) * 1e6;
    state.counters["refresh_p99_us"] = percentile(refresh, 0.99) * 1e6;
    state.counters["refresh_cpu_p99_us"] = percentile(refreshCpu, 0.99) * 1e6;
    // Refreshes in which the GUI thread went to sleep waiting on something.
    state.counters["refreshes_waiting"] = waiting;
    state.counters["with_paint_p50_us"] = percentile(total, 0.5) * 1e6;
    state.counters["with_paint_p99_us"] = percentile(total, 0.99) * 1e6;
    state.counters["with_paint_max_us"] = percentile(total, 1.0) * 1e6;
    state.counters["cpu_with_paint_p50_us"] = percentile(cpu, 0.5) * 1e6;
    state.counters["cpu_with_paint_p99_us"] = percentile(cpu, 0.99) * 1e6;
}

// The argument is the speed slider's position: 1 plays at 1x, 5 at 10x.
BENCHMARK(runRefresh)->Name("BM_PanelRefresh")->Arg(1)->Arg(5)->UseManualTime()->Iterations(300)->Unit(
    benchmark::kMicrosecond);

// Drawing the graph (grid and both series; with range(1), the chart's texts
// around it too) of a window of range(0) seconds, as after a resize or a new
// window.
void BM_GraphDraw(benchmark::State& state)
{
    const int seconds = int(state.range(0));
    DrivingInfoModel model;
    model.setChapterList({chapter(QStringLiteral("/nonexistent.MP4"), seconds)});
    LineView chart;
    chart.resize(520, 173);
    chart.setData(model);
    chart.setValue(model.span() / 3);
    GraphView* graph = chart.graphView();
    const bool withTexts = state.range(1) != 0;
    QImage picture(withTexts ? chart.size() : graph->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        if (withTexts) {
            chart.invalidate();
            chart.render(&picture);
        } else {
            graph->invalidate();
            graph->render(&picture);
        }
    }
    state.counters["samples"] = double(model.samples().size());
    // What is drawn: the same few points per pixel column for any window.
    double drawn = 0.0;
    for (const auto* series : {&graph->leftSeries(), &graph->rightSeries()})
        for (const auto& run : GraphScales::seriesRuns(series->points, graph->mapping(), series->scale, graph->height()))
            drawn += double(run.points.size());
    state.counters["points_drawn"] = drawn;
}
BENCHMARK(BM_GraphDraw)->Args({60, 0})->Args({1800, 0})->Args({60, 1})->Args({1800, 1})->Unit(benchmark::kMicrosecond);

// Taking a window's samples and handing them to the chart (a new chapter).
void BM_WindowRebuild(benchmark::State& state)
{
    const int seconds = int(state.range(0));
    DrivingInfoModel model;
    model.setChapterList({chapter(QStringLiteral("/nonexistent.MP4"), seconds)});
    LineView chart;
    chart.resize(520, 173);
    for (auto _ : state) {
        model.rebuild();
        chart.setData(model);
    }
    state.counters["samples"] = double(model.samples().size());
}
BENCHMARK(BM_WindowRebuild)->Arg(60)->Arg(1800)->Unit(benchmark::kMicrosecond);

// Drawing each display of the panel whole, while a trip plays.
void BM_PanelPaint(benchmark::State& state)
{
    DrivingInfoView panel;
    panel.resize(1000, DrivingInfoView::PANEL_HEIGHT);
    panel.show();
    runEvents(50);
    panel.setupBorder();
    const ChapterList chapters{chapter(QStringLiteral("/nonexistent.MP4"), 60)};
    panel.setChapterList(chapters);
    panel.circleChartView->reset(chapters);
    panel.setValue(30000);
    panel.circleChartView->update(30000, CommonConst::PlayStatus::Play);
    panel.speedMeterView->setSpeed({87, true, 0}, false, {});
    QWidget* parts[] = {&panel, panel.lineChartView, panel.speedMeterView, panel.circleChartView,
                        panel.speedMeterButton, panel.gpsImage, panel.speedMeter};
    QWidget* part = parts[state.range(0)];
    QImage picture(part->size(), QImage::Format_ARGB32_Premultiplied);
    part->render(&picture);
    for (auto _ : state) part->render(&picture);
    state.SetLabel(part->objectName().toStdString());
}
BENCHMARK(BM_PanelPaint)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return benchmovie::runBenchmarks(argc, argv, MOVIE_SECONDS, g_movie);
}
