// The reader of the recorder's data files: an 8192-byte header (kind, time,
// recording id, information records) followed by blocks, each a 48-byte
// head, the payload of picture or sound bytes and the 64-byte frame records
// that describe them.

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
constexpr qsizetype HEADER_FIXED_FIELDS = 48; // bytes 0 to 47: kind .. recording id
constexpr qsizetype HEADER_COUNT_OFFSET = 64;
constexpr qsizetype HEADER_RECORDS_OFFSET = 80;
constexpr qsizetype BLOCK_HEAD_SIZE = 48;

// One block as the walk sees it; it lives only while the file is read.
struct Block {
    qint64 offset = 0;
    qint64 end = 0;
    FrameList frames;   // every record of the block, in file order
    FrameList pictures; // the picture records among them
    QDateTime firstTime = CommonConst::DEFAULT_DATE();
    QDateTime lastTime = CommonConst::DEFAULT_DATE();
    bool hasTime = false;
    std::uint32_t lowestStamp = 0;
    std::uint32_t highestStamp = 0;
    bool powerDown = false;
};

// The spacing of camera-frame movie time stamps that a movieFPS text selects.
double cameraStepOf(const QString& movieFps)
{
    static const QStringList ms100{QStringLiteral("00"), QStringLiteral("04"), QStringLiteral("05")};
    static const QStringList ms199{QStringLiteral("01"), QStringLiteral("06"), QStringLiteral("07")};
    static const QStringList ms500{QStringLiteral("02"), QStringLiteral("08")};
    static const QStringList ms1000{QStringLiteral("03"), QStringLiteral("09")};
    if (ms100.contains(movieFps)) return 100.0;
    if (ms199.contains(movieFps)) return 199.8;
    if (ms500.contains(movieFps)) return 500.0;
    if (ms1000.contains(movieFps)) return 1000.0;
    return 1000.0 / 28.0;
}

struct HeaderResult {
    QByteArray recordingId;
    double cameraStep = 100.0;
};

void applyInfoRecords(VideoInfo& info, const QByteArray& bytes, int count, const FullTimeDataInfo* fullTime,
                      HeaderResult& header, bool& isError)
{
    PlaybackInfo& playback = info._playback;
    for (int k = 0; k < count; ++k) {
        const qsizetype at = HEADER_RECORDS_OFFSET + INFO_RECORD_SIZE * k;
        if (!fits(bytes, at, INFO_RECORD_SIZE)) {
            isError = true; // the file ends inside the records the header announces
            return;
        }
        const auto record = readInfoRecord(bytes, at);
        if (!record) {
            isError = true;
            continue;
        }
        const qsizetype d = record->dataOffset;
        const std::uint8_t d0 = byteAt(bytes, d);
        const int code = record->code();
        switch (code) {
        case 1: // 00 01 FILE_INFO
            info._fileVersion = DataUtility::toHexString(bytes, d, 2);
            break;
        case 109: // GRP_CD_DEVICETYPE
            info._terminalType = d0 == 1 ? TerminalType::Separate : TerminalType::AllInOne;
            break;
        case 1003: // GRP_CD_QLT_MODE
            applyPlaybackTextRecord(playback, bytes, code, d);
            header.cameraStep = cameraStepOf(playback.movieFPS);
            break;
        case 1006: // GRP_CD_REC_SOUND
            info.bMoveSoundMute = d0 == 0;
            break;
        default: // car and driver codes, cameras, playback texts
            applyFrameFileInfoRecord(info, bytes, *record, fullTime, isError);
            break;
        }
    }
}

// Reads the header fields; false when the file is too short to hold them.
bool applyHeader(VideoInfo& info, const QByteArray& bytes, const FullTimeDataInfo* fullTime,
                 HeaderResult& header, bool& isError)
{
    if (bytes.size() < HEADER_FIXED_FIELDS) return false;
    header.recordingId = applyFrameFileHeader(info, bytes);
    info._playback.detectionType = VideoInfo::getDetectType(info.detectType);
    const int count = bytes.size() > HEADER_COUNT_OFFSET ? byteAt(bytes, HEADER_COUNT_OFFSET) : 0;
    applyInfoRecords(info, bytes, count, fullTime, header, isError);
    return true;
}

