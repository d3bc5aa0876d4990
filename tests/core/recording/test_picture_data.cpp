#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"

#include <gtest/gtest.h>

namespace {

struct Sample {
    std::uint32_t ts;
    std::int32_t speed = 0;
    std::int32_t lon = 0;
    std::int32_t lat = 0;
    bool gps = true;
};

// A read recording whose table 0 holds the samples (keys = stamps - first).
std::shared_ptr<VideoInfo> recording(std::initializer_list<Sample> samples, qint64 detectPosition, quint64 span)
{
    auto info = std::make_shared<VideoInfo>();
    FrameList frames;
    for (const Sample& s : samples) {
        auto f = std::make_shared<VideoFrame>();
        f->_timeStamp = s.ts;
        f->speed = s.speed;
        f->_longitude = s.lon;
        f->_latitude = s.lat;
        f->gps = s.gps;
        frames.push_back(f);
    }
    std::int32_t lon = -1, lat = -1;
    info->_cameraFrames[0] = VideoInfo::buildFrameDictionary(frames, samples.begin()->ts, 0, lon, lat);
    info->_playback.detectPosition = detectPosition;
    info->_timeSpan = span;
    info->completeTables();
    return info;
}

std::shared_ptr<ChapterData> chapterOfLength(quint64 span)
{
    auto info = std::make_shared<VideoInfo>();
    info->_timeSpan = span;
    info->completeTables();
    auto chapter = std::make_shared<ChapterData>(QUrl::fromLocalFile(QStringLiteral("/nonexistent/x.MP4")));
    chapter->storePicture(std::make_shared<PictureData>(info));
    return chapter;
}

} // namespace

TEST(PictureDistances, TwoFramesAHundredMillisecondsApartAt36KmhAddOneMetre)
{
    const auto info = recording({{1000, 36}, {1100, 36}}, 0, 100);
    const PictureData pd(info);
    EXPECT_DOUBLE_EQ(pd.video->getCameraFrames(0).at(100)->ex.distance, 1.0);
    EXPECT_DOUBLE_EQ(pd.video->getCameraFrames(0).at(0)->ex.distance, 0.0);
}

TEST(PictureDistances, EqualStampsAddNothing)
{
    auto info = std::make_shared<VideoInfo>();
    FrameList frames;
    for (std::uint32_t ts : {1000u, 1100u, 1100u}) {
        auto f = std::make_shared<VideoFrame>();
        f->_timeStamp = ts;
        f->speed = 36;
        frames.push_back(f);
    }
    // the second and third frame share a key: only one is filed, so check the pass on a
    // table whose neighbouring frames have the same stamp under different keys
    frames[2]->_timeStamp = 1100;
    std::int32_t lon = -1, lat = -1;
    info->_cameraFrames[0] = VideoInfo::buildFrameDictionary(frames, 1000, 0, lon, lat);
    info->_cameraFrames[0][200] = frames[2]; // same stamp as the frame under 100
    info->_timeSpan = 200;
    info->completeTables();
    const PictureData pd(info);
    const FrameTable& t = pd.video->getCameraFrames(0);
    EXPECT_DOUBLE_EQ(t.at(200)->ex.distance, 0.0); // frames[2]
    EXPECT_DOUBLE_EQ(t.at(100)->ex.distance, 1.0); // frames[1]
}

TEST(PictureDistances, DetectionAtOrBeyondTheEndCollectsOnlyTheFirstFrame)
{
    const auto info = recording({{1000, 36}, {1100, 36}, {1200, 36}}, 200, 200);
    const PictureData pd(info);
    for (const auto& [k, f] : pd.video->getCameraFrames(0)) EXPECT_DOUBLE_EQ(f->ex.distance, 0.0) << k;
}

TEST(PictureDistances, DetectionInsideCountsOnlyUpToIt)
{
    const auto info = recording({{1000, 36}, {1100, 36}, {1200, 72}}, 100, 200);
    const PictureData pd(info);
    const FrameTable& t = pd.video->getCameraFrames(0);
    EXPECT_DOUBLE_EQ(t.at(100)->ex.distance, 1.0);
    EXPECT_DOUBLE_EQ(t.at(200)->ex.distance, 0.0); // after the detection: untouched
}

