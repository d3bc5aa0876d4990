#include "../../support/HeldCardReads.h"
#include "TripFixture.h"
#include "core/player/PlayMovieValueInfo.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/tools/LapStopwatch.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace {

using Row = LapStopwatch::Row;
using Buttons = LapStopwatch::Buttons;

// A trip driven at a constant speed, data only.
cardgen::TripOptions constantTrip(int chapters, int chapterSeconds, int kmh)
{
    cardgen::TripOptions t;
    t.chapters = chapters;
    t.chapterSeconds = chapterSeconds;
    t.drive.profile = cardgen::SpeedProfile::Constant;
    t.drive.cruiseKmh = kmh;
    t.format.realVideo = false;
    return t;
}

// A trip of two one-minute chapters driven at a constant 60 km/h.
class LapStopwatchTest : public toolstest::TripFixture {
protected:
    void SetUp() override
    {
        loadTrip(constantTrip(2, 60, 60));
        sw.setChapters(chapters);
    }

    void at(qint64 position) { sw.setCurrentPosition(position); }

    LapStopwatch sw;
};

} // namespace

TEST_F(LapStopwatchTest, LapsAndTotalInBothUnits)
{
    EXPECT_EQ(sw.buttons(), (Buttons{true, false, false}));
    at(10000);
    ASSERT_TRUE(sw.startStop());
    EXPECT_EQ(sw.buttons(), (Buttons{true, true, false}));
    at(70500); // into the second chapter: the first one's distance comes whole
    ASSERT_TRUE(sw.lapReset());
    at(85000);
    EXPECT_EQ(sw.rows(true)[1], (Row{"00'14\"5", "60km/h"})); // the running lap follows the position
    at(100000);
    ASSERT_TRUE(sw.startStop());
    EXPECT_EQ(sw.buttons(), (Buttons{false, true, false}));

    auto kmh = sw.rows(true);
    EXPECT_EQ(kmh[0], (Row{"01'00\"5", "60km/h"}));
    EXPECT_EQ(kmh[1], (Row{"00'29\"5", "60km/h"}));
    EXPECT_EQ(kmh[2], (Row{"--'--\"-", "-km/h"}));
    EXPECT_EQ(sw.total(true), (Row{"01'30\"0", "60km/h"}));

    // The unit changes how the same laps read: 60 km/h is 37 MPH.
    auto mph = sw.rows(false);
    EXPECT_EQ(mph[0], (Row{"01'00\"5", "37MPH"}));
    EXPECT_EQ(mph[1], (Row{"00'29\"5", "37MPH"}));
    EXPECT_EQ(mph[9], (Row{"--'--\"-", "-MPH"}));
    EXPECT_EQ(sw.total(false).speed, "37MPH");
    EXPECT_EQ(sw.laps()[0].aveSpeed, 60);

    // LAP/RESET after STOP starts again; the player's Stop does nothing then.
    EXPECT_FALSE(sw.stop());
    ASSERT_TRUE(sw.lapReset());
    EXPECT_EQ(sw.status(), StopWatchStatus::Ready);
    EXPECT_EQ(sw.rows(true)[0], (Row{"--'--\"-", "-km/h"}));
    EXPECT_EQ(sw.total(false), (Row{"--'--\"-", "-MPH"}));
}

TEST_F(LapStopwatchTest, NineLapsAtMostAndTheTenthRowRuns)
{
    at(1000);
    sw.startStop();
    for (int i = 1; i <= 9; ++i) {
        at(1000 + i * 5000);
        ASSERT_TRUE(sw.lapReset()) << i;
    }
    EXPECT_EQ(sw.buttons(), (Buttons{true, false, true}));
    at(60000);
    EXPECT_FALSE(sw.lapReset());
    EXPECT_EQ(sw.laps().size(), 9u);
    EXPECT_EQ(sw.rows(true)[9].time, LapStopwatch::timeText(60000 - 46000));
    EXPECT_EQ(sw.lapBaseTime(), 46000);

    ASSERT_TRUE(sw.previousLap());
    EXPECT_EQ(sw.lapBaseTime(), 41000);
    EXPECT_EQ(sw.buttons(), (Buttons{true, true, true}));

    // The player's Stop button stops a running watch where playback stands.
    at(70000);
    EXPECT_TRUE(sw.stop());
    EXPECT_EQ(sw.stopPosition(), 70000);
    EXPECT_EQ(sw.rows(true)[8].time, "00'29\"0");

    // A lap that does not move forward ends where it began, with nothing in it.
    const LapStopwatch::Lap none = sw.makeLap(5000, 4000);
    EXPECT_EQ(none.pos, 5000);
    EXPECT_EQ(none.lapTimeSpan, 0);
    EXPECT_EQ(none.aveSpeed, 0);

    sw.clear();
    EXPECT_EQ(sw.status(), StopWatchStatus::Ready);
    EXPECT_TRUE(sw.chapters().isEmpty());
    EXPECT_EQ(sw.distance(50000), 0);
}

