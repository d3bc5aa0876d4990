#include "core/recording/CutVideoInfo.h"

#include <algorithm>
#include <limits>

namespace {

// ---- field readers --------------------------------------------------------
//
// Keys written with the coder's scalar calls read as 0 or false when absent
// but must hold a number of the field's kind when present. Optional number
// and date objects read as unset when absent or of another kind. Required
// objects must be present and of the field's kind. A false return makes the
// whole record undecodable.

template <class T> bool integerInRange(const ArchiveValue& v, T& out)
{
    const std::optional<std::int64_t> i = v.toInteger();
    if (!i) return false;
    if constexpr (std::is_signed_v<T>) {
        if (*i < std::numeric_limits<T>::min() || *i > std::numeric_limits<T>::max()) return false;
    } else {
        if (*i < 0 || static_cast<std::uint64_t>(*i) > std::numeric_limits<T>::max()) return false;
    }
    out = static_cast<T>(*i);
    return true;
}

template <class T> bool scalarInteger(const ArchiveObject& o, const QString& key, T& out)
{
    const ArchiveValue* v = o.get(key);
    if (!v) {
        out = 0;
        return true;
    }
    return integerInRange(*v, out);
}

bool scalarDouble(const ArchiveObject& o, const QString& key, double& out)
{
    const ArchiveValue* v = o.get(key);
    if (!v) {
        out = 0.0;
        return true;
    }
    const std::optional<double> d = v->toReal();
    if (!d) return false;
    out = *d;
    return true;
}

bool scalarBool(const ArchiveObject& o, const QString& key, bool& out)
{
    const ArchiveValue* v = o.get(key);
    if (!v) {
        out = false;
        return true;
    }
    if (const std::optional<bool> b = v->toBool()) {
        out = *b;
        return true;
    }
    if (const std::optional<std::int64_t> i = v->toInteger()) {
        out = *i != 0;
        return true;
    }
    return false;
}

template <class T> std::optional<T> optionalNumber(const ArchiveObject& o, const QString& key)
{
    const ArchiveValue* v = o.get(key);
    T out{};
    if (!v || !integerInRange(*v, out)) return std::nullopt;
    return out;
}

template <class T> bool requiredNumber(const ArchiveObject& o, const QString& key, T& out)
{
    const ArchiveValue* v = o.get(key);
    return v && integerInRange(*v, out);
}

std::optional<QDateTime> optionalDate(const ArchiveObject& o, const QString& key)
{
    const ArchiveValue* v = o.get(key);
    if (!v) return std::nullopt;
    return v->toDateTime();
}

const ArchiveObject* objectOfClass(const ArchiveValue& value, const QString& className)
{
    const ArchiveObject* o = value.asObject();
    return o && o->className() == className ? o : nullptr;
}

// ---- arithmetic on movie times --------------------------------------------

// A footer's movie time stamp moved by delta, kept within 0 .. UINT32_MAX.
std::uint32_t shiftedStamp(std::uint32_t stamp, qint64 delta)
{
    constexpr qint64 LIMIT = qint64{1} << 40;
    const qint64 v = static_cast<qint64>(stamp) + std::clamp(delta, -LIMIT, LIMIT);
    return static_cast<std::uint32_t>(std::clamp<qint64>(v, 0, std::numeric_limits<std::uint32_t>::max()));
}

qint64 saturatingAdd(qint64 a, qint64 b)
{
    qint64 r = 0;
    if (__builtin_add_overflow(a, b, &r))
        return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    return r;
}

qint64 saturatingSub(qint64 a, qint64 b)
{
    qint64 r = 0;
    if (__builtin_sub_overflow(a, b, &r))
        return b < 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    return r;
}

// ---- archive keys ---------------------------------------------------------

#define KEY(name, text)                                                                                      \
    const QString& name()                                                                                    \
    {                                                                                                        \
        static const QString k = QStringLiteral(text);                                                       \
        return k;                                                                                            \
    }

KEY(CVSI_FILE_VERSION, "cvsi_tci_fileVersion")
KEY(CVSI_TERMINAL_TYPE, "cvsi_tci_terminalType")
KEY(CVSI_REC_MODE, "cvsi_tci_recMode")

KEY(CVFI_BLOCK_NO, "cvfi_tci_blockNo")
KEY(CVFI_TIME, "cvfi_tci_time")
KEY(CVFI_LONGITUDE, "cvfi_tci_longitude")
KEY(CVFI_LATITUDE, "cvfi_tci_latitude")
KEY(CVFI_POS_WEST, "cvfi_tci_posWest")
KEY(CVFI_POS_SOUTH, "cvfi_tci_posSouth")
KEY(CVFI_SPEED, "cvfi_tci_speed")
KEY(CVFI_GX, "cvfi_tci_gX")
KEY(CVFI_GY, "cvfi_tci_gY")
KEY(CVFI_GZ, "cvfi_tci_gZ")
KEY(CVFI_SWITCH, "cvfi_tci_iSwitch")
KEY(CVFI_GPS, "cvfi_tci_gps")
KEY(CVFI_GPS2, "cvfi_tci_gps2")
KEY(CVFI_POWER_DOWN, "cvfi_tci_powerDown")
KEY(CVFI_PICTURE_CHANNEL, "cvfi_tci_pictureChannel")
KEY(CVFI_FRAME_SIZE, "cvfi_tci_frameSize")
KEY(CVFI_TIME_STAMP, "cvfi_tci_timeStamp")
KEY(CVFI_ID, "cvfi_tci_id")
KEY(CVFI_MOVIE_TIME_STAMP, "cvfi_tci_movieTimeStamp")

KEY(CVKI_SETTING_INFO, "cvki_tci_settingInfo")
KEY(CVKI_FOOTER_CAMERA1_LIST, "cvki_tci_footerCamera1List")
KEY(CVKI_FOOTER_SOUND_LIST, "cvki_tci_footerSoundList")
KEY(CVKI_DETECT_TYPE, "cvki_tci_detectType")
KEY(CVKI_DETECT_TIME, "cvki_tci_detectTime")
KEY(CVKI_SW, "cvki_tci_sw")
KEY(CVKI_DETECT_POSITION, "cvki_tci_detectPosition")
KEY(CVKI_FIRST_TIME, "cvki_tci_firstTime")
KEY(CVKI_LAST_TIME, "cvki_tci_lastTime")
KEY(CVKI_POWER_DOWN, "cvki_tci_powerDown")
KEY(CVKI_TOTAL_TIME_SPAN, "cvki_tci_totalTimeSpan")
// The archive format spells this key "Moview".
KEY(CVKI_TOTAL_MOVIE_TIME_SPAN, "cvki_tci_totalMoviewTimeSpan")
KEY(CVKI_IS_DATETIME, "cvki_tci_isDatetime")
KEY(CVKI_IS_SPEED, "cvki_tci_isSpeed")
KEY(CVKI_IS_ACCELERATION, "cvki_tci_isAcceleration")
KEY(CVKI_IS_POINT, "cvki_tci_isPoint")

#undef KEY

ArchiveValue encodeFooters(const FooterList& footers)
{
    ArchiveValue::Dictionary entries;
    entries.reserve(footers.size());
    for (const auto& [key, footer] : footers)
        entries.emplace_back(ArchiveValue::numberObject(key), footer.encode());
    return ArchiveValue::dictionary(std::move(entries));
}

// A dictionary of integer keys and footers, or none for any other contents.
std::optional<FooterList> decodeFooters(const ArchiveObject& o, const QString& key)
{
    const ArchiveValue* v = o.get(key);
    if (!v) return std::nullopt;
    const ArchiveValue::Dictionary* entries = v->asDictionary();
    if (!entries) return std::nullopt;
    FooterList out;
    for (const auto& [k, value] : *entries) {
        const std::optional<std::int64_t> offset = k.toInteger();
        if (!offset) return std::nullopt;
        std::optional<CutVideoFooterInfo> footer = CutVideoFooterInfo::decode(value);
        if (!footer) return std::nullopt;
        if (!out.emplace(*offset, std::move(*footer)).second) return std::nullopt; // a key twice
    }
    return out;
}

} // namespace

