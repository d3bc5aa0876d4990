#include "core/recording/FullTimeDataInfo.h"
#include "core/recording/RecordingExports.h"
#include "core/recording/VersionInfo.h"
#include "core/recording/VideoInfo.h"

#include "core/foundation/CommonConst.h"

#include "../../support/SparseFile.h"
#include "recording/RecorderFileBuilder.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QUrl>
#include <gtest/gtest.h>
#include <set>
#include <thread>

using namespace testfiles;

namespace {

const QDateTime kFarFuture(QDate(9999, 12, 31), QTime(23, 59, 59), QTimeZone::utc());

struct ReadResult {
    std::shared_ptr<VideoInfo> info;
    bool isError = false;
};

ReadResult readData(const QString& path, PictureDataType type = PictureDataType::All,
                    const QDateTime& left = CommonConst::DEFAULT_DATE(), const QDateTime& right = kFarFuture,
                    const FullTimeDataInfo* fullTime = nullptr)
{
    ReadResult r;
    r.info = VideoInfo::readFile0401Move(path, VersionInfo(), left, right, type, fullTime, r.isError);
    return r;
}

FrameRecord record(std::uint8_t id, std::uint32_t stamp, std::uint32_t secondsAfter, std::uint32_t size,
                   std::uint8_t channel = 1)
{
    FrameRecord r;
    r.id = id;
    r.timeStamp = stamp;
    r.unixTime = 1700000000 + secondsAfter;
    r.frameSize = size;
    r.channel = channel;
    return r;
}

// Two blocks: pictures at 1000, 1080 (channel 1), 1160 (channel 1), 1240
// (channel 2) and sounds at 1020 and 1200.
QByteArray normalFile(RecorderHeader header = RecorderHeader())
{
    FrameRecord r0 = record(0x55, 1000, 0, 4);
    r0.speedTenths = 625;
    r0.gx = 0x0320;
    r0.gz = 8000;
    r0.violation = 0x10;
    FrameRecord r1 = record(0xAA, 1020, 0, 4);
    FrameRecord r2 = record(0x55, 1080, 1, 4);
    r2.longitude24 = 0x800000 | 100;
    r2.latitude24 = 0x800000 | 200;
    r2.violation = 0x11;
    FrameRecord r3 = record(0x55, 1160, 2, 4);
    r3.flags = 0x07;
    r3.violation = 0x14;
    FrameRecord r4 = record(0xAA, 1200, 3, 4);
    FrameRecord r5 = record(0x55, 1240, 5, 4, 2);
    r5.violation = 0x14;
    r5.qualifier = 0x01;
    return header.bytes + dataBlock("AAAASSSSBBBB", {r0, r1, r2}) + dataBlock("CCCCTTTTDDDD", {r3, r4, r5});
}

RecorderHeader fullHeader()
{
    RecorderHeader h;
    put8(h.bytes, 29, 0x05);
    put8(h.bytes, 30, 0x02);
    put32(h.bytes, 40, 1080);
    h.addInfo(0x00, 0x01, QByteArray::fromHex("1234"));
    h.addInfo(0x01, 0x03, QByteArray::fromHex("00123456"));
    h.addInfo(0x01, 0x04, QByteArray::fromHex("87654321"));
    h.addInfo(0x01, 0x09, QByteArray::fromHex("01"));
    h.addInfo(0x02, 0x01, QByteArray::fromHex("02"));
    h.addInfo(0x04, 0x06, QByteArray::fromHex("0A"));
    h.addInfo(0x08, 0x01, QByteArray::fromHex("01F4"));
    h.addInfo(0x09, 0x01, QByteArray::fromHex("05"));
    h.addInfo(0x10, 0x03, QByteArray::fromHex("00"));
    h.addInfo(0x10, 0x06, QByteArray::fromHex("01"));
    return h;
}

std::vector<qint64> keysOf(const FrameTable& table)
{
    std::vector<qint64> keys;
    for (const auto& entry : table)
        keys.push_back(entry.first);
    return keys;
}

class DataFileReaderTest : public ::testing::Test {
protected:
    QString write(const QByteArray& bytes, const QString& name = QStringLiteral("M0001.DAT"))
    {
        const QString path = dir.filePath(name);
        writeFile(path, bytes);
        return path;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(DataFileReaderTest, ReadsHeaderRecordsBlocksAndFrames)
{
    const ReadResult r = readData(write(normalFile(fullHeader())));
    ASSERT_TRUE(r.info);
    const VideoInfo& info = *r.info;
    EXPECT_FALSE(r.isError);
    EXPECT_EQ(info.detectType, 10);
    EXPECT_EQ(info._playback.detectionType, DetectionType::GSensor);
    EXPECT_EQ(info.state, 0x05);
    EXPECT_EQ(info.sw, 0x02);
    EXPECT_EQ(info._fileVersion, QStringLiteral("1234"));
    EXPECT_EQ(info._playback.userCarCode, QStringLiteral("00123456"));
    EXPECT_EQ(info._playback.userDriverCode, QStringLiteral("87654321"));
    EXPECT_EQ(info._playback.title, QStringLiteral("なし"));
    EXPECT_EQ(info._terminalType, TerminalType::Separate);
    EXPECT_EQ(info.cameras, 2);
    EXPECT_EQ(info._playback.d2US, QStringLiteral("0A"));
    EXPECT_EQ(info._playback.gValue, QStringLiteral("01F4"));
    EXPECT_EQ(info._playback.eventFPS, QStringLiteral("05"));
    EXPECT_EQ(info._playback.movieFPS, QStringLiteral("00"));
    EXPECT_FALSE(info.bMoveSoundMute);
    EXPECT_TRUE(info.powerDown);

    // Pictures of both channels, sorted by time stamp, keyed from the first block's lowest stamp.
    EXPECT_EQ(info._timeSpan, 240u);
    EXPECT_EQ(keysOf(info.getCameraFrames(0)), (std::vector<qint64>{0, 80, 160, 240}));
    EXPECT_EQ(keysOf(info.getCameraFrames(1)), (std::vector<qint64>{0, 80, 160, 240}));
    EXPECT_EQ(info.frameAt(1, 160)->_movieTimeStamp, 200u); // a step of 100 ms per frame
    EXPECT_TRUE(info._soundFrames.empty());
    EXPECT_EQ(info.firstTime, QDateTime::fromSecsSinceEpoch(1700000000, QTimeZone::utc()));
    EXPECT_EQ(info.lastTime, QDateTime::fromSecsSinceEpoch(1700000005, QTimeZone::utc()));
    EXPECT_EQ(info._playback.recordTime, info.firstTime);
    EXPECT_EQ(info._playback.endTime, info.lastTime);

    const VideoFramePtr first = info.frameAt(0, 0);
    EXPECT_EQ(first->speed, 62);
    EXPECT_DOUBLE_EQ(first->gX, 0.1);
    EXPECT_DOUBLE_EQ(first->gZ, 0.0);
    // Data-file frames take only the west and south flags of their position fields.
    EXPECT_EQ(first->_longitude, 0);
    EXPECT_EQ(first->_latitude, 0);
    EXPECT_EQ(first->_posWest, 0);
    EXPECT_EQ(first->addrs, 8192u + 48u);
    EXPECT_EQ(first->ex.violationType, ViolationType::GDetection);

    const VideoFramePtr west = info.frameAt(0, 80);
    EXPECT_EQ(west->addrs, 8192u + 48u + 8u); // after the first picture and the sound
    EXPECT_EQ(west->_longitude, 0);
    EXPECT_EQ(west->_latitude, 0);
    EXPECT_EQ(west->_posWest, 1);
    EXPECT_EQ(west->_posSouth, 1);
    EXPECT_EQ(west->ex.violationType, ViolationType::VelocityGDetection);
    EXPECT_EQ(info.frameAt(0, 160)->ex.violationType, ViolationType::Overspeed);
    EXPECT_EQ(info.frameAt(0, 240)->ex.violationType, ViolationType::All); // overspeed with a qualifier

    // Header detection position 1080 is 80 ms after the base.
    EXPECT_EQ(info._playback.detectPosition, 80);
    EXPECT_TRUE(west->gDetected);
    EXPECT_EQ(info._playback.detectTime, west->time());
}

TEST_F(DataFileReaderTest, CameraStepFollowsTheLastQualityRecord)
{
    auto stepFor = [&](std::initializer_list<const char*> modes) {
        RecorderHeader h;
        for (const char* m : modes)
            h.addInfo(0x10, 0x03, QByteArray::fromHex(m));
        const ReadResult r = readData(write(normalFile(h)), PictureDataType::Thumbnail);
        return r.info->frameAt(1, 80)->_movieTimeStamp;
    };
    EXPECT_EQ(stepFor({}), 100u);
    EXPECT_EQ(stepFor({"0A"}), 35u);
    EXPECT_EQ(stepFor({"06"}), 199u);
    EXPECT_EQ(stepFor({"06", "08"}), 500u);
    EXPECT_EQ(stepFor({"09"}), 1000u);
}

TEST_F(DataFileReaderTest, PlaybackInfoInShiftJisOverridesTheHeaderCodes)
{
    // "テスト" in Shift-JIS; an empty driver code leaves the header's to fill it.
    const QByteArray ini =
        "[INFO]\r\nUSER_CAR_CODE=ABC\r\nUSER_DRIVER_CODE=\r\nTITLE=" + QByteArray::fromHex("836583588367") +
        "\r\n";
    writeFile(dir.filePath(QStringLiteral("Playback.inf")), ini);
    const ReadResult r = readData(write(normalFile(fullHeader())));
    EXPECT_EQ(r.info->_playback.userCarCode, QStringLiteral("ABC"));
    EXPECT_EQ(r.info->_playback.userDriverCode, QStringLiteral("87654321"));
    EXPECT_EQ(r.info->_playback.title, QStringLiteral("テスト"));
    EXPECT_FALSE(r.isError);
}

TEST_F(DataFileReaderTest, UnsetCodesOfFFBytesAreNotFaults)
{
    RecorderHeader h;
    h.addInfo(0x01, 0x03, QByteArray::fromHex("FFFFFFFF"));
    h.addInfo(0x01, 0x04, QByteArray::fromHex("1234FF78"));
    const ReadResult r = readData(write(normalFile(h)));
    EXPECT_FALSE(r.isError);
    EXPECT_TRUE(r.info->_playback.userCarCode.isEmpty());
    EXPECT_TRUE(r.info->_playback.userDriverCode.isEmpty());

    // A later record still fills a code left unset.
    h.addInfo(0x01, 0x04, QByteArray::fromHex("00123456"));
    EXPECT_EQ(readData(write(normalFile(h))).info->_playback.userDriverCode, QStringLiteral("00123456"));
}

TEST_F(DataFileReaderTest, InvalidBcdInRecordsIsReportedAndLaterRecordsStillApply)
{
    RecorderHeader h;
    h.addInfo(0x1A, 0x03, QByteArray::fromHex("00000001"));
    h.addInfo(0x01, 0x03, QByteArray::fromHex("12FF3456")); // partly unset: not a code
    h.addInfo(0x09, 0x01, QByteArray::fromHex("07"));
    const ReadResult r = readData(write(normalFile(h)));
    EXPECT_TRUE(r.isError);
    EXPECT_TRUE(r.info->_playback.userCarCode.isEmpty());
    EXPECT_EQ(r.info->_playback.eventFPS, QStringLiteral("07"));
    EXPECT_EQ(r.info->_timeSpan, 240u);
}

TEST_F(DataFileReaderTest, FullTimeDataCodesTakeThePlaceOfTheHeaders)
{
    RecorderHeader h;
    h.addInfo(0x01, 0x03, QByteArray::fromHex("1A1A1A1A"));
    FullTimeDataInfo fullTime;
    fullTime._userCarCode = QStringLiteral("CAR9");
    const ReadResult r = readData(write(normalFile(h)), PictureDataType::Thumbnail,
                                  CommonConst::DEFAULT_DATE(), kFarFuture, &fullTime);
    EXPECT_FALSE(r.isError);
    EXPECT_EQ(r.info->_playback.userCarCode, QStringLiteral("CAR9"));
}

TEST_F(DataFileReaderTest, RecordingIdRulesOfTheFormat)
{
    // Header bytes 28 to 31 equal to the recording id: no block is read.
    RecorderHeader h;
    h.bytes.replace(28, 4, kRecordingId);
    ReadResult r = readData(write(normalFile(h)), PictureDataType::Thumbnail);
    EXPECT_TRUE(r.isError);
    EXPECT_EQ(r.info->_timeSpan, 0u);

    // A block whose first record carries the id gives nothing; the next block is still read.
    FrameRecord stop = record(0x55, 500, 0, 0);
    stop.recordingId = kRecordingId;
    const QByteArray file = RecorderHeader().bytes + dataBlock("", {stop, record(0x55, 600, 0, 0)}) +
                            dataBlock("", {record(0x55, 2000, 1, 0), record(0x55, 2100, 2, 0)});
    r = readData(write(file), PictureDataType::Thumbnail);
    EXPECT_FALSE(r.isError);
    EXPECT_EQ(keysOf(r.info->getCameraFrames(0)), (std::vector<qint64>{0, 100}));
}

TEST_F(DataFileReaderTest, ViolationCodesAndMissingPositions)
{
    std::vector<FrameRecord> records;
    const std::uint8_t codes[] = {0x12, 0x13, 0x15, 0x16, 0x17, 0x1F};
    for (int i = 0; i < 6; ++i) {
        FrameRecord fr = record(0x55, 1000 + 40 * std::uint32_t(i), 0, 0);
        fr.violation = codes[i];
        fr.longitude24 = 0xFFFFFF;
        fr.latitude24 = 0x800010;
        records.push_back(fr);
    }
    const ReadResult r =
        readData(write(RecorderHeader().bytes + dataBlock("", records)), PictureDataType::Thumbnail);
    const VideoInfo& info = *r.info;
    EXPECT_EQ(info.frameAt(0, 0)->ex.violationType, ViolationType::Accel);
    EXPECT_EQ(info.frameAt(0, 40)->ex.violationType, ViolationType::Decel);
    EXPECT_EQ(info.frameAt(0, 80)->ex.violationType, ViolationType::Overspeed);
    EXPECT_EQ(info.frameAt(0, 120)->ex.violationType, ViolationType::Swerve);
    EXPECT_EQ(info.frameAt(0, 160)->ex.violationType, ViolationType::All);
    EXPECT_EQ(info.frameAt(0, 200)->ex.violationType, ViolationType::All);
    EXPECT_TRUE(r.isError); // 0x1F is not BCD; the frame is still used
    EXPECT_EQ(info.getCameraFrames(0).size(), 6u);
    const VideoFramePtr f = info.frameAt(0, 40);
    EXPECT_EQ(f->_longitude, 0);
    EXPECT_EQ(f->_latitude, 0);
    EXPECT_EQ(f->_posWest, 0);
    EXPECT_EQ(f->_posSouth, 0);
}

TEST_F(DataFileReaderTest, BlocksOutsideTheTimeWindowAreSkipped)
{
    const QDateTime left = QDateTime::fromSecsSinceEpoch(1700000002, QTimeZone::utc());
    const ReadResult r = readData(write(normalFile()), PictureDataType::Thumbnail, left);
    EXPECT_EQ(keysOf(r.info->getCameraFrames(0)), (std::vector<qint64>{0, 80}));
    EXPECT_EQ(r.info->_timeSpan, 80u); // base 1160 from the second block
    EXPECT_EQ(r.info->firstTime, left);
}

TEST_F(DataFileReaderTest, DamagedBlockSizesEndTheWalk)
{
    const QByteArray good =
        RecorderHeader().bytes + dataBlock("", {record(0x55, 1000, 0, 0), record(0x55, 1040, 0, 0)});
    const QByteArray later = dataBlock("", {record(0x55, 2000, 1, 0)});
    for (std::int64_t size : {0, 1, 47, 1 << 30}) {
        QByteArray bad = dataBlock("", {record(0x55, 1500, 1, 0)}, size);
        const ReadResult r = readData(write(good + bad + later), PictureDataType::Thumbnail);
        EXPECT_EQ(r.isError, size != 0) << size; // 0 ends the blocks; the others are damage
        EXPECT_EQ(keysOf(r.info->getCameraFrames(0)), (std::vector<qint64>{0, 40})) << size;
    }
}

TEST_F(DataFileReaderTest, TruncatedFilesKeepTheCompleteBlocks)
{
    const QByteArray file = normalFile();
    // Cut inside the last record of the second block.
    ReadResult r = readData(write(file.left(file.size() - 10)), PictureDataType::Thumbnail);
    EXPECT_TRUE(r.isError);
    EXPECT_EQ(keysOf(r.info->getCameraFrames(0)), (std::vector<qint64>{0, 80}));

    // Exactly the header: its information, no frames.
    RecorderHeader h;
    h.addInfo(0x09, 0x01, QByteArray::fromHex("03"));
    r = readData(write(h.bytes), PictureDataType::Thumbnail);
    EXPECT_TRUE(r.isError);
    EXPECT_EQ(r.info->_playback.eventFPS, QStringLiteral("03"));
    EXPECT_EQ(r.info->_timeSpan, 0u);

    // Shorter than the header's fields, and a record list the file cuts short.
    for (int size : {0, 10, 47, 48, 70, 100}) {
        QByteArray shortFile = h.bytes.left(size);
        if (size >= 65) put8(shortFile, 64, 200);
        r = readData(write(shortFile), PictureDataType::Thumbnail);
        EXPECT_TRUE(r.isError) << size;
        EXPECT_EQ(r.info->_timeSpan, 0u) << size;
        EXPECT_EQ(r.info->getCameraFrames(0).size(), 1u) << size;
    }
}

TEST_F(DataFileReaderTest, DataSizePastTheBlockEndGivesABlockWithoutRecords)
{
    const QByteArray file = RecorderHeader().bytes +
                            dataBlock("", {record(0x55, 900, 0, 0)}, -1, 0x7FFFFFFF) +
                            dataBlock("", {record(0x55, 1000, 1, 0), record(0x55, 1100, 1, 0)});
    const ReadResult r = readData(write(file), PictureDataType::Thumbnail);
    EXPECT_FALSE(r.isError);
    EXPECT_EQ(keysOf(r.info->getCameraFrames(0)), (std::vector<qint64>{0, 100}));
}

TEST_F(DataFileReaderTest, UnreadableAndGarbageFilesGiveAnEmptyFlaggedRecording)
{
    ReadResult r = readData(dir.filePath(QStringLiteral("missing.DAT")));
    EXPECT_TRUE(r.isError);
    EXPECT_EQ(r.info->_timeSpan, 0u);
    EXPECT_TRUE(r.info->_channel1TempName.isEmpty());

    QRandomGenerator rng(42);
    for (int i = 0; i < 20; ++i) {
        QByteArray garbage(8192 + int(rng.bounded(20000)), '\0');
        for (char& c : garbage)
            c = char(rng.bounded(256));
        // Now and then make the header's id test pass and the blocks plausible.
        if (i % 2) put32(garbage, 8192, 48 + 64 * rng.bounded(4));
        r = readData(write(garbage), PictureDataType::Thumbnail);
        EXPECT_TRUE(r.info);
    }

    // Nor is a file larger than 32-bit offsets reach read at all.
    const QString big = write(normalFile());
    if (!growWithAHole(big, (qint64(1) << 32) + 1)) GTEST_SKIP() << "no sparse files here";
    r = readData(big);
    EXPECT_TRUE(r.isError);
    EXPECT_EQ(r.info->_timeSpan, 0u);
}

TEST_F(DataFileReaderTest, ExportsGoToAFolderOfTheirOwnThatTheNextReadReplaces)
{
    const QString path = write(normalFile());
    const ReadResult first = readData(path);
    const QString tmp = QFileInfo(CommonConst::DIR_PATH_TMP()).canonicalFilePath();
    ASSERT_FALSE(first.info->_channel1TempName.isEmpty());
    EXPECT_TRUE(QFileInfo(first.info->_channel1TempName).canonicalFilePath().startsWith(tmp));
    EXPECT_EQ(QFileInfo(first.info->_channel1TempName).fileName(), QStringLiteral("channel1.dat"));
    EXPECT_EQ(readFile(first.info->_channel1TempName), QByteArray("CCCC")); // the last channel-1 picture
    EXPECT_EQ(readFile(first.info->_aacTempName), QByteArray("TTTT"));      // the last sound
    EXPECT_FALSE(QFileInfo::exists(first.info->_channel2TempName));

    const ReadResult second = readData(path);
    EXPECT_NE(second.info->_channel1TempName, first.info->_channel1TempName);
    EXPECT_TRUE(QFileInfo::exists(second.info->_channel1TempName));
    EXPECT_FALSE(QFileInfo::exists(first.info->_channel1TempName));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(first.info->_channel1TempName).path()));

