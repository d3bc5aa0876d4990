// Reading movies written by the synthetic-card generator, whole and damaged.

#ifdef KR_HAVE_CARDGEN

#include "core/catalog/ChapterData.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VideoInfo.h"
#include "core/settings/SettingInfo.h"

#include "CardGen.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

namespace {

struct Loaded {
    std::shared_ptr<VideoInfo> info;
    QStringList errors;
};

Loaded load(const QString& path)
{
    Loaded l;
    l.info = VideoInfo::fromFile(QUrl::fromLocalFile(path), VersionInfo(), l.errors, CommonConst::DEFAULT_DATE(),
                                 CommonConst::DEFAULT_DATE().addYears(4000), PictureDataType::All, nullptr,
                                 RecType::Melsi14Rec, SettingInfo().makeRecord(SettingInfo::DataType::FileInfo));
    return l;
}

cardgen::MovieOptions options(int seconds, bool realVideo = false)
{
    cardgen::MovieOptions o;
    o.durationSeconds = seconds;
    o.format.realVideo = realVideo;
    o.format.kind = 0x10; // a G-sensor recording, so that the detection frame is marked
    return o;
}

std::vector<cardgen::FrameSample> pictures(const cardgen::WrittenMovie& m)
{
    std::vector<cardgen::FrameSample> out;
    for (const auto& s : m.samples)
        if (s.id == 0x55) out.push_back(s);
    return out;
}

class MovieFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

} // namespace

TEST_F(MovieFixture, GeneratedChapterReadsEveryPictureRecordAsWritten)
{
    auto o = options(60, true);
    o.format.soundPerSecond = 2;
    o.format.detectStamp = o.drive.startStamp + 30000;
    const auto written = cardgen::writeMovie(path("MOVE/MOVE001/m2026031508300001.MP4"), o);
    const Loaded l = load(written.path);
    ASSERT_TRUE(l.info);
    EXPECT_TRUE(l.errors.isEmpty()) << l.errors.join(QLatin1Char(';')).toStdString();

    const auto pics = pictures(written);
    ASSERT_EQ(pics.size(), 60u * 28u);
    EXPECT_EQ(l.info->_timeSpan, written.lastStamp - written.firstStamp);
    EXPECT_EQ(l.info->firstTime.toSecsSinceEpoch(), qint64(pics.front().unixTime));
    EXPECT_EQ(l.info->lastTime.toSecsSinceEpoch(), qint64(pics.back().unixTime));
    EXPECT_EQ(l.info->_fileVersion, QStringLiteral("0714"));
    EXPECT_EQ(l.info->_recMode, CommonConst::RecMode::Nomal);

    const FrameTable& t0 = l.info->getCameraFrames(0);
    ASSERT_EQ(t0.size(), pics.size());
    for (const auto& s : pics) {
        const qint64 key = qint64(s.stamp) - written.firstStamp;
        const auto it = t0.find(key);
        ASSERT_NE(it, t0.end()) << key;
        const VideoFrame& f = *it->second;
        EXPECT_EQ(f.speed, s.speedTenths / 10);
        EXPECT_EQ(f.time().toSecsSinceEpoch(), qint64(s.unixTime));
        if (s.hasPosition) {
            EXPECT_EQ(f._latitude, s.latitude);
            EXPECT_EQ(f._longitude, s.longitude);
        }
        EXPECT_EQ(f.gps, s.gpsValid);
        // the movie time follows the run: run k starts at (k - 1) s
        EXPECT_EQ(f._movieTimeStamp / 1000, quint32((s.tripMs) / 1000)) << key;
    }
    // southern and eastern hemispheres
    EXPECT_EQ(t0.begin()->second->_posSouth, 1);
    EXPECT_EQ(t0.begin()->second->_posWest, 0);
    EXPECT_EQ(l.info->_playback.detectPosition, 30000);
    EXPECT_TRUE(t0.at(30000)->gDetected);

    // table 1 finds a frame for every movie millisecond
    const std::uint32_t last = l.info->frameAt(1, qint64(l.info->_timeSpan))->_movieTimeStamp;
    EXPECT_GE(last, 59000u);
    EXPECT_LT(last, 60000u);
}

