#include "TripFixture.h"
#include "core/tools/LapStopwatch.h"

namespace {

using Row = LapStopwatch::Row;
using Buttons = LapStopwatch::Buttons;

// A trip of two one-minute chapters driven at a constant 60 km/h.
class LapStopwatchTest : public toolstest::TripFixture {
protected:
    void SetUp() override
    {
        cardgen::TripOptions t;
        t.chapters = 2;
        t.chapterSeconds = 60;
        t.drive.profile = cardgen::SpeedProfile::Constant;
        t.drive.cruiseKmh = 60;
        t.format.realVideo = false;
        loadTrip(t);
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
