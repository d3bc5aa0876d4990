#pragma once

#include "core/foundation/CommonConst.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <cstdint>

// The first 80 bytes of an entry of the card's three management files share
// one layout; these decoders read that shared part. They never look beyond
// the bytes they are given: callers check the entry's length first.
namespace IndexRecordFields {

// The byte count an entry must have for the shared fields to be read.
inline constexpr qsizetype SHARED_LENGTH = 80;
inline constexpr qsizetype NAME_OFFSET = 64;
inline constexpr qsizetype NAME_LENGTH = 16;

struct Position {
    std::uint16_t posWest = 0;
    std::uint16_t posSouth = 0;
    std::int32_t longitude = 0;
    std::int32_t latitude = 0;
};

// Longitude at 6 and latitude at 9, each 3 bytes: bit 23 is the west or south
// flag, the rest the magnitude. 0xFFFFFF as longitude means "no position".
Position decodePosition(QByteArrayView d);

struct GValues {
    double gX = 0.0;
    double gY = 0.0;
    double gZ = 0.0;
};

// The three 2-byte G fields at 16, 18 and 20, in g; Z has gravity removed.
GValues decodeG(QByteArrayView d);

// The 16-byte file name at 64, or "" when any byte is outside ASCII.
QString decodeFileName(QByteArrayView d);

// The last path component of a stored name ("/" separated).
QString lastPathComponent(const QString& name);

// A usable movie name: it has a movie-name shape and a non-zero number.
bool isUsableMovieName(const QString& name);

} // namespace IndexRecordFields

// The fields bytes 0 to 79 give an entry of any of the three management
// files. An entry's constructor fills them once; afterwards they are only read.
struct IndexEntryFields {
    std::uint8_t _detectType = 0;
    QDateTime _datetime = CommonConst::DEFAULT_DATE();
    std::uint16_t _posWest = 0;
    std::uint16_t _posSouth = 0;
    std::int32_t _longitude = 0;
    std::int32_t _latitude = 0;
    double _speed = 0.0;
    double _gX = 0.0;
    double _gY = 0.0;
    double _gZ = 0.0;
    std::int32_t _sw = 0;
    std::int32_t _status = 0;
    std::uint32_t _timeStamp = 0;
    QString _fileName;

protected:
    // The normal-recording index keeps whole km/h only; the others keep tenths.
    enum class SpeedTenths { Kept, Dropped };

    // Reads the fields above from an entry whose kind byte the caller has
    // accepted and whose length it has checked to be at least SHARED_LENGTH.
    void decodeEntryFields(QByteArrayView d, SpeedTenths tenths);
};

// A protected or adventure entry keeps more of bytes 0 to 79 than a
// normal-recording entry, and its speed keeps its tenths.
struct ProtectedEntryFields : IndexEntryFields {
    std::int32_t _pictureChannel = 0;
    std::uint32_t _frameSize = 0;
    std::uint8_t _id = 0;
    std::uint32_t _timeStamp2 = 0;

protected:
    // As decodeEntryFields, with the same checks by the caller.
    void decodeProtectedFields(QByteArrayView d);
};