TEST_F(MovieFixture, BoxSizeFormsOfTheAppendedUdatAllOpen)
{
    for (auto form : {cardgen::BoxSizeForm::Size64, cardgen::BoxSizeForm::ToEnd}) {
        auto o = options(3);
        o.format.udatSize = form;
        const auto written = cardgen::writeMovie(path("form.MP4"), o);
        const Loaded l = load(written.path);
        ASSERT_TRUE(l.info);
        EXPECT_TRUE(l.errors.isEmpty());
        EXPECT_EQ(l.info->getCameraFrames(0).size(), 3u * 28u);
    }
}

TEST_F(MovieFixture, PowerLossKeepsWhatWasRecordedAndFlagsIt)
{
    auto o = options(10);
    o.format.damage = cardgen::PowerLoss;
    o.format.powerLossAtMs = 4500;
    const auto written = cardgen::writeMovie(path("cut.MP4"), o);
    const Loaded l = load(written.path);
    ASSERT_TRUE(l.info);
    EXPECT_TRUE(l.errors.isEmpty());
    EXPECT_TRUE(l.info->powerDown);
    EXPECT_EQ(l.info->getCameraFrames(0).size(), pictures(written).size());
    EXPECT_EQ(l.info->_timeSpan, written.lastStamp - written.firstStamp);
}

TEST_F(MovieFixture, AUdatBoxPastTheEndOfTheFileOrOverlappingRangesMakeTheMovieUnreadable)
{
    for (const unsigned damage : {unsigned(cardgen::BoxPastEnd), unsigned(cardgen::OverlappingRanges)}) {
        auto o = options(3);
        o.format.damage = damage;
        const auto written = cardgen::writeMovie(path("damaged.MP4"), o);
        const Loaded l = load(written.path);
        EXPECT_FALSE(l.info) << damage;
        EXPECT_EQ(l.errors, QStringList{VideoInfo::MSG_INVALID_PICTURE_INFO()}) << damage;
    }
}

TEST_F(MovieFixture, InvalidBcdInFrameRecordsIsReportedButTheFramesStay)
{
    auto o = options(3);
    o.format.damage = cardgen::InvalidBcd;
    const auto written = cardgen::writeMovie(path("bcd.MP4"), o);
    ASSERT_FALSE(written.damagedRecords.empty());
    const Loaded l = load(written.path);
    ASSERT_TRUE(l.info);
    EXPECT_EQ(l.errors, QStringList{VideoInfo::MSG_INVALID_PICTURE_INFO()});
    EXPECT_EQ(l.info->getCameraFrames(0).size(), pictures(written).size());
    EXPECT_GT(l.info->_timeSpan, 0u);
}

TEST_F(MovieFixture, HeaderShorterThanItsRecordsMakesTheMovieUnreadable)
{
    auto o = options(3);
    o.format.damage = cardgen::ShortHeader;
    const auto written = cardgen::writeMovie(path("short.MP4"), o);
    const Loaded l = load(written.path);
    EXPECT_FALSE(l.info);
    EXPECT_EQ(l.errors, QStringList{VideoInfo::MSG_INVALID_PICTURE_INFO()});

    o.format.headerLength = 40; // not even the recording id is there
    const auto tiny = cardgen::writeMovie(path("tiny.MP4"), o);
    EXPECT_FALSE(load(tiny.path).info);
}

