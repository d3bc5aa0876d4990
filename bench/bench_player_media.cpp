// GUI-thread cost of what one tick of the playback clock asks of the media
// player on a 1080p movie: at 1x reading the time and (re)starting it, at 3x
// and above an exact seek. Between ticks the event loop runs for a tick's
// length (not timed), so the player decodes and renders as it would.
#include "app/player/MpvMediaPlayer.h"
#include "app/player/MpvSoftwareCanvas.h"
#include "BenchMovie.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

QString g_movie;

struct Rig {
    MpvMediaPlayer player{MpvMediaPlayer::Config{true}};
    MpvSoftwareCanvas canvas{player};
    bool ready = false;
    Rig()
    {
        QEventLoop loop;
        QObject::connect(&player, &MediaPlayer::readyToPlay, &loop, &QEventLoop::quit);
        QObject::connect(&player, &MediaPlayer::failed, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        if (player.open(g_movie))
            loop.exec();
        ready = player.isReady();
    }
};

void runTicks(QElapsedTimer& clock, int tickMs)
{
    clock.restart();
    while (clock.elapsed() < tickMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, tickMs);
}

void BM_TickAtNormalSpeed(benchmark::State& state)
{
    Rig rig;
    if (!rig.ready) {
        state.SkipWithError("movie did not open");
        return;
    }
    rig.player.setRate(1.0);
    QElapsedTimer between;
    double worst = 0.0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const qint64 now = rig.player.currentTimeMs();
        benchmark::DoNotOptimize(now);
        rig.player.setRate(1.0); // the synchronisation restarts a lagging player
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
        runTicks(between, 33);
    }
    state.counters["worst_us"] = worst * 1e6;
}
BENCHMARK(BM_TickAtNormalSpeed)->UseManualTime()->Iterations(150)->Unit(benchmark::kMicrosecond);

void BM_TickSeekingAtTenTimes(benchmark::State& state)
{
    Rig rig;
    if (!rig.ready) {
        state.SkipWithError("movie did not open");
        return;
    }
    QElapsedTimer between;
    double worst = 0.0;
    qint64 position = 0;
    for (auto _ : state) {
        position = (position + 333) % 9000; // 10x: a third of a second per tick
        QElapsedTimer timer;
        timer.start();
        rig.player.pause();
        rig.player.seekExact(position);
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
        runTicks(between, 33);
    }
    state.counters["worst_us"] = worst * 1e6;
}
BENCHMARK(BM_TickSeekingAtTenTimes)->UseManualTime()->Iterations(150)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return benchmovie::runBenchmarks(argc, argv, 10, g_movie);
}
