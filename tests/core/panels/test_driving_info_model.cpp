#include "core/panels/CircleChartModel.h"
#include "core/panels/DrivingInfoModel.h"
#include "core/panels/LoadedFrames.h"
#include "core/player/PlayMovieValueInfo.h"
#include "core/recording/PictureDataUtil.h"
#include "panels/PanelTestData.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>

using paneltest::FrameValues;
using CommonConst::PlayType;

namespace {

// 60 s at one frame per 35 ms: speed in whole km/h = seconds, G 0.5, no
// GPS fix from 10 s to 12 s.
std::shared_ptr<ChapterData> firstChapter()
{
    return paneltest::chapterOf(paneltest::recording(60000, 35, [](qint64 t) {
        return FrameValues{std::int32_t(t / 1000), 0.3, 0.4, !(t >= 10000 && t < 12000)};
    }));
}

std::shared_ptr<ChapterData> steadyChapter(qint64 ms, std::int32_t speed, int n)
{
    return paneltest::chapterOf(paneltest::recording(ms, 35, [speed](qint64) { return FrameValues{speed}; }), n);
}

QString stamp(const QDateTime& t)
{
    return QString::number(t.toMSecsSinceEpoch());
}

} // namespace

TEST(DrivingInfoModel, ATripsWindowIsTheChapterUnderThePositionSampledEvery30ms)
{
    const auto first = firstChapter();
    const auto second = steadyChapter(30000, 100, 2);
    DrivingInfoModel model;
    model.setTimeText(stamp);
    model.setChapterList({first, second});

    EXPECT_EQ(model.playType(), PlayType::Movie);
    EXPECT_EQ(model.minValue(), 0);
    EXPECT_EQ(model.maxValue(), 60000);
    EXPECT_EQ(model.currentIndex(), 0);
    ASSERT_EQ(model.samples().size(), 2001u);
    // Offset 10020 shows the frame at or before it (10010 ms): 10 km/h, G 0.5, no fix.
    const DrivingInfoModel::Sample s = model.samples()[334];
    EXPECT_EQ(s.offset, 10020);
    EXPECT_EQ(s.speed, 10);
    EXPECT_DOUBLE_EQ(s.g, 0.5);
    EXPECT_FALSE(s.gpsOn);
    EXPECT_TRUE(model.samples()[450].gpsOn);
    EXPECT_EQ(model.samples().back().speed, 59);
    // Labels: the times of the frames at the window's ends; trips have no event.
    const auto video = LoadedFrames::loadedVideo(first);
    EXPECT_EQ(model.minLabel().text, stamp(video->frameAt(0, 0)->time()));
    EXPECT_EQ(model.maxLabel().offset, 60000);
    EXPECT_EQ(model.maxLabel().text, stamp(video->frameAt(0, 60000)->time()));
    EXPECT_EQ(model.accidentLabel().offset, -1);

    // Positions inside the window only move the selection.
    const quint64 generation = model.generation();
    EXPECT_FALSE(model.setValue(30000));
    EXPECT_EQ(model.chartValue(), 30000);
    EXPECT_EQ(model.generation(), generation);
    // The next chapter: the window follows it.
    EXPECT_TRUE(model.setValue(60001 + 500));
    EXPECT_EQ(model.minValue(), 60001);
    EXPECT_EQ(model.maxValue(), 90001);
    EXPECT_EQ(model.currentIndex(), 1);
    EXPECT_EQ(model.chartValue(), 500);
    EXPECT_EQ(model.samples().front().speed, 100);
    // Past the end of the list: no rebuild, however often it is asked.
    const quint64 afterMove = model.generation();
    for (int i = 0; i < 30; ++i) EXPECT_FALSE(model.setValue(95000 + i));
    EXPECT_EQ(model.generation(), afterMove);

    // MPH is floored before it is capped.
    model.setSpeedKmh(false);
    model.rebuild();
    EXPECT_EQ(model.samples().front().speed, 62);

    // An empty list empties the chart and keeps the window.
    model.setChapterList({});
    EXPECT_TRUE(model.samples().empty());
    EXPECT_EQ(model.chartSpan(), 0);
    EXPECT_EQ(model.minValue(), 60001);
    EXPECT_EQ(model.maxValue(), 90001);
    EXPECT_FALSE(model.largestG().has_value());
}

