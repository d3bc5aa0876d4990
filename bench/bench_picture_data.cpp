// Loading one generated 60-second chapter's picture data (the movie reader
// with both passes), and looking a frame up by play position.

#include "core/catalog/ChapterData.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/settings/SettingInfo.h"

#include "BenchMain.h"
#include "CardGen.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct Fixture {
    QTemporaryDir dir;
    std::vector<QString> chapters;

    Fixture()
    {
        cardgen::TripOptions trip;
        trip.chapters = 3;
        trip.chapterSeconds = 60;
        trip.format.soundPerSecond = 1;
        int number = 1;
        const auto written = cardgen::writeTrip(dir.filePath(QStringLiteral("MOVE")), trip, number);
        for (const auto& m : written.chapters) chapters.push_back(m.path);
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_LoadChapterPictureData(benchmark::State& state)
{
    const QUrl url = QUrl::fromLocalFile(fixture().chapters.front());
    const QByteArray fileInfo = SettingInfo().makeRecord(SettingInfo::DataType::FileInfo);
    std::size_t frames = 0;
    for (auto _ : state) {
        PictureData pd(url, PictureDataType::All, CommonConst::DEFAULT_DATE(),
                       CommonConst::DEFAULT_DATE().addYears(4000), nullptr, RecType::Melsi14Rec, fileInfo);
        if (!pd.video) state.SkipWithError("chapter did not load");
        frames = pd.video ? pd.video->getCameraFrames(0).size() : 0;
        benchmark::DoNotOptimize(pd.video);
    }
    state.counters["frames"] = double(frames);
}
BENCHMARK(BM_LoadChapterPictureData)->Unit(benchmark::kMillisecond);

void BM_FrameByPlayPosition(benchmark::State& state)
{
    ChapterList chapters;
    for (const QString& path : fixture().chapters)
        chapters.append(std::make_shared<ChapterData>(QUrl::fromLocalFile(path)));
    const std::int32_t total = PictureDataUtil::totalLength(chapters); // loads every chapter
    std::int32_t position = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PictureDataUtil::videoFrame(chapters, position));
        position += 33; // one tick of the playback clock
        if (position > total) position -= total;
    }
}
BENCHMARK(BM_FrameByPlayPosition)->Unit(benchmark::kNanosecond);

void BM_MovieTimeByPlayPosition(benchmark::State& state)
{
    ChapterList chapters;
    for (const QString& path : fixture().chapters)
        chapters.append(std::make_shared<ChapterData>(QUrl::fromLocalFile(path)));
    const std::int32_t total = PictureDataUtil::totalLength(chapters);
    std::int32_t position = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PictureDataUtil::movieTimeStamp(chapters, position));
        position += 33;
        if (position > total) position -= total;
    }
}
BENCHMARK(BM_MovieTimeByPlayPosition)->Unit(benchmark::kNanosecond);

} // namespace

int main(int argc, char** argv)
{
    return benchmain::runCoreBenchmarks(argc, argv);
}
