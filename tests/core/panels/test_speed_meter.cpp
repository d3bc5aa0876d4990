#include "core/panels/SpeedMeterModel.h"
#include "core/panels/SpeedRunTable.h"
#include "core/panels/SpeedUnit.h"
#include "panels/PanelTestData.h"

#include <gtest/gtest.h>
#include <cmath>

namespace {

using Frame = SpeedMeterModel::Frame;

SpeedReadout readout(int hundreds, int tens, int ones)
{
    return SpeedReadout{{std::int8_t(hundreds), std::int8_t(tens), std::int8_t(ones)}};
}
constexpr int B = SpeedReadout::BLANK;

double degrees(double radians)
{
    return radians * 180.0 / std::numbers::pi;
}

} // namespace

TEST(SpeedMeter, DisplayedSpeedIsCappedPerUnitAndNeverNegative)
{
    EXPECT_EQ(SpeedUnit::displaySpeed(180, true), 180);
    EXPECT_EQ(SpeedUnit::displaySpeed(181, true), 180);
    EXPECT_EQ(SpeedUnit::displaySpeed(178, false), 110);
    EXPECT_EQ(SpeedUnit::displaySpeed(177, false), 109);
    EXPECT_EQ(SpeedUnit::displaySpeed(200, false), 110);
    EXPECT_EQ(SpeedUnit::displaySpeed(100, false), 62);
    EXPECT_EQ(SpeedUnit::displaySpeed(1, false), 0);
    // A damaged record's negative speed reads as 0, never as a negative digit.
    EXPECT_EQ(SpeedUnit::displaySpeed(-7, true), 0);
    EXPECT_EQ(SpeedUnit::displaySpeed(-7, false), 0);
    SpeedMeterModel meter;
    meter.isSpeedType = SpeedMeterType::KMH;
    const SpeedMeterStep step = meter.setSpeed(Frame{-40, true, 0}, false, {});
    ASSERT_EQ(step.readouts.size(), 1u);
    EXPECT_EQ(step.readouts[0], readout(B, B, 0));
    EXPECT_DOUBLE_EQ(step.needleTo, SpeedMeterModel::INI_NEEDLE_VAL);
}

TEST(SpeedMeter, NeedleSweepsClockwiseOnePointTwoDegreesPerKmh)
{
    EXPECT_NEAR(degrees(SpeedMeterModel::needleAngle(0, SpeedMeterType::KMH)), 108.0, 1e-9);
    EXPECT_NEAR(degrees(SpeedMeterModel::needleAngle(90, SpeedMeterType::KMH)), 0.0, 1e-9);
    EXPECT_NEAR(degrees(SpeedMeterModel::needleAngle(180, SpeedMeterType::KMH)), -108.0, 1e-9);
    EXPECT_NEAR(degrees(SpeedMeterModel::needleAngle(110, SpeedMeterType::MPH)), -104.43, 0.01);
}

TEST(SpeedMeter, ReadoutsWalkEveryWholeValueWithBlankLeadingPositions)
{
    EXPECT_EQ(SpeedMeterModel::readoutOf(5), readout(B, B, 5));
    EXPECT_EQ(SpeedMeterModel::readoutOf(42), readout(B, 4, 2));
    EXPECT_EQ(SpeedMeterModel::readoutOf(105), readout(1, 0, 5));
    EXPECT_EQ(SpeedMeterModel::readouts(98, 101),
              (std::vector<SpeedReadout>{readout(B, 9, 8), readout(B, 9, 9), readout(1, 0, 0), readout(1, 0, 1)}));
    EXPECT_EQ(SpeedMeterModel::readouts(12, 9),
              (std::vector<SpeedReadout>{readout(B, 1, 2), readout(B, 1, 1), readout(B, 1, 0), readout(B, B, 9)}));
    EXPECT_EQ(SpeedMeterModel::readouts(3, 3).size(), 1u);
    // Out-of-range values stay within the digit pictures.
    for (const SpeedReadout& r : SpeedMeterModel::readouts(-5, 2))
        for (std::int8_t d : r.digits) EXPECT_TRUE(d == B || (d >= 0 && d <= 9));
}

