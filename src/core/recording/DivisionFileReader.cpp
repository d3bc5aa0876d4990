// Readers of the division files and movie files of the full-time recorders:
// a short header with information records, then frames of a head and a
// payload. Positions there are BCD degrees, minutes and seconds, stored in
// milliseconds of arc.

#include "core/recording/FullTimeDataInfo.h"
#include "core/recording/RecordingReaderSupport.h"
#include "core/recording/VersionInfo.h"
#include "core/recording/VideoInfo.h"

#include "core/foundation/AppError.h"
#include "core/foundation/DataUtility.h"
#include "core/foundation/Regex.h"

#include <QFileInfo>
#include <algorithm>
#include <limits>

using namespace recording;

namespace {

constexpr qsizetype DIVISION_COUNT_OFFSET = 32;
constexpr qsizetype RECORDS_OFFSET = 48;
constexpr qsizetype DIVISION_FRAME_HEAD = 64;
constexpr qsizetype IDENTIFIER_FRAME_OFFSET = 66;
constexpr qsizetype FRAME_DATE_OFFSET = 36;
// The closing date is looked for in this much of the end of a division file.
constexpr qsizetype CLOSING_SEARCH_WINDOW = 20000 + 64;
constexpr qsizetype MOVE_HEAD_SIZE = 32;
constexpr qsizetype MOVE_BLOCK_SIZE = 32;
constexpr qsizetype MOVE_HEADER_SIZE = 48;
constexpr qsizetype RESYNC_SEARCH_START = 80;

const QString& notANumberText()
{
    static const QString text = QStringLiteral("数値に変換できません。");
    return text;
}

const QString& unknownCode()
{
    static const QString text = QStringLiteral("不明");
    return text;
}

// Who may overwrite a car or driver code, and with what.
enum class CodeGuard { WhileUnknown, WhileEmpty };

void applyInfoCode(VideoInfo& info, QByteArrayView bytes, const InfoRecord& record, CodeGuard guard,
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
        if (guard == CodeGuard::WhileUnknown) {
            if (target != unknownCode()) break;
            const CodeField field = readCodeField(bytes, d, false);
            if (field.state == CodeField::State::Set) target = field.text;
            break;
        }
        if (!target.isEmpty()) break;
        if (fullTime && isCar && !fullTime->_userCarCode.isEmpty()) {
            target = fullTime->_userCarCode;
            break;
        }
        if (fullTime && !isCar) {
            target = fullTime->_userDriverCode;
            break;
        }
        applyCodeField(target, bytes, d, /*anyFFUnset=*/false, isError);
        break;
    }
    default:
        applyPlaybackTextRecord(playback, bytes, code, d);
        break;
    }
}

// Table 0 as a lookup would give it, made real so that a frame can be changed in it.
VideoFramePtr table0KeyZeroFrame(VideoInfo& info)
{
    const bool existed = info._cameraFrames.count(0) != 0;
    FrameTable& table = info._cameraFrames[0];
    if (table.empty()) {
        auto frame = std::make_shared<VideoFrame>();
        frame->setTime(existed ? info._playback.detectTime : CommonConst::DEFAULT_DATE());
        table.emplace(0, std::move(frame));
    }
    const auto it = table.find(0);
    return it == table.end() ? nullptr : table.frame(it.index());
}

// A signed 2-byte BCD number: bit 7 of the first byte is the sign.
std::optional<int> signedBcd2(QByteArrayView bytes, qsizetype offset)
{
    if (!fits(bytes, offset, 2)) return std::nullopt;
    const std::uint8_t b0 = byteAt(bytes, offset);
    const auto high = bcdValue(b0 & 0x7F);
    const auto low = bcdValue(byteAt(bytes, offset + 1));
    if (!high || !low) return std::nullopt;
    const int magnitude = *high * 100 + *low;
    return (b0 & 0x80) ? -magnitude : magnitude;
}

