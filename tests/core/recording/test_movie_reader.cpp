#include "core/recording/CutVideoUtility.h"
#include "core/recording/VideoInfo.h"
#include "core/recording/VersionInfo.h"
#include "core/settings/SettingInfo.h"

#include "MovieBytes.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace moviebytes;

namespace {

struct ReadResult {
    std::shared_ptr<VideoInfo> info;
    bool isError = false;
};

ReadResult readBytes(const QByteArray& bytes, const QByteArray& fileInfo = SettingInfo().makeRecord(SettingInfo::DataType::FileInfo))
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    ReadResult r;
    r.info = VideoInfo::readMelsi14Device(buffer, CommonConst::DEFAULT_DATE(), CommonConst::DEFAULT_DATE().addYears(4000),
                                          r.isError, fileInfo);
    return r;
}

Record pic(std::uint32_t ts, std::uint32_t time = 1700000000)
{
    Record r;
    r.timeStamp = ts;
    r.time = time;
    return r;
}

QByteArray run(std::initializer_list<Record> records)
{
    QByteArray b;
    for (const Record& r : records) b += recordBytes(r);
    return b;
}

} // namespace

TEST(MovieReaderIndex, MovieWithoutUdatOrWithEmptyUdatGivesNone)
{
    EXPECT_FALSE(readBytes(box("ftyp", "abcd") + box("mdat", "xx")).info);
    EXPECT_FALSE(readBytes(box("ftyp", "abcd") + box("udat", QByteArray())).info);
}

TEST(MovieReaderIndex, HeaderOnlyIndexGivesAnEmptyRecordingWithoutError)
{
    const auto r = readBytes(movieBytes({headerBytes({}), {}}));
    ASSERT_TRUE(r.info);
    EXPECT_FALSE(r.isError);
    EXPECT_EQ(r.info->_timeSpan, 0u);
    EXPECT_EQ(r.info->firstTime, CommonConst::DEFAULT_DATE());
    EXPECT_EQ(r.info->lastTime, CommonConst::DEFAULT_DATE());
    EXPECT_EQ(r.info->getCameraFrames(1).size(), 1u);
}

TEST(MovieReaderRuns, ReadsEveryWholeRecordOfARun)
{
    const QByteArray three = run({pic(1000), pic(1036), pic(1072)});
    auto r = readBytes(movieBytes({headerBytes({}), {three}}));
    ASSERT_TRUE(r.info);
    EXPECT_EQ(r.info->getCameraFrames(0).size(), 3u); // keys 0, 36, 72
    EXPECT_EQ(r.info->_timeSpan, 72u);

    r = readBytes(movieBytes({headerBytes({}), {three + QByteArray(1, 0)}}));
    EXPECT_EQ(r.info->getCameraFrames(0).size(), 3u);
}

TEST(MovieReaderRuns, ARecordOfAnotherRecordingEndsTheRun)
{
    Record foreign = pic(1036);
    foreign.recordingId = QByteArray::fromHex("00000000");
    const auto r = readBytes(movieBytes({headerBytes({}), {run({pic(1000), foreign, pic(1072)})}}));
    ASSERT_TRUE(r.info);
    EXPECT_EQ(r.info->getCameraFrames(0).size(), 1u);
    EXPECT_EQ(r.info->_timeSpan, 0u);
}

TEST(MovieReaderRuns, FirstRunWithoutPicturesDoesNotSpoilTheRecording)
{
    Record sound = pic(500);
    sound.id = 0xAA;
    const auto r = readBytes(movieBytes({headerBytes({}), {run({sound}), run({pic(2000), pic(2040)})}}));
    ASSERT_TRUE(r.info);
    EXPECT_FALSE(r.isError);
    EXPECT_EQ(r.info->_timeSpan, 40u);
    const FrameTable& t1 = r.info->getCameraFrames(1);
    EXPECT_EQ(t1.begin()->first, 0);
    EXPECT_EQ(t1.rbegin()->first, 40);
    // the pictures sit in run 2, so the movie time starts at its second
    EXPECT_EQ(t1.at(0)->_movieTimeStamp, 1000u);
}

