#include "core/recording/VideoInfo.h"

#include "core/recording/FullTimeDataInfo.h"
#include "core/recording/VersionInfo.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

VideoFramePtr tableFrame(const FrameTable& table, qint64 key)
{
    const auto it = table.find(key);
    return it == table.end() ? nullptr : table.frame(it.index());
}

FrameTable oneFrameTable(const QDateTime& time)
{
    auto frame = std::make_shared<VideoFrame>();
    frame->setTime(time);
    return FrameTable{{0, std::move(frame)}};
}

} // namespace

const QString& VideoInfo::MSG_NO_PICTURE_DATA()
{
    static const QString text = QStringLiteral("画像データがありません。");
    return text;
}

const QString& VideoInfo::MSG_INVALID_PICTURE_INFO()
{
    static const QString text = QStringLiteral("正常な画像詳細情報ではありません。");
    return text;
}

VideoInfo::VideoInfo()
    : _userCarCode(PlaybackInfo::DATANOTHING_ZERO_8())
    , _userDriverCode(PlaybackInfo::DATANOTHING_ZERO_8())
    , _jpegHeader(QByteArray::fromHex("FFD8FFC401A200000105010101010101"))
    , _jpegHeader12(QByteArray::fromHex("FFD8FFDB008400100B0C0E0C0A100E0D"))
    , firstTime(CommonConst::DEFAULT_DATE())
    , lastTime(CommonConst::DEFAULT_DATE())
    , _thumbnail(std::make_shared<VideoFrame>())
    , _missingTable(oneFrameTable(CommonConst::DEFAULT_DATE()))
{
    _cameraFrames[1] = FrameTable{{0, std::make_shared<VideoFrame>()}};
}

const FrameTable& VideoInfo::getCameraFrames(int number) const
{
    const auto it = _cameraFrames.find(number);
    if (it != _cameraFrames.end() && !it->second.empty()) return it->second;
    return _missingTable;
}

VideoFramePtr VideoInfo::frameAt(int number, qint64 p, bool /*camera*/) const
{
    const FrameTable& table = getCameraFrames(number);
    if (number >= 0 && std::size_t(number) < arrayCamera.size() && !arrayCamera[number].empty()) {
        const KeyList& keys = arrayCamera[number];
        // The last key not above p; the first key when p lies before it.
        auto it = std::upper_bound(keys.begin(), keys.end(), p);
        const qint64 i = (it == keys.begin()) ? -1 : qint64(it - keys.begin()) - 1;
        if (i >= 0) {
            // The table's own keys (as completeTables() leaves them): the
            // i-th key's frame is the table's i-th.
            if (&keys == &table.keys()) {
                if (VideoFramePtr f = table.frame(std::size_t(i))) return f;
            } else if (VideoFramePtr f = tableFrame(table, keys[std::size_t(i)])) {
                return f;
            }
        }
        if (VideoFramePtr f = tableFrame(table, 0)) return f;
    } else if (_cameraFrames.count(number) != 0 && !table.empty()) {
        // No key array (a table added without one): nearest key, a tie
        // going to the earlier one.
        qint64 prev = 0;
        VideoFramePtr prevFrame = tableFrame(table, 0);
        for (const auto& [k, frame] : table) {
            if (k >= p) {
                const qint64 after = std::max<qint64>(k - p, 0);
                const qint64 before = std::max<qint64>(p - prev, 0);
                if (after < before && frame) return frame;
                if (after >= before && prevFrame) return prevFrame;
            }
            prev = k;
            prevFrame = frame;
        }
        if (prevFrame) return prevFrame;
    }
    return _missingTable.frame(0);
}

FrameList VideoInfo::convertDictionary(const FrameTable& frames)
{
    FrameList list;
    list.reserve(frames.size());
    for (const auto& entry : frames) list.push_back(entry.second);
    return list;
}

DetectionType VideoInfo::getDetectType(std::uint8_t type)
{
    switch (type) {
    case 10: return DetectionType::GSensor;
    case 11: return DetectionType::SpeedTrigger;
    case 17: return DetectionType::Movie;
    case 20: return DetectionType::ExtSW;
    case 21: return DetectionType::D1;
    case 22: return DetectionType::D2;
    case 23: return DetectionType::D3;
    case 24: return DetectionType::D4;
    case 30: return DetectionType::ExtTrigger;
    case 32: return DetectionType::UrgencySW;
    default: return DetectionType::None;
    }
}

FrameTable VideoInfo::buildFrameDictionary(const FrameList& frames, std::uint32_t base, qint64 span,
                                           std::int32_t& longitude, std::int32_t& latitude)
{
    FrameTable table;
    if (frames.empty()) return table;
    const qint64 step = span > 0 ? span : 0;
    qint64 running = 0;
    for (const VideoFramePtr& frame : frames) {
        const qint64 key = qint64(frame->_timeStamp) - qint64(base);
        if (span > 0) frame->_movieTimeStamp = std::uint32_t(std::clamp<qint64>(running, 0, UINT32_MAX));
        table.try_emplace(0, frame);
        table.try_emplace(key, frame);
        if (longitude != -1) {
            if (longitude == 0) latitude = 0;
            if (frame->_longitude == 0) {
                frame->_longitude = longitude;
                frame->_latitude = latitude;
            }
        }
        running += step;
    }
    return table;
}

qint64 VideoInfo::markDetectFrame(VideoInfo& info, std::uint32_t base, std::uint32_t span)
{
    if (info._playback.detectionType == DetectionType::Movie) return 0;
    qint64 target = info._playback.detectPosition - qint64(base);
    if (target < 1 || target >= qint64(span)) target = 0;
    const auto tableIt = info._cameraFrames.find(0);
    if (tableIt == info._cameraFrames.end()) return 0;
    qint64 prev = 0;
    for (const auto& [k, frame] : tableIt->second) {
        if (k == target) {
            frame->gDetected = true;
            return target;
        }
        if (k > target) {
            const qint64 chosen = (target - prev >= k - target) ? k : prev;
            if (VideoFramePtr f = tableFrame(tableIt->second, chosen)) f->gDetected = true;
            return chosen;
        }
        prev = k;
    }
    return 0;
}

