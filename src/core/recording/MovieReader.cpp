// The reader of the recorder's MP4 movies: the udat index of a movie points
// at a recording header and at one run of 64-byte frame records per second.

#include "core/recording/Mp4Reader.h"
#include "core/recording/RecordingReaderSupport.h"
#include "core/recording/TrimmedMovie.h"
#include "core/recording/VideoInfo.h"

#include "core/foundation/DataUtility.h"

#include <algorithm>
#include <cstring>
#include <optional>

using namespace recording;

namespace {

constexpr qsizetype HEADER_COUNT_OFFSET = 64;
constexpr qsizetype HEADER_RECORDS_OFFSET = 80;

bool applyHeader(VideoInfo& info, const QByteArray& h, QByteArray& recordingId)
{
    // The header must hold every field read below and the info records it announces.
    if (h.size() < HEADER_COUNT_OFFSET + 1) return false;
    const int n = byteAt(h, HEADER_COUNT_OFFSET);
    if (h.size() < HEADER_RECORDS_OFFSET + INFO_RECORD_SIZE * n) return false;

    if (const auto kind = bcdValue(byteAt(h, 0))) {
        info.detectType = std::uint8_t(*kind);
        info._playback.detectionType = VideoInfo::getDetectType(std::uint8_t(*kind));
    }
    info._playback.detectTime = DataUtility::toDateFromUnixTime(h, 2);
    if (const auto sw = bcdValue(byteAt(h, 30))) info.sw = std::uint8_t(*sw);
    info._playback.detectPosition = DataUtility::toUInt32(h, 40);
    recordingId = h.mid(44, 4);

    for (int i = 0; i < n; ++i) {
        const auto record = readInfoRecord(h, HEADER_RECORDS_OFFSET + INFO_RECORD_SIZE * i);
        if (!record) continue;
        const std::uint8_t data0 = byteAt(h, record->dataOffset);
        if (record->code() == 1) {
            info._fileVersion = DataUtility::toHexString(h, record->dataOffset, 2);
        } else if (record->code() == 109) {
            info._terminalType = data0 == 1 ? TerminalType::Separate : TerminalType::AllInOne;
        } else if (record->code() == 1003) {
            info._recMode = data0 == 0   ? CommonConst::RecMode::HighQuality
                            : data0 == 2 ? CommonConst::RecMode::LongRec
                                         : CommonConst::RecMode::Nomal;
        }
    }
    return true;
}

// A record without a fix (a tunnel, a cold start) is shown where the car was
// last seen, never where the recording began: it takes the last position
// before it in the recording, and records before the first fix take that fix.
// Records of every kind count, in file order. The gps flag stays as recorded.
class CarriedPosition {
public:
    // kept: the frame is filed (a dropped one only teaches the carry).
    void see(const VideoFramePtr& f, bool kept)
    {
        if (f->_longitude == 0) {
            if (haveFix_) {
                f->_longitude = longitude_;
                f->_latitude = latitude_;
            } else {
                f->_latitude = 0; // a longitude of 0 is no position, whatever the latitude says
                if (kept) beforeFirstFix_.push_back(f);
            }
            return;
        }
        longitude_ = f->_longitude;
        latitude_ = f->_latitude;
        if (!haveFix_) {
            haveFix_ = true;
            for (const VideoFramePtr& early : beforeFirstFix_) {
                early->_longitude = longitude_;
                early->_latitude = latitude_;
            }
            beforeFirstFix_.clear();
            beforeFirstFix_.shrink_to_fit();
        }
    }

private:
    bool haveFix_ = false;
    std::int32_t longitude_ = 0;
    std::int32_t latitude_ = 0;
    FrameList beforeFirstFix_;
};

struct Run {
    QDateTime earliest = CommonConst::DEFAULT_DATE();
    QDateTime latest = CommonConst::DEFAULT_DATE();
    bool hasPicture = false;
    std::uint32_t smallestStamp = 0;
    std::uint32_t largestStamp = 0;
    bool powerDown = false;
    FrameList pictures;
};

Run readRun(const QByteArray& r, int blockNo, const QByteArray& recordingId, CarriedPosition& carried, bool& isError)
{
    Run run;
    const VideoFrame* earliest = nullptr;
    const VideoFrame* latest = nullptr;
    for (qsizetype p = 0; p + FRAME_RECORD_SIZE <= r.size(); p += FRAME_RECORD_SIZE) {
        if (std::memcmp(r.constData() + p + 60, recordingId.constData(), 4) != 0) break;
        VideoFramePtr f = decodeMovieFrameRecord(r, p, isError);
        f->blockNo = blockNo;
        carried.see(f, f->_id == VideoFrame::ID_PICTURE);
        if (f->powerDown) run.powerDown = true;
        if (f->_id != VideoFrame::ID_PICTURE) continue; // sound and other records are not kept
        if (!earliest || earliest->timeMSecs() > f->timeMSecs()) earliest = f.get();
        if (!latest || latest->timeMSecs() < f->timeMSecs()) latest = f.get();
        if (!run.hasPicture || f->_timeStamp < run.smallestStamp) run.smallestStamp = f->_timeStamp;
        if (!run.hasPicture || f->_timeStamp >= run.largestStamp) run.largestStamp = f->_timeStamp;
        run.hasPicture = true;
        run.pictures.push_back(std::move(f));
    }
    if (earliest) run.earliest = earliest->time();
    if (latest) run.latest = latest->time();
    return run;
}

// The recorder writes each byte of its index once. Ranges that overlap, or
// that add up to more than the file holds, would have the same bytes decoded
// again and again (the work then grows with the square of the file): such an
// index is damage, and the movie is not read.
bool rangesFitTheFile(const std::map<qint64, qint64>& table, qint64 fileSize)
{
    qint64 total = 0;
    qint64 previousEnd = 0;
    for (const auto& [offset, length] : table) { // offsets and lengths are 32-bit: no sum overflows
        if (offset < previousEnd) return false;
        previousEnd = offset + length;
        total += length;
        if (total > fileSize) return false;
    }
    return true;
}

float frameRateOf(CommonConst::RecMode mode)
{
    switch (mode) {
    case CommonConst::RecMode::Nomal: return CommonConst::REC_MODE_FPS_NOMAL;
    case CommonConst::RecMode::LongRec: return CommonConst::REC_MODE_FPS_LONG_REC;
    case CommonConst::RecMode::HighQuality: break;
    }
    return CommonConst::REC_MODE_FPS_HQ;
}

void finish(VideoInfo& info, std::uint32_t t0, std::uint32_t t1)
{
    info._timeSpan = t1 < t0 ? 0 : quint64(t1 - t0);
    // The detection position is compared with keys relative to T0, so its
    // limit is the recording's span, not the absolute last stamp.
    const qint64 detectKey = VideoInfo::markDetectFrame(info, t0, std::uint32_t(info._timeSpan));
    info._playback.detectPosition = detectKey;
    const auto table0 = info._cameraFrames.find(0);
    if (table0 == info._cameraFrames.end()) {
        info._playback.detectTime = CommonConst::DEFAULT_DATE(); // the default frame's time
    } else if (const auto it = table0->second.find(detectKey); it != table0->second.end()) {
        info._playback.detectTime = it->second->time();
    }
    info._playback.recordTime = info.firstTime;
    info._playback.endTime = info.lastTime;
    info.completeTables();
}

std::shared_ptr<VideoInfo> readMovie(const Mp4Reader& reader, const QDateTime& left, const QDateTime& right,
                                     bool& isError, const QByteArray& fileInfoData)
{
    auto info = std::make_shared<VideoInfo>();
    info->_playback = PlaybackInfo();

    const QByteArray payload = reader.payload(Mp4Reader::BoxType::Udat);
    if (payload.isEmpty()) return nullptr;

    info->_isCutVideo = fileInfoData.size() == 8 && payload.startsWith(fileInfoData);
    if (info->_isCutVideo) {
        std::uint32_t t0 = 0;
        std::uint32_t t1 = 0;
        const TrimmedMovie::ArchiveResult result =
            TrimmedMovie::readArchive(*info, QByteArrayView(payload).sliced(8), left, right, t0, t1);
        if (result == TrimmedMovie::ArchiveResult::Unreadable) return nullptr;
        if (result == TrimmedMovie::ArchiveResult::NoPictureFrames) isError = true;
        finish(*info, t0, t1);
        return info;
    }

    const std::map<qint64, qint64> table = reader.readUdatTable(); // ordered by file offset
    if (table.empty() || !rangesFitTheFile(table, reader.fileSize())) return nullptr;
    std::vector<Mp4Reader::EntryData> entries;
    entries.reserve(table.size());
    for (const auto& [offset, length] : table) entries.push_back(reader.entry(offset, length));

    const QByteArray header = entries.front().read();
    if (header.isEmpty()) return nullptr;
    QByteArray recordingId;
    if (!applyHeader(*info, header, recordingId)) return nullptr;

    CarriedPosition carried;
    bool haveT0 = false;
    std::uint32_t t0 = 0;
    std::uint32_t t1 = 0;
    FrameList pictures;
    for (std::size_t k = 1; k < entries.size(); ++k) {
        const Run run = readRun(entries[k].read(), int(k), recordingId, carried, isError);
        const bool accepted = !(run.latest < left) && !(run.earliest > right);
        if (!accepted) continue;
        if (!haveT0 && run.hasPicture) {
            t0 = run.smallestStamp;
            info->firstTime = run.earliest;
            haveT0 = true;
        }
        if (run.largestStamp != 0 && run.largestStamp >= t1) t1 = run.largestStamp;
        if (run.hasPicture && !(run.latest < info->lastTime)) info->lastTime = run.latest;
        if (run.powerDown) info->powerDown = true;
        pictures.insert(pictures.end(), run.pictures.begin(), run.pictures.end());
    }

    if (entries.size() > 1) {
        // Unreadable only when no run brought a picture record.
        if (pictures.empty()) isError = true;
        sortByTimeStamp(pictures);
        info->_cameraFrames[1] = VideoInfo::fillFrameGaps(pictures, t0, frameRateOf(info->_recMode));
        // Positions were carried while reading, so the table carries none.
        info->_cameraFrames[0] = frameTableWithoutCarry(pictures, t0);
    }
    finish(*info, t0, t1);
    return info;
}

} // namespace

std::shared_ptr<VideoInfo> VideoInfo::readFileMelsi14Move(const QString& filePath, const VersionInfo& /*ver*/,
                                                          const QDateTime& left, const QDateTime& right,
                                                          PictureDataType /*pictureDataType*/,
                                                          const FullTimeDataInfo* /*fullTimeDataInfo*/, bool& isError,
                                                          const QByteArray& fileInfoData)
{
    const Mp4Reader reader(filePath);
    return readMovie(reader, left, right, isError, fileInfoData);
}

std::shared_ptr<VideoInfo> VideoInfo::readMelsi14Device(QIODevice& device, const QDateTime& left,
                                                        const QDateTime& right, bool& isError,
                                                        const QByteArray& fileInfoData)
{
    const Mp4Reader reader(device);
    return readMovie(reader, left, right, isError, fileInfoData);
}