// ---- CutVideoSettingInfo ----------------------------------------------------

const QString& CutVideoSettingInfo::CLASS_NAME()
{
    static const QString name = QStringLiteral("KORVELTA_REPLAY.CutVideoSettingInfo");
    return name;
}

ArchiveValue CutVideoSettingInfo::encode() const
{
    ArchiveObject o(CLASS_NAME());
    o.set(CVSI_FILE_VERSION(), ArchiveValue::string(_fileVersion));
    // An unset value is written as the number that reads back as the
    // fallback case (None, Nomal).
    o.set(CVSI_TERMINAL_TYPE(),
          ArchiveValue::integer(static_cast<int>(_terminalType.value_or(TerminalType::None))));
    o.set(CVSI_REC_MODE(),
          ArchiveValue::integer(static_cast<int>(_recMode.value_or(CommonConst::RecMode::Nomal))));
    return ArchiveValue::object(std::move(o));
}

std::optional<CutVideoSettingInfo> CutVideoSettingInfo::decode(const ArchiveValue& value)
{
    const ArchiveObject* o = objectOfClass(value, CLASS_NAME());
    if (!o) return std::nullopt;
    CutVideoSettingInfo s;
    const ArchiveValue* version = o->get(CVSI_FILE_VERSION());
    if (!version || !version->toString()) return std::nullopt;
    s._fileVersion = *version->toString();

    std::int64_t terminal = 0;
    std::int64_t mode = 0;
    if (!scalarInteger(*o, CVSI_TERMINAL_TYPE(), terminal) || !scalarInteger(*o, CVSI_REC_MODE(), mode))
        return std::nullopt;
    s._terminalType = terminal == 1   ? TerminalType::AllInOne
                      : terminal == 0 ? TerminalType::Separate
                                      : TerminalType::None;
    switch (mode) {
    case 0:
        s._recMode = CommonConst::RecMode::HighQuality;
        break;
    case 2:
        s._recMode = CommonConst::RecMode::LongRec;
        break;
    default:
        s._recMode = CommonConst::RecMode::Nomal;
        break;
    }
    return s;
}

