#include "core/recording/PictureData.h"
#include "core/recording/VersionInfo.h"
#include "core/recording/VideoInfo.h"

#include "core/foundation/AppError.h"
#include "core/foundation/CommonConst.h"

#include "../../support/SparseFile.h"
#include "recording/RecorderFileBuilder.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QUrl>
#include <gtest/gtest.h>

using namespace testfiles;

namespace {

const QDateTime kFarFuture(QDate(9999, 12, 31), QTime(23, 59, 59), QTimeZone::utc());
const QByteArray kLongitude = QByteArray::fromHex("13545123"); // 135 45' 12.3"
const QByteArray kLatitude = QByteArray::fromHex("35401230");  // 35 40' 12.3"
constexpr std::int32_t kLongitudeMs = 488712300;
constexpr std::int32_t kLatitudeMs = 128412300;

QDateTime utc(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc());
}

// A division or movie file header: the date at 2, the record count at 32,
// information records from 48.
QByteArray shortHeader(const std::vector<QByteArray>& records)
{
    QByteArray h(48, '\0');
    h.replace(2, 6, bcdDate(2024, 3, 5, 17, 8, 9));
    put8(h, 32, std::uint32_t(records.size()));
    for (const QByteArray& r : records)
        h += r.leftJustified(8, '\0', true);
    return h;
}

QByteArray infoRecord(const char* hex)
{
    return QByteArray::fromHex(hex);
}

// A payload that carries the image-data identifier at frame offset 66.
QByteArray identifiedPayload(int length)
{
    QByteArray p(length, 'J');
    p.replace(2, 14, CommonConst::IMAGE_DATA_IDENTIFIER());
    return p;
}

std::vector<qint64> keysOf(const FrameTable& table)
{
    std::vector<qint64> keys;
    for (const auto& entry : table)
        keys.push_back(entry.first);
    return keys;
}

class DivisionFileTest : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        writeFile(path, bytes);
        return path;
    }
    QTemporaryDir dir;
};

} // namespace

TEST(DivisionFileNames, ClassifiedByNameAlone)
{
    EXPECT_EQ(VideoInfo::getTargetType(QStringLiteral("/card/Video.dat")), TargetType::Common);
    EXPECT_EQ(VideoInfo::getTargetType(QStringLiteral("/card/video.dat")), TargetType::None);
    EXPECT_EQ(VideoInfo::getTargetType(QStringLiteral("M202001021530-0001.DAT")), TargetType::Common);
    EXPECT_EQ(VideoInfo::getTargetType(QStringLiteral("m202001021530-0001.dat")), TargetType::Common);
    EXPECT_EQ(VideoInfo::getTargetType(QStringLiteral("G2020010215300001.DAT")), TargetType::Tarko12);
    EXPECT_EQ(VideoInfo::getTargetType(QStringLiteral("M2020010215300001.DAT")), TargetType::Tarko12);
    EXPECT_EQ(VideoInfo::getTargetType(QStringLiteral("X2020010215300001.DAT")), TargetType::None);
}

TEST(PositionTexts, DigitsOfDegreesMinutesSecondsAndTenths)
{
    EXPECT_EQ(VideoInfo::convertLongitude(QStringLiteral("13545123")), kLongitudeMs);
    EXPECT_EQ(VideoInfo::convertLatitude(QStringLiteral("35401230")), kLatitudeMs);
    EXPECT_EQ(VideoInfo::convertLatitude(QStringLiteral("35401239")),
              kLatitudeMs); // the eighth digit plays no part
    try {
        VideoInfo::convertLongitude(QStringLiteral("1354512A"));
        FAIL() << "a letter converted";
    } catch (const AppError& e) {
        EXPECT_EQ(e.domain(), QStringLiteral("数値に変換できません。"));
    }
    // Too short, or beyond what a 32-bit position holds.
    EXPECT_THROW(VideoInfo::convertLongitude(QStringLiteral("1354")), AppError);
    EXPECT_THROW(VideoInfo::convertLongitude(QStringLiteral("99999999")), AppError);
    EXPECT_THROW(VideoInfo::convertDigits(QStringLiteral("１２")),
                 AppError); // full-width digits are not digits
}