VideoFramePtr decodeRecord(const QByteArray& bytes, qsizetype p, bool& isError)
{
    auto f = decodeFrameRecord(bytes, p, isError);
    f->pictureChannel = byteAt(bytes, p + 32);
    return f;
}

// The records of one block. The caller has checked that the block lies
// inside the file, so every record read here does too.
Block readBlock(const QByteArray& bytes, qint64 offset, qint64 blockSize, const QByteArray& recordingId,
                bool& isError)
{
    Block block;
    block.offset = offset;
    block.end = offset + blockSize;
    const qint64 blockEnd = block.end;
    const qint64 dataSize = DataUtility::toUInt32(bytes, offset + 8);
    qint64 addrs = offset + BLOCK_HEAD_SIZE;
    // A data size that puts the first record past the block end gives a block without records.
    for (qint64 p = offset + BLOCK_HEAD_SIZE + dataSize; p + FRAME_RECORD_SIZE <= blockEnd;
         p += FRAME_RECORD_SIZE) {
        // Records are read while they differ from the header's id.
        if (std::memcmp(bytes.constData() + p + 60, recordingId.constData(), 4) == 0) break;
        VideoFramePtr f = decodeRecord(bytes, qsizetype(p), isError);
        f->addrs = std::uint32_t(std::min<qint64>(addrs, UINT32_MAX));
        addrs += f->frameSize;
        if (f->powerDown) block.powerDown = true;
        if (f->_id == VideoFrame::ID_PICTURE || f->_id == VideoFrame::ID_SOUND) {
            const QDateTime time = f->time();
            if (!block.hasTime || block.lowestStamp == 0) {
                block.firstTime = time;
                block.lowestStamp = f->_timeStamp;
                block.hasTime = true;
            } else {
                block.lowestStamp = std::min(block.lowestStamp, f->_timeStamp);
                if (time < block.firstTime) block.firstTime = time;
            }
            block.highestStamp = std::max(block.highestStamp, f->_timeStamp);
            if (time > block.lastTime) block.lastTime = time;
        }
        if (f->_id == VideoFrame::ID_PICTURE) block.pictures.push_back(f);
        block.frames.push_back(std::move(f));
    }
    return block;
}

// The bytes a frame points at, or nothing when they do not lie in its own block.
QByteArray frameBytes(const QByteArray& bytes, const VideoFrame& f, qint64 blockEnd)
{
    if (!fits(bytes, f.addrs, f.frameSize) || qint64(f.addrs) + qint64(f.frameSize) > blockEnd) return {};
    return bytes.mid(qsizetype(f.addrs), qsizetype(f.frameSize));
}

void exportLastFrames(VideoInfo& info, const QByteArray& bytes, const std::vector<Block>& used)
{
    const QString folder = RecordingExports::newFolder();
    if (folder.isEmpty()) return;
    info._channel1TempName = FileUtil::combinePath(folder, CommonConst::CHANNEL1_TMP_FILE);
    info._channel2TempName = FileUtil::combinePath(folder, CommonConst::CHANNEL2_TMP_FILE);
    info._aacTempName = FileUtil::combinePath(folder, CommonConst::AACSOUND_FILE);

    const VideoFrame* lastPicture = nullptr;
    const VideoFrame* lastSound = nullptr;
    qint64 pictureBlockEnd = 0;
    qint64 soundBlockEnd = 0;
    for (const Block& block : used) {
        for (const VideoFramePtr& f : block.frames) {
            if (f->_id == VideoFrame::ID_PICTURE && f->pictureChannel == 1) {
                lastPicture = f.get();
                pictureBlockEnd = block.end;
            }
            if (f->_id == VideoFrame::ID_SOUND) {
                lastSound = f.get();
                soundBlockEnd = block.end;
            }
        }
    }
    if (lastPicture) {
        const QByteArray picture = frameBytes(bytes, *lastPicture, pictureBlockEnd);
        if (!picture.isEmpty()) RecordingExports::writeFile(info._channel1TempName, picture);
    }
    if (lastSound) {
        const QByteArray sound = frameBytes(bytes, *lastSound, soundBlockEnd);
        if (!sound.isEmpty()) RecordingExports::writeFile(info._aacTempName, sound);
    }
    // Nothing is written for channel 2; its name is reserved beside the others.
    RecordingExports::publish(folder);
}

} // namespace

