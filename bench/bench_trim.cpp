// The trim pipeline against a bare ffmpeg run of the same work: a generated
// 1080p trip of two three-minute chapters, a range of 30 s and one of 5 min
// across the chapter boundary, all driving data burnt in. The bare run cuts
// the same range with the same encoder settings and the same subtitles in
// one ffmpeg process. Counters: both times, the pipeline's overhead, the
// longest wait between two progress reports, and how long a cancel takes to
// end the job (ffmpeg included).
#include "CardGen.h"
#include "core/catalog/CardData.h"
#include "core/catalog/TripData.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VideoInfo.h"
#include "core/tools/AssSubtitle.h"
#include "core/tools/FfmpegArguments.h"
#include "core/tools/FfmpegRunner.h"
#include "core/tools/TrimJob.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <memory>

namespace {

constexpr int kChapterSeconds = 180;

struct Trip {
    QTemporaryDir dir;
    std::shared_ptr<CardData> card;
    ChapterList chapters;
};

// Made on first use; main() lets it go (and its folder) before the
// application object ends.
std::unique_ptr<Trip> g_trip;

Trip& trip()
{
    static Trip* t = [] {
        g_trip = std::make_unique<Trip>();
        Trip* made = g_trip.get();
        cardgen::CardOptions o;
        cardgen::TripOptions trip;
        trip.chapters = 2;
        trip.chapterSeconds = kChapterSeconds;
        trip.format.videoWidth = 1920;
        trip.format.videoHeight = 1080;
        o.trips = {trip};
        cardgen::writeCard(made->dir.path(), o);
        made->card = CardData::create();
        made->card->readCardData(made->dir.filePath("MOVE"));
        made->chapters = made->card->tripList().at(0)->chapterDataList();
        return made;
    }();
    return *t;
}

// A range of `seconds` centred on the chapter boundary.
TrimRequest requestFor(int seconds, const QString& output)
{
    const Trip& t = trip();
    TrimRequest r;
    r.chapters = t.chapters;
    const std::int32_t half = seconds * 500;
    r.start = std::int32_t(t.chapters[0]->timeSpan()) - half;
    r.end = PictureDataUtil::position(t.chapters, 1, half);
    r.selection = {true, true, true, true};
    r.outputPath = output;
    r.workFolderBase = t.dir.path();
    return r;
}

// The same range, subtitles and encoder settings in one ffmpeg run.
double bareSeconds(const TrimRequest& r, const QString& output)
{
    const TrimJob::Plan plan = TrimJob::plan(r.chapters, r.start, r.end);
    const auto v0 = r.chapters[0]->loadPicture(true)->video;
    const auto v1 = r.chapters[1]->loadPicture(true)->video;
    const std::uint32_t from = v0->frameAt(1, plan.pieces[0].from)->_movieTimeStamp;
    const std::uint32_t to = v1->frameAt(1, plan.pieces[1].to)->_movieTimeStamp;
    const std::uint32_t firstLength = kChapterSeconds * 1000 - from;
    std::vector<AssSubtitle::Event> events = AssSubtitle::events(*v0, r.selection, r.settings, from);
    for (AssSubtitle::Event e : AssSubtitle::events(*v1, r.selection, r.settings, 0)) {
        if (e.start >= to) break;
        e.start += firstLength;
        e.end += firstLength;
        events.push_back(e);
    }
    const QString ass = trip().dir.filePath("bare.ass");
    QFile f(ass);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return -1;
    f.write(AssSubtitle::text(1920, 1080, events).toUtf8());
    f.close();

    const QStringList args{"-y",
                           "-ss",
                           FfmpegArguments::timeValue(from),
                           "-i",
                           r.chapters[0]->_pathMp4.toLocalFile(),
                           "-t",
                           FfmpegArguments::timeValue(to),
                           "-i",
                           r.chapters[1]->_pathMp4.toLocalFile(),
                           "-filter_complex",
                           "[0:v][1:v]concat=n=2:v=1:a=0," + FfmpegArguments::assFilter(ass) + "[v]",
                           "-map",
                           "[v]",
                           "-preset",
                           "veryfast",
                           "-g",
                           "10",
                           output};
    QElapsedTimer clock;
    clock.start();
    const FfmpegRunner::Result result = FfmpegRunner().run(args, TaskCancelFlag());
    if (!result.ok()) return -1;
    return double(clock.nsecsElapsed()) / 1e9;
}

void BM_TrimAgainstBareFfmpeg(benchmark::State& state)
{
    const int seconds = int(state.range(0));
    const QString output = trip().dir.filePath("cut.mp4");
    const QString bare = trip().dir.filePath("bare.mp4");
    double pipeline = 1e300;
    double plain = 1e300;
    double longestGap = 0;
    for (auto _ : state) {
        const TrimRequest r = requestFor(seconds, output);
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        TrimJob job(r, TaskCancelFlag(), [&](double) {
            const qint64 now = clock.elapsed();
            longestGap = std::max(longestGap, double(now - last) / 1000.0);
            last = now;
        });
        const TrimJob::Result result = job.run();
        const double took = double(clock.nsecsElapsed()) / 1e9;
        longestGap = std::max(longestGap, double(clock.elapsed() - last) / 1000.0);
        if (result.outcome != TrimJob::Outcome::Saved) {
            state.SkipWithError("the trim failed");
            return;
        }
        const double bareTook = bareSeconds(r, bare);
        if (bareTook < 0) {
            state.SkipWithError("bare ffmpeg failed");
            return;
        }
        pipeline = std::min(pipeline, took);
        plain = std::min(plain, bareTook);
    }
    state.counters["pipeline_s"] = pipeline;
    state.counters["bare_ffmpeg_s"] = plain;
    state.counters["overhead_pct"] = (pipeline - plain) / plain * 100.0;
    state.counters["longest_progress_gap_s"] = longestGap;
    QFile::remove(output);
    QFile::remove(bare);
}
BENCHMARK(BM_TrimAgainstBareFfmpeg)->Arg(30)->Iterations(2)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_TrimAgainstBareFfmpeg)->Arg(300)->Iterations(2)->Unit(benchmark::kSecond)->UseRealTime();

void BM_CancelWhileEncoding(benchmark::State& state)
{
    const QString output = trip().dir.filePath("cancelled.mp4");
    double worst = 0;
    for (auto _ : state) {
        TaskCancelFlag cancel;
        QElapsedTimer clock;
        std::atomic<qint64> cancelledAt{-1};
        TrimJob job(requestFor(30, output), cancel, [&](double percent) {
            if (percent > 20 && cancelledAt.load() < 0) {
                cancelledAt = clock.elapsed();
                cancel.cancel();
            }
        });
        clock.start();
        TrimJob::Result result;
        QThread* worker = QThread::create([&] { result = job.run(); });
        worker->start();
        worker->wait();
        delete worker;
        if (result.outcome != TrimJob::Outcome::Cancelled || cancelledAt.load() < 0 || QFile::exists(output)) {
            state.SkipWithError("the cancel did not end the job cleanly");
            return;
        }
        worst = std::max(worst, double(clock.elapsed() - cancelledAt.load()));
    }
    state.counters["cancel_to_end_ms"] = worst;
}
BENCHMARK(BM_CancelWhileEncoding)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    if (g_trip) g_trip->card->dispose();
    g_trip.reset();
    CardData::waitForDisposals();
    return 0;
}
