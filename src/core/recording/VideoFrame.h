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
    bool isFrameEnable = false;
    double distance = 0.0;
};

// One decoded 64-byte frame record. Frames are shared: one object may sit
// under two keys of a table and in several tables and lists at once, so they
// are always handled through VideoFramePtr.
//
// A loaded card holds a few hundred thousand frames, so a frame is kept
// small: its time as milliseconds (a QDateTime is made when asked for),
// picture bytes on the heap only for the few frames that keep any, and the
// fields the records fill from a byte or two in no more room than that.
class VideoFrame {
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

    // The position pair of a location. A frame keeps its own position in
    // _longitude and _latitude; this pair is always 0.
    static constexpr std::int32_t latitude = 0;
    static constexpr std::int32_t longitude = 0;

    // The recording time: the distant past until a reader sets it. It reads
    // back in UTC, the zone the readers make times in, whatever zone it was
    // given in; an invalid time reads back as QDateTime().
    QDateTime time() const;
    void setTime(const QDateTime& time);
    // The same as milliseconds since 1970 (0 while the time is invalid).
    qint64 timeMSecs() const { return m_timeMSecs; }
    void setTimeMSecs(qint64 msecs);

    // The JPEG bytes of the frame's picture, where a reader keeps them.
    const QByteArray& imageData() const;
    void setImageData(const QByteArray& bytes);

    // 2000-01-01 00:00:00 in the user's current time zone, the time that
    // stands for one that is not valid (the same for every frame).
    QDateTime invalidTime() const { return currentInvalidTime(); }

    double gX = 0.0;
    double gY = 0.0;
    double gZ = 0.0;
    VideoFrameExtendedInfo ex;
    std::int32_t frame = 0;
    std::int32_t speed = 0;
    std::int32_t _longitude = 0;
    std::int32_t _latitude = 0;
    std::int32_t sw = 0;
    std::uint32_t _timeStamp = 0;
    std::uint32_t _movieTimeStamp = 0;
    std::uint32_t addrs = 0;
    std::uint32_t frameSize = 0;
    std::int32_t pictureChannel = 0;
    std::int32_t blockNo = 0;
    std::uint16_t _posWest = 0;
    std::uint16_t _posSouth = 0;
    std::uint16_t _engineSpeed = 0; // the record's 2-byte field
    std::uint8_t camera = 1;        // the record's camera byte
    std::uint8_t status = 0;        // the record's status byte
    std::uint8_t _id = 0;
    bool gDetected : 1 = false;
    bool gps : 1 = true;
    bool powerDown : 1 = false;
    bool lacked : 1 = false;
    bool _gps2 : 1 = true;

    // 2000-01-01 00:00:00 in the user's current time zone. Working that out
    // costs a time-zone lookup, far too much for every one of the thousands
    // of frames a recording makes, so the value is kept for a second; call
    // timeZoneChanged() to have the next frame work it out afresh.
    static QDateTime currentInvalidTime();
    static void timeZoneChanged();

private:
    friend class FrameStore;
    // Every field, for the store that packs a recording's frames together.
    void assign(const VideoFrame& from);

    bool m_timeValid : 1 = true;
    qint64 m_timeMSecs;
    std::unique_ptr<const QByteArray> m_image; // null: no picture bytes
};

using VideoFramePtr = std::shared_ptr<VideoFrame>;
