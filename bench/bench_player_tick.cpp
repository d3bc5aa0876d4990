// GUI-thread cost of one tick of the playback clock while a 1080p movie plays
// in the movie player panel: the position's advance, the synchronisation of
// the media player (libmpv), the date-time, seconds and button refreshes and
// the main window's callback (a no-op here). Between ticks the event loop runs
// for a tick's length (not timed), so the player decodes and renders as it
// would. At 10x every tick also sends an exact seek, which must not block.
// Beside the tick's wall time: its CPU time, the number of ticks in which the
// GUI thread went to sleep waiting on something, and how late a 1 ms timer
// on the GUI thread fired over the whole run (ticks and the work between
// them: the media player's events, rendering and painting the movie).
#include "app/player/CustomSliderCell.h"
#include "app/player/CustomSliderCellMin.h"
#include "app/player/MoviePlayerView.h"
#include "core/recording/PictureData.h"
#include "core/recording/VideoInfo.h"
#include "BenchMovie.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QTimeZone>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <ctime>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int SECONDS = 10;
constexpr int FRAME_MS = 35;

QString g_movie;

struct NoOpDelegate : MoviePlayerViewDelegate {
    void playerPositionChanged() override {}
    void playerDidReachEnd() override {}
    void refreshDrivingInfo(bool) override {}
    void showOpenFailed() override {}
    void showPlayFailed() override {}
    void updateSaveButton() override {}
    void setFullScreenLayout(bool) override {}
    bool isFullscreen() const override { return false; }
    void toggleFullScreen() override {}
    void showOpenDialog() override {}
    void showBackupDialog() override {}
    void showCameraSettings() override {}
    void playPreviousItem() override {}
    void playNextItem() override {}
    void showStopWatch() override {}
    void hideStopWatch() override {}
    void exportGoogleEarth() override {}
    void openToolWindow(std::uint8_t) override {}
    void playerControlEvent(std::uint8_t) override {}
};

// The 1080p movie as one chapter, with a frame record every 35 ms.
std::shared_ptr<ChapterData> movieChapter()
{
    auto info = std::make_shared<VideoInfo>();
    const QDateTime start(QDate(2026, 3, 15), QTime(8, 30), QTimeZone("Australia/Sydney"));
    for (int channel : {0, 1}) {
        FrameList frames;
        for (qint64 t = 0; t <= SECONDS * 1000; t += FRAME_MS) {
            auto frame = std::make_shared<VideoFrame>();
            frame->_timeStamp = std::uint32_t(5000 + t);
            frame->setTime(start.addMSecs(t));
            frame->speed = 50;
            frames.push_back(frame);
        }
        std::int32_t lon = -1, lat = -1;
        info->_cameraFrames[channel] = VideoInfo::buildFrameDictionary(frames, 5000, FRAME_MS, lon, lat);
    }
    info->_timeSpan = SECONDS * 1000 - 100;
    info->completeTables();
    auto chapter = std::make_shared<ChapterData>(QUrl::fromLocalFile(g_movie));
    chapter->storePicture(std::make_shared<PictureData>(info));
    return chapter;
}

struct Rig {
    NoOpDelegate delegate;
    MoviePlayerView view{nullptr, MoviePlayerView::mpvFactory({true})};
    bool ready = false;
    Rig(int speedPosition)
    {
        view.setDelegate(&delegate);
        view.resize(960, 640);
        view.show();
        view.setValueInfo(std::make_shared<PlayMovieValueInfo>(ChapterList{movieChapter()},
                                                               CardData::ActiveType::MovieRec));
        view.openMovie();
        QElapsedTimer wait;
        wait.start();
        while (view.currentStatus() != CommonConst::PlayStatus::Stop && wait.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        ready = view.currentStatus() == CommonConst::PlayStatus::Stop;
        view.playSpeedSlider->setDoubleValue(speedPosition);
        view.applyPlaySpeed();
        view.play();
    }
};

double percentile(std::vector<double> v, double q)
{
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}

// The calling thread's CPU time in seconds, and how often it went to sleep
// on its own (waiting on a lock, a condition or a file) rather than being
// preempted.
double threadSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

long voluntarySwitches()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// How late a 1 ms timer on the GUI thread fires: any wait of the GUI thread,
// inside a tick or between ticks (rendering, painting, the media player's
// events), shows as lateness.
struct StallMonitor {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = -1;
    std::vector<double> late;
    StallMonitor()
    {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.nsecsElapsed();
            if (last >= 0) late.push_back(std::max(0.0, double(now - last) / 1e6 - 1.0));
            last = now;
        });
        clock.start();
        timer.start();
    }
};