std::shared_ptr<VideoInfo> VideoInfo::readFile0401Move(const QString& filePath, const VersionInfo& /*ver*/,
                                                       const QDateTime& left, const QDateTime& right,
                                                       PictureDataType pictureDataType,
                                                       const FullTimeDataInfo* fullTimeDataInfo,
                                                       bool& isError)
{
    auto info = newRecordingInfo(filePath);

    FrameList cameraList;
    std::uint32_t base = 0;
    std::uint32_t last = 0;
    // The position carried into table 0: the first position of the used
    // blocks, which with frames that keep 0 is always (0, 0).
    std::int32_t firstLongitude = 0;
    std::int32_t firstLatitude = 0;

    const std::optional<QByteArray> file = readWholeFile(filePath);
    if (file) {
        const QByteArray& bytes = *file;
        HeaderResult header;
        const bool headerRead = applyHeader(*info, bytes, fullTimeDataInfo, header, isError);
        if (!headerRead) isError = true;

        std::vector<Block> used;
        // When the header's bytes 28 to 31 equal its recording id no block is read.
        const bool readBlocks = headerRead && bytes.size() > HEADER_SIZE &&
                                std::memcmp(bytes.constData() + 28, header.recordingId.constData(), 4) != 0;
        qint64 offset = HEADER_SIZE;
        // Every block moves the walk forward by at least its head, so the
        // walk ends after at most size / 48 blocks.
        while (readBlocks && offset < bytes.size()) {
            const qint64 blockSize = DataUtility::toUInt32(bytes, qsizetype(offset));
            // A block size of 0 is where the blocks end (the rest of the file
            // is padding). A block smaller than its own head, or one that runs
            // past the end of the file, is damage. Either way the walk ends
            // with what it has.
            if (blockSize == 0) break;
            if (blockSize < BLOCK_HEAD_SIZE || blockSize > bytes.size() - offset) {
                isError = true;
                break;
            }
            Block block = readBlock(bytes, offset, blockSize, header.recordingId, isError);
            offset += blockSize;
            if (block.lastTime < left || right < block.firstTime) continue;
            if (base == 0) {
                base = block.lowestStamp;
                info->firstTime = block.firstTime;
            }
            last = std::max(last, block.highestStamp);
            if (!(block.lastTime < info->lastTime)) info->lastTime = block.lastTime;
            if (block.powerDown) info->powerDown = true;
            cameraList.insert(cameraList.end(), block.pictures.begin(), block.pictures.end());
            used.push_back(std::move(block));
        }

        if (pictureDataType == PictureDataType::All) exportLastFrames(*info, bytes, used);

        const std::int64_t step = std::int64_t(header.cameraStep);
        sortByTimeStamp(cameraList);
        info->_cameraFrames[1] = frameTableWithoutCarry(cameraList, base, step);
    } else {
        info->_cameraFrames[1] = FrameTable();
    }
    info->_cameraFrames[0] = buildFrameDictionary(cameraList, base, 0, firstLongitude, firstLatitude);
    if (cameraList.empty()) isError = true;

    // An empty table 0 stands for one frame at the detect time, which leaves that time as it is.
    finishFrameWalk(*info, base, last);
    return info;
}