// ---- CutVideoFooterInfo -----------------------------------------------------

const QString& CutVideoFooterInfo::CLASS_NAME()
{
    static const QString name = QStringLiteral("KORVELTA_REPLAY.CutVideoFooterInfo");
    return name;
}

CutVideoFooterInfo::CutVideoFooterInfo(const VideoFrame& frame)
    : _blockNo(frame.blockNo), _time(frame.time().isValid() ? frame.time() : CommonConst::DEFAULT_DATE()),
      _longitude(frame._longitude), _latitude(frame._latitude), _posWest(frame._posWest),
      _posSouth(frame._posSouth), _speed(frame.speed), _gX(frame.gX), _gY(frame.gY), _gZ(frame.gZ),
      _iSwitch(frame.sw), _gps(frame.gps), _gps2(frame._gps2), _powerDown(frame.powerDown),
      _pictureChannel(frame.pictureChannel), _frameSize(frame.frameSize), _timeStamp(frame._timeStamp),
      _id(frame._id), _movieTimeStamp(frame._movieTimeStamp)
{
}

ArchiveValue CutVideoFooterInfo::encode() const
{
    ArchiveObject o(CLASS_NAME());
    if (_blockNo) o.set(CVFI_BLOCK_NO(), ArchiveValue::numberObject(*_blockNo));
    if (_time) o.set(CVFI_TIME(), ArchiveValue::date(*_time));
    o.set(CVFI_LONGITUDE(), ArchiveValue::integer(_longitude));
    o.set(CVFI_LATITUDE(), ArchiveValue::integer(_latitude));
    o.set(CVFI_POS_WEST(), ArchiveValue::numberObject(_posWest));
    o.set(CVFI_POS_SOUTH(), ArchiveValue::numberObject(_posSouth));
    o.set(CVFI_SPEED(), ArchiveValue::integer(_speed));
    o.set(CVFI_GX(), ArchiveValue::real(_gX));
    o.set(CVFI_GY(), ArchiveValue::real(_gY));
    o.set(CVFI_GZ(), ArchiveValue::real(_gZ));
    o.set(CVFI_SWITCH(), ArchiveValue::integer(_iSwitch));
    o.set(CVFI_GPS(), ArchiveValue::boolean(_gps));
    o.set(CVFI_GPS2(), ArchiveValue::boolean(_gps2));
    o.set(CVFI_POWER_DOWN(), ArchiveValue::boolean(_powerDown));
    if (_pictureChannel) o.set(CVFI_PICTURE_CHANNEL(), ArchiveValue::numberObject(*_pictureChannel));
    if (_frameSize) o.set(CVFI_FRAME_SIZE(), ArchiveValue::numberObject(*_frameSize));
    if (_timeStamp) o.set(CVFI_TIME_STAMP(), ArchiveValue::numberObject(*_timeStamp));
    if (_id) o.set(CVFI_ID(), ArchiveValue::numberObject(*_id));
    if (_movieTimeStamp) o.set(CVFI_MOVIE_TIME_STAMP(), ArchiveValue::numberObject(*_movieTimeStamp));
    return ArchiveValue::object(std::move(o));
}