TEST(DrivingInfoModel, LongWindowsAreSampledEvery300msAndDamagedFramesChartNothing)
{
    DrivingInfoModel model;
    model.setChapterList({steadyChapter(200000, 50, 1)});
    EXPECT_EQ(model.samples().size(), 667u);
    EXPECT_EQ(model.samples()[1].offset, 300);
    EXPECT_EQ(model.largestSpeed(), 50);

    // A chapter whose stamps claim 3 h (a recorder clock that jumped): the
    // samples grow apart rather than many.
    const auto jumped = paneltest::recording(10000, 35, [](qint64) { return FrameValues{50}; });
    jumped->_timeSpan = 3 * 3600 * 1000;
    model.setChapterList({paneltest::chapterOf(jumped, 2)});
    EXPECT_EQ(model.span(), 3 * 3600 * 1000);
    EXPECT_LE(model.samples().size(), 24001u);
    EXPECT_GE(model.samples().size(), 24000u);

    // A time that did not decode gives no label; a G that is no number is none.
    const auto damaged = paneltest::recording(1000, 35, [](qint64 t) {
        const double gx = t == 0 ? std::nan("") : t == 35 ? std::numeric_limits<double>::infinity() : 0.3;
        return FrameValues{10, gx, 0.4, true, t != 0};
    });
    model.setTimeText(stamp);
    model.setChapterList({paneltest::chapterOf(damaged, 3)});
    EXPECT_TRUE(model.minLabel().text.isEmpty());
    EXPECT_FALSE(model.maxLabel().text.isEmpty());
    ASSERT_GT(model.samples().size(), 3u);
    EXPECT_EQ(model.samples()[0].g, 0.0);
    EXPECT_EQ(model.samples()[2].g, 0.0); // the frame at 35 ms
    EXPECT_DOUBLE_EQ(model.samples()[3].g, 0.5);
    EXPECT_DOUBLE_EQ(*model.largestG(), 0.5);
}

TEST(DrivingInfoModel, AChapterIsShownOnlyOnceItsRecordingWasLoadedElsewhere)
{
    const auto first = firstChapter();
    const auto pending = paneltest::emptyChapter(2);
    ChapterWindow window;
    window.chapters = ChapterList{first, pending};
    window.eventValue = 50000;
    window.minValue = 40000;
    window.maxValue = 70000;
    DrivingInfoModel model;
    model.setTimeText(stamp);
    model.setAccident(false, window);

    EXPECT_EQ(model.playType(), PlayType::Event);
    EXPECT_EQ(model.chartValue(), 0);
    // Only the loaded chapter's part; the other one was not read here.
    ASSERT_FALSE(model.samples().empty());
    EXPECT_EQ(model.samples().back().offset, 19980);
    EXPECT_EQ(pending->retryCntPictureData(), 0);
    EXPECT_FALSE(pending->hasPicture());
    EXPECT_EQ(model.accidentLabel().offset, 10000);
    EXPECT_FALSE(model.accidentLabel().text.isEmpty());
    EXPECT_TRUE(model.maxLabel().text.isEmpty());

    // Another chapter's news changes nothing; this one's fills the window.
    EXPECT_FALSE(model.chapterDidLoad(steadyChapter(1000, 1, 3)));
    pending->storePicture(std::make_shared<PictureData>(
        paneltest::recording(20000, 35, [](qint64) { return FrameValues{77}; })));
    EXPECT_TRUE(model.chapterDidLoad(pending));
    EXPECT_EQ(model.samples().back().offset, 30000);
    EXPECT_EQ(model.samples().back().speed, 77);
    EXPECT_FALSE(model.maxLabel().text.isEmpty());

    // An event's window stays whatever the position.
    EXPECT_FALSE(model.setValue(0));
    EXPECT_FALSE(model.setValue(69000));
    EXPECT_EQ(model.minValue(), 40000);

    // An event whose moment has no frame yet: neither label nor line.
    ChapterWindow unplaced = window;
    const auto waiting = paneltest::emptyChapter(4);
    unplaced.chapters = ChapterList{first, waiting};
    unplaced.eventValue = 65000;
    model.setAccident(false, unplaced);
    EXPECT_EQ(model.accidentLabel().offset, -1);
    EXPECT_TRUE(model.accidentLabel().text.isEmpty());

    // Surveillance: no event label. A record without chapters: the empty window.
    model.setAccident(true, window);
    EXPECT_EQ(model.playType(), PlayType::Surveillance);
    EXPECT_EQ(model.accidentLabel().offset, -1);
    model.setAccident(false, ChapterWindow{});
    EXPECT_EQ(model.minValue(), 0);
    EXPECT_EQ(model.maxValue(), 1);
    EXPECT_EQ(model.accidentValue(), -1);
    EXPECT_TRUE(model.samples().empty());
}