namespace {

// The generator's own record of a chapter: each picture's time in the
// chapter and its speed in whole km/h, as the recorder writes them.
struct Recorded {
    std::vector<qint64> keys;
    std::vector<int> speeds;
};

Recorded recorded(const cardgen::WrittenMovie& movie)
{
    Recorded r;
    for (const cardgen::FrameSample& s : movie.samples) {
        if (s.id != 0x55) continue;
        r.keys.push_back(qint64(s.stamp) - qint64(movie.firstStamp));
        r.speeds.push_back(s.speedTenths / 10);
    }
    return r;
}

// Distance over the chapter's milliseconds (from, to], one at a time: each
// millisecond is driven at the speed of the first picture at or after it.
double driven(const Recorded& r, qint64 from, qint64 to)
{
    double sum = 0;
    std::size_t next = 0;
    for (qint64 t = from + 1; t <= to; ++t) {
        while (next < r.keys.size() && r.keys[next] < t) ++next;
        if (next == r.keys.size()) break;
        sum += r.speeds[next];
    }
    return sum;
}

// A trip of two 20-second chapters through the city: stop and go.
class LapStopwatchCityTest : public toolstest::TripFixture {
protected:
    void SetUp() override
    {
        cardgen::TripOptions t;
        t.chapters = 2;
        t.chapterSeconds = 20;
        t.drive.profile = cardgen::SpeedProfile::Urban;
        t.drive.seed = 7;
        t.format.realVideo = false;
        loadTrip(t);
        sw.setChapters(chapters);
        first = recorded(written.trips[0].chapters[0]);
        second = recorded(written.trips[0].chapters[1]);
        secondStart = PictureDataUtil::position(chapters, 1, 0);
    }

    Recorded first;
    Recorded second;
    qint64 secondStart = 0;
    LapStopwatch sw;
};

} // namespace

TEST_F(LapStopwatchCityTest, LapsAverageTheRecordedSpeedsOfTheirOwnStretch)
{
    ASSERT_NE(*std::min_element(first.speeds.begin(), first.speeds.end()),
              *std::max_element(first.speeds.begin(), first.speeds.end()));
    const double firstWhole = driven(first, 0, first.keys.back());

    // The distance at every position, first chapter and second, is the
    // recorded speeds summed up to it.
    for (qint64 p = 0; p < secondStart; p += 37)
        ASSERT_DOUBLE_EQ(sw.distance(p), driven(first, 0, p)) << p;
    for (qint64 p = secondStart; p < secondStart + 20000; p += 41)
        ASSERT_DOUBLE_EQ(sw.distance(p), firstWhole + driven(second, 0, p - secondStart)) << p;

    // Laps of a stop-and-go drive: each average is its own stretch's.
    const auto average = [](double distance, qint64 ms) { return int(std::lround(distance / double(ms))); };
    sw.setCurrentPosition(1234);
    sw.startStop();
    sw.setCurrentPosition(9876);
    sw.lapReset();
    sw.setCurrentPosition(secondStart + 4321);
    sw.lapReset();
    sw.setCurrentPosition(secondStart + 15000);
    sw.startStop();
    ASSERT_EQ(sw.laps().size(), 2u);
    EXPECT_EQ(sw.laps()[0].aveSpeed, average(driven(first, 1234, 9876), 9876 - 1234));
    EXPECT_EQ(sw.laps()[1].aveSpeed,
              average(firstWhole - driven(first, 0, 9876) + driven(second, 0, 4321), secondStart + 4321 - 9876));
    const std::int32_t last = average(driven(second, 4321, 15000), 15000 - 4321);
    EXPECT_EQ(sw.rows(true)[2].speed, QStringLiteral("%1km/h").arg(last));
    EXPECT_NE(sw.laps()[0].aveSpeed, sw.laps()[1].aveSpeed);
}

using LapStopwatchGapTest = toolstest::TripFixture;

