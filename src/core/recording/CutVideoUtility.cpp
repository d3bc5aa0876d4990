#include "core/recording/CutVideoUtility.h"

#include "core/recording/VideoInfo.h"

QByteArray CutVideoUtility::encodeKihonInfo(const CutVideoKihonInfo& info)
{
    return KeyedArchive::write(info.encode());
}

const KeyedArchive::ReadOptions& CutVideoUtility::readOptions()
{
    static const KeyedArchive::ReadOptions options = [] {
        KeyedArchive::ReadOptions o;
        o.allowedClasses = {CutVideoKihonInfo::CLASS_NAME(),        CutVideoSettingInfo::CLASS_NAME(),
                            CutVideoFooterInfo::CLASS_NAME(),       KeyedArchive::CLASS_DICTIONARY,
                            KeyedArchive::CLASS_MUTABLE_DICTIONARY, KeyedArchive::CLASS_DATE};
        // A thirty-minute cut holds about fifty thousand footers of some
        // twenty values each, in an archive of about 22 MB.
        o.maxNodes = 6'000'000;
        o.maxObjects = 2'000'000;
        o.maxDepth = 8;
        return o;
    }();
    return options;
}

std::optional<CutVideoKihonInfo> CutVideoUtility::decodeKihonInfo(QByteArrayView bytes)
{
    const std::optional<ArchiveValue> root = KeyedArchive::read(bytes, readOptions());
    if (!root) return std::nullopt;
    return CutVideoKihonInfo::decode(*root);
}

VideoFramePtr CutVideoUtility::makeFrame(const CutVideoFooterInfo& footer, std::uint32_t& t0,
                                         std::uint32_t& t1, VideoInfo& scratch)
{
    auto f = std::make_shared<VideoFrame>();
    f->blockNo = footer._blockNo.value_or(0);
    if (footer._time) f->setTime(*footer._time);
    f->_longitude = footer._longitude;
    f->_latitude = footer._latitude;
    f->_posWest = footer._posWest;
    f->_posSouth = footer._posSouth;
    f->speed = footer._speed;
    f->gX = footer._gX;
    f->gY = footer._gY;
    f->gZ = footer._gZ;
    f->sw = footer._iSwitch;
    f->gps = footer._gps;
    f->_gps2 = footer._gps2;
    f->powerDown = footer._powerDown;
    f->pictureChannel = footer._pictureChannel.value_or(0);
    f->frameSize = footer._frameSize.value_or(0);
    f->_timeStamp = footer._timeStamp.value_or(0);
    f->_id = footer._id.value_or(0);
    f->_movieTimeStamp = footer._movieTimeStamp.value_or(0);
    // The archive carries no driving events.
    f->ex.violationType = ViolationType::All;

    if (f->powerDown) scratch.powerDown = true;
    if (f->_id != VideoFrame::ID_PICTURE && f->_id != VideoFrame::ID_SOUND) return f;

    if (t0 == 0) {
        t0 = f->_timeStamp;
        scratch.firstTime = f->time();
    } else {
        t0 = std::min(t0, f->_timeStamp);
        if (f->time() < scratch.firstTime) scratch.firstTime = f->time();
    }
    t1 = std::max(t1, f->_timeStamp);
    if (f->time() > scratch.lastTime) scratch.lastTime = f->time();
    return f;
}