TEST(DrivingInfoModel, WalkingAPlayListFindsWhatALookupFinds)
{
    // Frames 35 ms apart in one chapter, 40 ms in the next.
    const auto a = paneltest::chapterOf(paneltest::recording(5000, 35, [](qint64 t) { return FrameValues{int(t)}; }), 1);
    const auto b = paneltest::chapterOf(paneltest::recording(3000, 40, [](qint64 t) { return FrameValues{int(t)}; }), 2);
    const ChapterList list{a, b};
    LoadedFrames frames(list);
    for (std::int32_t p = -20; p < 9000; p += 7) {
        const VideoFramePtr walked = frames.frameAt(p);
        EXPECT_EQ(walked, PictureDataUtil::videoFrame(list, p)) << p;
    }
    // Going back is looked up, not walked.
    FrameCursor cursor(LoadedFrames::loadedVideo(a), 0);
    const auto video = LoadedFrames::loadedVideo(a);
    for (qint64 offset : {qint64(4000), qint64(100), qint64(-5), qint64(99999), qint64(36)})
        EXPECT_EQ(cursor.frameAt(offset), video->frameAt(0, offset, true)) << offset;
}

TEST(DrivingInfoModel, NoPositionWaitsOnARecordingThatWasNotLoaded)
{
    // A chapter whose length only its recording can tell, on a card that
    // hangs when it is read, between two loaded ones.
    paneltest::BlockingMovie movie;
    ASSERT_TRUE(movie.made());
    const auto hanging = std::make_shared<ChapterData>(movie.url());
    const ChapterList trip{steadyChapter(30000, 50, 1), hanging, steadyChapter(30000, 80, 3)};

    QElapsedTimer clock;
    clock.start();
    DrivingInfoModel chart;
    chart.setChapterList(trip);
    CircleChartModel circle;
    circle.reset(trip);
    PlayMovieValueInfo list(trip, CardData::ActiveType::MovieRec);
    for (std::int32_t p = 0; p < 75000; p += 1500) {
        chart.setValue(p);
        circle.update(p, CommonConst::PlayStatus::Play);
        circle.drawing({150.0, 150.0});
        list.setCurrentValue(p);
        list.currentChapter();
    }
    EXPECT_FALSE(movie.released());
    EXPECT_EQ(hanging->retryCntPictureData(), 0);
    EXPECT_LT(clock.elapsed(), 1000);
    // Until it is loaded the chapter counts no time: the list runs on into the last one.
    EXPECT_EQ(list._maxValue, 30000 + 1 + 0 + 1 + 30000);
    EXPECT_EQ(chart.currentIndex(), 2);
    EXPECT_EQ(chart.samples().back().speed, 80);
}