    // Other picture-data types touch no export.
    const ReadResult thumb = readData(path, PictureDataType::Thumbnail);
    EXPECT_TRUE(thumb.info->_channel1TempName.isEmpty());
    EXPECT_TRUE(thumb.info->_aacTempName.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(second.info->_channel1TempName));
}

TEST_F(DataFileReaderTest, ConcurrentReadsLeaveOnlyTheLastExport)
{
    const QString path = write(normalFile());
    std::vector<std::shared_ptr<VideoInfo>> results(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] {
            bool isError = false;
            results[i] = VideoInfo::readFile0401Move(path, VersionInfo(), CommonConst::DEFAULT_DATE(),
                                                     kFarFuture, PictureDataType::All, nullptr, isError);
        });
    }
    for (std::thread& t : threads)
        t.join();
    std::set<QString> folders;
    int existing = 0;
    for (const auto& info : results) {
        folders.insert(QFileInfo(info->_channel1TempName).path());
        if (QFileInfo::exists(info->_channel1TempName)) {
            ++existing;
            EXPECT_EQ(readFile(info->_channel1TempName), QByteArray("CCCC"));
        }
    }
    EXPECT_EQ(folders.size(), results.size());
    EXPECT_EQ(existing, 1);
    const QString last = RecordingExports::current();
    EXPECT_TRUE(QDir(last).exists());
    // The end of the program takes the last one too.
    RecordingExports::removeCurrent();
    EXPECT_FALSE(QFileInfo::exists(last));
    EXPECT_TRUE(RecordingExports::current().isEmpty());
}

