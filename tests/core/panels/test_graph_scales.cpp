#include "core/panels/GraphScales.h"

#include <gtest/gtest.h>
#include <cmath>

using namespace GraphScales;

namespace {

XGranularity seconds(std::int64_t n)
{
    return {GranularityType::Second, n};
}
XGranularity minutes(std::int64_t n)
{
    return {GranularityType::Minute, n};
}

} // namespace

TEST(GraphScales, TimeTicksKeepAFewLabelsForAnyWindow)
{
    // Every row of the step table, at its first and its last span.
    struct Row {
        std::int64_t first, last;
        XGranularity step;
    };
    const Row rows[] = {
        {0, 10999, seconds(1)},          {11000, 15999, seconds(2)},       {16000, 23999, seconds(3)},
        {24000, 31999, seconds(4)},      {32000, 39999, seconds(5)},       {40000, 79999, seconds(10)},
        {80000, 99999, seconds(15)},     {100000, 129999, seconds(20)},    {130000, 194999, seconds(30)},
        {195000, 259999, seconds(40)},   {260000, 324999, seconds(50)},    {325000, 389999, seconds(60)},
        {390000, 454999, seconds(60)},   {455000, 519999, seconds(80)},    {520000, 599999, seconds(90)},
        {600000, 959999, minutes(2)},    {960000, 2399999, minutes(5)},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(xGranularityForSpan(row.first), row.step) << row.first;
        EXPECT_EQ(xGranularityForSpan(row.last), row.step) << row.last;
    }
    EXPECT_EQ(xGranularityForSpan(-5), seconds(1));
    // From 40 minutes on the steps go on growing instead of falling back to
    // seconds (which gave thousands of labels).
    EXPECT_EQ(xGranularityForSpan(2400000), minutes(10));
    for (std::int64_t span = 2000; span < std::int64_t(40) * 24 * 3600 * 1000; span = span * 5 / 4 + 1) {
        const XMapping axis(0, span, 600.0);
        const qsizetype n = axis.ticks(xGranularityForSpan(span)).size();
        EXPECT_GE(n, 2) << span;
        EXPECT_LE(n, 12) << span;
    }
    // A 420-second window: ticks every minute, 0 .. 420 s.
    const QList<Tick> t = XMapping(0, 420000, 700.0).ticks(xGranularityForSpan(420000));
    ASSERT_EQ(t.size(), 8);
    EXPECT_DOUBLE_EQ(t.front().value, 0.0);
    EXPECT_DOUBLE_EQ(t.back().value, 420.0);
    EXPECT_DOUBLE_EQ(t.back().position, 699.5);
    EXPECT_DOUBLE_EQ(t[1].position, 100.0);
}

TEST(GraphScales, GAndSpeedScalesFollowTheLargestValue)
{
    EXPECT_EQ(gScale(std::nullopt), (Scale{0.1, 0.5, 0.1}));
    EXPECT_EQ(gScale(0.5), (Scale{0.1, 0.5, 0.1}));
    EXPECT_EQ(gScale(0.51), (Scale{0.0, 1.0, 0.25}));
    EXPECT_EQ(gScale(1.5), (Scale{0.0, 1.5, 0.375}));
    EXPECT_EQ(gScale(3.2), (Scale{0.0, 3.5, 0.875}));
    EXPECT_EQ(gScale(-1.0), (Scale{0.1, 0.5, 0.1}));
    EXPECT_EQ(gScale(std::nan("")), (Scale{0.1, 0.5, 0.1}));
    EXPECT_EQ(speedScale(std::nullopt).max, 40.0);
    EXPECT_EQ(speedScale(40).max, 40.0);
    EXPECT_EQ(speedScale(41), (Scale{0.0, 80.0, 20.0}));
    EXPECT_EQ(speedScale(180).max, 200.0);
    EXPECT_EQ(speedScale(201).max, 40.0);
    EXPECT_EQ(speedScale(-3).max, 40.0);

    // Ticks of the lowest G scale, and a scale whose last tick lies above its top.
    const QList<Tick> g = yTicks(gScale(0.2), 100.0);
    ASSERT_EQ(g.size(), 5);
    EXPECT_NEAR(g[2].value, 0.3, 1e-12);
    EXPECT_DOUBLE_EQ(g[1].position, 25.0);
    EXPECT_DOUBLE_EQ(g[4].position, 99.5);
    const QList<Tick> odd = yTicks(Scale{0.0, 100.0, 30.0}, 100.0);
    ASSERT_EQ(odd.size(), 5);
    EXPECT_DOUBLE_EQ(odd.back().value, 120.0);
    EXPECT_TRUE(yTicks(Scale{0.0, 1.0, 0.0}, 100.0).isEmpty());
    // Below the bottom of the scale a value sits on the bottom edge.
    EXPECT_DOUBLE_EQ(yForValue(0.05, gScale(0.2), 100.0), 0.0);

    EXPECT_EQ(gTickText(0.375), QStringLiteral("+0.38"));
    EXPECT_EQ(gTickText(0.1), QStringLiteral("+0.10"));
    EXPECT_EQ(gTickText(std::nan("")), QStringLiteral("+-.--"));
    EXPECT_EQ(xTickText(90.9), QStringLiteral("90"));
}