std::optional<int> unsignedBcd2(QByteArrayView bytes, qsizetype offset)
{
    if (!fits(bytes, offset, 2)) return std::nullopt;
    const auto high = bcdValue(byteAt(bytes, offset));
    const auto low = bcdValue(byteAt(bytes, offset + 1));
    if (!high || !low) return std::nullopt;
    return *high * 100 + *low;
}

// A BCD position field read as eight decimal digits and converted.
std::optional<std::int32_t> bcdPosition(QByteArrayView bytes, qsizetype offset, bool longitude)
{
    const auto number = bcd4Value(bytes, offset);
    if (!number) return std::nullopt;
    const QString digits = QString::asprintf("%08u", unsigned(*number));
    try {
        return longitude ? VideoInfo::convertLongitude(digits) : VideoInfo::convertLatitude(digits);
    } catch (const AppError&) {
        return std::nullopt;
    }
}

// Finds the image-data identifier from a position on. The walk only moves
// forward, so what one search found (or did not find) answers every later
// search that starts before it, and the file is scanned about once.
class IdentifierFinder {
public:
    explicit IdentifierFinder(QByteArrayView bytes) : m_bytes(bytes) {}

    qsizetype from(qsizetype start)
    {
        if (start >= m_bytes.size()) return -1;
        if (m_found >= start) return m_found;
        if (m_noneFrom >= 0 && start >= m_noneFrom) return -1;
        m_found = m_bytes.indexOf(CommonConst::IMAGE_DATA_IDENTIFIER(), start);
        if (m_found < 0) m_noneFrom = start;
        return m_found;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_found = -1;
    qsizetype m_noneFrom = -1;
};

} // namespace

TargetType VideoInfo::getTargetType(const QString& filePath)
{
    static const Regex commonName(QStringLiteral("^") + CommonConst::MOVIE_FILENAME_PRE +
                                  QStringLiteral("([0-9]{12})-([0-9]{4}).DAT$"));
    static const Regex tarkoName(QStringLiteral("^[GVSEM]([0-9]{12})([0-9]{4}).DAT$"));
    const QString name = QFileInfo(filePath).fileName();
    if (name == CommonConst::EVT_FILENAME) return TargetType::Common;
    if (commonName.hasMatch(name)) return TargetType::Common;
    if (tarkoName.hasMatch(name)) return TargetType::Tarko12;
    return TargetType::None;
}

std::shared_ptr<VideoInfo> VideoInfo::fromDivisionFile(const QUrl& path, QStringList& errors)
{
    if (!path.isLocalFile()) {
        errors.append(MSG_NO_PICTURE_DATA());
        auto empty = std::make_shared<VideoInfo>();
        empty->completeTables();
        return empty;
    }
    const QString file = path.toLocalFile();
    if (getTargetType(file) == TargetType::Common) return readDivisionData(file);
    auto empty = std::make_shared<VideoInfo>();
    empty->completeTables();
    return empty;
}

