#pragma once

// Helpers shared by the readers of the recorder's data, event, division and
// movie files. Every helper takes the whole file and an offset and checks
// that the field lies inside it: card files are untrusted.

#include "core/foundation/CommonConst.h"
#include "core/recording/PlaybackInfo.h"
#include "core/recording/VideoFrame.h"
#include "core/recording/VideoInfo.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>

class FullTimeDataInfo;

namespace recording {

// An information record: group and item codes and six data bytes.
inline constexpr qsizetype INFO_RECORD_SIZE = 8;
inline constexpr qsizetype FRAME_RECORD_SIZE = 64;

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
// Takes the code of the field into target when it holds one; a field that
// is neither a code nor unset marks the file as damaged.
void applyCodeField(QString& target, QByteArrayView record, qsizetype dataOffset, bool anyFFUnset,
                    bool& isError);

// The information-record settings that several readers share: group and
// item codes as decimal numbers; the record's data bytes start at dataOffset.
struct InfoRecord {
    int group = 0;
    int item = 0;
    qsizetype dataOffset = 0;

    // Group and item as one number: group 10, item 3 is 1003.
    int code() const { return group * 100 + item; }
};
std::optional<InfoRecord> readInfoRecord(QByteArrayView bytes, qsizetype offset);

// The information records every reader keeps as hex text in the playback
// information (by InfoRecord::code: 406 d2US, 801 G value, 901 event rate,
// 1003 movie rate). The record's data bytes lie in the data (checked by
// readInfoRecord). False for any other code.
bool applyPlaybackTextRecord(PlaybackInfo& playback, QByteArrayView bytes, int code, qsizetype dataOffset);

// The information records that data and event files apply alike: the car
// (103) and driver (104) codes, the number of cameras (201) and the playback
// texts. A code is only filled while it is empty: from the full-time data
// when it is given (an empty one changes nothing), else from the record,
// where any 0xFF byte leaves the driver code unset. Other codes are passed over.
void applyFrameFileInfoRecord(VideoInfo& info, QByteArrayView bytes, const InfoRecord& record,
                              const FullTimeDataInfo* fullTime, bool& isError);

// A new recording whose playback information comes from the Playback.inf
// beside the file (empty codes when there is none).
std::shared_ptr<VideoInfo> newRecordingInfo(const QString& filePath);

// The fixed header fields of a data or event file (kind, detection time,
// state, switch, detection position); gives the recording id at 44. The
// caller has checked that the header's first 48 bytes lie in the data.
QByteArray applyFrameFileHeader(VideoInfo& info, QByteArrayView bytes);

// A frame record of a data or event file: all fields but byte 32, whose
// meaning differs between them. Of the position only the west and south
// flags are taken; these frames keep the position 0. The caller has checked
// that the record lies in the data. A violation code that is not BCD sets
// isError.
VideoFramePtr decodeFrameRecord(QByteArrayView bytes, qsizetype p, bool& isError);
// A frame record of an MP4 movie: the position itself and the picture
// channel; not the engine speed or the status. Otherwise as decodeFrameRecord.
VideoFramePtr decodeMovieFrameRecord(QByteArrayView bytes, qsizetype p, bool& isError);

// Orders frames by time stamp; frames of one stamp keep their order.
void sortByTimeStamp(FrameList& frames);

// A table of the frames keyed from base (with movie time stamps every span
// ms when span > 0) that carries no position into frames without one.
FrameTable frameTableWithoutCarry(const FrameList& frames, std::uint32_t base, qint64 span = 0);

// Clears the frame tables and files one per camera from table 1 on: the
// first camera's always, a further camera's only when it has frames.
void setCameraTables(VideoInfo& info, std::initializer_list<const FrameList*> cameras, std::uint32_t base);

// Ends a walk over frames filed from base: the span up to the last time
// stamp, the detection frame (with that stamp as its limit), whose time
// becomes the detection time when table 0 holds it, the record and end
// times, and the completed tables.
void finishFrameWalk(VideoInfo& info, std::uint32_t base, std::uint32_t last);

} // namespace recording