TEST(SpeedMeter, PlayingChangesAreTimedByTheTableOfTheCallItself)
{
    SpeedMeterModel meter;
    meter.isSpeedType = SpeedMeterType::KMH;
    const SpeedMeterModel::DurationTable table{{1000, 2.5}, {2000, 0.4}};
    meter.setSpeed(Frame{98, true, 500}, false, table);

    // The very first animated change already finds its frame in this table.
    SpeedMeterStep step = meter.setSpeed(Frame{101, true, 1000}, true, table);
    EXPECT_DOUBLE_EQ(step.needleSeconds, 1.0); // 2.5 s is held to one second
    EXPECT_DOUBLE_EQ(step.needleFrom, SpeedMeterModel::needleAngle(98, SpeedMeterType::KMH));
    EXPECT_DOUBLE_EQ(step.needleTo, SpeedMeterModel::needleAngle(101, SpeedMeterType::KMH));
    EXPECT_EQ(step.readouts, SpeedMeterModel::readouts(98, 101));
    EXPECT_DOUBLE_EQ(step.readoutSeconds, 1.0);

    // The same speed again: the needle goes on as it was and the readout is left alone.
    step = meter.setSpeed(Frame{101, true, 2000}, true, table);
    EXPECT_FALSE(step.needleMoves);
    EXPECT_TRUE(step.readouts.empty());

    // A frame the table lacks: the needle jumps there (replacing the run
    // under way) and the readout keeps what it shows.
    step = meter.setSpeed(Frame{60, true, 7777}, true, table);
    EXPECT_TRUE(step.needleMoves);
    EXPECT_DOUBLE_EQ(step.needleSeconds, 0.0);
    EXPECT_DOUBLE_EQ(step.needleTo, SpeedMeterModel::needleAngle(60, SpeedMeterType::KMH));
    EXPECT_TRUE(step.readouts.empty());
    // Paused at the same speed: the needle is sent there again, at once.
    step = meter.setSpeed(Frame{60, true, 7777}, false, table);
    EXPECT_TRUE(step.needleMoves);
    EXPECT_DOUBLE_EQ(step.needleFrom, step.needleTo);
    EXPECT_DOUBLE_EQ(step.needleSeconds, 0.0);
    EXPECT_EQ(step.readouts, std::vector<SpeedReadout>{readout(B, 6, 0)});

    // The fix is lost: the needle still follows the speed, the readout shows a hyphen.
    step = meter.setSpeed(Frame{70, false, 2000}, true, table);
    EXPECT_FALSE(step.gpsOn);
    EXPECT_DOUBLE_EQ(step.needleTo, SpeedMeterModel::needleAngle(70, SpeedMeterType::KMH));
    EXPECT_EQ(step.readouts, std::vector<SpeedReadout>{SpeedMeterModel::noFixReadout()});
    // ...and comes back at the same speed: the readout shows it at once.
    step = meter.setSpeed(Frame{70, true, 2000}, true, table);
    EXPECT_EQ(step.readouts, std::vector<SpeedReadout>{readout(B, 7, 0)});

    // Reset: no fix, the needle at the zero angle at once.
    step = meter.resetSpeed();
    EXPECT_FALSE(step.gpsOn);
    EXPECT_DOUBLE_EQ(step.needleTo, SpeedMeterModel::INI_NEEDLE_VAL);
    EXPECT_DOUBLE_EQ(step.needleSeconds, 0.0);
    EXPECT_EQ(step.readouts, std::vector<SpeedReadout>{SpeedMeterModel::noFixReadout()});
    EXPECT_EQ(meter.realSpeed(), 0.0);
}

TEST(SpeedMeter, MphMeterConvertsBeforeItCapsAndPlacesTheNeedleOnTheKmhDial)
{
    SpeedMeterModel meter; // MPH until the owner says otherwise
    const SpeedMeterStep step = meter.setSpeed(Frame{200, true, 0}, false, {});
    EXPECT_EQ(meter.realSpeed(), 110.0);
    EXPECT_EQ(step.readouts, std::vector<SpeedReadout>{readout(1, 1, 0)});
    EXPECT_NEAR(degrees(step.needleTo), -104.43, 0.01);
}

TEST(SpeedRunTable, RunsOfEqualSpeedCountDownToTheNextChange)
{
    // Constant speed: one run from the first stamp; later stamps count down.
    auto constant = paneltest::recording(1000, 100, [](qint64) { return paneltest::FrameValues{50}; });
    auto table = SpeedRunTable::build(constant);
    EXPECT_NEAR(table.value(0), 1.0, 1e-9);
    EXPECT_NEAR(table.value(300), 0.7, 1e-9);
    EXPECT_NEAR(table.value(1000), 0.0, 1e-9);

    // 40 km/h for 0..400, then 60 from 500: the second run is stored with
    // its length from the end of the first.
    auto change = paneltest::recording(900, 100, [](qint64 t) { return paneltest::FrameValues{t < 500 ? 40 : 60}; });
    table = SpeedRunTable::build(change);
    EXPECT_NEAR(table.value(0), 0.4, 1e-9);
    EXPECT_NEAR(table.value(200), 0.2, 1e-9);
    EXPECT_NEAR(table.value(500), 0.5, 1e-9);
    EXPECT_NEAR(table.value(800), 0.2, 1e-9);
    EXPECT_EQ(table.size(), 10);
}
