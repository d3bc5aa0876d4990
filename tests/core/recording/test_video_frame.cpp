#include "core/recording/VideoFrame.h"

#include <QTimeZone>
#include <gtest/gtest.h>
#include <cstdlib>
#include <ctime>

TEST(DetectionType, RawValuesMapBothWaysAndOutOfRangeGivesNoCase)
{
    EXPECT_EQ(detectionTypeFromRaw(-1), DetectionType::All);
    EXPECT_EQ(detectionTypeFromRaw(10), DetectionType::Movie);
    EXPECT_EQ(detectionTypeFromRaw(1), DetectionType::GSensor);
    EXPECT_FALSE(detectionTypeFromRaw(11).has_value());
    EXPECT_FALSE(detectionTypeFromRaw(-2).has_value());
    EXPECT_EQ(rawValue(DetectionType::D4), 9);
}

TEST(VideoFrame, NewFrameHasCameraOneGpsFlagsSetAndZeroNumbers)
{
    VideoFrame f;
    EXPECT_EQ(f.camera, 1);
    EXPECT_TRUE(f.gps);
    EXPECT_TRUE(f._gps2);
    EXPECT_EQ(f.frame, 0);
    EXPECT_EQ(f.speed, 0);
    EXPECT_EQ(f._timeStamp, 0u);
    EXPECT_EQ(f._movieTimeStamp, 0u);
    EXPECT_EQ(f.latitude, 0);
    EXPECT_EQ(f.longitude, 0);
    EXPECT_EQ(f.time(), CommonConst::DEFAULT_DATE());
    EXPECT_EQ(f.ex.violationType, ViolationType::All);
    EXPECT_EQ(f.ex.direction, IconId::None);
    EXPECT_EQ(f.ex.detectionType, DetectionType::All);
}

TEST(VideoFrame, CopyKeepsTheSampleButNotItsPlaceInFileOrMovie)
{
    VideoFrame src;
    src.powerDown = true;
    src._posWest = 1;
    src._movieTimeStamp = 5000;
    src.frameSize = 4096;
    src.addrs = 77;
    src.pictureChannel = 2;
    src._gps2 = false;
    src._longitude = -123;
    src._latitude = 456;
    src._timeStamp = 999;
    src.blockNo = 3;
    src.ex.distance = 12.5;
    src.ex.direction = IconId::North;
    src.ex.isFrameEnable = true;
    src.speed = 42;

    const auto c = VideoFrame::copyOf(src);
    EXPECT_FALSE(c->powerDown);
    EXPECT_EQ(c->_posWest, 0);
    EXPECT_EQ(c->_movieTimeStamp, 0u);
    EXPECT_EQ(c->frameSize, 0u);
    EXPECT_EQ(c->addrs, 0u);
    EXPECT_EQ(c->pictureChannel, 0);
    EXPECT_TRUE(c->_gps2);
    EXPECT_EQ(c->_longitude, -123);
    EXPECT_EQ(c->_latitude, 456);
    EXPECT_EQ(c->_timeStamp, 999u);
    EXPECT_EQ(c->blockNo, 3);
    EXPECT_EQ(c->speed, 42);
    EXPECT_DOUBLE_EQ(c->ex.distance, 12.5);
    EXPECT_EQ(c->ex.direction, IconId::North);
    EXPECT_TRUE(c->ex.isFrameEnable);
}

TEST(VideoFrame, InvalidTimeIsLocalMidnightOf2000AndFollowsAZoneChange)
{
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "UTC");
    tzset();
    VideoFrame::timeZoneChanged();
    VideoFrame a;
    VideoFrame b;
    EXPECT_EQ(a.invalidTime(), b.invalidTime());
    EXPECT_EQ(a.invalidTime().toMSecsSinceEpoch(), 946684800000LL);

    qputenv("TZ", "Asia/Tokyo");
    tzset();
    VideoFrame::timeZoneChanged();
    VideoFrame c;
    EXPECT_EQ(c.invalidTime().toMSecsSinceEpoch(), 946684800000LL - 9 * 3600 * 1000LL);

    if (oldTz.isNull()) qunsetenv("TZ");
    else qputenv("TZ", oldTz);
    tzset();
    VideoFrame::timeZoneChanged();
}

TEST(Location, NoneIsOneSharedObjectUntilReplaced)
{
    const auto first = Location::None();
    EXPECT_EQ(first, Location::None());
    EXPECT_EQ(first->X, 0);
    auto replacement = std::make_shared<Location>();
    replacement->X = 7;
    Location::setNone(replacement);
    EXPECT_EQ(Location::None(), replacement);
    Location::setNone(first);
}
