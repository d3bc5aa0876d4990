// The reader of the recorder's event files: an 8192-byte header followed by
// blocks of one 64-byte frame record each, with the frame's picture or sound
// bytes after it.

#include "core/recording/RecordingExports.h"
#include "core/recording/RecordingReaderSupport.h"
#include "core/recording/VideoInfo.h"

#include "core/foundation/DataUtility.h"
#include "core/foundation/FileUtil.h"

#include <algorithm>
#include <cstring>

using namespace recording;

namespace {

constexpr qsizetype HEADER_SIZE = 8192;
constexpr qsizetype HEADER_COUNT_OFFSET = 64;
constexpr qsizetype HEADER_RECORDS_OFFSET = 80;
constexpr qint64 BLOCK_ID_OFFSET = 28;
constexpr qint64 BLOCK_RECORD_OFFSET = 32;
constexpr qint64 BLOCK_PAYLOAD_OFFSET = 96;
constexpr qint64 MIN_BLOCK_SIZE = 97; // a head, a record and at least one payload byte

// The record of the block at offset; the caller has checked that it lies in the file.
VideoFramePtr decodeRecord(const QByteArray& bytes, qint64 blockOffset, bool& isError)
{
    const qsizetype p = qsizetype(blockOffset + BLOCK_RECORD_OFFSET);
    auto f = decodeFrameRecord(bytes, p, isError);
    f->camera = byteAt(bytes, p + 32);
    f->addrs = std::uint32_t(std::min<qint64>(blockOffset + BLOCK_PAYLOAD_OFFSET, UINT32_MAX));
    return f;
}

} // namespace

std::shared_ptr<VideoInfo> VideoInfo::readFolderMove(const QString& filePath, const VersionInfo& /*ver*/,
                                                     const QDateTime& left, const QDateTime& right,
                                                     PictureDataType pictureDataType,
                                                     const FullTimeDataInfo* fullTimeDataInfo, bool& isError)
{
    auto info = newRecordingInfo(filePath);
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

    const QByteArray recordingId = applyFrameFileHeader(*info, bytes);

    const auto count = bcdValue(byteAt(bytes, HEADER_COUNT_OFFSET));
    if (!count || *count == 0) {
        info->completeTables();
        return info;
    }
    for (int k = 0; k < *count; ++k) {
        // At most 99 records, all inside the 8192-byte header.
        if (const auto record = readInfoRecord(bytes, HEADER_RECORDS_OFFSET + INFO_RECORD_SIZE * k))
            applyFrameFileInfoRecord(*info, bytes, *record, fullTimeDataInfo, isError);
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

        const QDateTime time = f->time();
        if (time < left || right < time) continue;
        // Every frame taken, the first one too, counts for the time bounds.
        if (base == 0) {
            base = f->_timeStamp;
            info.firstTime = time;
        } else {
            base = std::min(base, f->_timeStamp);
            if (time < info.firstTime) info.firstTime = time;
        }
        greatest = std::max(greatest, f->_timeStamp);
        if (time > info.lastTime) info.lastTime = time;
        if (f->powerDown) info.powerDown = true;
        if (f->_id == VideoFrame::ID_PICTURE) {
            if (pictureDataType == PictureDataType::All) f->setImageData(info._jpegHeader12);
            (f->camera == 2 ? camera2 : camera1).push_back(f);
            pictures.push_back(f);
        }
        taken.push_back(std::move(f));
        takenBlockEnd.push_back(blockEnd);
    }

    sortByTimeStamp(camera1);
    sortByTimeStamp(camera2);
    sortByTimeStamp(pictures);
    setCameraTables(info, {&camera1, &camera2}, base);
    std::int32_t longitude = taken.empty() ? 0 : taken.front()->_longitude;
    std::int32_t latitude = taken.empty() ? 0 : taken.front()->_latitude;
    info._cameraFrames[0] = buildFrameDictionary(pictures, base, 0, longitude, latitude);

    if (pictureDataType == PictureDataType::All && !info._aacTempName.isEmpty()) {
        QByteArray sound;
        for (std::size_t i = 0; i < taken.size(); ++i) {
            const VideoFrame& f = *taken[i];
            // A payload that runs past its own block (or the file) is not this frame's.
            if (f._id == VideoFrame::ID_SOUND && qint64(f.addrs) + qint64(f.frameSize) <= takenBlockEnd[i])
                sound.append(bytes.constData() + f.addrs, qsizetype(f.frameSize));
        }
        RecordingExports::writeFile(info._aacTempName, sound);
    }

    if (pictures.empty()) isError = true;
    if (pictures.size() >= 2) {
        const std::uint32_t beforeLast = pictures[pictures.size() - 2]->_timeStamp;
        info._preTimeSpan = beforeLast >= base ? quint64(beforeLast - base) : 0;
    }
    finishFrameWalk(info, base, greatest);
    return info;
}
