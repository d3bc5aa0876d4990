#pragma once

#include "core/foundation/DataUtility.h"

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

// Bytes 2 to 79 of a protected or adventure entry, which share their layout
// (speed keeps its tenths there). The caller has checked that the entry
// holds at least SHARED_LENGTH bytes.
template <class Record> void fillProtectedFields(Record& r, QByteArrayView d)
{
    r._datetime = DataUtility::toDateFromUnixTime(d, 2);
    const Position pos = decodePosition(d);
    r._posWest = pos.posWest;
    r._posSouth = pos.posSouth;
    r._longitude = pos.longitude;
    r._latitude = pos.latitude;
    r._speed = DataUtility::toUInt16(d, 12) / 10.0;
    const GValues g = decodeG(d);
    r._gX = g.gX;
    r._gY = g.gY;
    r._gZ = g.gZ;
    r._sw = static_cast<std::uint8_t>(d[30]);
    r._status = static_cast<std::uint8_t>(d[31]);
    r._pictureChannel = static_cast<std::uint8_t>(d[32]);
    r._frameSize = DataUtility::toUInt32(d, 36);
    r._timeStamp = DataUtility::toUInt32(d, 40);
    r._id = static_cast<std::uint8_t>(d[44]);
    r._timeStamp2 = DataUtility::toUInt32(d, 56);
    r._fileName = decodeFileName(d);
}

} // namespace IndexRecordFields
