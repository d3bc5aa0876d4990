#include "core/recording/VideoInfo.h"
#include "core/recording/VersionInfo.h"

#include <gtest/gtest.h>
#include <QTimeZone>
#include <thread>

namespace {

VideoFramePtr frameWithStamp(std::uint32_t ts, int block = 1)
{
    auto f = std::make_shared<VideoFrame>();
    f->_timeStamp = ts;
    f->blockNo = block;
    return f;
}

// A loaded recording whose table 0 has the given keys (time stamps = keys).
std::shared_ptr<VideoInfo> infoWithKeys(std::initializer_list<std::uint32_t> keys)
{
    auto info = std::make_shared<VideoInfo>();
    FrameList frames;
    for (auto k : keys) frames.push_back(frameWithStamp(k));
    std::int32_t lon = -1, lat = -1;
    info->_cameraFrames[0] = VideoInfo::buildFrameDictionary(frames, 0, 0, lon, lat);
    info->completeTables();
    return info;
}

} // namespace

TEST(VideoInfoLookup, TakesTheGreatestKeyNotAboveTheTime)
{
    const auto info = infoWithKeys({0, 40, 80});
    const FrameTable& t = info->getCameraFrames(0);
    EXPECT_EQ(info->frameAt(0, 39), t.at(0));
    EXPECT_EQ(info->frameAt(0, 40), t.at(40));
    EXPECT_EQ(info->frameAt(0, 1000), t.at(80));
    EXPECT_EQ(info->frameAt(0, -5), t.at(0));
}

TEST(VideoInfoLookup, MissingTableGivesTheSameDefaultFrameEveryTimeWithoutStoringIt)
{
    const auto info = infoWithKeys({0, 40});
    const auto tablesBefore = info->_cameraFrames.size();
    const VideoFramePtr a = info->frameAt(5, 100);
    const VideoFramePtr b = info->frameAt(5, 0);
    ASSERT_TRUE(a);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->time(), CommonConst::DEFAULT_DATE());
    EXPECT_EQ(info->getCameraFrames(7).size(), 1u);
    EXPECT_EQ(info->_cameraFrames.size(), tablesBefore);
}

TEST(VideoInfoLookup, EmptyTableIsReplacedWhenReadingEndsByOneFrameAtTheDetectTime)
{
    VideoInfo info;
    info._playback.detectTime = QDateTime::fromSecsSinceEpoch(1700000000, QTimeZone::utc());
    info._cameraFrames[0] = FrameTable{};
    info.completeTables();
    const FrameTable& t = info.getCameraFrames(0);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t.at(0)->time(), info._playback.detectTime);
    ASSERT_EQ(info.arrayCamera.size(), 2u);
    EXPECT_EQ(info.arrayCamera[0], KeyList{0});
}

TEST(VideoInfoLookup, ConcurrentLookupsOnALoadedRecordingAgree)
{
    const auto info = infoWithKeys({0, 40, 80, 120});
    std::vector<std::thread> threads;
    std::atomic<int> mismatches{0};
    const VideoFramePtr expected = info->frameAt(3, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                if (info->frameAt(3, i) != expected) ++mismatches;
                if (!info->frameAt(0, i % 200)) ++mismatches;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(mismatches.load(), 0);
}

TEST(VideoInfoKeys, FirstFrameOfAKeyKeepsItAndSpanNumbersMovieTimes)
{
    FrameList frames{frameWithStamp(1000), frameWithStamp(1040), frameWithStamp(1040), frameWithStamp(1080)};
    std::int32_t lon = -1, lat = -1;
    const FrameTable t = VideoInfo::buildFrameDictionary(frames, 1000, 40, lon, lat);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t.at(40), frames[1]);
    EXPECT_EQ(frames[0]->_movieTimeStamp, 0u);
    EXPECT_EQ(frames[1]->_movieTimeStamp, 40u);
    EXPECT_EQ(frames[2]->_movieTimeStamp, 80u);
    EXPECT_EQ(frames[3]->_movieTimeStamp, 120u);
}

TEST(VideoInfoKeys, FirstFrameIsAlsoFiledUnderKeyZeroAndListedTwice)
{
    FrameList frames{frameWithStamp(1040), frameWithStamp(1080)};
    std::int32_t lon = -1, lat = -1;
    const FrameTable t = VideoInfo::buildFrameDictionary(frames, 1000, 0, lon, lat);
    EXPECT_EQ(t.at(0), frames[0]);
    EXPECT_EQ(t.at(40), frames[0]);
    const FrameList list = VideoInfo::convertDictionary(t);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0], list[1]);
}

