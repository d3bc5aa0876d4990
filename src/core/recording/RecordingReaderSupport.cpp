#include "core/recording/RecordingReaderSupport.h"

#include "core/foundation/CardReads.h"
#include "core/foundation/DataUtility.h"
#include "core/foundation/FileUtil.h"
#include "core/recording/FullTimeDataInfo.h"
#include "core/recording/IndexRecordFields.h"

#include <QFile>
#include <QFileInfo>
#include <QTimeZone>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#endif

namespace recording {

std::optional<QByteArray> readWholeFile(const QString& path, qint64 maxSize)
{
    if (!CardReads::beforeRead()) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return std::nullopt;
    const qint64 size = file.size();
    if (size < 0 || size > maxSize) return std::nullopt;
    QByteArray bytes;
    bytes.resize(qsizetype(size));
    qint64 done = 0;
    while (done < size) {
        const qint64 n = file.read(bytes.data() + done, size - done);
        if (n <= 0) return std::nullopt; // the file shrank or the card went away
        done += n;
    }
#ifdef Q_OS_UNIX
    // A recording is read once; keep it from pushing everything else out of the page cache.
    ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_DONTNEED);
#endif
    return bytes;
}

std::optional<std::uint32_t> bcd4Value(QByteArrayView bytes, qsizetype offset)
{
    if (!fits(bytes, offset, 4)) return std::nullopt;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        const auto d = bcdValue(byteAt(bytes, offset + i));
        if (!d) return std::nullopt;
        v = v * 100 + std::uint32_t(*d);
    }
    return v;
}

std::optional<QDateTime> bcdDateTime(QByteArrayView bytes, qsizetype offset)
{
    if (!fits(bytes, offset, 6)) return std::nullopt;
    int v[6];
    for (int i = 0; i < 6; ++i) {
        const auto d = bcdValue(byteAt(bytes, offset + i));
        if (!d) return std::nullopt;
        v[i] = *d;
    }
    const QDate date(2000 + v[0], v[1], v[2]);
    if (!date.isValid() || v[3] > 23 || v[4] > 59 || v[5] > 59) return std::nullopt;
    return QDateTime(date, QTime(v[3], v[4], v[5]), QTimeZone::utc());
}

ViolationType violationOfCode(int code)
{
    switch (code) {
    case 10:
        return ViolationType::GDetection;
    case 11:
        return ViolationType::VelocityGDetection;
    case 12:
        return ViolationType::Accel;
    case 13:
        return ViolationType::Decel;
    case 14:
    case 15:
        return ViolationType::Overspeed;
    case 16:
        return ViolationType::Swerve;
    default:
        return ViolationType::All;
    }
}

CodeField readCodeField(QByteArrayView record, qsizetype dataOffset, bool anyFFUnset)
{
    CodeField field;
    if (!fits(record, dataOffset, 4)) return field;
    int ffCount = 0;
    for (int i = 0; i < 4; ++i)
        if (byteAt(record, dataOffset + i) == 0xFF) ++ffCount;
    if (ffCount == 4 || (anyFFUnset && ffCount > 0)) {
        field.state = CodeField::State::NotSet;
        return field;
    }
    const auto number = bcd4Value(record, dataOffset);
    if (!number) return field;
    field.state = CodeField::State::Set;
    field.text = QString::asprintf("%08u", unsigned(*number));
    return field;
}

void applyCodeField(QString& target, QByteArrayView record, qsizetype dataOffset, bool anyFFUnset,
                    bool& isError)
{
    const CodeField field = readCodeField(record, dataOffset, anyFFUnset);
    if (field.state == CodeField::State::Set)
        target = field.text;
    else if (field.state == CodeField::State::Invalid)
        isError = true;
}

std::optional<InfoRecord> readInfoRecord(QByteArrayView bytes, qsizetype offset)
{
    if (!fits(bytes, offset, INFO_RECORD_SIZE)) return std::nullopt;
    const auto group = bcdValue(byteAt(bytes, offset));
    const auto item = bcdValue(byteAt(bytes, offset + 1));
    if (!group || !item) return std::nullopt;
    return InfoRecord{*group, *item, offset + 2};
}

bool applyPlaybackTextRecord(PlaybackInfo& playback, QByteArrayView bytes, int code, qsizetype dataOffset)
{
    switch (code) {
    case 406: playback.d2US = DataUtility::toHexString(bytes, dataOffset, 1); return true;
    case 801: playback.gValue = DataUtility::toHexString(bytes, dataOffset, 2); return true;
    case 901: playback.eventFPS = DataUtility::toHexString(bytes, dataOffset, 1); return true;
    case 1003: playback.movieFPS = DataUtility::toHexString(bytes, dataOffset, 1); return true;
    default: return false;
    }
}

void applyFrameFileInfoRecord(VideoInfo& info, QByteArrayView bytes, const InfoRecord& record,
                              const FullTimeDataInfo* fullTime, bool& isError)
{
    PlaybackInfo& playback = info._playback;
    const qsizetype d = record.dataOffset;
    const int code = record.code();
    switch (code) {
    case 103:
    case 104: {
        const bool isCar = code == 103;
        QString& target = isCar ? playback.userCarCode : playback.userDriverCode;
        if (!target.isEmpty()) break;
        if (fullTime) {
            // Full-time data names the car and driver itself; an empty code there changes nothing.
            const QString& given = isCar ? fullTime->_userCarCode : fullTime->_userDriverCode;
            if (!given.isEmpty()) target = given;
            break;
        }
        applyCodeField(target, bytes, d, /*anyFFUnset=*/!isCar, isError);
        break;
    }
    case 201:
        if (const auto cameras = bcdValue(byteAt(bytes, d)))
            info.cameras = *cameras;
        else
            isError = true;
        break;
    default:
        applyPlaybackTextRecord(playback, bytes, code, d);
        break;
    }
}