TEST_F(DataFileReaderTest, MovieRecordingsMarkNoDetectionFrame)
{
    RecorderHeader h;
    put8(h.bytes, 0, 0x17);
    put32(h.bytes, 40, 1080);
    const ReadResult r = readData(write(normalFile(h)), PictureDataType::Thumbnail);
    EXPECT_EQ(r.info->_playback.detectionType, DetectionType::Movie);
    EXPECT_EQ(r.info->_playback.detectPosition, 0);
    for (const auto& [key, frame] : r.info->getCameraFrames(0))
        EXPECT_FALSE(frame->gDetected) << key;
}

TEST_F(DataFileReaderTest, DispatchReadsNonMp4RecordingsAsDataFiles)
{
    const QUrl url = QUrl::fromLocalFile(write(normalFile(fullHeader()), QStringLiteral("M0001.dat")));
    QStringList errors;
    const auto info = VideoInfo::fromFile(url, VersionInfo(), errors, CommonConst::DEFAULT_DATE(), kFarFuture,
                                          PictureDataType::All, nullptr, RecType::Melsi14Rec, QByteArray());
    ASSERT_TRUE(info);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(info->_timeSpan, 240u);

    // A damaged one comes back flawed, together with the message.
    const QByteArray file = normalFile();
    errors.clear();
    const auto cut =
        VideoInfo::fromFile(QUrl::fromLocalFile(write(file.left(file.size() - 10))), VersionInfo(), errors,
                            CommonConst::DEFAULT_DATE(), kFarFuture, PictureDataType::Thumbnail, nullptr,
                            RecType::MovieRec, QByteArray());
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->_timeSpan, 80u);
    EXPECT_EQ(errors, QStringList{VideoInfo::MSG_INVALID_PICTURE_INFO()});
}

