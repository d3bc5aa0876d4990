// The reader of the recorder's event files: an 8192-byte header followed by
// blocks of one 64-byte frame record each, with the frame's picture or sound
// bytes after it.

#include "core/recording/FullTimeDataInfo.h"
#include "core/recording/RecordingExports.h"
#include "core/recording/RecordingReaderSupport.h"
#include "core/recording/VideoInfo.h"

#include "core/foundation/DataUtility.h"
#include "core/foundation/FileUtil.h"

#include <QFileInfo>
#include <algorithm>
#include <cstring>

using namespace recording;

namespace {

constexpr qsizetype HEADER_SIZE = 8192;
constexpr qsizetype HEADER_COUNT_OFFSET = 64;
constexpr qsizetype HEADER_RECORDS_OFFSET = 80;
constexpr qsizetype INFO_RECORD_SIZE = 8;
constexpr qint64 BLOCK_ID_OFFSET = 28;
constexpr qint64 BLOCK_RECORD_OFFSET = 32;
constexpr qint64 BLOCK_PAYLOAD_OFFSET = 96;
constexpr qint64 MIN_BLOCK_SIZE = 97; // a head, a record and at least one payload byte
constexpr std::uint8_t ID_PICTURE = 0x55;
constexpr std::uint8_t ID_SOUND = 0xAA;

void applyInfoRecord(VideoInfo& info, const QByteArray& bytes, const InfoRecord& record,
                     const FullTimeDataInfo* fullTime, bool& isError)
{
    PlaybackInfo& playback = info._playback;
    const qsizetype d = record.dataOffset;
    const int code = record.group * 100 + record.item;
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
        const CodeField field = readCodeField(bytes, d, /*anyFFUnset=*/!isCar);
        if (field.state == CodeField::State::Set)
            target = field.text;
        else if (field.state == CodeField::State::Invalid)
            isError = true;
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

// The record of the block at offset; the caller has checked that it lies in the file.
VideoFramePtr decodeRecord(const QByteArray& bytes, qint64 blockOffset, bool& isError)
{
    const qsizetype p = qsizetype(blockOffset + BLOCK_RECORD_OFFSET);
    auto f = decodeFrameRecord(bytes, p, isError);
    f->camera = byteAt(bytes, p + 32);
    f->addrs = std::uint32_t(std::min<qint64>(blockOffset + BLOCK_PAYLOAD_OFFSET, UINT32_MAX));
    return f;
}

void sortByStamp(FrameList& list)
{
    std::stable_sort(list.begin(), list.end(), [](const VideoFramePtr& a, const VideoFramePtr& b) {
        return a->_timeStamp < b->_timeStamp;
    });
}

} // namespace

std::shared_ptr<VideoInfo> VideoInfo::readFolderMove(const QString& filePath, const VersionInfo& /*ver*/,
                                                     const QDateTime& left, const QDateTime& right,
                                                     PictureDataType pictureDataType,
                                                     const FullTimeDataInfo* fullTimeDataInfo, bool& isError)
{
    auto info = std::make_shared<VideoInfo>();
    info->_playback = PlaybackInfo();
    info->_playback.load(
        FileUtil::combinePath(QFileInfo(filePath).absolutePath(), QStringLiteral("Playback.inf")));
    // Until a block pass has found frames the recording has no length.
    info->_timeSpan = 0;

    const std::optional<QByteArray> file = readWholeFile(filePath);
    if (!file) {
        info->completeTables();
        return info;
    }
    const QByteArray& bytes = *file;
    if (bytes.size() < HEADER_SIZE) {
        // Shorter than its header: no field of it can be trusted.
        isError = true;
        info->completeTables();
        return info;
    }

    if (const auto kind = bcdValue(byteAt(bytes, 0))) info->detectType = std::uint8_t(*kind);
    info->_playback.detectTime = DataUtility::toDateFromUnixTime(bytes, 2);
    info->state = byteAt(bytes, 29);
    info->sw = byteAt(bytes, 30);
    info->_playback.detectPosition = DataUtility::toUInt32(bytes, 40);
    const QByteArray recordingId = bytes.mid(44, 4);

    const auto count = bcdValue(byteAt(bytes, HEADER_COUNT_OFFSET));
    if (!count || *count == 0) {
        info->completeTables();
        return info;
    }
    for (int k = 0; k < *count; ++k) {
        // At most 99 records, all inside the 8192-byte header.
        if (const auto record = readInfoRecord(bytes, HEADER_RECORDS_OFFSET + INFO_RECORD_SIZE * k))
            applyInfoRecord(*info, bytes, *record, fullTimeDataInfo, isError);
        else
            isError = true;
    }

    // One block pass over the whole file, after every information record is applied.
    QString folder;
    if (pictureDataType == PictureDataType::All) {
        folder = RecordingExports::newFolder();
        if (!folder.isEmpty()) info->_aacTempName = FileUtil::combinePath(folder, CommonConst::AACSOUND_FILE);
    }
    parseFrameBlock(bytes, bytes.size(), recordingId, *info, left, right, pictureDataType, isError);
    if (!folder.isEmpty()) RecordingExports::publish(folder);
    return info;
}

VideoInfo& VideoInfo::parseFrameBlock(const QByteArray& bytes, qint64 length, const QByteArray& recordingId,
                                      VideoInfo& info, const QDateTime& left, const QDateTime& right,
                                      PictureDataType pictureDataType, bool& isError)
{
    length = std::clamp<qint64>(length, 0, bytes.size());
    const bool idUsable = recordingId.size() == 4;
    FrameList camera1;
    FrameList camera2;
    FrameList pictures;
    FrameList taken; // every frame taken, in file order
    std::vector<qint64> takenBlockEnd;
    std::uint32_t base = 0;
    std::uint32_t greatest = 0;

    qint64 offset = HEADER_SIZE;
    // Every block is at least 97 bytes long, so the walk ends after at most length / 97 blocks.
    while (idUsable && offset < length) {
        if (!fits(QByteArrayView(bytes.constData(), length), offset, BLOCK_PAYLOAD_OFFSET)) break;
        const qint64 blockSize = DataUtility::toUInt32(bytes, qsizetype(offset));
        if (blockSize < MIN_BLOCK_SIZE) break;
        if (std::memcmp(bytes.constData() + offset + BLOCK_ID_OFFSET, recordingId.constData(), 4) != 0) break;
        VideoFramePtr f = decodeRecord(bytes, offset, isError);
        if (std::memcmp(bytes.constData() + offset + BLOCK_RECORD_OFFSET + 60, recordingId.constData(), 4) !=
            0)
            break;
        const qint64 blockEnd = std::min(offset + blockSize, length);
        offset += blockSize;

        if (f->time < left || right < f->time) continue;
        // Every frame taken, the first one too, counts for the time bounds.
        if (base == 0) {
            base = f->_timeStamp;
            info.firstTime = f->time;
        } else {
            base = std::min(base, f->_timeStamp);
            if (f->time < info.firstTime) info.firstTime = f->time;
        }
        greatest = std::max(greatest, f->_timeStamp);
        if (f->time > info.lastTime) info.lastTime = f->time;
        if (f->powerDown) info.powerDown = true;
        if (f->_id == ID_PICTURE) {
            if (pictureDataType == PictureDataType::All) f->_imageData = info._jpegHeader12;
            (f->camera == 2 ? camera2 : camera1).push_back(f);
            pictures.push_back(f);
        }
        taken.push_back(std::move(f));
        takenBlockEnd.push_back(blockEnd);
    }

    sortByStamp(camera1);
    sortByStamp(camera2);
    sortByStamp(pictures);
    std::int32_t noLongitude = -1;
    std::int32_t noLatitude = -1;
    info._cameraFrames.clear();
    info._cameraFrames[1] = buildFrameDictionary(camera1, base, 0, noLongitude, noLatitude);
    if (!camera2.empty())
        info._cameraFrames[2] = buildFrameDictionary(camera2, base, 0, noLongitude, noLatitude);
    std::int32_t longitude = taken.empty() ? 0 : taken.front()->_longitude;
    std::int32_t latitude = taken.empty() ? 0 : taken.front()->_latitude;
    info._cameraFrames[0] = buildFrameDictionary(pictures, base, 0, longitude, latitude);

    if (pictureDataType == PictureDataType::All && !info._aacTempName.isEmpty()) {
        QByteArray sound;
        for (std::size_t i = 0; i < taken.size(); ++i) {
            const VideoFrame& f = *taken[i];
            // A payload that runs past its own block (or the file) is not this frame's.
            if (f._id == ID_SOUND && qint64(f.addrs) + qint64(f.frameSize) <= takenBlockEnd[i])
                sound.append(bytes.constData() + f.addrs, qsizetype(f.frameSize));
        }
        RecordingExports::writeFile(info._aacTempName, sound);
    }

    info._timeSpan = greatest >= base ? quint64(greatest - base) : 0;
    if (pictures.empty()) isError = true;
    if (pictures.size() >= 2) {
        const std::uint32_t beforeLast = pictures[pictures.size() - 2]->_timeStamp;
        info._preTimeSpan = beforeLast >= base ? quint64(beforeLast - base) : 0;
    }
    info._playback.detectPosition = markDetectFrame(info, base, greatest);
    const FrameTable& table0 = info._cameraFrames[0];
    if (const auto it = table0.find(info._playback.detectPosition); it != table0.end())
        info._playback.detectTime = it->second->time;
    info._playback.recordTime = info.firstTime;
    info._playback.endTime = info.lastTime;
    info.completeTables();
    return info;
}