TEST_F(DivisionFileTest, FromDivisionFileChecksTheUrlAndTheName)
{
    QStringList errors;
    auto info =
        VideoInfo::fromDivisionFile(QUrl(QStringLiteral("https://example.invalid/Video.dat")), errors);
    ASSERT_TRUE(info);
    EXPECT_EQ(errors, QStringList{VideoInfo::MSG_NO_PICTURE_DATA()});

    errors.clear();
    const QString tarko = write(QStringLiteral("G2020010215300001.DAT"), QByteArray(500, '\x55'));
    info = VideoInfo::fromDivisionFile(QUrl::fromLocalFile(tarko), errors);
    ASSERT_TRUE(info);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(info->_thumbnail->_timeStamp, 0u);
}

TEST_F(DivisionFileTest, ThumbnailCodesAndTimeRange)
{
    const QByteArray file =
        shortHeader({infoRecord("0103 00000042"), infoRecord("0103 00000099"), infoRecord("0104 12345678"),
                     infoRecord("0406 0B"), infoRecord("0801 0200")}) +
        divisionFrame(0xAA, 900, bcdDate(2024, 3, 5, 17, 8, 10), kLongitude, kLatitude, "SOUND") +
        divisionFrame(0x55, 1000, bcdDate(2024, 3, 5, 17, 8, 11), kLongitude, kLatitude,
                      identifiedPayload(40)) +
        divisionFrame(0x55, 2000, bcdDate(2024, 3, 5, 17, 9, 30), kLongitude, kLatitude,
                      identifiedPayload(40));
    QStringList errors;
    const auto info =
        VideoInfo::fromDivisionFile(QUrl::fromLocalFile(write(QStringLiteral("Video.dat"), file)), errors);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(info->_playback.detectTime, utc(2024, 3, 5, 17, 8, 9));
    EXPECT_EQ(info->_playback.userCarCode, QStringLiteral("00000042")); // set once, while still "不明"
    EXPECT_EQ(info->_playback.userDriverCode, QStringLiteral("12345678"));
    EXPECT_EQ(info->_playback.d2US, QStringLiteral("0B"));
    EXPECT_EQ(info->_playback.gValue, QStringLiteral("0200"));

    // The first picture frame is the thumbnail; the walk stops there.
    EXPECT_EQ(info->_thumbnail->_timeStamp, 1000u);
    EXPECT_EQ(info->_thumbnail->imageData(), info->_jpegHeader);
    EXPECT_EQ(info->_thumbnail->_longitude, kLongitudeMs);
    EXPECT_EQ(info->_thumbnail->_latitude, kLatitudeMs);
    EXPECT_EQ(info->frameAt(0, 0)->_longitude, kLongitudeMs);
    EXPECT_EQ(info->firstTime, utc(2024, 3, 5, 17, 8, 11));
    // The closing date comes from the last identifier in the file.
    EXPECT_EQ(info->lastTime, utc(2024, 3, 5, 17, 9, 30));
}

TEST_F(DivisionFileTest, NegativeOrOversizedLengthsEndTheWalk)
{
    const QByteArray sound =
        divisionFrame(0xAA, 900, bcdDate(2024, 3, 5, 17, 8, 10), kLongitude, kLatitude, "S");
    const QByteArray picture =
        divisionFrame(0x55, 1000, bcdDate(2024, 3, 5, 17, 8, 11), kLongitude, kLatitude, "P");
    for (std::uint32_t length : {0xFFFFFFF0u, 0x7FFFFFFFu, 5000u}) {
        QByteArray bad = sound;
        put32(bad, 0, length);
        const auto info =
            VideoInfo::readDivisionData(write(QStringLiteral("Video.dat"), shortHeader({}) + bad + picture));
        EXPECT_EQ(info->_thumbnail->_timeStamp, 0u) << length; // never reached the picture
        EXPECT_EQ(info->firstTime, CommonConst::DEFAULT_DATE().addYears(4000))
            << length; // the distant future
    }
}