TEST_F(DataFileReaderTest, BytesOutsideTheirBlockAreNotExported)
{
    FrameRecord picture = record(0x55, 1000, 0, 0x10000000);
    FrameRecord sound = record(0xAA, 1020, 0, 2);
    const ReadResult r = readData(write(RecorderHeader().bytes + dataBlock("SS", {picture, sound})));
    EXPECT_FALSE(QFileInfo::exists(r.info->_channel1TempName));
    EXPECT_FALSE(QFileInfo::exists(r.info->_aacTempName)); // its address follows the oversized picture
    EXPECT_EQ(r.info->_timeSpan, 20u);
}

#ifdef KR_HAVE_CARDGEN
#include "CardGen.h"

// The generator writes data files from the layouts on its own; reading one
// back checks both sides against each other.
TEST(DataFileReader, ReadsAGeneratedDataFileWithItsPlaybackInf)
{
    QTemporaryDir dir;
    cardgen::DataFileOptions o;
    o.seconds = 4;
    o.infCarCode = QStringLiteral("00000777");
    o.infTitle = QStringLiteral("朝の通勤");
    const auto written = cardgen::writeDataFile(dir.filePath(QStringLiteral("0001/2026031514300001.DAT")), o);
    const ReadResult r = readData(written.path);
    ASSERT_TRUE(r.info);
    EXPECT_FALSE(r.isError);
    EXPECT_EQ(r.info->_playback.userCarCode, QStringLiteral("00000777"));
    EXPECT_EQ(r.info->_playback.userDriverCode, QStringLiteral("87654321"));
    EXPECT_EQ(r.info->_playback.title, QStringLiteral("朝の通勤"));
    const FrameTable& frames = r.info->getCameraFrames(0);
    // Ten pictures a second for four seconds (the first also under key 0).
    EXPECT_GE(frames.size(), 40u);
    EXPECT_EQ(frames.rbegin()->first, 3900);
}
#endif