TEST(PictureHeadings, CompassSectorsAndTheirBounds)
{
    EXPECT_EQ(PictureData::headingIcon(0, 0, 10, 0), IconId::East);
    EXPECT_EQ(PictureData::headingIcon(0, 0, 0, 10), IconId::North);
    EXPECT_EQ(PictureData::headingIcon(0, 0, 0, -10), IconId::South);
    EXPECT_EQ(PictureData::headingIcon(0, 0, -10, -10), IconId::SouthWest);
    EXPECT_EQ(PictureData::headingIcon(5, 5, 5, 5), IconId::None);
    EXPECT_EQ(PictureData::headingOfAngle(11.25), IconId::NorthEE);
    EXPECT_EQ(PictureData::headingOfAngle(11.2499), IconId::East);
    EXPECT_EQ(PictureData::headingOfAngle(348.75), IconId::East);
    EXPECT_EQ(PictureData::headingOfAngle(348.7499), IconId::SouthEE);
    EXPECT_EQ(PictureData::headingOfAngle(180.0), IconId::West);
    // extreme positions do not overflow
    EXPECT_EQ(PictureData::headingIcon(INT32_MIN, 0, INT32_MAX, 0), IconId::East);
}

TEST(PictureHeadings, StandingStillKeepsTheHeadingAndEarlyFramesTakeTheFirst)
{
    const auto info = recording({{0, 0, 100, 100}, {40, 0, 100, 100}, {80, 0, 200, 100}, {120, 0, 200, 100},
                                 {160, 0, 200, 200}},
                                0, 160);
    const PictureData pd(info);
    const FrameTable& t = pd.video->getCameraFrames(0);
    EXPECT_EQ(t.at(0)->ex.direction, IconId::East);
    EXPECT_EQ(t.at(40)->ex.direction, IconId::East);
    EXPECT_EQ(t.at(80)->ex.direction, IconId::East);
    EXPECT_EQ(t.at(120)->ex.direction, IconId::East);
    EXPECT_EQ(t.at(160)->ex.direction, IconId::North);
}

TEST(PictureHeadings, NoMovementKeepsNoneEverywhere)
{
    const auto info = recording({{0, 0, 100, 100}, {40, 0, 100, 100}}, 0, 40);
    const PictureData pd(info);
    for (const auto& [k, f] : pd.video->getCameraFrames(0)) EXPECT_EQ(f->ex.direction, IconId::None);
}

TEST(PictureHeadings, NewPointMarks)
{
    // first at (0,0): not new; then a move; then the same place with another gps flag
    const auto info = recording({{0, 0, 0, 0}, {40, 0, 10, 10}, {80, 0, 10, 10, false}, {120, 0, 10, 10, false},
                                 {160, 0, 20, 20}, {200, 0, 10, 10}},
                                0, 200);
    const PictureData pd(info);
    const FrameTable& t = pd.video->getCameraFrames(0);
    // key 0 is walked twice (the first frame sits under key 0 only, as its stamp is the base)
    EXPECT_FALSE(t.at(0)->ex.isFrameEnable);
    EXPECT_TRUE(t.at(40)->ex.isFrameEnable);
    EXPECT_TRUE(t.at(80)->ex.isFrameEnable);   // gps flag differs
    EXPECT_FALSE(t.at(120)->ex.isFrameEnable); // same place, same flag
    EXPECT_TRUE(t.at(160)->ex.isFrameEnable);
    EXPECT_FALSE(t.at(200)->ex.isFrameEnable); // back to the place two frames before
}