std::shared_ptr<VideoInfo> VideoInfo::readDivisionData(const QString& path)
{
    auto info = std::make_shared<VideoInfo>();
    info->_playback = PlaybackInfo();
    QDateTime first = CommonConst::DEFAULT_DATE().addYears(4000); // the distant future
    QDateTime last = CommonConst::DEFAULT_DATE();

    const std::optional<QByteArray> file = readWholeFile(path);
    if (!file) {
        info->_timeSpan = 0;
        info->completeTables();
        return info;
    }
    const QByteArray& bytes = *file;
    if (const auto date = bcdDateTime(bytes, 2)) info->_playback.detectTime = *date;

    const int count = bytes.size() > DIVISION_COUNT_OFFSET ? byteAt(bytes, DIVISION_COUNT_OFFSET) : 0;
    bool unused = false;
    for (int k = 0; k < count; ++k) {
        const qsizetype at = RECORDS_OFFSET + INFO_RECORD_SIZE * k;
        if (!fits(bytes, at, INFO_RECORD_SIZE)) break;
        if (const auto record = readInfoRecord(bytes, at))
            applyInfoCode(*info, bytes, *record, CodeGuard::WhileUnknown, nullptr, unused);
    }

    // Each frame moves the walk forward by at least its 64-byte head.
    qint64 offset = RECORDS_OFFSET + INFO_RECORD_SIZE * qint64(count);
    bool thumbnailTaken = false;
    for (int frameNo = 0; offset < bytes.size() && !thumbnailTaken; ++frameNo) {
        if (!fits(bytes, offset, DIVISION_FRAME_HEAD)) break;
        const std::int32_t length = DataUtility::toInt32(QByteArrayView(bytes).sliced(qsizetype(offset), 4));
        // A negative length, or one that runs past the end of the file, ends the walk.
        if (length < 0 || length > bytes.size() - offset - DIVISION_FRAME_HEAD) break;
        if (const auto date = bcdDateTime(bytes, qsizetype(offset + FRAME_DATE_OFFSET))) {
            if (frameNo <= 1) first = *date;
            last = *date;
        }
        const VideoFramePtr before = info->_thumbnail;
        makeDivisionFrames(*info,
                           QByteArrayView(bytes).sliced(qsizetype(offset), DIVISION_FRAME_HEAD + length));
        thumbnailTaken = info->_thumbnail != before;
        offset += DIVISION_FRAME_HEAD + length;
    }

    // The date of the last frame in the file: its identifier stands at frame offset 66.
    const qsizetype windowStart = std::max<qsizetype>(0, bytes.size() - CLOSING_SEARCH_WINDOW);
    const qsizetype found =
        QByteArrayView(bytes).sliced(windowStart).lastIndexOf(CommonConst::IMAGE_DATA_IDENTIFIER());
    if (found >= 0) {
        const qsizetype dateAt = windowStart + found - (IDENTIFIER_FRAME_OFFSET - FRAME_DATE_OFFSET);
        if (const auto date = bcdDateTime(bytes, dateAt)) last = *date;
    }

    info->firstTime = first;
    info->lastTime = last;
    info->completeTables();
    return info;
}

VideoInfo& VideoInfo::makeDivisionFrames(VideoInfo& info, QByteArrayView frame)
{
    auto f = std::make_shared<VideoFrame>();
    f->_timeStamp = DataUtility::toUInt32(frame, 4);
    if (const auto date = bcdDateTime(frame, FRAME_DATE_OFFSET)) f->setTime(*date);
    if (fits(frame, 12, 1)) f->_id = byteAt(frame, 12);
    if (f->_id != VideoFrame::ID_PICTURE) return info;

    f->setImageData(info._jpegHeader);
    info._thumbnail = f;
    try {
        if (fits(frame, 48, 4)) f->_longitude = convertLongitude(DataUtility::toHexString(frame, 48, 4));
    } catch (const AppError&) {
    }
    try {
        if (fits(frame, 52, 4)) f->_latitude = convertLatitude(DataUtility::toHexString(frame, 52, 4));
    } catch (const AppError&) {
    }
    if (VideoFramePtr shown = table0KeyZeroFrame(info)) {
        shown->_longitude = f->_longitude;
        shown->_latitude = f->_latitude;
    }
    return info;
}