std::optional<CutVideoFooterInfo> CutVideoFooterInfo::decode(const ArchiveValue& value)
{
    const ArchiveObject* o = objectOfClass(value, CLASS_NAME());
    if (!o) return std::nullopt;
    CutVideoFooterInfo f;
    f._blockNo = optionalNumber<std::int32_t>(*o, CVFI_BLOCK_NO());
    f._time = optionalDate(*o, CVFI_TIME());
    f._pictureChannel = optionalNumber<std::int32_t>(*o, CVFI_PICTURE_CHANNEL());
    f._frameSize = optionalNumber<std::uint32_t>(*o, CVFI_FRAME_SIZE());
    f._timeStamp = optionalNumber<std::uint32_t>(*o, CVFI_TIME_STAMP());
    f._id = optionalNumber<std::uint8_t>(*o, CVFI_ID());
    f._movieTimeStamp = optionalNumber<std::uint32_t>(*o, CVFI_MOVIE_TIME_STAMP());
    const bool ok = scalarInteger(*o, CVFI_LONGITUDE(), f._longitude) &&
                    scalarInteger(*o, CVFI_LATITUDE(), f._latitude) &&
                    requiredNumber(*o, CVFI_POS_WEST(), f._posWest) &&
                    requiredNumber(*o, CVFI_POS_SOUTH(), f._posSouth) &&
                    scalarInteger(*o, CVFI_SPEED(), f._speed) && scalarDouble(*o, CVFI_GX(), f._gX) &&
                    scalarDouble(*o, CVFI_GY(), f._gY) && scalarDouble(*o, CVFI_GZ(), f._gZ) &&
                    scalarInteger(*o, CVFI_SWITCH(), f._iSwitch) && scalarBool(*o, CVFI_GPS(), f._gps) &&
                    scalarBool(*o, CVFI_GPS2(), f._gps2) && scalarBool(*o, CVFI_POWER_DOWN(), f._powerDown);
    if (!ok) return std::nullopt;
    return f;
}

// ---- CutVideoKihonInfo ------------------------------------------------------

