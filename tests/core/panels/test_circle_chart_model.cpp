#include "core/panels/CircleChartModel.h"
#include "panels/PanelTestData.h"

#include <gtest/gtest.h>
#include <tuple>

using paneltest::FrameValues;
using CommonConst::PlayStatus;
using Scope = CircleChartModel::GScopeType;

namespace {

// gX grows with the time (one g per 100 s), gY is a fixed 0.2 g.
std::shared_ptr<ChapterData> chapter(qint64 ms, int n)
{
    return paneltest::chapterOf(
        paneltest::recording(ms, 35, [](qint64 t) { return FrameValues{40, double(t) / 100000.0, 0.2}; }), n);
}

const CircleChartModel::Geometry square{150.0, 150.0};

// Every point of the trail once (bands share their joints).
QList<QPointF> trailPoints(const CircleChartModel::Drawing& d)
{
    QList<QPointF> out;
    for (const auto& band : d.bands)
        for (qsizetype i = out.isEmpty() ? 0 : 1; i < band.points.size(); ++i) out.append(band.points[i]);
    return out;
}

} // namespace

TEST(CircleChartModel, FullScaleSpansTwoThirdsAndFartherGIsPulledOntoTheCircle)
{
    CircleChartModel model;
    model.setScope(Scope::g10);
    EXPECT_EQ(model.pointForG(0.6, 0.8, square), QPointF(105.0, 35.0));
    EXPECT_EQ(model.pointForG(1.2, 1.6, square), QPointF(105.0, 35.0));
    model.setScope(Scope::g05);
    EXPECT_EQ(model.pointForG(0.25, 0.0, square), QPointF(100.0, 75.0));

    // The scale button's cycle and the stored index.
    Scope s = Scope::g05;
    QList<double> seen;
    for (int i = 0; i < 6; ++i) {
        seen.append(CircleChartModel::fullScale(s));
        s = CircleChartModel::nextScope(s);
    }
    EXPECT_EQ(seen, (QList<double>{0.5, 1.0, 1.5, 2.0, 2.5, 3.0}));
    EXPECT_EQ(s, Scope::g05);
    EXPECT_EQ(CircleChartModel::scopeFromIndex(3), Scope::g20);
    EXPECT_EQ(CircleChartModel::scopeFromIndex(9), Scope::g05);
}

TEST(CircleChartModel, APlayingTrailFadesOverTenSecondsAndStaysInItsChapter)
{
    CircleChartModel model;
    model.reset({chapter(60000, 1), chapter(30000, 2)});
    // 3 s into the second chapter: only its own 3 s.
    model.update(60001 + 3000, PlayStatus::Play);
    EXPECT_EQ(model.currentIndex(), 1);
    EXPECT_EQ(model.minValue(), 60001);
    CircleChartModel::Drawing d = model.drawing(square);
    ASSERT_TRUE(d.dot.has_value());
    QList<QPointF> points = trailPoints(d);
    EXPECT_EQ(points.size(), 100 + 1);
    EXPECT_EQ(points.last(), *d.dot);
    // The oldest point (3000 ms) has the colour of the -2500 row; the newest band is orange.
    EXPECT_EQ(CircleChartModel::colorTable()[size_t(d.bands.front().colorIndex)].key, -2500);
    EXPECT_EQ(d.bands.back().colorIndex, 20);
    for (size_t i = 1; i < d.bands.size(); ++i) {
        EXPECT_EQ(d.bands[i].points.front(), d.bands[i - 1].points.back());
        EXPECT_GT(d.bands[i].colorIndex, d.bands[i - 1].colorIndex);
    }

    // Deep in the first chapter: ten seconds, the oldest band of the -9160 row.
    model.update(30000, PlayStatus::Play);
    EXPECT_EQ(model.currentIndex(), 0);
    d = model.drawing(square);
    EXPECT_EQ(trailPoints(d).size(), 333 + 1);
    EXPECT_EQ(d.bands.front().colorIndex, 1);

    // The fade, by age in ms: orange now, darker every step back, and the
    // oldest row only bounding the oldest band.
    const int fade[21][4] = {
        {-10000, 0, 0, 0},     {-9160, 61, 56, 96},   {-8330, 71, 62, 91},   {-7500, 81, 68, 86},
        {-6660, 91, 73, 81},   {-5830, 102, 79, 76},  {-5000, 112, 85, 71},  {-4160, 122, 90, 66},
        {-3330, 132, 96, 61},  {-2500, 142, 102, 56}, {-1660, 153, 108, 51}, {-1500, 163, 113, 45},
        {-1330, 173, 119, 40}, {-1160, 183, 125, 35}, {-1000, 193, 130, 30}, {-830, 204, 136, 25},
        {-660, 214, 142, 20},  {-500, 224, 147, 15},  {-330, 234, 153, 10},  {-160, 244, 159, 5},
        {0, 255, 165, 0},
    };
    const auto& table = CircleChartModel::colorTable();
    for (size_t row = 0; row < 21; ++row) {
        EXPECT_EQ(table[row].key, fade[row][0]) << row;
        EXPECT_EQ(std::make_tuple(table[row].red, table[row].green, table[row].blue),
                  std::make_tuple(fade[row][1], fade[row][2], fade[row][3]))
            << row;
    }
    // Paused: the chapter up to the position, orange; stopped: all of it.
    model.update(30000, PlayStatus::Pause);
    d = model.drawing(square);
    ASSERT_EQ(d.bands.size(), 1u);
    EXPECT_EQ(d.bands[0].colorIndex, 20);
    EXPECT_EQ(d.bands[0].points.size(), 1000 + 1);
    model.update(30000, PlayStatus::Stop);
    EXPECT_EQ(model.drawing(square).bands[0].points.size(), 2000 + 1);
    // Not ready: the dot alone.
    model.update(30000, PlayStatus::NotReady);
    d = model.drawing(square);
    EXPECT_TRUE(d.bands.empty());
    EXPECT_TRUE(d.dot.has_value());
}