TEST_F(DivisionFileTest, GarbageAndMissingFilesAreSafe)
{
    EXPECT_EQ(VideoInfo::readDivisionData(dir.filePath(QStringLiteral("none.dat")))->_timeSpan, 0u);
    QRandomGenerator rng(11);
    for (int i = 0; i < 30; ++i) {
        QByteArray garbage(int(rng.bounded(3000)), '\0');
        for (char& c : garbage)
            c = char(rng.bounded(256));
        if (i % 3 == 0 && garbage.size() > 200)
            garbage.replace(150, 14, CommonConst::IMAGE_DATA_IDENTIFIER());
        EXPECT_TRUE(VideoInfo::readDivisionData(write(QStringLiteral("Video.dat"), garbage)));
        bool isError = false;
        EXPECT_TRUE(VideoInfo::readMoveFile(write(QStringLiteral("M.DAT"), garbage),
                                            CommonConst::DEFAULT_DATE(), kFarFuture, PictureDataType::All,
                                            nullptr, isError));
    }

    // A file larger than 32-bit offsets reach is not read at all.
    const QByteArray date = bcdDate(2024, 3, 5, 17, 8, 9);
    const QString big =
        write(QStringLiteral("M.DAT"), shortHeader({}) + moveFrame(0x55, 900, 1, date, 0x00, "JPEG") +
                                           moveFrame(0x55, 1000, 1, date, 0x00) +
                                           moveFrame(0x55, 1040, 1, date, 0x00));
    bool isError = false;
    auto readBig = [&] {
        return VideoInfo::readMoveFile(big, CommonConst::DEFAULT_DATE(), kFarFuture, PictureDataType::All,
                                       nullptr, isError);
    };
    EXPECT_EQ(readBig()->_timeSpan, 40u);
    if (!growWithAHole(big, (qint64(1) << 32) + 1)) GTEST_SKIP() << "no sparse files here";
    EXPECT_EQ(readBig()->_timeSpan, 0u);
}

TEST_F(DivisionFileTest, MovieFileFramesByCamera)
{
    QByteArray header =
        shortHeader({infoRecord("0103 FFFFFFFF"), infoRecord("0104 FFFFFFFF"), infoRecord("1003 02")});
    put8(header, 0, 0x10);
    put32(header, 8, 1080);
    put8(header, 27, 0x03);
    put8(header, 28, 0x04);
    put24(header, 39, 0x012345);
    const QByteArray date = bcdDate(2024, 3, 5, 17, 8, 9);
    const QByteArray later = bcdDate(2024, 3, 5, 17, 8, 12);
    const QByteArray file = header + moveFrame(0x55, 900, 1, date, 0x00, "JPEG") + // the thumbnail
                            moveFrame(0x55, 1000, 1, date, 0x00) + moveFrame(0x55, 1040, 2, date, 0x00) +
                            moveFrame(0xAA, 1060, 1, date, 0x00) + moveFrame(0x55, 1080, 3, date, 0x16) +
                            moveFrame(0x55, 1120, 1, later, 0x10);
    bool isError = false;
    const auto info = VideoInfo::readMoveFile(write(QStringLiteral("M202001021530-0001.DAT"), file),
                                              CommonConst::DEFAULT_DATE(), kFarFuture, PictureDataType::All,
                                              nullptr, isError);
    EXPECT_FALSE(isError);
    EXPECT_EQ(info->detectType, 10);
    EXPECT_EQ(info->state, 0x03);
    EXPECT_EQ(info->sw, 0x04);
    EXPECT_EQ(info->_bootID, 0x012345);
    EXPECT_TRUE(info->_playback.userCarCode.isEmpty()); // four 0xFF bytes: not set
    EXPECT_TRUE(info->_playback.userDriverCode.isEmpty());
    EXPECT_EQ(info->_playback.movieFPS, QStringLiteral("02"));

    EXPECT_EQ(info->_thumbnail->_timeStamp, 900u);
    EXPECT_EQ(info->_thumbnail->imageData(), QByteArray("JPEG"));
    EXPECT_EQ(info->cameras, 3);
    EXPECT_EQ(keysOf(info->getCameraFrames(0)), (std::vector<qint64>{0, 40, 80, 120}));
    EXPECT_EQ(keysOf(info->getCameraFrames(1)), (std::vector<qint64>{0, 120}));
    EXPECT_EQ(keysOf(info->getCameraFrames(2)), (std::vector<qint64>{0, 40}));
    EXPECT_EQ(keysOf(info->getCameraFrames(3)), (std::vector<qint64>{0, 80}));
    EXPECT_EQ(info->_timeSpan, 120u);
    EXPECT_EQ(info->_preTimeSpan, 80u);
    EXPECT_EQ(info->firstTime, utc(2024, 3, 5, 17, 8, 9));
    EXPECT_EQ(info->lastTime, utc(2024, 3, 5, 17, 8, 12));
    EXPECT_EQ(info->_playback.detectPosition, 80);
    EXPECT_TRUE(info->frameAt(0, 80)->gDetected);

    const VideoFramePtr f = info->frameAt(0, 0);
    EXPECT_DOUBLE_EQ(f->gX, -0.15);
    EXPECT_DOUBLE_EQ(f->gY, 0.025);
    EXPECT_EQ(f->speed, 62);
    EXPECT_EQ(f->_longitude, kLongitudeMs);
    EXPECT_EQ(f->_latitude, kLatitudeMs);
    EXPECT_EQ(info->frameAt(0, 80)->ex.violationType, ViolationType::Swerve);
    EXPECT_EQ(info->frameAt(0, 120)->ex.violationType, ViolationType::GDetection);
}