TEST(GraphScales, PositionsAndValuesMapBothWaysWhenTheAxisDoesNotStartAtZero)
{
    const XMapping axis(1000, 5000, 400.0);
    EXPECT_DOUBLE_EQ(axis.xForValue(3000), 200.0);
    EXPECT_DOUBLE_EQ(axis.xForValue(1000), 0.0);
    EXPECT_DOUBLE_EQ(axis.xForValue(900), 0.0);
    EXPECT_DOUBLE_EQ(axis.xForValue(9000), 399.5);
    EXPECT_EQ(axis.valueForX(200.0), 3000);
    EXPECT_EQ(axis.valueForX(0.0), 1000);
    EXPECT_EQ(axis.valueForX(-30.0), 1000);
    EXPECT_EQ(axis.valueForX(400.0), 5000);
    EXPECT_EQ(axis.valueForX(1e9), 5000);
    // A click on the drawn line gives back the line's value.
    for (std::int64_t v = 1000; v <= 4990; v += 37) EXPECT_EQ(axis.valueForX(axis.xForValue(v)), v) << v;

    // Empty axes: nothing divides by zero.
    for (const XMapping& empty : {XMapping(700, 700, 400.0), XMapping(0, 1000, 0.0), XMapping()}) {
        EXPECT_TRUE(empty.isEmpty());
        EXPECT_EQ(empty.valueForX(123.0), empty.minX());
        EXPECT_DOUBLE_EQ(empty.xForValue(empty.minX() + 10), 0.0);
        const QList<Tick> ticks = empty.ticks(seconds(1));
        ASSERT_EQ(ticks.size(), 1);
        EXPECT_TRUE(std::isfinite(ticks[0].position));
    }
}

TEST(GraphScales, SeriesAreDrawnPerPixelColumnInColouredStretches)
{
    // Half an hour of points at 28 per second over 600 columns.
    std::vector<SeriesPoint> points;
    const std::int64_t span = 30 * 60 * 1000;
    for (std::int64_t i = 0; i < 50400; ++i) {
        const std::int64_t x = i * span / 50399;
        const double y = 50.0 + 40.0 * std::sin(double(i) * 0.37);
        points.push_back({x, y, int((i / 5000) % 2)});
    }
    const XMapping axis(0, span, 600.0);
    const Scale scale{0.0, 100.0, 25.0};
    const std::vector<ColoredRun> runs = seriesRuns(points, axis, scale, 100.0);
    ASSERT_EQ(runs.size(), 11u);
    qsizetype drawn = 0;
    for (size_t r = 0; r < runs.size(); ++r) {
        EXPECT_EQ(runs[r].color, int(r % 2));
        drawn += runs[r].points.size();
        // Each stretch starts where the one before it ended.
        if (r > 0) {
            EXPECT_EQ(runs[r].points.front(), runs[r - 1].points.back());
        }
    }
    EXPECT_LE(drawn, 4 * 600 + 5 * qsizetype(runs.size()));
    // The extremes survive the reduction.
    double low = 1e9, high = -1e9;
    for (const ColoredRun& run : runs)
        for (const QPointF& p : run.points) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    EXPECT_NEAR(low, 10.0, 0.01);
    EXPECT_NEAR(high, 90.0, 0.01);

    // A short series keeps every point; one colour is one stretch.
    const std::vector<SeriesPoint> few{{0, 10, 0}, {500, 20, 0}, {1000, 30, 0}};
    const auto one = seriesRuns(few, XMapping(0, 1000, 100.0), scale, 100.0);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].points, (QList<QPointF>{{0, 10}, {50, 20}, {99.5, 30}}));
}

TEST(GraphScales, TheEventLabelStaysInsideTheView)
{
    // Clear of the start label, the end label winning.
    EXPECT_DOUBLE_EQ(eventLabelX(300, 60, QRectF(0, 0, 50, 12), QRectF(500, 0, 50, 12), 600), 270.0);
    EXPECT_DOUBLE_EQ(eventLabelX(20, 60, QRectF(0, 0, 50, 12), QRectF(500, 0, 50, 12), 600), 55.0);
    EXPECT_DOUBLE_EQ(eventLabelX(540, 60, QRectF(0, 0, 50, 12), QRectF(500, 0, 50, 12), 600), 435.0);
    // Without an end label it is not pushed off the left edge.
    EXPECT_DOUBLE_EQ(eventLabelX(300, 60, std::nullopt, std::nullopt, 600), 270.0);
    EXPECT_DOUBLE_EQ(eventLabelX(590, 60, std::nullopt, std::nullopt, 600), 540.0);
    // Without a start label it still starts 5 in from the left edge.
    EXPECT_DOUBLE_EQ(eventLabelX(5, 60, std::nullopt, std::nullopt, 600), 5.0);
    EXPECT_DOUBLE_EQ(eventLabelX(5, 60, std::nullopt, QRectF(500, 0, 50, 12), 600), 5.0);
}