TEST(CircleChartModel, LongWindowsKeepABoundedCacheAndThinTheirStillTrails)
{
    CircleChartModel model;
    model.reset({chapter(5399 * 30, 1)});
    model.update(0, PlayStatus::Stop);
    EXPECT_EQ(model.cachedPointCount(), 5399u);
    EXPECT_EQ(model.drawing(square).bands[0].points.size(), 5399 + 1);

    model.reset({chapter(5400 * 30, 1)});
    model.update(0, PlayStatus::Stop);
    EXPECT_EQ(model.cachedPointCount(), 5400u);
    // The first point, one of every complete group of 30, the dot.
    EXPECT_EQ(model.drawing(square).bands[0].points.size(), 1 + 179 + 1);

    // A chapter whose stamps claim 3 h (a recorder clock that jumped): the
    // cached points grow apart rather than many.
    const auto jumped = paneltest::recording(10000, 35, [](qint64) { return FrameValues{40, 0.1, 0.2}; });
    jumped->_timeSpan = 3 * 3600 * 1000;
    model.reset({paneltest::chapterOf(jumped, 2)});
    model.update(0, PlayStatus::Stop);
    EXPECT_EQ(model.maxValue(), 3 * 3600 * 1000);
    EXPECT_LE(model.cachedPointCount(), 120000u);
    EXPECT_GE(model.cachedPointCount(), 119000u);
}

TEST(CircleChartModel, PointsFollowTheViewsCurrentSize)
{
    CircleChartModel model;
    model.reset({chapter(60000, 1)});
    model.update(20000, PlayStatus::Pause);
    const CircleChartModel::Drawing small = model.drawing(square);
    const CircleChartModel::Geometry wide{300.0, 150.0};
    const CircleChartModel::Drawing large = model.drawing(wide);
    // The same G values, placed in the new size (nothing kept from the old one).
    ASSERT_EQ(small.bands[0].points.size(), large.bands[0].points.size());
    EXPECT_EQ(large.bands[0].points[10], model.pointForG(280.0 / 100000.0, 0.2, wide));
    EXPECT_NE(large.bands[0].points[10], small.bands[0].points[10]);
    EXPECT_EQ(*large.dot, model.pointForG(19985.0 / 100000.0, 0.2, wide));
}

TEST(CircleChartModel, AnEventWindowFillsInWhenItsChapterArrives)
{
    const auto loaded = chapter(60000, 1);
    const auto pending = paneltest::emptyChapter(2);
    ChapterWindow window;
    window.chapters = ChapterList{loaded, pending};
    window.eventValue = 58000;
    window.minValue = 46000;
    window.maxValue = 66000;
    CircleChartModel model;
    model.setChapterData(false, window);
    model.update(65000, PlayStatus::Stop);
    const qsizetype before = trailPoints(model.drawing(square)).size();
    EXPECT_EQ(before, 467); // 46000 .. 59980, no dot: no frame at 65000 yet
    EXPECT_EQ(pending->retryCntPictureData(), 0);

    EXPECT_FALSE(model.chapterDidLoad(chapter(1000, 3)));
    pending->storePicture(std::make_shared<PictureData>(
        paneltest::recording(20000, 35, [](qint64) { return FrameValues{0, 0.1, 0.1}; })));
    EXPECT_TRUE(model.chapterDidLoad(pending));
    const CircleChartModel::Drawing d = model.drawing(square);
    EXPECT_TRUE(d.dot.has_value());
    EXPECT_EQ(trailPoints(d).size(), 667 + 1);
}
