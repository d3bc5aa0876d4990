// Archiving and decoding the trim information of the longest cut the trim
// tool allows (30 minutes at 28 frames a second).
#include "core/recording/CutVideoUtility.h"
#include "core/recording/TrimmedMovie.h"
#include "core/recording/VideoInfo.h"

#include <QTimeZone>
#include <benchmark/benchmark.h>

namespace {

std::shared_ptr<VideoInfo> longChapter(int seconds)
{
    auto info = std::make_shared<VideoInfo>();
    FrameTable table;
    for (int i = 0; i < seconds * 28; ++i) {
        const qint64 key = qint64(i) * 1000 / 28;
        auto f = std::make_shared<VideoFrame>();
        f->_id = 0x55;
        f->_timeStamp = std::uint32_t(5000 + key);
        f->_movieTimeStamp = std::uint32_t(key);
        f->setTime(QDateTime::fromSecsSinceEpoch(1700000000 + key / 1000, QTimeZone::utc()));
        f->speed = i % 120;
        f->_longitude = 5000000 + i;
        f->_latitude = 1200000 - i;
        f->gX = 0.001 * (i % 50);
        table[key] = f;
    }
    info->_cameraFrames[0] = table;
    info->_cameraFrames[1] = table;
    info->completeTables();
    return info;
}

const CutVideoKihonInfo& longRecord()
{
    static const CutVideoKihonInfo k = [] {
        const auto c = longChapter(30 * 60);
        return CutVideoKihonInfo(*c, 0, 30 * 60 * 1000, 30 * 60 * 1000, true, true, true, true);
    }();
    return k;
}

void BM_EncodeThirtyMinuteCut(benchmark::State& state)
{
    const CutVideoKihonInfo& k = longRecord();
    for (auto _ : state)
        benchmark::DoNotOptimize(CutVideoUtility::encodeKihonInfo(k));
    state.counters["footers"] = double(k._footerCamera1List.size());
}
BENCHMARK(BM_EncodeThirtyMinuteCut)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DecodeThirtyMinuteCut(benchmark::State& state)
{
    const QByteArray bytes = CutVideoUtility::encodeKihonInfo(longRecord());
    for (auto _ : state) {
        VideoInfo info;
        std::uint32_t t0 = 0;
        std::uint32_t t1 = 0;
        const auto r = TrimmedMovie::readArchive(info, bytes, CommonConst::DEFAULT_DATE(),
                                                 CommonConst::DEFAULT_DATE().addYears(4000), t0, t1);
        if (r != TrimmedMovie::ArchiveResult::Read) state.SkipWithError("not decoded");
    }
    state.counters["bytes"] = double(bytes.size());
}
BENCHMARK(BM_DecodeThirtyMinuteCut)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