FrameTable VideoInfo::fillFrameGaps(const FrameList& sortedFrames, std::uint32_t base, float fps)
{
    FrameTable table;
    if (sortedFrames.empty()) return table;
    const float raw = fps > 0.0f ? std::ceil(1000.0f / fps) : 1000.0f;
    const qint64 interval = std::clamp<qint64>(qint64(raw), 1, 1000);
    // A damaged time stamp can open a gap of hours; no gap is filled beyond
    // the length of one run, which is all a real gap can be.
    constexpr qint64 MAX_FILL_MS = 1000;
    // A recorder drops a frame now and then; a movie whose every frame stands
    // a second from the next is crafted, and copying each of them dozens of
    // times would let a small file take hundreds of megabytes. The copies of
    // a movie are bounded by its frames (and one second's worth, so that a
    // short recording's one gap is whole): gaps beyond the budget keep their
    // frame, which every lookup inside them still finds.
    constexpr std::size_t MAX_COPIES_PER_FRAME = 4;
    std::size_t copyBudget = sortedFrames.size() * MAX_COPIES_PER_FRAME + std::size_t(MAX_FILL_MS / interval);

    FrameList output;
    output.reserve(sortedFrames.size() + sortedFrames.size() / 8);
    VideoFramePtr prev = sortedFrames.front();
    for (const VideoFramePtr& cur : sortedFrames) {
        if (prev != cur && prev->blockNo == cur->blockNo) {
            const qint64 gapStart = prev->_timeStamp;
            while (copyBudget > 0 && qint64(prev->_timeStamp) + interval < qint64(cur->_timeStamp)
                   && qint64(prev->_timeStamp) + interval - gapStart <= MAX_FILL_MS) {
                --copyBudget;
                VideoFramePtr copy = VideoFrame::copyOf(*prev);
                copy->_timeStamp = std::uint32_t(qint64(prev->_timeStamp) + interval);
                output.push_back(copy);
                prev = std::move(copy);
            }
        }
        output.push_back(cur);
        prev = cur;
    }

    qint64 runStart = output.front()->_timeStamp;
    std::int32_t previousBlock = output.front()->blockNo;
    for (std::size_t i = 0; i < output.size(); ++i) {
        VideoFrame& f = *output[i];
        if (i > 0 && f.blockNo > previousBlock) runStart = f._timeStamp;
        previousBlock = f.blockNo;
        const qint64 runOffset = f.blockNo > 1 ? (qint64(f.blockNo) - 1) * 1000 : 0;
        const qint64 movie = runOffset + qint64(f._timeStamp) - runStart;
        f._movieTimeStamp = std::uint32_t(std::clamp<qint64>(movie, 0, UINT32_MAX));
        const qint64 key = qint64(f._timeStamp) - qint64(base);
        table.try_emplace(0, output[i]);
        table.try_emplace(key, output[i]);
    }
    return table;
}

void VideoInfo::buildKeyArrays(const std::map<int, FrameTable>& tables, KeyArrays& arrays)
{
    arrays.clear();
    arrays.reserve(tables.size());
    for (const auto& [number, table] : tables) arrays.push_back(table.sharedKeys());
}

void VideoInfo::completeTables()
{
    for (int number : {0, 1}) {
        auto it = _cameraFrames.find(number);
        if (it == _cameraFrames.end())
            _cameraFrames[number] = oneFrameTable(CommonConst::DEFAULT_DATE());
        else if (it->second.empty())
            it->second = oneFrameTable(_playback.detectTime);
    }
    std::vector<FrameTable*> tables;
    for (auto* group : {&_cameraFrames, &_soundFrames})
        for (auto& [number, table] : *group) tables.push_back(&table);
    FrameTable::pack(tables);
    // With tables 0 and 1 present, the index of a key array equals its table number.
    buildKeyArrays(_cameraFrames, arrayCamera);
    buildKeyArrays(_soundFrames, arraySound);
}

std::shared_ptr<VideoInfo> VideoInfo::fromFile(const QUrl& path, const VersionInfo& ver, QStringList& errors,
                                               const QDateTime& left, const QDateTime& right,
                                               PictureDataType pictureDataType,
                                               const FullTimeDataInfo* fullTimeDataInfo, RecType recType,
                                               const QByteArray& fileInfoData)
{
    if (!path.isLocalFile()) {
        errors.append(MSG_NO_PICTURE_DATA());
        return nullptr;
    }
    const QString file = path.toLocalFile();
    bool isError = false;
    std::shared_ptr<VideoInfo> info;
    switch (recType) {
    case RecType::Melsi14Rec:
        if (QFileInfo(file).suffix().toUpper() == QLatin1String("MP4"))
            info = readFileMelsi14Move(file, ver, left, right, pictureDataType, fullTimeDataInfo, isError,
                                       fileInfoData);
        else
            info = readFile0401Move(file, ver, left, right, pictureDataType, fullTimeDataInfo, isError);
        break;
    case RecType::MovieRec:
        info = readFile0401Move(file, ver, left, right, pictureDataType, fullTimeDataInfo, isError);
        break;
    case RecType::EventRec:
        info = readFolderMove(file, ver, left, right, pictureDataType, fullTimeDataInfo, isError);
        break;
    }
    if (!info || info->_timeSpan == 0 || isError) errors.append(MSG_INVALID_PICTURE_INFO());
    return info;
}