TEST_F(MovieFixture, TripChaptersPlayAsOneTimeline)
{
    cardgen::TripOptions trip;
    trip.chapters = 3;
    trip.chapterSeconds = 4;
    trip.format.realVideo = false;
    int number = 1;
    const auto written = cardgen::writeTrip(dir.filePath(QStringLiteral("MOVE")), trip, number);
    ASSERT_EQ(written.chapters.size(), 3u);

    ChapterList chapters;
    qint64 expectedTotal = -1;
    for (const auto& m : written.chapters) {
        chapters.append(std::make_shared<ChapterData>(QUrl::fromLocalFile(m.path)));
        expectedTotal += qint64(m.lastStamp - m.firstStamp) + 1;
    }
    // Positions never read a recording: a chapter of no trip counts no time
    // until its recording was loaded.
    EXPECT_EQ(PictureDataUtil::totalLength(chapters), 2);
    EXPECT_EQ(chapters[0]->retryCntPictureData(), 0);
    chapters[0]->loadPicture(true);
    chapters[2]->loadPicture(true);
    EXPECT_EQ(PictureDataUtil::totalLength(chapters), expectedTotal - qint64(written.chapters[1].lastStamp - written.chapters[1].firstStamp));

    // The chapter at a position is read when its frame is asked for.
    const auto early = PictureDataUtil::videoFrame(chapters, PictureDataUtil::position(chapters, 1, 0));
    EXPECT_TRUE(early);
    EXPECT_EQ(chapters[1]->retryCntPictureData(), 1);
    EXPECT_EQ(PictureDataUtil::totalLength(chapters), expectedTotal);

    const qint32 start2 = PictureDataUtil::position(chapters, 1, 0);
    qsizetype index = -1;
    qint32 offset = -1;
    PictureDataUtil::chapterIndex(chapters, start2 + 1500, index, offset);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(offset, 1500);
    const auto movie = PictureDataUtil::movieTimeStamp(chapters, start2 + 1500);
    ASSERT_TRUE(movie);
    EXPECT_GE(*movie, 1000u);
    EXPECT_LE(*movie, 1500u);
    const VideoFramePtr f = PictureDataUtil::videoFrame(chapters, start2 + 1500);
    ASSERT_TRUE(f);
    const qint64 key = qint64(f->_timeStamp) - written.chapters[1].firstStamp;
    EXPECT_LE(key, 1500);
    EXPECT_GT(key, 1500 - 36);
    EXPECT_EQ(chapters[1]->retryCntPictureData(), 1);
}

TEST_F(MovieFixture, ChaptersLoadedFromSeveralThreadsAtOnceKeepOnePictureData)
{
    cardgen::TripOptions trip;
    trip.chapters = 2;
    trip.chapterSeconds = 3;
    trip.format.realVideo = false;
    int number = 1;
    const auto written = cardgen::writeTrip(dir.filePath(QStringLiteral("MOVE")), trip, number);
    ChapterList chapters;
    for (const auto& m : written.chapters) chapters.append(std::make_shared<ChapterData>(QUrl::fromLocalFile(m.path)));

    std::atomic<int> missing{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (std::int32_t p = t; p < 6000; p += 97)
                if (!PictureDataUtil::videoFrame(chapters, p) || !PictureDataUtil::movieTimeStamp(chapters, p))
                    ++missing;
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(missing.load(), 0);
    for (const auto& c : chapters) {
        const auto kept = c->loadPicture(false);
        ASSERT_TRUE(kept);
        EXPECT_EQ(c->loadPicture(true), kept);
        EXPECT_GE(c->retryCntPictureData(), 1);
    }
}

TEST_F(MovieFixture, PictureDataOfAGeneratedDriveHasDistancesAndHeadings)
{
    auto o = options(20);
    o.drive.profile = cardgen::SpeedProfile::Constant;
    o.drive.cruiseKmh = 36.0;
    o.drive.headingDeg = 90.0; // due east
    const auto written = cardgen::writeMovie(path("east.MP4"), o);
    const PictureData pd(QUrl::fromLocalFile(written.path), PictureDataType::All, CommonConst::DEFAULT_DATE(),
                         CommonConst::DEFAULT_DATE().addYears(4000), nullptr, RecType::Melsi14Rec,
                         SettingInfo().makeRecord(SettingInfo::DataType::FileInfo));
    ASSERT_TRUE(pd.video);
    EXPECT_TRUE(pd.errors.isEmpty());
    const FrameTable& t0 = pd.video->getCameraFrames(0);
    int east = 0;
    for (const auto& [key, frame] : t0)
        if (frame->ex.direction == IconId::East) ++east;
    EXPECT_GT(east, int(t0.size()) * 9 / 10);
    // The detection stamp is the first one, so the detection key is 0 and the
    // distances are counted up to the end of the recording, 10 m a second;
    // a frame holds the distance from the frame before it onwards.
    const qint64 span = qint64(pd.video->_timeSpan);
    const auto second = std::next(t0.begin());
    const double expected = 10.0 * double(span) / 1000.0;
    EXPECT_NEAR(second->second->ex.distance, expected, expected * 0.02);
    const auto beforeLast = std::prev(t0.end(), 2);
    EXPECT_NEAR(t0.at(span)->ex.distance, 10.0 * double(span - beforeLast->first) / 1000.0, 0.01);
}

#endif
