#include "core/recording/VideoInfo.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

VideoFramePtr frameAt(std::uint32_t stamp)
{
    auto f = std::make_shared<VideoFrame>();
    f->_timeStamp = stamp;
    f->setTimeMSecs(1700000000000LL + stamp);
    return f;
}

std::vector<qint64> keysOf(const FrameTable& table)
{
    std::vector<qint64> keys;
    for (const auto& [key, frame] : table) keys.push_back(key);
    return keys;
}

} // namespace

TEST(FrameTable, ReadsAsAMapOfTimeKeysWhereTheFirstFrameOfAKeyKeepsIt)
{
    FrameTable t;
    const VideoFramePtr a = frameAt(0), b = frameAt(40), c = frameAt(80);
    EXPECT_TRUE(t.try_emplace(80, c).second);
    EXPECT_TRUE(t.try_emplace(0, a).second);
    EXPECT_FALSE(t.try_emplace(0, b).second);
    t[40] = b;
    EXPECT_EQ(keysOf(t), (std::vector<qint64>{0, 40, 80}));
    EXPECT_EQ(t.at(0), a);
    EXPECT_EQ(t.find(40)->second, b);
    EXPECT_EQ(t.find(41), t.end());
    EXPECT_EQ(t.lower_bound(41)->first, 80);
    EXPECT_EQ(std::prev(t.upper_bound(79))->first, 40);
    EXPECT_EQ(t.rbegin()->second, c);
    EXPECT_THROW(t.at(1), std::out_of_range);
    t.clear();
    EXPECT_TRUE(t.empty());
    EXPECT_EQ(t.begin(), t.end());
}

TEST(FrameTable, PackingKeepsEveryFrameAsItWasAndOneFrameUnderManyKeysStaysOne)
{
    VideoInfo info;
    const VideoFramePtr first = frameAt(0);
    first->setTime(QDateTime(QDate(2026, 3, 15), QTime(8, 30), QTimeZone("Australia/Sydney")));
    first->setImageData(QByteArray("JPEG"));
    first->gX = 0.0125;
    first->ex.direction = IconId::SSWest;
    const VideoFramePtr undated = frameAt(40);
    undated->setTime(QDateTime());
    FrameTable t0{{0, first}, {40, undated}};
    FrameTable t1 = t0;
    t1.try_emplace(20, VideoFrame::copyOf(*first)); // a gap filled with a copy
    t1[60];                                         // a key without a frame
    info._cameraFrames[0] = t0;
    info._cameraFrames[1] = t1;
    info.completeTables();

    const FrameTable& p0 = info.getCameraFrames(0);
    const FrameTable& p1 = info.getCameraFrames(1);
    ASSERT_TRUE(p0.isPacked() && p1.isPacked());
    EXPECT_EQ(keysOf(p1), (std::vector<qint64>{0, 20, 40, 60}));
    EXPECT_EQ(p0.at(0)->time(), first->time());
    EXPECT_EQ(p0.at(0)->time().timeZone(), QTimeZone::utc());
    EXPECT_FALSE(p0.at(40)->time().isValid());
    EXPECT_EQ(p0.at(0)->imageData(), QByteArray("JPEG"));
    EXPECT_EQ(p1.at(20)->imageData(), QByteArray("JPEG"));
    EXPECT_TRUE(p0.at(40)->imageData().isEmpty());
    EXPECT_EQ(p0.at(0)->gX, 0.0125);
    EXPECT_EQ(p0.at(0)->ex.direction, IconId::SSWest);
    EXPECT_FALSE(p1.at(60));
    EXPECT_EQ(info.frameAt(1, 65), p1.at(0)); // key 60 holds none: key 0's frame
    // The tables share their frames: a pass writing through one table is seen through the other.
    EXPECT_EQ(p0.at(0), p1.at(0));
    EXPECT_NE(p1.at(20), p1.at(0));
    p0.at(40)->ex.distance = 7.0;
    EXPECT_EQ(p1.at(40)->ex.distance, 7.0);
    EXPECT_EQ(&info.arrayCamera[0], &p0.keys());

    // A frame handed out outlives the recording, and a table changed after
    // packing keeps its frames shared and the key arrays as they were.
    const VideoFramePtr kept = info.frameAt(0, 10);
    info._cameraFrames[1][80] = frameAt(80);
    EXPECT_EQ(info.getCameraFrames(1).at(40), p0.at(40));
    EXPECT_EQ(info.arrayCamera[1].size(), 4u);
    info._cameraFrames.clear();
    EXPECT_EQ(kept->imageData(), QByteArray("JPEG"));
}