const QString& CutVideoKihonInfo::CLASS_NAME()
{
    static const QString name = QStringLiteral("KORVELTA_REPLAY.CutVideoKihonInfo");
    return name;
}

CutVideoKihonInfo::CutVideoKihonInfo() : _firstTime(QDateTime::currentDateTimeUtc()), _lastTime(_firstTime) {}

CutVideoKihonInfo::CutVideoKihonInfo(const VideoInfo& videoInfo, qint64 start, qint64 end, qint64 movieTime,
                                     bool isDatetime, bool isSpeed, bool isAcceleration, bool isPoint)
    : CutVideoKihonInfo()
{
    _detectType = videoInfo.detectType;
    _detectTime = videoInfo._playback.detectTime.isValid() ? videoInfo._playback.detectTime
                                                           : CommonConst::DEFAULT_DATE();
    _sw = videoInfo.sw;
    _detectPosition = videoInfo._playback.detectPosition;
    _powerDown = videoInfo.powerDown;

    _firstTime = videoInfo.frameAt(0, start)->time();
    _lastTime = videoInfo.frameAt(0, end)->time();

    _settingInfo._fileVersion = videoInfo._fileVersion;
    _settingInfo._terminalType = videoInfo._terminalType;
    _settingInfo._recMode = videoInfo._recMode;

    _isDatetime = isDatetime;
    _isSpeed = isSpeed;
    _isAcceleration = isAcceleration;
    _isPoint = isPoint;

    // The frame in effect at the start defines movie time 0.
    const VideoFramePtr startFrame = videoInfo.frameAt(1, start);
    const std::uint32_t base = startFrame->_movieTimeStamp;
    const qint64 lower = -static_cast<qint64>(base);

    const FrameTable& table = videoInfo.getCameraFrames(1);
    for (auto it = table.lower_bound(start); it != table.end() && it->first <= end; ++it) {
        CutVideoFooterInfo footer(*it->second);
        footer._movieTimeStamp = shiftedStamp(it->second->_movieTimeStamp, lower);
        _footerCamera1List.insert_or_assign(it->first - start, std::move(footer));
    }
    CutVideoFooterInfo first(*startFrame);
    first._movieTimeStamp = shiftedStamp(startFrame->_movieTimeStamp, lower);
    _footerCamera1List.insert_or_assign(0, std::move(first));

    _totalTimeSpan = saturatingSub(end, start);
    _totalMovieTimeSpan = saturatingSub(movieTime, base);
}

void CutVideoKihonInfo::buildFooterLists(const VideoInfo& videoInfo, qint64 end, qint64 movieTime)
{
    // The chapter's first key lies 1 ms after the last key so far.
    const qint64 offset = saturatingAdd(_totalTimeSpan, 1);
    const qint64 movieOffset = _totalMovieTimeSpan;
    const FrameTable& table = videoInfo.getCameraFrames(1);
    for (auto it = table.begin(); it != table.end() && it->first <= end; ++it) {
        CutVideoFooterInfo footer(*it->second);
        footer._movieTimeStamp = shiftedStamp(it->second->_movieTimeStamp, movieOffset);
        _footerCamera1List.insert_or_assign(saturatingAdd(it->first, offset), std::move(footer));
    }
    _totalTimeSpan = saturatingAdd(offset, end);
    _totalMovieTimeSpan = saturatingAdd(movieOffset, movieTime);
}

