// GUI-thread work of the tools that follows the play position or the range,
// over a generated trip of three three-minute chapters (records only, no
// pictures):
// - the stopwatch's labels at one play position (a running lap and the
//   total, each two distances), at positions spread over the last chapter,
//   where the whole chapters before it come from the cache;
// - the burnt-in captions of a 30 s range across a chapter boundary, with
//   the count of subtitle events written.
#include "CardGen.h"
#include "core/catalog/CardData.h"
#include "core/catalog/TripData.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VideoInfo.h"
#include "core/tools/LapStopwatch.h"
#include "core/tools/TrimJob.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kChapterSeconds = 180;

struct Trip {
    QTemporaryDir dir;
    std::shared_ptr<CardData> card;
    ChapterList chapters;
};

std::unique_ptr<Trip> g_trip;

Trip& trip()
{
    if (!g_trip) {
        g_trip = std::make_unique<Trip>();
        cardgen::CardOptions o;
        cardgen::TripOptions t;
        t.chapters = 3;
        t.chapterSeconds = kChapterSeconds;
        t.format.realVideo = false;
        o.trips = {t};
        cardgen::writeCard(g_trip->dir.path(), o);
        g_trip->card = CardData::create();
        g_trip->card->readCardData(g_trip->dir.filePath("MOVE"));
        g_trip->chapters = g_trip->card->tripList().at(0)->chapterDataList();
        for (const auto& chapter : g_trip->chapters) chapter->loadPicture(true);
    }
    return *g_trip;
}

void BM_StopwatchLabelsAtAPosition(benchmark::State& state)
{
    const Trip& t = trip();
    LapStopwatch sw;
    sw.setChapters(t.chapters);
    const qint64 last = PictureDataUtil::position(t.chapters, 2, 0);
    sw.setCurrentPosition(5000);
    sw.startStop();
    sw.setCurrentPosition(last - 20000);
    sw.lapReset();
    qint64 offset = 0;
    for (auto _ : state) {
        // A position of the last chapter, a different one each time.
        offset = (offset + 7919) % (kChapterSeconds * 1000);
        sw.setCurrentPosition(last + offset);
        benchmark::DoNotOptimize(sw.rows(true));
        benchmark::DoNotOptimize(sw.total(true));
    }
}
BENCHMARK(BM_StopwatchLabelsAtAPosition)->Unit(benchmark::kMicrosecond);

void BM_TrimCaptionsOfA30SecondRange(benchmark::State& state)
{
    const Trip& t = trip();
    const std::int32_t start = std::int32_t(t.chapters[0]->timeSpan()) - 15000;
    const std::int32_t end = PictureDataUtil::position(t.chapters, 1, 15000);
    const TrimJob::Plan plan = TrimJob::plan(t.chapters, start, end);
    const auto video = [&](int i) { return t.chapters[i]->loadPicture(true)->video; };
    const std::uint32_t from = video(0)->frameAt(1, plan.pieces[0].from)->_movieTimeStamp;
    const std::uint32_t to = video(1)->frameAt(1, plan.pieces[1].to)->_movieTimeStamp;
    const std::uint32_t length = kChapterSeconds * 1000;
    std::size_t events = 0;
    for (auto _ : state) {
        const auto made = TrimJob::captionEvents({{video(0), from, std::nullopt, length}, {video(1), 0, to, length}},
                                                 {true, true, true, true}, CaptionSettings{});
        events = made.size();
        benchmark::DoNotOptimize(made.data());
    }
    state.counters["events"] = double(events);
}
BENCHMARK(BM_TrimCaptionsOfA30SecondRange)->Unit(benchmark::kMillisecond);

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
