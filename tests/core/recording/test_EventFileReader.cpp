#include "core/recording/VersionInfo.h"
#include "core/recording/VideoInfo.h"

#include "core/foundation/CommonConst.h"

#include "../../support/SparseFile.h"
#include "recording/RecorderFileBuilder.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QUrl>
#include <gtest/gtest.h>

using namespace testfiles;

namespace {

const QDateTime kFarFuture(QDate(9999, 12, 31), QTime(23, 59, 59), QTimeZone::utc());

struct ReadResult {
    std::shared_ptr<VideoInfo> info;
    bool isError = false;
};

FrameRecord eventRecord(std::uint8_t id, std::uint32_t stamp, std::uint32_t secondsAfter,
                        std::uint8_t camera = 1)
{
    FrameRecord r;
    r.id = id;
    r.timeStamp = stamp;
    r.unixTime = 1700000000 + secondsAfter;
    r.channel = camera;
    r.frameSize = 2;
    r.recordingId = kRecordingId; // event records must carry the header's id
    return r;
}

RecorderHeader eventHeader()
{
    RecorderHeader h;
    h.bcdCount = true;
    put32(h.bytes, 40, 1080);
    return h;
}

// Pictures at 1000 (camera 1), 1040 (camera 2), 1080 and 1120 (camera 1);
// sounds at 1010 and 1090.
QByteArray eventBlocks()
{
    return eventBlock(eventRecord(0x55, 1000, 0), "P0") + eventBlock(eventRecord(0xAA, 1010, 0), "S1") +
           eventBlock(eventRecord(0x55, 1040, 1, 2), "P2") + eventBlock(eventRecord(0x55, 1080, 2), "P3") +
           eventBlock(eventRecord(0xAA, 1090, 2), "S4") + eventBlock(eventRecord(0x55, 1120, 3), "P5");
}

std::vector<qint64> keysOf(const FrameTable& table)
{
    std::vector<qint64> keys;
    for (const auto& entry : table)
        keys.push_back(entry.first);
    return keys;
}

class EventFileReaderTest : public ::testing::Test {
protected:
    QString write(const QByteArray& bytes)
    {
        const QString path = dir.filePath(QStringLiteral("Video.dat"));
        writeFile(path, bytes);
        return path;
    }
    ReadResult read(const QByteArray& bytes, PictureDataType type = PictureDataType::All,
                    const QDateTime& left = CommonConst::DEFAULT_DATE(), const QDateTime& right = kFarFuture)
    {
        ReadResult r;
        r.info =
            VideoInfo::readFolderMove(write(bytes), VersionInfo(), left, right, type, nullptr, r.isError);
        return r;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(EventFileReaderTest, ReadsEveryBlockWhoseFourIdBytesMatch)
{
    RecorderHeader h = eventHeader();
    h.addInfo(0x01, 0x03, QByteArray::fromHex("00123456"));
    h.addInfo(0x02, 0x01, QByteArray::fromHex("02"));
    h.addInfo(0x10, 0x03, QByteArray::fromHex("01"));
    const ReadResult r = read(h.bytes + eventBlocks());
    const VideoInfo& info = *r.info;
    EXPECT_FALSE(r.isError);
    EXPECT_EQ(info.detectType, 10);
    EXPECT_EQ(info._playback.userCarCode, QStringLiteral("00123456"));
    EXPECT_EQ(info.cameras, 2);
    EXPECT_EQ(info._playback.movieFPS, QStringLiteral("01"));

    EXPECT_EQ(keysOf(info.getCameraFrames(0)), (std::vector<qint64>{0, 40, 80, 120}));
    EXPECT_EQ(keysOf(info.getCameraFrames(1)), (std::vector<qint64>{0, 80, 120}));
    EXPECT_EQ(keysOf(info.getCameraFrames(2)), (std::vector<qint64>{0, 40}));
    EXPECT_EQ(info._timeSpan, 120u);
    EXPECT_EQ(info._preTimeSpan, 80u);
    EXPECT_EQ(info.firstTime, QDateTime::fromSecsSinceEpoch(1700000000, QTimeZone::utc()));
    EXPECT_EQ(info.lastTime, QDateTime::fromSecsSinceEpoch(1700000003, QTimeZone::utc()));
    EXPECT_EQ(info.frameAt(0, 0)->imageData(), info._jpegHeader12);
    EXPECT_EQ(info.frameAt(0, 0)->addrs, 8192u + 96u);
    EXPECT_EQ(info.frameAt(0, 0)->_longitude, 0);
    EXPECT_EQ(info.frameAt(0, 0)->_posWest, 0);

    // The sound payloads, in file order, in a file of this read's own.
    EXPECT_EQ(QFileInfo(info._aacTempName).fileName(), QStringLiteral("sound.dat"));
    EXPECT_EQ(readFile(info._aacTempName), QByteArray("S1S4"));
}

TEST_F(EventFileReaderTest, BlockPassRunsOnceAfterAllInformationRecords)
{
    // A second pass would take the detection key of the first for a recorder position.
    RecorderHeader h = eventHeader();
    h.addInfo(0x09, 0x01, QByteArray::fromHex("05"));
    h.addInfo(0x04, 0x06, QByteArray::fromHex("02"));
    h.addInfo(0x08, 0x01, QByteArray::fromHex("0123"));
    const ReadResult r = read(h.bytes + eventBlocks());
    EXPECT_EQ(r.info->_playback.detectPosition, 80);
    EXPECT_TRUE(r.info->frameAt(0, 80)->gDetected);
    EXPECT_EQ(r.info->_playback.detectTime, r.info->frameAt(0, 80)->time());
    EXPECT_EQ(r.info->_playback.gValue, QStringLiteral("0123"));
}

TEST_F(EventFileReaderTest, NoInformationRecordsMeansNoBlockPassAndNoLength)
{
    const ReadResult r = read(eventHeader().bytes + eventBlocks());
    EXPECT_FALSE(r.isError);
    EXPECT_EQ(r.info->_timeSpan, 0u);
    EXPECT_EQ(r.info->getCameraFrames(0).size(), 1u);

    // The dispatch reports it.
    QStringList errors;
    VideoInfo::fromFile(QUrl::fromLocalFile(dir.filePath(QStringLiteral("Video.dat"))), VersionInfo(), errors,
                        CommonConst::DEFAULT_DATE(), kFarFuture, PictureDataType::All, nullptr,
                        RecType::EventRec, QByteArray());
    EXPECT_EQ(errors, QStringList{VideoInfo::MSG_INVALID_PICTURE_INFO()});
}

TEST_F(EventFileReaderTest, HeaderOnlyFileHasNoFramesAndIsFlagged)
{
    RecorderHeader h = eventHeader();
    h.addInfo(0x09, 0x01, QByteArray::fromHex("05"));
    const ReadResult r = read(h.bytes);
    EXPECT_TRUE(r.isError);
    EXPECT_EQ(r.info->_playback.eventFPS, QStringLiteral("05"));
    EXPECT_EQ(r.info->_timeSpan, 0u);
    // Without a detection frame the header's detection time stands.
    EXPECT_EQ(r.info->_playback.detectTime, QDateTime::fromSecsSinceEpoch(1700000000, QTimeZone::utc()));
}

TEST_F(EventFileReaderTest, WalkEndsAtAForeignBlockOrRecordId)
{
    RecorderHeader h = eventHeader();
    h.addInfo(0x09, 0x01, QByteArray::fromHex("05"));
    const QByteArray before =
        eventBlock(eventRecord(0x55, 1000, 0), "P0") + eventBlock(eventRecord(0x55, 1040, 0), "P1");
    const QByteArray after = eventBlock(eventRecord(0x55, 1200, 1), "P9");

    ReadResult r = read(h.bytes + before + eventBlock(eventRecord(0x55, 1080, 0), "PX", "ABCD") + after);
    EXPECT_EQ(keysOf(r.info->getCameraFrames(0)), (std::vector<qint64>{0, 40}));

    FrameRecord foreign = eventRecord(0x55, 1080, 0);
    foreign.recordingId = "ABCD";
    r = read(h.bytes + before + eventBlock(foreign, "PX") + after);
    EXPECT_EQ(keysOf(r.info->getCameraFrames(0)), (std::vector<qint64>{0, 40}));
}

TEST_F(EventFileReaderTest, SmallOrOversizedBlocksEndTheWalk)
{
    RecorderHeader h = eventHeader();
    h.addInfo(0x09, 0x01, QByteArray::fromHex("05"));
    const QByteArray first = eventBlock(eventRecord(0x55, 1000, 0), "P0");
    const QByteArray later = eventBlock(eventRecord(0x55, 1200, 1), "P9");
    for (std::int64_t size : {0, 0x60}) {
        const ReadResult r =
            read(h.bytes + first + eventBlock(eventRecord(0x55, 1040, 0), "P1", kRecordingId, size) + later);
        EXPECT_EQ(r.info->getCameraFrames(0).size(), 1u) << size;
        EXPECT_EQ(r.info->_timeSpan, 0u) << size;
    }

    // A block that claims more than the file holds: its frame is taken,
    // its sound bytes are not, and the walk ends there.
    FrameRecord sound = eventRecord(0xAA, 1050, 0);
    sound.frameSize = 1000;
    const ReadResult r = read(h.bytes + first + eventBlock(eventRecord(0x55, 1040, 0), "P1") +
                              eventBlock(sound, "S1", kRecordingId, 5000));
    EXPECT_EQ(r.info->_timeSpan, 50u);
    EXPECT_EQ(readFile(r.info->_aacTempName), QByteArray());
}

TEST_F(EventFileReaderTest, FramesOutsideTheWindowAreSkipped)
{
    RecorderHeader h = eventHeader();
    h.addInfo(0x09, 0x01, QByteArray::fromHex("05"));
    const QDateTime left = QDateTime::fromSecsSinceEpoch(1700000001, QTimeZone::utc());
    const QDateTime right = QDateTime::fromSecsSinceEpoch(1700000002, QTimeZone::utc());
    const ReadResult r = read(h.bytes + eventBlocks(), PictureDataType::All, left, right);
    EXPECT_EQ(keysOf(r.info->getCameraFrames(0)), (std::vector<qint64>{0, 40}));
    EXPECT_EQ(r.info->firstTime, left);
    EXPECT_EQ(readFile(r.info->_aacTempName), QByteArray("S4"));
}

TEST_F(EventFileReaderTest, ThumbnailReadsKeepNoPicturesAndWriteNoSound)
{
    RecorderHeader h = eventHeader();
    h.addInfo(0x09, 0x01, QByteArray::fromHex("05"));
    const ReadResult r = read(h.bytes + eventBlocks(), PictureDataType::Thumbnail);
    EXPECT_TRUE(r.info->frameAt(0, 0)->imageData().isEmpty());
    EXPECT_TRUE(r.info->_aacTempName.isEmpty());
    EXPECT_EQ(r.info->_timeSpan, 120u);
}

TEST_F(EventFileReaderTest, CodesOfFFBytesAreUnsetAndOtherBadDigitsAreFaults)
{
    RecorderHeader h = eventHeader();
    h.addInfo(0x01, 0x03, QByteArray::fromHex("FFFFFFFF"));
    h.addInfo(0x01, 0x04, QByteArray::fromHex("12FF3456"));
    ReadResult r = read(h.bytes + eventBlocks());
    EXPECT_FALSE(r.isError);
    EXPECT_TRUE(r.info->_playback.userCarCode.isEmpty());
    EXPECT_TRUE(r.info->_playback.userDriverCode.isEmpty());

    RecorderHeader bad = eventHeader();
    bad.addInfo(0x01, 0x03, QByteArray::fromHex("12FF3456"));
    bad.addInfo(0x1A, 0x01, QByteArray::fromHex("00"));
    bad.addInfo(0x09, 0x01, QByteArray::fromHex("05"));
    r = read(bad.bytes + eventBlocks());
    EXPECT_TRUE(r.isError);
    EXPECT_TRUE(r.info->_playback.userCarCode.isEmpty());
    EXPECT_EQ(r.info->_playback.eventFPS, QStringLiteral("05"));
}

TEST_F(EventFileReaderTest, TruncatedAndGarbageFilesAreSafe)
{
    RecorderHeader h = eventHeader();
    h.addInfo(0x09, 0x01, QByteArray::fromHex("05"));
    const QByteArray file = h.bytes + eventBlocks();
    // Cut inside the record of the last block: the frames before it stay.
    ReadResult r = read(file.left(file.size() - 30));
    EXPECT_EQ(keysOf(r.info->getCameraFrames(0)), (std::vector<qint64>{0, 40, 80}));

    r = read(h.bytes.left(100));
    EXPECT_TRUE(r.isError);
    EXPECT_EQ(r.info->_timeSpan, 0u);

    QRandomGenerator rng(7);
    for (int i = 0; i < 20; ++i) {
        QByteArray garbage(8192 + int(rng.bounded(4000)), '\0');
        for (char& c : garbage)
            c = char(rng.bounded(256));
        put8(garbage, 64, 0x01);
        garbage.replace(44, 4, kRecordingId);
        if (garbage.size() > 8192 + 32) garbage.replace(8192 + 28, 4, kRecordingId);
        r = read(garbage, PictureDataType::All);
        EXPECT_TRUE(r.info);
    }

    // A file larger than 32-bit offsets reach is not read at all.
    const QString big = write(file);
    if (!growWithAHole(big, (qint64(1) << 32) + 1)) GTEST_SKIP() << "no sparse files here";
    r = ReadResult();
    r.info = VideoInfo::readFolderMove(big, VersionInfo(), CommonConst::DEFAULT_DATE(), kFarFuture,
                                       PictureDataType::All, nullptr, r.isError);
    EXPECT_EQ(r.info->_timeSpan, 0u);
}