ArchiveValue CutVideoKihonInfo::encode() const
{
    ArchiveObject o(CLASS_NAME());
    o.set(CVKI_SETTING_INFO(), _settingInfo.encode());
    o.set(CVKI_FOOTER_CAMERA1_LIST(), encodeFooters(_footerCamera1List));
    o.set(CVKI_FOOTER_SOUND_LIST(), encodeFooters(_footerSoundList));
    if (_detectType) o.set(CVKI_DETECT_TYPE(), ArchiveValue::numberObject(*_detectType));
    if (_detectTime) o.set(CVKI_DETECT_TIME(), ArchiveValue::date(*_detectTime));
    o.set(CVKI_SW(), ArchiveValue::numberObject(_sw));
    o.set(CVKI_DETECT_POSITION(), ArchiveValue::integer(_detectPosition));
    o.set(CVKI_FIRST_TIME(), ArchiveValue::date(_firstTime));
    o.set(CVKI_LAST_TIME(), ArchiveValue::date(_lastTime));
    o.set(CVKI_POWER_DOWN(), ArchiveValue::boolean(_powerDown));
    o.set(CVKI_TOTAL_TIME_SPAN(), ArchiveValue::integer(_totalTimeSpan));
    o.set(CVKI_TOTAL_MOVIE_TIME_SPAN(), ArchiveValue::integer(_totalMovieTimeSpan));
    o.set(CVKI_IS_DATETIME(), ArchiveValue::boolean(_isDatetime));
    o.set(CVKI_IS_SPEED(), ArchiveValue::boolean(_isSpeed));
    o.set(CVKI_IS_ACCELERATION(), ArchiveValue::boolean(_isAcceleration));
    o.set(CVKI_IS_POINT(), ArchiveValue::boolean(_isPoint));
    return ArchiveValue::object(std::move(o));
}

std::optional<CutVideoKihonInfo> CutVideoKihonInfo::decode(const ArchiveValue& value)
{
    const ArchiveObject* o = objectOfClass(value, CLASS_NAME());
    if (!o) return std::nullopt;
    CutVideoKihonInfo k;

    const ArchiveValue* setting = o->get(CVKI_SETTING_INFO());
    if (!setting) return std::nullopt;
    std::optional<CutVideoSettingInfo> settingInfo = CutVideoSettingInfo::decode(*setting);
    if (!settingInfo) return std::nullopt;
    k._settingInfo = std::move(*settingInfo);

    std::optional<FooterList> camera = decodeFooters(*o, CVKI_FOOTER_CAMERA1_LIST());
    std::optional<FooterList> sound = camera ? decodeFooters(*o, CVKI_FOOTER_SOUND_LIST()) : std::nullopt;
    if (!camera || !sound) return std::nullopt;
    k._footerCamera1List = std::move(*camera);
    k._footerSoundList = std::move(*sound);

    k._detectType = optionalNumber<std::uint8_t>(*o, CVKI_DETECT_TYPE());
    k._detectTime = optionalDate(*o, CVKI_DETECT_TIME());

    const ArchiveValue* first = o->get(CVKI_FIRST_TIME());
    const ArchiveValue* last = o->get(CVKI_LAST_TIME());
    const std::optional<QDateTime> firstTime = first ? first->toDateTime() : std::nullopt;
    const std::optional<QDateTime> lastTime = last ? last->toDateTime() : std::nullopt;
    if (!firstTime || !lastTime) return std::nullopt;
    k._firstTime = *firstTime;
    k._lastTime = *lastTime;

    const bool ok = requiredNumber(*o, CVKI_SW(), k._sw) &&
                    scalarInteger(*o, CVKI_DETECT_POSITION(), k._detectPosition) &&
                    scalarBool(*o, CVKI_POWER_DOWN(), k._powerDown) &&
                    scalarInteger(*o, CVKI_TOTAL_TIME_SPAN(), k._totalTimeSpan) &&
                    scalarInteger(*o, CVKI_TOTAL_MOVIE_TIME_SPAN(), k._totalMovieTimeSpan) &&
                    scalarBool(*o, CVKI_IS_DATETIME(), k._isDatetime) &&
                    scalarBool(*o, CVKI_IS_SPEED(), k._isSpeed) &&
                    scalarBool(*o, CVKI_IS_ACCELERATION(), k._isAcceleration) &&
                    scalarBool(*o, CVKI_IS_POINT(), k._isPoint);
    if (!ok) return std::nullopt;
    return k;
}
