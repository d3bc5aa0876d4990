// What picture data costs in memory:
// - the heap a loaded one-minute chapter keeps (its PictureData: the
//   recording's frame tables and everything else it holds), per chapter,
//   per picture record of the movie and per table entry (tables 0 and 1),
//   and the time it takes to let go of it (as quitting does);
// - the resident size of the process once the catalogue's workers have
//   loaded every chapter of a card of 2,000 one-minute chapters (40 trips of
//   50), as a fleet operator's card ends after a while open.
//
// Target: at most 128 bytes of heap per picture record.
//
// Heap is what malloc has handed out and not taken back (every arena, and the
// blocks it maps on its own): glibc's mallinfo2, so allocator overhead counts.

#include "core/catalog/CardData.h"
#include "core/recording/PictureData.h"
#include "core/settings/SettingInfo.h"

#include "BenchMain.h"
#include "CardGen.h"
#include "../tests/support/HourlyTrips.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

namespace {

double heapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks + m.hblkhd);
}

double residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) : -1;
}

std::unique_ptr<PictureData> loadChapter(const QString& path)
{
    static const QByteArray fileInfo = SettingInfo().makeRecord(SettingInfo::DataType::FileInfo);
    return std::make_unique<PictureData>(QUrl::fromLocalFile(path), PictureDataType::All,
                                         CommonConst::DEFAULT_DATE(), CommonConst::DEFAULT_DATE().addYears(4000),
                                         nullptr, RecType::Melsi14Rec, fileInfo);
}

void BM_ChapterHeap(benchmark::State& state)
{
    QTemporaryDir dir;
    cardgen::TripOptions trip = testtrips::hourly(8, 0, 60);
    trip.format.soundPerSecond = 1;
    int number = 1;
    const auto written = cardgen::writeTrip(dir.filePath(QStringLiteral("MOVE")), trip, number);
    double records = 0;
    for (const auto& movie : written.chapters)
        for (const auto& s : movie.samples)
            if (s.id == 0x55) ++records;

    // Whatever a first load sets up once for the process is not the chapter's.
    loadChapter(written.chapters.front().path);

    double heap = 0;
    double entries = 0;
    double releaseNs = 0;
    for (auto _ : state) {
        std::vector<std::unique_ptr<PictureData>> kept;
        const double before = heapInUse();
        for (const auto& movie : written.chapters) kept.push_back(loadChapter(movie.path));
        heap = heapInUse() - before;
        entries = 0;
        for (const auto& pd : kept)
            if (pd->video) entries += double(pd->video->getCameraFrames(0).size() + pd->video->getCameraFrames(1).size());
        benchmark::DoNotOptimize(kept);
        QElapsedTimer timer;
        timer.start();
        kept.clear();
        releaseNs = double(timer.nsecsElapsed());
    }
    const double chapters = double(written.chapters.size());
    state.counters["releaseUsPerChapter"] = releaseNs / 1e3 / chapters;
    state.counters["KiBPerChapter"] = heap / chapters / 1024.0;
    state.counters["bytesPerPictureRecord"] = heap / records;
    state.counters["bytesPerTableEntry"] = heap / entries;
    state.counters["pictureRecordsPerChapter"] = records / chapters;
}
BENCHMARK(BM_ChapterHeap)->Unit(benchmark::kMillisecond)->Iterations(1);

// Both workers from the start until every chapter has its picture data; the
// catalogue is kept open as the application keeps it.
void BM_CardPreloadResident(benchmark::State& state)
{
    constexpr int TRIPS = 40;
    constexpr int CHAPTERS = 50;
    QTemporaryDir dir;
    cardgen::CardOptions o;
    for (int t = 0; t < TRIPS; ++t) {
        cardgen::TripOptions trip = testtrips::hourly(CHAPTERS, t, 60);
        trip.folder = QStringLiteral("MOVE%1").arg(t / 10 + 1, 3, 10, QLatin1Char('0'));
        o.trips.push_back(trip);
    }
    const auto written = cardgen::writeCard(dir.path(), o);

    for (auto _ : state) {
        auto catalogue = CardData::create();
        catalogue->readCardData(written.moveDir);
        const TripList trips = catalogue->tripList();
        int chapters = 0;
        for (const auto& t : trips) chapters += int(t->chapterCount());
        auto loaded = [&] {
            for (const auto& t : trips)
                for (const auto& c : t->chapterDataList())
                    if (!c->hasPicture()) return false;
            return true;
        };
        const double residentBefore = residentBytes();
        const double heapBefore = heapInUse();
        catalogue->startLoadThreads();
        QTimer tick;
        tick.start(20);
        QDeadlineTimer deadline(600000);
        while (!loaded() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (!loaded()) state.SkipWithError("the workers did not load every chapter");
        state.counters["chapters"] = chapters;
        state.counters["residentMiB"] = residentBytes() / 1048576.0;
        state.counters["residentAddedMiB"] = (residentBytes() - residentBefore) / 1048576.0;
        state.counters["heapAddedMiB"] = (heapInUse() - heapBefore) / 1048576.0;
        catalogue->dispose();
        CardData::waitForDisposals();
    }
}
BENCHMARK(BM_CardPreloadResident)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return benchmain::runCoreBenchmarks(argc, argv);
}
