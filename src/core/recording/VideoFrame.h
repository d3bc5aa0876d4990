#pragma once

#include "core/recording/DetectionType.h"
#include "core/foundation/CommonConst.h"

#include <QByteArray>
#include <QDateTime>
#include <cstdint>
#include <memory>

// A position in 1/36000 degree, negative for west longitude and south latitude.
class ILocation {
public:
    std::int32_t latitude = 0;
    std::int32_t longitude = 0;
};

class Location : public ILocation {
public:
    std::int64_t X = 0;
    std::int64_t Y = 0;

    // One shared location whose fields are all 0, made on first use. It may
    // be replaced; readers on other threads see either the old or the new one.
    static std::shared_ptr<Location> None();
    static void setNone(std::shared_ptr<Location> location);
};

// What the passes over a loaded recording add to each frame.
struct VideoFrameExtendedInfo {
    DetectionType detectionType = DetectionType::All;
    ViolationType violationType = ViolationType::All;
    bool speedOver = false;
    IconId direction = IconId::None;
    double distance = 0.0;
    bool isFrameEnable = false;
};

// One decoded 64-byte frame record. Frames are shared: one object may sit
// under two keys of a table and in several tables and lists at once, so they
// are always handled through VideoFramePtr.
class VideoFrame : public ILocation {
public:
    VideoFrame();
    VideoFrame(const VideoFrame&) = delete;
    VideoFrame& operator=(const VideoFrame&) = delete;

    // A new frame that starts from the defaults and copies only what
    // describes the sample itself; where the frame lies in the file and in
    // the movie is left at the defaults (the gap filling sets those itself).
    static std::shared_ptr<VideoFrame> copyOf(const VideoFrame& from);

    // The record identifiers (_id) of a picture and of a sound sample.
    static constexpr std::uint8_t ID_PICTURE = 0x55;
    static constexpr std::uint8_t ID_SOUND = 0xAA;

    std::int32_t camera = 1;
    std::int32_t frame = 0;
    bool gDetected = false;
    QDateTime time;
    double gX = 0.0;
    double gY = 0.0;
    double gZ = 0.0;
    std::int32_t speed = 0;
    std::int32_t _longitude = 0;
    std::int32_t _latitude = 0;
    std::int32_t status = 0;
    std::int32_t sw = 0;
    bool gps = true;
    bool powerDown = false;
    VideoFrameExtendedInfo ex;
    bool lacked = false;
    std::uint16_t _posWest = 0;
    std::uint16_t _posSouth = 0;
    bool _gps2 = true;
    QDateTime invalidTime;
    QByteArray _imageData;
    std::uint8_t _id = 0;
    std::uint32_t _timeStamp = 0;
    std::uint32_t _movieTimeStamp = 0;
    std::int32_t _engineSpeed = 0;
    std::uint32_t addrs = 0;
    std::uint32_t frameSize = 0;
    std::int32_t pictureChannel = 0;
    std::int32_t blockNo = 0;

    // 2000-01-01 00:00:00 in the user's current time zone. Working that out
    // costs a time-zone lookup, far too much for every one of the thousands
    // of frames a recording makes, so the value is kept for a second; call
    // timeZoneChanged() to have the next frame work it out afresh.
    static QDateTime currentInvalidTime();
    static void timeZoneChanged();
};

using VideoFramePtr = std::shared_ptr<VideoFrame>;
