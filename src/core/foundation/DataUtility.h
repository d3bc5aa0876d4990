#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <cstdint>

// Readers of the recorder's packed binary fields: BCD bytes, numbers and
// dates, big-endian unsigned integers and 12-bit G values.
//
// Card files are untrusted. Every reader checks its range: the integer
// readers give 0 for a field past the end (callers rely on that), every other
// reader throws AppError when asked to read outside the data.
class DataUtility {
public:
    DataUtility() = delete;

    // BCD readers: throw AppError(APP_TITLE, 0) on the first invalid byte.
    static std::uint8_t bcdToInt(std::uint8_t byte);
    static std::uint32_t bcd4ToInt(QByteArrayView bytes, qsizetype offset);
    static std::uint16_t bcdBytesToInt(QByteArrayView bytes, qsizetype offset);
    static std::int16_t bcd2ToInt(QByteArrayView bytes, qsizetype offset);

    // Six BCD bytes (year-2000, month, day, hour, minute, second), UTC.
    static QDateTime toDateFromBCD(QByteArrayView bytes, qsizetype offset);
    // Four big-endian bytes of seconds since 1970, UTC.
    static QDateTime toDateFromUnixTime(QByteArrayView bytes, qsizetype offset);

    static QString toHexString(QByteArrayView bytes);
    static QString toHexString(QByteArrayView bytes, qsizetype offset, qsizetype length);
    static QByteArray subBytes(QByteArrayView bytes, qsizetype offset, qsizetype length);

    // Big-endian unsigned integers; 0 when the field does not fit in the data.
    static std::uint16_t toUInt16(QByteArrayView bytes, qsizetype offset);
    static std::uint32_t toInt24(QByteArrayView bytes, qsizetype offset);
    static std::uint32_t toUInt32(QByteArrayView bytes, qsizetype offset);
    // The whole array as one signed field: 4 bytes are two's complement,
    // 1 to 3 bytes are never sign-extended, more than 4 or none give 0.
    static std::int32_t toInt32(QByteArrayView bytes);

    // The G value of a 2-byte field given as its hex text: the upper 12 bits
    // as a signed number, times 2 (thousandths of g). Bad text gives 0.
    static std::int16_t hexToInt16(const QString& hex);
    // The same value read straight from the two bytes at offset (0 when the
    // field does not fit), without the detour through text.
    static std::int16_t gValue(QByteArrayView bytes, qsizetype offset);

    // Throws AppError unless offset >= 0 and offset + width <= bytes.size().
    static void checkRange(QByteArrayView bytes, qsizetype offset, qsizetype width);
    static bool fits(QByteArrayView bytes, qsizetype offset, qsizetype width)
    {
        return offset >= 0 && width >= 0 && offset <= bytes.size() && width <= bytes.size() - offset;
    }
};