std::shared_ptr<VideoInfo> VideoInfo::readMoveFile(const QString& path, const QDateTime& left,
                                                   const QDateTime& right, PictureDataType pictureDataType,
                                                   const FullTimeDataInfo* fullTimeDataInfo, bool& isError)
{
    auto info = newRecordingInfo(path);
    info->_timeSpan = 0;

    const std::optional<QByteArray> file = readWholeFile(path);
    if (!file) {
        info->completeTables();
        return info;
    }
    const QByteArray& bytes = *file;
    if (bytes.size() < MOVE_HEADER_SIZE) {
        isError = true;
        info->completeTables();
        return info;
    }
    if (const auto kind = bcdValue(byteAt(bytes, 0))) info->detectType = std::uint8_t(*kind);
    if (const auto date = bcdDateTime(bytes, 2)) info->_playback.detectTime = *date;
    info->_playback.detectPosition = DataUtility::toUInt32(bytes, 8);
    info->state = byteAt(bytes, 27);
    info->sw = byteAt(bytes, 28);
    const int count = byteAt(bytes, 32);
    info->_bootID = DataUtility::toInt24(bytes, 39);

    for (int k = 0; k < count; ++k) {
        const qsizetype at = RECORDS_OFFSET + INFO_RECORD_SIZE * k;
        if (!fits(bytes, at, INFO_RECORD_SIZE)) {
            isError = true; // the file ends inside the records the header announces
            break;
        }
        if (const auto record = readInfoRecord(bytes, at))
            applyInfoCode(*info, bytes, *record, CodeGuard::WhileEmpty, fullTimeDataInfo, isError);
        else
            isError = true;
    }
    // The frames follow the information records.
    const qint64 start = RECORDS_OFFSET + INFO_RECORD_SIZE * qint64(count);
    parseMoveFrames(bytes, bytes.size(), start, *info, left, right, pictureDataType, isError);
    return info;
}

VideoInfo& VideoInfo::parseMoveFrames(const QByteArray& bytes, qint64 length, qint64 start, VideoInfo& info,
                                      const QDateTime& left, const QDateTime& right,
                                      PictureDataType pictureDataType, bool& isError)
{
    const QByteArrayView data =
        QByteArrayView(bytes).first(qsizetype(std::clamp<qint64>(length, 0, bytes.size())));
    IdentifierFinder finder(data);
    FrameList camera1, camera2, camera3, all;
    bool thumbnailTaken = false;
    bool haveBase = false;
    std::uint32_t base = 0;
    std::uint32_t largest = 0;

    // Every frame, and every resynchronisation, moves the walk forward.
    qint64 offset = std::max<qint64>(start, 0);
    while (offset < data.size()) {
        const qint64 frameStart = offset;
        if (!fits(data, frameStart, MOVE_HEAD_SIZE)) break;
        const qint64 v = DataUtility::toUInt32(data, qsizetype(frameStart));
        const qint64 blockAt = frameStart + v + 28;
        const qint64 payloadAt = blockAt + MOVE_BLOCK_SIZE;
        const qint64 next = payloadAt + v;
        // A length that puts the data block or the payload past the end of the data ends the walk.
        if (next > data.size()) break;

        auto f = std::make_shared<VideoFrame>();
        f->_timeStamp = DataUtility::toUInt32(data, qsizetype(frameStart + 4));
        f->_id = byteAt(data, qsizetype(frameStart + 8 + v));
        const qsizetype b = qsizetype(blockAt);
        f->camera = byteAt(data, b);
        if (const auto date = bcdDateTime(data, b + 4))
            f->setTime(*date);
        else
            isError = true;
        if (const auto gx = signedBcd2(data, b + 10))
            f->gX = *gx / 1000.0;
        else
            isError = true;
        if (const auto gy = signedBcd2(data, b + 12))
            f->gY = *gy / 1000.0;
        else
            isError = true;
        if (const auto speed = unsignedBcd2(data, b + 14))
            f->speed = *speed;
        else
            isError = true;
        if (const auto longitude = bcdPosition(data, b + 16, true))
            f->_longitude = *longitude;
        else
            isError = true;
        if (const auto latitude = bcdPosition(data, b + 20, false))
            f->_latitude = *latitude;
        else
            isError = true;
        f->status = byteAt(data, b + 27);
        f->sw = byteAt(data, b + 28);
        const std::uint8_t flags = byteAt(data, b + 29);
        f->gps = (flags & 0x04) != 0;
        f->_gps2 = (flags & 0x02) != 0;
        f->powerDown = (flags & 0x01) != 0;
        if (f->powerDown) info.powerDown = true;

        const auto violation = bcdValue(byteAt(data, b + 24));
        if (!violation) {
            // A damaged record: go on with the frame whose identifier comes next.
            isError = true;
            const qsizetype id = finder.from(qsizetype(frameStart + RESYNC_SEARCH_START));
            offset = id >= 0 ? qint64(id) - IDENTIFIER_FRAME_OFFSET : next;
            continue;
        }
        f->ex.violationType = violationOfCode(*violation);
        offset = next;

        const QDateTime time = f->time();
        if (time < left || right < time) continue;
        if (f->_id != VideoFrame::ID_PICTURE) continue;
        if (pictureDataType != PictureDataType::Classify) {
            f->setImageData(data.sliced(qsizetype(payloadAt), qsizetype(v)).toByteArray());
            if (f->imageData().size() >= 16) info._jpegHeader = f->imageData().first(16);
        }
        if (!thumbnailTaken) {
            info._thumbnail = f;
            thumbnailTaken = true;
            continue;
        }
        if (!haveBase || base == 0) {
            base = f->_timeStamp;
        } else {
            base = std::min(base, f->_timeStamp);
        }
        if (!haveBase) {
            info.firstTime = time;
            info.lastTime = time;
            haveBase = true;
        } else {
            if (time < info.firstTime) info.firstTime = time;
            if (time > info.lastTime) info.lastTime = time;
        }
        largest = std::max(largest, f->_timeStamp);
        (f->camera == 3 ? camera3 : f->camera == 2 ? camera2 : camera1).push_back(f);
        all.push_back(std::move(f));
    }

    info.cameras = !camera3.empty() ? 3 : !camera2.empty() ? 2 : 1;
    for (FrameList* list : {&camera1, &camera2, &camera3, &all})
        sortByTimeStamp(*list);
    setCameraTables(info, {&camera1, &camera2, &camera3}, base);
    info._cameraFrames[0] = frameTableWithoutCarry(all, base);

    if (all.size() >= 2) {
        const std::uint32_t beforeLast = all[all.size() - 2]->_timeStamp;
        info._preTimeSpan = beforeLast >= base ? quint64(beforeLast - base) : 0;
    }
    // The header's detection time does not outlast the walk: without a frame
    // at the detection position there is none.
    info._playback.detectTime = CommonConst::DEFAULT_DATE();
    finishFrameWalk(info, base, largest);
    return info;
}