std::shared_ptr<VideoInfo> newRecordingInfo(const QString& filePath)
{
    auto info = std::make_shared<VideoInfo>();
    info->_playback.load(
        FileUtil::combinePath(QFileInfo(filePath).absolutePath(), QStringLiteral("Playback.inf")));
    return info;
}

QByteArray applyFrameFileHeader(VideoInfo& info, QByteArrayView bytes)
{
    if (const auto kind = bcdValue(byteAt(bytes, 0))) info.detectType = std::uint8_t(*kind);
    info._playback.detectTime = DataUtility::toDateFromUnixTime(bytes, 2);
    info.state = byteAt(bytes, 29);
    info.sw = byteAt(bytes, 30);
    info._playback.detectPosition = DataUtility::toUInt32(bytes, 40);
    return fits(bytes, 44, 4) ? bytes.sliced(44, 4).toByteArray() : QByteArray();
}

namespace {

// What every reader of frame records takes alike, the west and south flags
// among it; r is the whole record. Gives the whole position.
IndexRecordFields::Position decodeSharedFrameFields(VideoFrame& f, QByteArrayView r, bool& isError)
{
    f.setTimeMSecs(qint64(DataUtility::toUInt32(r, 2)) * 1000);
    const IndexRecordFields::Position position = IndexRecordFields::decodePosition(r);
    f._posWest = position.posWest;
    f._posSouth = position.posSouth;
    f.speed = DataUtility::toUInt16(r, 12) / 10;
    const IndexRecordFields::GValues g = IndexRecordFields::decodeG(r);
    f.gX = g.gX;
    f.gY = g.gY;
    f.gZ = g.gZ;
    f.sw = byteAt(r, 30);
    const std::uint8_t flags = byteAt(r, 31);
    f.gps = (flags & 0x04) != 0;
    f._gps2 = (flags & 0x02) != 0;
    f.powerDown = (flags & 0x01) != 0;
    f.frameSize = DataUtility::toUInt32(r, 36);
    f._timeStamp = DataUtility::toUInt32(r, 40);
    f._id = byteAt(r, 44);
    if (const auto code = bcdValue(byteAt(r, 45))) {
        f.ex.violationType = violationOfCode(*code);
        if (f.ex.violationType == ViolationType::Overspeed) {
            if (const auto qualifier = bcdValue(byteAt(r, 46))) {
                if (*qualifier != 0) f.ex.violationType = ViolationType::All;
            } else {
                isError = true;
            }
        }
    } else {
        isError = true;
    }
    return position;
}

} // namespace

VideoFramePtr decodeFrameRecord(QByteArrayView bytes, qsizetype p, bool& isError)
{
    const QByteArrayView r = bytes.sliced(p, FRAME_RECORD_SIZE);
    auto f = std::make_shared<VideoFrame>();
    decodeSharedFrameFields(*f, r, isError);
    f->_engineSpeed = DataUtility::toUInt16(r, 14);
    f->status = byteAt(r, 29);
    return f;
}

VideoFramePtr decodeMovieFrameRecord(QByteArrayView bytes, qsizetype p, bool& isError)
{
    const QByteArrayView r = bytes.sliced(p, FRAME_RECORD_SIZE);
    auto f = std::make_shared<VideoFrame>();
    const IndexRecordFields::Position position = decodeSharedFrameFields(*f, r, isError);
    f->_longitude = position.longitude;
    f->_latitude = position.latitude;
    f->pictureChannel = byteAt(r, 32);
    return f;
}

void sortByTimeStamp(FrameList& frames)
{
    std::stable_sort(frames.begin(), frames.end(), [](const VideoFramePtr& a, const VideoFramePtr& b) {
        return a->_timeStamp < b->_timeStamp;
    });
}

FrameTable frameTableWithoutCarry(const FrameList& frames, std::uint32_t base, qint64 span)
{
    std::int32_t noLongitude = -1;
    std::int32_t noLatitude = -1;
    return VideoInfo::buildFrameDictionary(frames, base, span, noLongitude, noLatitude);
}

void setCameraTables(VideoInfo& info, std::initializer_list<const FrameList*> cameras, std::uint32_t base)
{
    info._cameraFrames.clear();
    int number = 1;
    for (const FrameList* frames : cameras) {
        if (number == 1 || !frames->empty())
            info._cameraFrames[number] = frameTableWithoutCarry(*frames, base);
        ++number;
    }
}

void finishFrameWalk(VideoInfo& info, std::uint32_t base, std::uint32_t last)
{
    info._timeSpan = last >= base ? quint64(last - base) : 0;
    info._playback.detectPosition = VideoInfo::markDetectFrame(info, base, last);
    const FrameTable& table0 = info._cameraFrames[0];
    if (const auto it = table0.find(info._playback.detectPosition); it != table0.end())
        info._playback.detectTime = it->second->time();
    info._playback.recordTime = info.firstTime;
    info._playback.endTime = info.lastTime;
    info.completeTables();
}

} // namespace recording
