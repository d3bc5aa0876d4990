#include "core/recording/TrimmedMovie.h"

#include "core/recording/CutVideoUtility.h"
#include "core/recording/VideoInfo.h"

namespace {

// Every field the frames need. Only a damaged or foreign archive lacks one;
// this system always writes them all.
bool isComplete(const CutVideoKihonInfo& k)
{
    if (!k._detectType || !k._detectTime) return false;
    for (const auto& [key, f] : k._footerCamera1List) {
        if (!f._blockNo || !f._time || !f._pictureChannel || !f._frameSize || !f._timeStamp || !f._id ||
            !f._movieTimeStamp)
            return false;
    }
    return true;
}

} // namespace

TrimmedMovie::ArchiveResult TrimmedMovie::readArchive(VideoInfo& info, QByteArrayView archive,
                                                      const QDateTime& left, const QDateTime& right,
                                                      std::uint32_t& t0, std::uint32_t& t1)
{
    t0 = 0;
    t1 = 0;
    const std::optional<CutVideoKihonInfo> decoded = CutVideoUtility::decodeKihonInfo(archive);
    if (!decoded || !isComplete(*decoded)) return ArchiveResult::Unreadable;
    const CutVideoKihonInfo& k = *decoded;

    info.detectType = *k._detectType;
    info._playback.detectionType = VideoInfo::getDetectType(info.detectType);
    info._playback.detectTime = *k._detectTime;
    info.sw = k._sw;
    info._playback.detectPosition = k._detectPosition;

    info._fileVersion = k._settingInfo._fileVersion;
    info._terminalType = k._settingInfo._terminalType.value_or(TerminalType::None);
    info._recMode = k._settingInfo._recMode.value_or(CommonConst::RecMode::Nomal);
    info.isDatetime = k._isDatetime;
    info.isSpeed = k._isSpeed;
    info.isAcceleration = k._isAcceleration;
    info.isPoint = k._isPoint;

    // The footers already hold every frame of the range under its time key
    // with its movie time: no gap filling, no key building.
    VideoInfo scratch;
    FrameTable table0;
    FrameTable table1;
    for (const auto& [key, footer] : k._footerCamera1List) {
        VideoFramePtr f = CutVideoUtility::makeFrame(footer, t0, t1, scratch);
        if (f->_id != VideoFrame::ID_PICTURE) continue;
        table1.emplace(key, f);
        table0.emplace(key, f);
    }

    const bool counts = !(scratch.lastTime < left) && !(scratch.firstTime > right);
    if (counts) {
        info.firstTime = scratch.firstTime;
        if (!(scratch.lastTime < info.lastTime)) info.lastTime = scratch.lastTime;
        if (scratch.powerDown) info.powerDown = true;
    } else {
        t0 = 0;
        t1 = 0;
    }

    const bool hasPictures = !table1.empty();
    info._cameraFrames[1] = std::move(table1);
    info._cameraFrames[0] = std::move(table0);
    return hasPictures ? ArchiveResult::Read : ArchiveResult::NoPictureFrames;
}