void runBetweenTicks(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
}

void runTicks(benchmark::State& state, int speedPosition)
{
    Rig rig(speedPosition);
    if (!rig.ready) {
        state.SkipWithError("movie did not open");
        return;
    }
    // The panel's own timer is held: the benchmark fires the ticks itself
    // (the clock keeps running, so each tick advances by the real time).
    auto* timer = rig.view.trackbar->findChild<QTimer*>(QStringLiteral("clockTimer"));
    timer->stop();
    double worst = 0.0;
    std::vector<double> all, cpu;
    int blocked = 0;
    StallMonitor stalls;
    for (auto _ : state) {
        if (rig.view.currentStatus() != CommonConst::PlayStatus::Play) {
            rig.view.changeChapter(CommonConst::PlayStatus::Play, 0); // looped: from the start again
            timer->stop();
        }
        const long sleepsBefore = voluntarySwitches();
        const double cpuBefore = threadSeconds();
        QElapsedTimer elapsed;
        elapsed.start();
        rig.view.trackbar->onTimerTick();
        const double seconds = double(elapsed.nsecsElapsed()) / 1e9;
        cpu.push_back(threadSeconds() - cpuBefore);
        if (voluntarySwitches() != sleepsBefore) ++blocked;
        worst = std::max(worst, seconds);
        all.push_back(seconds);
        state.SetIterationTime(seconds);
        runBetweenTicks(33);
    }
    state.counters["p50_us"] = percentile(all, 0.5) * 1e6;
    state.counters["p99_us"] = percentile(all, 0.99) * 1e6;
    state.counters["worst_us"] = worst * 1e6;
    state.counters["cpu_p99_us"] = percentile(cpu, 0.99) * 1e6;
    // Ticks in which the GUI thread slept waiting on something.
    state.counters["ticks_waiting"] = blocked;
    state.counters["gui_late_p99_ms"] = percentile(stalls.late, 0.99);
    state.counters["gui_late_max_ms"] = percentile(stalls.late, 1.0);
}

void BM_PlayerTickAtNormalSpeed(benchmark::State& state)
{
    runTicks(state, 1);
}
BENCHMARK(BM_PlayerTickAtNormalSpeed)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

void BM_PlayerTickAtTenTimes(benchmark::State& state)
{
    runTicks(state, 5);
}
BENCHMARK(BM_PlayerTickAtTenTimes)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

void BM_PlayerFrameStep(benchmark::State& state)
{
    Rig rig(1);
    if (!rig.ready) {
        state.SkipWithError("movie did not open");
        return;
    }
    rig.view.pause();
    double worst = 0.0;
    bool forward = true;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        if (forward)
            rig.view.frameForward();
        else
            rig.view.frameBack();
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
        if (rig.view.trackbar->integerValue() > 8000) forward = false;
        if (rig.view.trackbar->integerValue() < 1000) forward = true;
        runBetweenTicks(35);
    }
    state.counters["worst_us"] = worst * 1e6;
}
BENCHMARK(BM_PlayerFrameStep)->UseManualTime()->Iterations(100)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return benchmovie::runBenchmarks(argc, argv, SECONDS, g_movie);
}
