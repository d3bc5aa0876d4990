#include "core/recording/RecordingReaderSupport.h"

#include "core/foundation/CardReads.h"
#include "core/foundation/DataUtility.h"

#include <QFile>
#include <QTimeZone>

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

std::uint16_t positionFlag24(QByteArrayView bytes, qsizetype offset)
{
    if (!fits(bytes, offset, 3)) return 0;
    return (byteAt(bytes, offset) & 0x80) ? 1 : 0;
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

std::optional<InfoRecord> readInfoRecord(QByteArrayView bytes, qsizetype offset)
{
    if (!fits(bytes, offset, 8)) return std::nullopt;
    const auto group = bcdValue(byteAt(bytes, offset));
    const auto item = bcdValue(byteAt(bytes, offset + 1));
    if (!group || !item) return std::nullopt;
    return InfoRecord{*group, *item, offset + 2};
}

VideoFramePtr decodeFrameRecord(QByteArrayView bytes, qsizetype p, bool& isError)
{
    auto f = std::make_shared<VideoFrame>();
    f->time = DataUtility::toDateFromUnixTime(bytes, p + 2);
    // Of the position fields only the west and south flags are taken; the
    // frames of these files keep the position 0, as this format is read.
    const bool noPosition =
        byteAt(bytes, p + 6) == 0xFF && byteAt(bytes, p + 7) == 0xFF && byteAt(bytes, p + 8) == 0xFF;
    if (!noPosition) {
        f->_posWest = positionFlag24(bytes, p + 6);
        f->_posSouth = positionFlag24(bytes, p + 9);
    }
    f->speed = DataUtility::toUInt16(bytes, p + 12) / 10;
    f->_engineSpeed = DataUtility::toUInt16(bytes, p + 14);
    f->gX = DataUtility::gValue(bytes, p + 16) / 1000.0;
    f->gY = DataUtility::gValue(bytes, p + 18) / 1000.0;
    f->gZ = (DataUtility::gValue(bytes, p + 20) - 1000) / 1000.0;
    f->status = byteAt(bytes, p + 29);
    f->sw = byteAt(bytes, p + 30);
    const std::uint8_t flags = byteAt(bytes, p + 31);
    f->gps = (flags & 0x04) != 0;
    f->_gps2 = (flags & 0x02) != 0;
    f->powerDown = (flags & 0x01) != 0;
    f->frameSize = DataUtility::toUInt32(bytes, p + 36);
    f->_timeStamp = DataUtility::toUInt32(bytes, p + 40);
    f->_id = byteAt(bytes, p + 44);
    if (const auto code = bcdValue(byteAt(bytes, p + 45))) {
        f->ex.violationType = violationOfCode(*code);
        if (f->ex.violationType == ViolationType::Overspeed) {
            if (const auto qualifier = bcdValue(byteAt(bytes, p + 46))) {
                if (*qualifier != 0) f->ex.violationType = ViolationType::All;
            } else {
                isError = true;
            }
        }
    } else {
        isError = true;
    }
    return f;
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

} // namespace recording