TEST(MovieReaderRuns, RunsWithoutAnyPictureMakeTheRecordingUnreadable)
{
    Record sound = pic(500);
    sound.id = 0xAA;
    const auto r = readBytes(movieBytes({headerBytes({}), {run({sound}), run({sound})}}));
    ASSERT_TRUE(r.info);
    EXPECT_TRUE(r.isError);
    EXPECT_EQ(r.info->_timeSpan, 0u);
}

TEST(MovieReaderRuns, RunPastTheEndOfTheFileReadsAsEmpty)
{
    Movie m{headerBytes({}), {run({pic(1000), pic(1036)})}};
    m.extraEntries.emplace_back(0x7FFFFF00u, 0x40u);
    const auto r = readBytes(movieBytes(m));
    ASSERT_TRUE(r.info);
    EXPECT_FALSE(r.isError);
    EXPECT_EQ(r.info->_timeSpan, 36u);
}

TEST(MovieReaderIndex, OverlappingRangesOrMoreBytesThanTheFileMakeTheMovieUnreadable)
{
    // The header at 40 and one run of 100 records right after it.
    QByteArray runBytes;
    for (std::uint32_t i = 0; i < 100; ++i) runBytes += recordBytes(pic(1000 + 36 * i));
    const Movie whole{headerBytes({}), {runBytes}};
    const QByteArray plain = movieBytes(whole);
    ASSERT_TRUE(readBytes(plain).info);
    const std::uint32_t runStart = 40 + std::uint32_t(headerBytes({}).size());

    // A range inside the run, and one that starts inside it and runs on:
    // each would decode the same records again.
    for (const auto& extra : {std::pair{runStart + 64, 128u}, std::pair{runStart + 6336, 640u}}) {
        Movie crafted = whole;
        crafted.extraEntries.push_back(extra);
        EXPECT_FALSE(readBytes(movieBytes(crafted)).info) << extra.first;
    }
    // Ranges that do not overlap but announce more bytes than the file holds.
    Movie beyond = whole;
    beyond.extraEntries.emplace_back(0x7FFFFF00u, std::uint32_t(plain.size()));
    EXPECT_FALSE(readBytes(movieBytes(beyond)).info);
}

TEST(MovieReaderRecords, DecodesTimeSpeedGravityAndFlags)
{
    Record rec = pic(1000, 1700000123);
    rec.speed10 = 1234;
    rec.gx = 0x0320; // 800 / 16 * 2 = 100 -> 0.1 g
    rec.gy = 0xFFF0; // negative: (65520 / 16) * 2 - 8192 = -2
    rec.gz = 0x1F40;
    rec.flags = 0x05; // gps, power-down
    rec.sw = 0x42;
    rec.channel = 2;
    const auto r = readBytes(movieBytes({headerBytes({}), {run({rec})}}));
    ASSERT_TRUE(r.info);
    const VideoFramePtr f = r.info->frameAt(0, 0);
    EXPECT_EQ(f->time().toSecsSinceEpoch(), 1700000123);
    EXPECT_EQ(f->speed, 123);
    EXPECT_DOUBLE_EQ(f->gX, 0.1);
    EXPECT_DOUBLE_EQ(f->gY, -0.002);
    EXPECT_DOUBLE_EQ(f->gZ, 0.0);
    EXPECT_TRUE(f->gps);
    EXPECT_FALSE(f->_gps2);
    EXPECT_TRUE(f->powerDown);
    EXPECT_TRUE(r.info->powerDown);
    EXPECT_EQ(f->sw, 0x42);
    EXPECT_EQ(f->pictureChannel, 2);
    EXPECT_EQ(f->frameSize, 4096u);
    EXPECT_EQ(f->blockNo, 1);
    EXPECT_EQ(f->_id, 0x55);
}

