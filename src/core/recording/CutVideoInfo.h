#pragma once

#include "core/archive/ArchiveValue.h"
#include "core/foundation/CommonConst.h"
#include "core/recording/VideoFrame.h"
#include "core/recording/VideoInfo.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <map>
#include <optional>

// The trim information a trimmed movie carries: the record of the whole
// range, its setting record and one footer per frame, each archivable into
// a keyed archive under the application's module-qualified class names.

// The recording's file version, terminal type and recording mode.
class CutVideoSettingInfo {
public:
    static const QString& CLASS_NAME(); // "KORVELTA_REPLAY.CutVideoSettingInfo"

    CutVideoSettingInfo() = default;

    ArchiveValue encode() const;
    // None when the object is not a setting record or a required key is
    // missing or mistyped.
    static std::optional<CutVideoSettingInfo> decode(const ArchiveValue& value);

    bool operator==(const CutVideoSettingInfo&) const = default;

    QString _fileVersion;
    std::optional<TerminalType> _terminalType;
    std::optional<CommonConst::RecMode> _recMode;
};

// The driving data of one frame.
class CutVideoFooterInfo {
public:
    static const QString& CLASS_NAME(); // "KORVELTA_REPLAY.CutVideoFooterInfo"

    explicit CutVideoFooterInfo(const VideoFrame& frame);

    ArchiveValue encode() const;
    static std::optional<CutVideoFooterInfo> decode(const ArchiveValue& value);

    bool operator==(const CutVideoFooterInfo&) const = default;

    std::optional<std::int32_t> _blockNo;
    std::optional<QDateTime> _time;
    std::int32_t _longitude = 0;
    std::int32_t _latitude = 0;
    std::uint16_t _posWest = 0;
    std::uint16_t _posSouth = 0;
    std::int32_t _speed = 0;
    double _gX = 0.0;
    double _gY = 0.0;
    double _gZ = 0.0;
    std::int32_t _iSwitch = 0;
    bool _gps = true;
    bool _gps2 = true;
    bool _powerDown = false;
    std::optional<std::int32_t> _pictureChannel;
    std::optional<std::uint32_t> _frameSize;
    std::optional<std::uint32_t> _timeStamp;
    std::optional<std::uint8_t> _id;
    std::optional<std::uint32_t> _movieTimeStamp;

private:
    CutVideoFooterInfo() = default;
};

using FooterList = std::map<qint64, CutVideoFooterInfo>;

// The record of a whole trimmed range.
class CutVideoKihonInfo {
public:
    static const QString& CLASS_NAME(); // "KORVELTA_REPLAY.CutVideoKihonInfo"

    // Built from the first chapter of the range: start and end as time
    // offsets within that chapter, the movie time in ms the first piece
    // adds, and which data the movie shows burnt in.
    CutVideoKihonInfo(const VideoInfo& videoInfo, qint64 start, qint64 end, qint64 movieTime, bool isDatetime,
                      bool isSpeed, bool isAcceleration, bool isPoint);

    // Appends the next chapter of the range, up to end (a time offset within
    // that chapter), adding movieTime ms of movie.
    void buildFooterLists(const VideoInfo& videoInfo, qint64 end, qint64 movieTime);

    ArchiveValue encode() const;
    static std::optional<CutVideoKihonInfo> decode(const ArchiveValue& value);

    bool operator==(const CutVideoKihonInfo&) const = default;

    CutVideoSettingInfo _settingInfo;
    FooterList _footerCamera1List;
    FooterList _footerSoundList;
    std::optional<std::uint8_t> _detectType;
    std::optional<QDateTime> _detectTime;
    std::uint8_t _sw = 0;
    qint64 _detectPosition = 0;
    QDateTime _firstTime;
    QDateTime _lastTime;
    bool _powerDown = false;
    qint64 _totalTimeSpan = 0;
    qint64 _totalMovieTimeSpan = 0;
    bool _isDatetime = false;
    bool _isSpeed = false;
    bool _isAcceleration = false;
    bool _isPoint = false;

private:
    CutVideoKihonInfo();
};