TEST_F(LapStopwatchGapTest, AChapterNotLoadedYetIsNotReadAndCountsOnceItIs)
{
    loadTrip(constantTrip(2, 10, 36));
    if (HasFatalFailure()) return;
    // The same card read afresh: nothing of its recordings is loaded, and
    // every read of one would wait.
    const auto fresh = CardData::create();
    fresh->readCardData(dir.filePath("MOVE"));
    const ChapterList unread = fresh->tripList().value(0)->chapterDataList();
    ASSERT_EQ(unread.size(), 2);
    HeldCardReads held;
    LapStopwatch sw;
    sw.setChapters(unread);
    const qint64 second = PictureDataUtil::position(unread, 1, 0);
    EXPECT_EQ(sw.distance(second + 5000), 0);
    EXPECT_EQ(sw.makeLap(1000, second + 5000).aveSpeed, 0);
    EXPECT_EQ(held.reads.load(), 0);
    held.letGo();
    for (const auto& chapter : unread) ASSERT_TRUE(chapter->loadPicture(true)->video);
    EXPECT_DOUBLE_EQ(sw.distance(second + 5000) - sw.distance(second), 36.0 * 5000);
    EXPECT_EQ(sw.makeLap(second + 1000, second + 6000).aveSpeed, 36);
}

TEST_F(LapStopwatchGapTest, AChapterWithoutDataLeavesItsPositionsWithoutDistance)
{
    // Three chapters at a constant 36 km/h; the middle one's records cannot be read.
    cardgen::TripOptions t = constantTrip(3, 10, 36);
    t.damaged = {{1, cardgen::OverlappingRanges, -1}};
    loadTrip(t);
    if (HasFatalFailure()) return;
    LapStopwatch sw;
    sw.setChapters(chapters);
    const qint64 second = PictureDataUtil::position(chapters, 1, 0);
    const qint64 third = PictureDataUtil::position(chapters, 2, 0);
    ASSERT_GT(sw.distance(5000), 0);
    EXPECT_EQ(sw.distance(second + 5000), 0);
    // Past it, the chapter without data counts nothing and the others count whole.
    EXPECT_DOUBLE_EQ(sw.distance(third + 5000) - sw.distance(third), 36.0 * 5000);

    // A lap into or out of the chapter without data shows no speed, never a negative one.
    EXPECT_EQ(sw.makeLap(5000, second + 5000).aveSpeed, 0);
    EXPECT_EQ(sw.makeLap(5000, second + 5000).lapTimeSpan, second);
    EXPECT_EQ(sw.makeLap(second + 5000, third + 5000).aveSpeed, 0);
    EXPECT_EQ(sw.makeLap(third + 1000, third + 6000).aveSpeed, 36);
}

TEST_F(LapStopwatchGapTest, MarksAndLapsKeepTheirPlaceWhenAnEarlierChapterLearnsItsLength)
{
    loadTrip(constantTrip(3, 10, 36));
    if (HasFatalFailure()) return;
    // The middle chapter is still to be read (no index record tells its
    // length) and every read of the card is held: it counts nothing yet.
    ChapterList list = chapters;
    const auto late = std::make_shared<ChapterData>(chapters[1]->_pathMove);
    list[1] = late;
    HeldCardReads held;
    std::thread worker([&late] { late->loadPicture(true); });
    PlayMovieValueInfo info(list, CardData::ActiveType::MovieRec);
    const qint64 first = chapters[0]->knownTimeSpan();
    ASSERT_EQ(info.chapterStart(2), first + 2);
    LapStopwatch sw;
    sw.setChapters(list);
    // START in the first chapter, a lap 3 s into the third, the clock 4 s in;
    // the player holds the running lap's base as the stopwatch gave it.
    sw.setCurrentPosition(5000);
    ASSERT_TRUE(sw.startStop());
    sw.setCurrentPosition(first + 2 + 3000);
    ASSERT_TRUE(sw.lapReset());
    info.setStopwatchStart(sw.lapBaseTime());
    info.setCurrentValue(first + 2 + 4000);
    sw.setCurrentPosition(info.currentValue());

    held.letGo();
    worker.join();
    ASSERT_TRUE(info.followChapterLengths());
    sw.followPositions(info);
    const qint64 third = info.chapterStart(2);
    ASSERT_EQ(third, first + 1 + late->knownTimeSpan() + 1);
    // Every mark stands where the player's own stands, at its place in its chapter.
    EXPECT_EQ(sw.startPosition(), 5000);
    EXPECT_EQ(sw.lapPositions(), QList<qint64>{third + 3000});
    EXPECT_EQ(sw.lapBaseTime(), info._startValueStopwatch.value_or(-1));
    EXPECT_EQ(sw.currentPosition(), third + 4000);
    // The lap over the chapter that arrived takes its length, and its distance.
    EXPECT_EQ(sw.rows(true)[0], (Row{LapStopwatch::timeText(third + 3000 - 5000), "36km/h"}));
    EXPECT_EQ(sw.rows(true)[1].time, "00'01\"0");

    // The next press stops where the clock stands.
    ASSERT_TRUE(sw.startStop());
    EXPECT_EQ(sw.stopPosition(), third + 4000);
    EXPECT_EQ(sw.total(true).time, LapStopwatch::timeText(third + 4000 - 5000));
}