TEST(MovieReaderRecords, PositionsCarryWestAndSouthFlags)
{
    Record west = pic(1000);
    west.longitude = 0x800010;
    west.latitude = 0x800020;
    Record none = pic(1036);
    none.noPosition = true;
    const auto r = readBytes(movieBytes({headerBytes({}), {run({west, none})}}));
    ASSERT_TRUE(r.info);
    const FrameTable& t = r.info->getCameraFrames(0);
    EXPECT_EQ(t.at(0)->_longitude, -16);
    EXPECT_EQ(t.at(0)->_posWest, 1);
    EXPECT_EQ(t.at(0)->_latitude, -32);
    EXPECT_EQ(t.at(0)->_posSouth, 1);
    // a record without a position takes the carried one
    EXPECT_EQ(t.at(36)->_posWest, 0);
    EXPECT_EQ(t.at(36)->_longitude, -16);
    EXPECT_EQ(t.at(36)->_latitude, -32);
}

TEST(MovieReaderRecords, ARecordWithoutAFixTakesTheLastPositionSeenBeforeIt)
{
    auto at = [](std::uint32_t ts, std::uint32_t longitude, std::uint8_t id = 0x55) {
        Record r = pic(ts);
        r.id = id;
        r.longitude = longitude;
        r.latitude = longitude + 1;
        return r;
    };
    auto lost = [](std::uint32_t ts) {
        Record r = pic(ts);
        r.noPosition = true;
        r.flags = 0x00;
        return r;
    };
    // A cold start, then a fix, a tunnel, a second fix, a second tunnel that
    // spans two runs; a sound record with its own fix counts too.
    const auto r = readBytes(movieBytes(
        {headerBytes({}),
         {run({lost(1000), at(1036, 100), lost(1072), at(1108, 200), lost(1144)}),
          run({lost(2000), at(2036, 0), at(2072, 250, 0xAA) /*sound*/, lost(2108)}),
          run({at(3000, 300), lost(3036)})}}));
    ASSERT_TRUE(r.info);
    const FrameTable& t = r.info->getCameraFrames(0);
    auto longitudeAt = [&](qint64 key) { return t.at(key)->_longitude; };
    EXPECT_EQ(longitudeAt(0), 100);   // before the first fix: the first fix
    EXPECT_EQ(longitudeAt(72), 100);
    EXPECT_EQ(longitudeAt(144), 200); // the last fix, not the first
    EXPECT_EQ(longitudeAt(1000), 200);
    EXPECT_EQ(t.at(1000)->_latitude, 201);
    EXPECT_EQ(longitudeAt(1036), 200); // longitude 0 is no fix either
    EXPECT_EQ(t.at(1036)->_latitude, 201);
    EXPECT_EQ(longitudeAt(1108), 250); // after the sound record's fix
    EXPECT_EQ(longitudeAt(2000), 300);
    EXPECT_EQ(longitudeAt(2036), 300);
    EXPECT_FALSE(t.at(144)->gps);      // the flag stays as recorded
    EXPECT_TRUE(t.at(108)->gps);
    // The gap copies of table 1 are made after the carry: they sit where their frame is.
    for (const auto& [key, frame] : r.info->getCameraFrames(1)) EXPECT_NE(frame->_longitude, 0) << key;
}

TEST(MovieReaderRecords, DrivingEventCodes)
{
    auto eventOf = [](std::uint8_t code, std::uint8_t qualifier, bool& isError) {
        Record rec = pic(1000);
        rec.event = code;
        rec.qualifier = qualifier;
        const auto r = readBytes(movieBytes({headerBytes({}), {run({rec})}}));
        isError = r.isError;
        return r.info->frameAt(0, 0)->ex.violationType;
    };
    bool err = false;
    EXPECT_EQ(eventOf(0x14, 0x00, err), ViolationType::Overspeed);
    EXPECT_FALSE(err);
    EXPECT_EQ(eventOf(0x14, 0x01, err), ViolationType::All);
    EXPECT_EQ(eventOf(0x14, 0x0F, err), ViolationType::Overspeed);
    EXPECT_TRUE(err);
    EXPECT_EQ(eventOf(0x1A, 0x00, err), ViolationType::All);
    EXPECT_TRUE(err);
    EXPECT_EQ(eventOf(0x17, 0x00, err), ViolationType::All);
    EXPECT_FALSE(err);
    EXPECT_EQ(eventOf(0x10, 0x00, err), ViolationType::GDetection);
    EXPECT_EQ(eventOf(0x16, 0x00, err), ViolationType::Swerve);
}