TEST(VideoInfoKeys, CarriedPositionFillsFramesWithoutLongitude)
{
    FrameList frames{frameWithStamp(0), frameWithStamp(10)};
    frames[1]->_longitude = 33;
    frames[1]->_latitude = 44;
    std::int32_t lon = -1, lat = -1;
    VideoInfo::buildFrameDictionary(frames, 0, 0, lon, lat);
    EXPECT_EQ(frames[0]->_longitude, 0);

    frames[0]->_latitude = 9;
    lon = 0;
    lat = 5;
    VideoInfo::buildFrameDictionary(frames, 0, 0, lon, lat);
    EXPECT_EQ(lat, 0);
    EXPECT_EQ(frames[0]->_latitude, 0);
    EXPECT_EQ(frames[1]->_latitude, 44);

    frames[0]->_longitude = 0;
    lon = 700;
    lat = 800;
    VideoInfo::buildFrameDictionary(frames, 0, 0, lon, lat);
    EXPECT_EQ(frames[0]->_longitude, 700);
    EXPECT_EQ(frames[0]->_latitude, 800);
}

TEST(VideoInfoDetect, MarksTheNearestKeyWithinTheSpanAndTiesGoLater)
{
    auto info = infoWithKeys({0, 40, 80});
    info->_playback.detectPosition = 1000 + 60;
    EXPECT_EQ(VideoInfo::markDetectFrame(*info, 1000, 80), 80);
    EXPECT_TRUE(info->getCameraFrames(0).at(80)->gDetected);

    info = infoWithKeys({0, 40, 80});
    info->_playback.detectPosition = 1000 + 50;
    EXPECT_EQ(VideoInfo::markDetectFrame(*info, 1000, 80), 40);

    info = infoWithKeys({0, 40, 80});
    info->_playback.detectPosition = 1000 + 40;
    EXPECT_EQ(VideoInfo::markDetectFrame(*info, 1000, 80), 40);
}

TEST(VideoInfoDetect, PositionOutsideTheSpanOrAMovieRecordingGivesZero)
{
    auto info = infoWithKeys({0, 40, 80});
    info->_playback.detectPosition = 1000 + 80; // at the span: outside
    EXPECT_EQ(VideoInfo::markDetectFrame(*info, 1000, 80), 0);
    EXPECT_TRUE(info->getCameraFrames(0).at(0)->gDetected);

    info = infoWithKeys({0, 40, 80});
    info->_playback.detectPosition = 1040;
    info->_playback.detectionType = DetectionType::Movie;
    EXPECT_EQ(VideoInfo::markDetectFrame(*info, 1000, 80), 0);
    EXPECT_FALSE(info->getCameraFrames(0).at(0)->gDetected);
}

TEST(VideoInfoDetect, KindCodesMapToTriggers)
{
    EXPECT_EQ(VideoInfo::getDetectType(10), DetectionType::GSensor);
    EXPECT_EQ(VideoInfo::getDetectType(11), DetectionType::SpeedTrigger);
    EXPECT_EQ(VideoInfo::getDetectType(17), DetectionType::Movie);
    EXPECT_EQ(VideoInfo::getDetectType(20), DetectionType::ExtSW);
    EXPECT_EQ(VideoInfo::getDetectType(24), DetectionType::D4);
    EXPECT_EQ(VideoInfo::getDetectType(30), DetectionType::ExtTrigger);
    EXPECT_EQ(VideoInfo::getDetectType(32), DetectionType::UrgencySW);
    EXPECT_EQ(VideoInfo::getDetectType(0x10), DetectionType::None);
    EXPECT_EQ(VideoInfo::getDetectType(9), DetectionType::None);
    EXPECT_EQ(VideoInfo::getDetectType(33), DetectionType::None);
}

TEST(VideoInfoGaps, FillsAGapInsideOneRunEveryFrameInterval)
{
    FrameList frames{frameWithStamp(1000), frameWithStamp(1100)};
    const FrameTable t = VideoInfo::fillFrameGaps(frames, 1000, 28.0f);
    std::vector<qint64> keys;
    for (const auto& e : t) keys.push_back(e.first);
    EXPECT_EQ(keys, (std::vector<qint64>{0, 36, 72, 100}));
    EXPECT_EQ(t.at(36)->_timeStamp, 1036u);
    EXPECT_EQ(t.at(72)->_movieTimeStamp, 72u);
    EXPECT_EQ(t.at(100), frames[1]);
}