TEST(PictureDataUtilPositions, ChaptersOfOneAndTwoSeconds)
{
    const ChapterList chapters{chapterOfLength(1000), chapterOfLength(2000)};
    EXPECT_EQ(PictureDataUtil::totalLength(chapters), 3001);
    auto at = [&](std::int32_t p) {
        qsizetype i = -1;
        std::int32_t o = -1;
        PictureDataUtil::chapterIndex(chapters, p, i, o);
        return std::pair<qsizetype, std::int32_t>(i, o);
    };
    EXPECT_EQ(at(1000), (std::pair<qsizetype, std::int32_t>(0, 1000)));
    EXPECT_EQ(at(1001), (std::pair<qsizetype, std::int32_t>(1, 0)));
    EXPECT_EQ(at(3001), (std::pair<qsizetype, std::int32_t>(1, 2000)));
    EXPECT_EQ(at(5000), (std::pair<qsizetype, std::int32_t>(1, 2000)));
    EXPECT_EQ(at(-7), (std::pair<qsizetype, std::int32_t>(0, 0)));
    EXPECT_EQ(at(INT32_MAX), (std::pair<qsizetype, std::int32_t>(1, 2000)));
    EXPECT_EQ(PictureDataUtil::position(chapters, 1, 0), 1001);
    EXPECT_EQ(PictureDataUtil::position(chapters, 5, 10), 3012);
    EXPECT_TRUE(PictureDataUtil::videoFrame(chapters, 1500));
    EXPECT_TRUE(PictureDataUtil::movieTimeStamp(chapters, 1500));

    // Sums past 32 bits stay at the largest position.
    const ChapterList longest{chapterOfLength(INT32_MAX), chapterOfLength(INT32_MAX)};
    EXPECT_EQ(PictureDataUtil::totalLength(longest), INT32_MAX);
    EXPECT_EQ(PictureDataUtil::position(longest, 1, 0), INT32_MAX);
    qsizetype i = -1;
    std::int32_t o = -1;
    PictureDataUtil::chapterIndex(longest, INT32_MAX, i, o);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(o, INT32_MAX);
}

TEST(PictureDataUtilPositions, EmptyListAndUnreadableChapter)
{
    const ChapterList empty;
    qsizetype i = -1;
    std::int32_t o = -1;
    PictureDataUtil::chapterIndex(empty, 500, i, o);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(o, 0);
    EXPECT_EQ(PictureDataUtil::totalLength(empty), 0);
    EXPECT_FALSE(PictureDataUtil::videoFrame(empty, 0));
    EXPECT_FALSE(PictureDataUtil::movieTimeStamp(empty, 0));

    const ChapterList broken{std::make_shared<ChapterData>(QUrl::fromLocalFile(QStringLiteral("/nonexistent/a.MP4")))};
    EXPECT_FALSE(PictureDataUtil::videoFrame(broken, 0));
    EXPECT_FALSE(PictureDataUtil::movieTimeStamp(broken, 0));
    EXPECT_EQ(PictureDataUtil::totalLength(broken), 0);
}

TEST(ChapterPicture, UnreadableMovieIsTriedUpToTheLimitAndKeptWithItsMessage)
{
    ChapterData chapter(QUrl::fromLocalFile(QStringLiteral("/nonexistent/a.MP4")));
    EXPECT_FALSE(chapter.loadPicture(false));
    const auto first = chapter.loadPicture(true);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->video);
    EXPECT_EQ(first->errors, QStringList{VideoInfo::MSG_INVALID_PICTURE_INFO()});
    EXPECT_FALSE(chapter.hasPicture());
    EXPECT_TRUE(chapter.needsPictureData());
    for (int i = 0; i < 10; ++i) chapter.loadPicture(true);
    EXPECT_EQ(chapter.retryCntPictureData(), ChapterData::MAX_RETRY_CNT_PICTUREDATA);
    EXPECT_FALSE(chapter.needsPictureData());
    const auto kept = chapter.loadPicture(true);
    ASSERT_TRUE(kept);
    EXPECT_FALSE(kept->video);
    EXPECT_EQ(chapter.retryCntPictureData(), ChapterData::MAX_RETRY_CNT_PICTUREDATA);
}