TEST(MovieReaderHeader, KindSwitchAndInfoRecords)
{
    Header h;
    h.kind = 0x17;
    h.sw = 0x12;
    h.detectPosition = 1036;
    h.infoRecords = {infoRecord(0x00, 0x01, 0x07, 0x14), infoRecord(0x01, 0x09, 0x01), infoRecord(0x10, 0x03, 0x02),
                     infoRecord(0x0A, 0x03, 0x00)};
    const auto r = readBytes(movieBytes({headerBytes(h), {run({pic(1000, 1700000001), pic(1036, 1700000002)})}}));
    ASSERT_TRUE(r.info);
    EXPECT_EQ(r.info->detectType, 17);
    EXPECT_EQ(r.info->_playback.detectionType, DetectionType::Movie);
    EXPECT_EQ(r.info->sw, 12);
    EXPECT_EQ(r.info->_fileVersion, QStringLiteral("0714"));
    EXPECT_EQ(r.info->_terminalType, TerminalType::Separate);
    EXPECT_EQ(r.info->_recMode, CommonConst::RecMode::LongRec);
    // a movie recording marks nothing: the detect time is that of key 0
    EXPECT_EQ(r.info->_playback.detectPosition, 0);
    EXPECT_EQ(r.info->_playback.detectTime.toSecsSinceEpoch(), 1700000001);
}

TEST(MovieReaderHeader, InvalidBcdKindKeepsTheDefaults)
{
    Header h;
    h.kind = 0x1F;
    h.sw = 0xAB;
    const auto r = readBytes(movieBytes({headerBytes(h), {run({pic(1000)})}}));
    ASSERT_TRUE(r.info);
    EXPECT_EQ(r.info->detectType, 0);
    EXPECT_EQ(r.info->_playback.detectionType, DetectionType::GSensor);
    EXPECT_EQ(r.info->sw, 0);
}

TEST(MovieReaderHeader, DetectionFrameIsFoundRelativeToTheFirstStamp)
{
    Header h;
    h.detectPosition = 100000 + 1500; // 1.5 s into a recording whose stamps start at 100000
    const auto r = readBytes(movieBytes({headerBytes(h), {run({pic(100000, 1700000000), pic(100036, 1700000000)}),
                                                          run({pic(101500, 1700000001), pic(101536, 1700000001)})}}));
    ASSERT_TRUE(r.info);
    EXPECT_EQ(r.info->_playback.detectPosition, 1500);
    EXPECT_TRUE(r.info->getCameraFrames(0).at(1500)->gDetected);
    EXPECT_EQ(r.info->_playback.detectTime.toSecsSinceEpoch(), 1700000001);
}

TEST(MovieReaderHeader, DetectionPositionBeyondTheRecordingMarksItsStart)
{
    Header h;
    h.detectPosition = 100000 + 5000; // below the last stamp's absolute value, beyond the recording
    const auto r = readBytes(movieBytes({headerBytes(h), {run({pic(100000), pic(100036)})}}));
    ASSERT_TRUE(r.info);
    EXPECT_EQ(r.info->_playback.detectPosition, 0);
    EXPECT_TRUE(r.info->getCameraFrames(0).at(0)->gDetected);
}

TEST(MovieReaderHeader, ShortHeaderMakesTheMovieUnreadable)
{
    QByteArray h = headerBytes({});
    EXPECT_FALSE(readBytes(movieBytes({h.left(50), {run({pic(1000)})}})).info);
    EXPECT_FALSE(readBytes(movieBytes({h.left(64), {run({pic(1000)})}})).info);
    Header withRecords;
    withRecords.infoRecords = {infoRecord(0, 1, 7, 0x14), infoRecord(0x10, 3, 1)};
    const QByteArray full = headerBytes(withRecords);
    EXPECT_FALSE(readBytes(movieBytes({full.left(full.size() - 1), {run({pic(1000)})}})).info);
    EXPECT_TRUE(readBytes(movieBytes({full, {run({pic(1000)})}})).info);

    QStringList errors;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("short.MP4"));
    ASSERT_TRUE(writeFile(path, movieBytes({h.left(50), {run({pic(1000)})}})));
    EXPECT_FALSE(VideoInfo::fromFile(QUrl::fromLocalFile(path), VersionInfo(), errors, CommonConst::DEFAULT_DATE(),
                                     CommonConst::DEFAULT_DATE().addYears(4000), PictureDataType::All, nullptr,
                                     RecType::Melsi14Rec, QByteArray()));
    EXPECT_EQ(errors, QStringList{VideoInfo::MSG_INVALID_PICTURE_INFO()});
}