std::vector<int> VideoInfo::convertDigits(const QString& text)
{
    std::vector<int> digits;
    digits.reserve(std::size_t(text.size()));
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) throw AppError(notANumberText());
        digits.push_back(c.unicode() - u'0');
    }
    return digits;
}

std::int32_t VideoInfo::convertLongitude(const QString& longitude)
{
    const std::vector<int> d = convertDigits(longitude);
    if (d.size() < 8) throw AppError(notANumberText());
    const qint64 v = qint64(d[0] * 100 + d[1] * 10 + d[2]) * 3600000 + qint64(d[3] * 10 + d[4]) * 60000 +
                     qint64(d[5] * 100 + d[6] * 10 + d[7]) * 100;
    // Beyond the 32-bit range (over 596 degrees) is no longitude.
    if (v > std::numeric_limits<std::int32_t>::max()) throw AppError(notANumberText());
    return std::int32_t(v);
}

std::int32_t VideoInfo::convertLatitude(const QString& latitude)
{
    const std::vector<int> d = convertDigits(latitude);
    if (d.size() < 7) throw AppError(notANumberText());
    const qint64 v = qint64(d[0] * 10 + d[1]) * 3600000 + qint64(d[2] * 10 + d[3]) * 60000 +
                     qint64(d[4] * 100 + d[5] * 10 + d[6]) * 100;
    return std::int32_t(v);
}