TEST_F(DivisionFileTest, MovieFileViolationCodesMapToTheirCases)
{
    const QByteArray date = bcdDate(2024, 3, 5, 17, 8, 9);
    QByteArray file = shortHeader({}) + moveFrame(0x55, 1, 1, date, 0x00);
    const std::uint8_t codes[] = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x00};
    const ViolationType expected[] = {ViolationType::GDetection, ViolationType::VelocityGDetection,
                                      ViolationType::Accel,      ViolationType::Decel,
                                      ViolationType::Overspeed,  ViolationType::Overspeed,
                                      ViolationType::Swerve,     ViolationType::All,
                                      ViolationType::All};
    for (int i = 0; i < 9; ++i)
        file += moveFrame(0x55, 1000 + 10 * std::uint32_t(i), 1, date, codes[i]);
    bool isError = false;
    const auto info =
        VideoInfo::readMoveFile(write(QStringLiteral("M.DAT"), file), CommonConst::DEFAULT_DATE(), kFarFuture,
                                PictureDataType::Classify, nullptr, isError);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(info->frameAt(0, 10 * i)->ex.violationType, expected[i]) << i;
    EXPECT_TRUE(info->frameAt(0, 0)->imageData().isEmpty()); // classification keeps no pictures
}

TEST_F(DivisionFileTest, MovieFileWithoutTabledPicturesHasNoDetectionTime)
{
    // The only picture becomes the thumbnail, which no table holds.
    const QByteArray file = shortHeader({}) + moveFrame(0x55, 900, 1, bcdDate(2024, 3, 5, 17, 8, 9), 0x00);
    bool isError = false;
    const auto info =
        VideoInfo::readMoveFile(write(QStringLiteral("M.DAT"), file), CommonConst::DEFAULT_DATE(), kFarFuture,
                                PictureDataType::Classify, nullptr, isError);
    EXPECT_EQ(info->_thumbnail->_timeStamp, 900u);
    EXPECT_EQ(info->_playback.detectTime, CommonConst::DEFAULT_DATE());
}

TEST_F(DivisionFileTest, MovieFileResynchronisesAfterADamagedRecordAndStopsAtAnOversizedOne)
{
    const QByteArray date = bcdDate(2024, 3, 5, 17, 8, 9);
    QByteArray found = moveFrame(0x55, 2000, 1, date, 0x00, QByteArray(100, 'F'));
    found.replace(66, 14, CommonConst::IMAGE_DATA_IDENTIFIER()); // in the gap before its data block
    QByteArray oversized = moveFrame(0x55, 5000, 1, date, 0x00);
    put32(oversized, 0, 0xFFFFFFF0u);
    const QByteArray file = shortHeader({}) + moveFrame(0x55, 1000, 1, date, 0x1F) + QByteArray(50, '\0') +
                            found + moveFrame(0x55, 2040, 1, date, 0x00) + oversized +
                            moveFrame(0x55, 6000, 1, date, 0x00);
    bool isError = false;
    const auto info =
        VideoInfo::readMoveFile(write(QStringLiteral("M.DAT"), file), CommonConst::DEFAULT_DATE(), kFarFuture,
                                PictureDataType::All, nullptr, isError);
    EXPECT_TRUE(isError);
    EXPECT_EQ(info->_thumbnail->_timeStamp, 2000u);
    EXPECT_EQ(keysOf(info->getCameraFrames(0)), (std::vector<qint64>{0}));
    EXPECT_EQ(info->frameAt(0, 0)->_timeStamp, 2040u);
}

TEST_F(DivisionFileTest, ThumbnailPictureDataReadsTheDivisionFile)
{
    const QByteArray file = shortHeader({}) + divisionFrame(0x55, 1000, bcdDate(2024, 3, 5, 17, 8, 11),
                                                            kLongitude, kLatitude, identifiedPayload(20));
    const PictureData picture(QUrl::fromLocalFile(write(QStringLiteral("Video.dat"), file)),
                              PictureDataType::Thumbnail, CommonConst::DEFAULT_DATE(), kFarFuture, nullptr,
                              RecType::Melsi14Rec, QByteArray());
    ASSERT_TRUE(picture.video);
    EXPECT_EQ(picture.video->_thumbnail->_timeStamp, 1000u);
    EXPECT_TRUE(picture.errors.isEmpty());
}