TEST(MovieReaderTrimmed, OnlyAnExactEightByteRecordMarksATrimmedMovie)
{
    const QByteArray fileInfo = SettingInfo().makeRecord(SettingInfo::DataType::FileInfo);
    VideoInfo source;
    source.completeTables();
    const QByteArray archive =
        CutVideoUtility::encodeKihonInfo(CutVideoKihonInfo(source, 0, 0, 0, false, false, false, false));
    const QByteArray trimmed = box("ftyp", "abcd") + box("udat", fileInfo + archive);
    const auto r = readBytes(trimmed, fileInfo);
    ASSERT_TRUE(r.info);
    EXPECT_TRUE(r.info->_isCutVideo);

    const QByteArray normal = movieBytes({headerBytes({}), {run({pic(1000)})}});
    EXPECT_FALSE(readBytes(normal, fileInfo.left(7)).info->_isCutVideo);
    EXPECT_FALSE(readBytes(normal, fileInfo + "x").info->_isCutVideo);
    // a udat payload that starts like the 7-byte prefix is still read as an index
    EXPECT_FALSE(readBytes(trimmed, fileInfo.left(7)).info);
}

TEST(MovieReaderFile, LowerCaseExtensionSelectsTheMovieReader)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("m0000000000000001.mp4"));
    ASSERT_TRUE(writeFile(path, movieBytes({headerBytes({}), {run({pic(1000), pic(1036)})}})));
    QStringList errors;
    const auto info = VideoInfo::fromFile(QUrl::fromLocalFile(path), VersionInfo(), errors,
                                          CommonConst::DEFAULT_DATE(), CommonConst::DEFAULT_DATE().addYears(4000),
                                          PictureDataType::All, nullptr, RecType::Melsi14Rec,
                                          SettingInfo().makeRecord(SettingInfo::DataType::FileInfo));
    ASSERT_TRUE(info);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(info->_timeSpan, 36u);
}

TEST(MovieReaderFile, MovieOverFourGigabytesWithAnAppendedUdatOpens)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.MP4"));
    const QByteArray header = headerBytes({});
    const QByteArray records = run({pic(1000), pic(1036), pic(1072)});
    const qint64 mdatSize = (qint64(1) << 32) + 4096; // larger than a 32-bit size can say
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(box("ftyp", "isom"));
        const qint64 mdatAt = f.pos();
        f.write(u32(1) + QByteArray("mdat") + u32(quint32(mdatSize >> 32)) + u32(quint32(mdatSize)));
        const qint64 headerAt = f.pos();
        f.write(header);
        f.write(records);
        // the rest of the mdat box stays a hole in the file
        ASSERT_TRUE(f.resize(mdatAt + mdatSize));
        ASSERT_TRUE(f.seek(mdatAt + mdatSize));
        const QByteArray index = u32(0) + u32(2) + u32(quint32(headerAt)) + u32(quint32(header.size()))
            + u32(quint32(headerAt + header.size())) + u32(quint32(records.size()));
        f.write(u32(0) + QByteArray("udat") + index); // size 0: to the end of the file
    }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    if (qint64(st.st_blocks) * 512 > 64 * 1024 * 1024) GTEST_SKIP() << "no sparse files here";

    bool isError = false;
    const auto info = VideoInfo::readFileMelsi14Move(path, VersionInfo(), CommonConst::DEFAULT_DATE(),
                                                     CommonConst::DEFAULT_DATE().addYears(4000), PictureDataType::All,
                                                     nullptr, isError, QByteArray());
    ASSERT_TRUE(info);
    EXPECT_FALSE(isError);
    EXPECT_EQ(info->_timeSpan, 72u);
}