TEST(VideoInfoGaps, NeverJoinsRunsAndStartsEachRunAtItsSecond)
{
    FrameList frames{frameWithStamp(1000, 1), frameWithStamp(1500, 1), frameWithStamp(2000, 2),
                     frameWithStamp(2030, 2)};
    // close the first gap so that only the run boundary is in question
    frames[1]->_timeStamp = 1030;
    const FrameTable t = VideoInfo::fillFrameGaps(frames, 1000, 28.0f);
    EXPECT_EQ(t.size(), 4u);
    EXPECT_EQ(frames[0]->_movieTimeStamp, 0u);
    EXPECT_EQ(frames[1]->_movieTimeStamp, 30u);
    EXPECT_EQ(frames[2]->_movieTimeStamp, 1000u);
    EXPECT_EQ(frames[3]->_movieTimeStamp, 1030u);
}

TEST(VideoInfoGaps, ACorruptStampFillsNoMoreThanOneRunLength)
{
    FrameList frames{frameWithStamp(0), frameWithStamp(0xFFFFFFF0u)};
    const FrameTable t = VideoInfo::fillFrameGaps(frames, 0, 28.0f);
    // 27 copies (every 36 ms up to 1 s) plus the two frames, under their own keys
    EXPECT_EQ(t.size(), 29u);
    EXPECT_EQ(t.rbegin()->first, qint64(0xFFFFFFF0u));
    EXPECT_EQ(t.rbegin()->second->_movieTimeStamp, 0xFFFFFFF0u);
}

TEST(VideoInfoGaps, CopiesAreBoundedByTheFramesOfTheMovie)
{
    // A thousand frames a second apart in one run would each get 27 copies.
    FrameList frames;
    for (std::uint32_t i = 0; i < 1000; ++i) frames.push_back(frameWithStamp(1000 * i));
    const FrameTable t = VideoInfo::fillFrameGaps(frames, 0, 28.0f);
    EXPECT_EQ(t.size(), 1000u + 4 * 1000u + 27u);
    // The budget is spent from the start: the first gaps are whole, the last keep their frame.
    EXPECT_EQ(t.at(36)->_timeStamp, 36u);
    EXPECT_EQ(t.at(998000), frames[998]);
    EXPECT_EQ(t.upper_bound(998000)->first, 999000);
}

TEST(VideoInfoGaps, RunsOutOfStampOrderKeepMovieTimesInRange)
{
    // sorted by stamp, the second frame belongs to an earlier run than the first
    FrameList frames{frameWithStamp(100, 2), frameWithStamp(200, 1), frameWithStamp(300, 2)};
    VideoInfo::fillFrameGaps(frames, 100, 28.0f);
    EXPECT_EQ(frames[0]->_movieTimeStamp, 1000u);
    EXPECT_EQ(frames[1]->_movieTimeStamp, 100u);
    EXPECT_EQ(frames[2]->_movieTimeStamp, 1000u);

    // a run number far beyond any movie would overflow 32 bits: held at the top
    FrameList far{frameWithStamp(0, 1), frameWithStamp(10, 8000000)};
    VideoInfo::fillFrameGaps(far, 0, 28.0f);
    EXPECT_EQ(far[1]->_movieTimeStamp, 0xFFFFFFFFu);
}

TEST(VideoInfoDispatch, NonFileUrlGivesNoneAndTheNoDataMessage)
{
    QStringList errors;
    const auto info = VideoInfo::fromFile(QUrl(QStringLiteral("https://example.invalid/a.MP4")), VersionInfo(),
                                          errors, CommonConst::DEFAULT_DATE(), QDateTime::currentDateTimeUtc(),
                                          PictureDataType::All, nullptr, RecType::Melsi14Rec, QByteArray());
    EXPECT_FALSE(info);
    EXPECT_EQ(errors, QStringList{VideoInfo::MSG_NO_PICTURE_DATA()});
}

TEST(VideoInfoDispatch, UnreadableMovieIsReportedAsInvalid)
{
    QStringList errors;
    const auto info = VideoInfo::fromFile(QUrl::fromLocalFile(QStringLiteral("/nonexistent/dir/x.mp4")),
                                          VersionInfo(), errors, CommonConst::DEFAULT_DATE(),
                                          QDateTime::currentDateTimeUtc(), PictureDataType::All, nullptr,
                                          RecType::Melsi14Rec, QByteArray());
    EXPECT_FALSE(info);
    EXPECT_EQ(errors, QStringList{VideoInfo::MSG_INVALID_PICTURE_INFO()});
}
