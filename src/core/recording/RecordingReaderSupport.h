#pragma once

// Helpers shared by the readers of the recorder's data, event, division and
// movie files. Every helper takes the whole file and an offset and checks
// that the field lies inside it: card files are untrusted.

#include "core/foundation/CommonConst.h"
#include "core/recording/PlaybackInfo.h"
#include "core/recording/VideoFrame.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

class FullTimeDataInfo;

namespace recording {

// Recorder files are addressed with 32-bit offsets; a larger file is not one
// of them and is not read into memory.
inline constexpr qint64 MAX_RECORDING_FILE_SIZE = qint64(UINT32_MAX);

// The whole file, or nothing when it cannot be read or is larger than maxSize.
std::optional<QByteArray> readWholeFile(const QString& path, qint64 maxSize = MAX_RECORDING_FILE_SIZE);

inline bool fits(QByteArrayView bytes, qint64 offset, qint64 width)
{
    return offset >= 0 && width >= 0 && offset <= bytes.size() && width <= bytes.size() - offset;
}

inline std::uint8_t byteAt(QByteArrayView bytes, qsizetype i)
{
    return static_cast<std::uint8_t>(bytes[i]);
}

// The value of one BCD byte, or nothing when a digit is above 9.
inline std::optional<int> bcdValue(std::uint8_t byte)
{
    const int high = byte >> 4;
    const int low = byte & 0x0F;
    if (high > 9 || low > 9) return std::nullopt;
    return high * 10 + low;
}

// Four BCD bytes as one number (d0 most significant), or nothing.
std::optional<std::uint32_t> bcd4Value(QByteArrayView bytes, qsizetype offset);

// Six BCD bytes of date and time, or nothing when they are outside the data,
// not BCD or not a date.
std::optional<QDateTime> bcdDateTime(QByteArrayView bytes, qsizetype offset);

// The driving event of a frame record's violation code (BCD value).
ViolationType violationOfCode(int code);

// The west (longitude) or south (latitude) flag of a 24-bit position field:
// bit 23. 0 when the field lies outside the data.
std::uint16_t positionFlag24(QByteArrayView bytes, qsizetype offset);

// How a car or driver code field of an information record reads.
struct CodeField {
    enum class State { Set, NotSet, Invalid };
    State state = State::Invalid;
    QString text; // "%08d" of the BCD number when Set
};
// The recorder writes 0xFF bytes where a code was never entered. With
// anyFFUnset a single 0xFF byte already means "not set" (the driver code's
// rule); otherwise only four of them do.
CodeField readCodeField(QByteArrayView record, qsizetype dataOffset, bool anyFFUnset);

// The information-record settings that several readers share: group and
// item codes as decimal numbers; the record's data bytes start at dataOffset.
struct InfoRecord {
    int group = 0;
    int item = 0;
    qsizetype dataOffset = 0;
};
std::optional<InfoRecord> readInfoRecord(QByteArrayView bytes, qsizetype offset);

// The information records every reader keeps as hex text in the playback
// information (406 d2US, 801 G value, 901 event rate, 1003 movie rate; code is
// group * 100 + item). The record's data bytes lie in the data (checked by
// readInfoRecord). False for any other code.
bool applyPlaybackTextRecord(PlaybackInfo& playback, QByteArrayView bytes, int code, qsizetype dataOffset);

// The fields a 64-byte frame record of a data or event file shares (all but
// byte 32, whose meaning differs between them). The caller has checked that
// the record lies in the data. A violation code that is not BCD sets isError.
VideoFramePtr decodeFrameRecord(QByteArrayView bytes, qsizetype p, bool& isError);

} // namespace recording
