#include "core/foundation/DataUtility.h"

#include "core/foundation/AppError.h"
#include "core/foundation/CommonConst.h"

#include <QTimeZone>

namespace {

[[noreturn]] void throwBcdError()
{
    throw AppError(CommonConst::APP_TITLE, 0);
}

inline std::uint8_t byteAt(QByteArrayView bytes, qsizetype i)
{
    return static_cast<std::uint8_t>(bytes[i]);
}

} // namespace

void DataUtility::checkRange(QByteArrayView bytes, qsizetype offset, qsizetype width)
{
    if (!fits(bytes, offset, width)) {
        throw AppError(QStringLiteral("Field outside the data: offset %1, width %2, data size %3")
                           .arg(offset)
                           .arg(width)
                           .arg(bytes.size()));
    }
}

std::uint8_t DataUtility::bcdToInt(std::uint8_t byte)
{
    const int high = byte >> 4;
    const int low = byte & 0x0F;
    if (high > 9 || low > 9) throwBcdError();
    return static_cast<std::uint8_t>(high * 10 + low);
}

std::uint32_t DataUtility::bcd4ToInt(QByteArrayView bytes, qsizetype offset)
{
    checkRange(bytes, offset, 4);
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v * 100 + bcdToInt(byteAt(bytes, offset + i));
    return v;
}

std::uint16_t DataUtility::bcdBytesToInt(QByteArrayView bytes, qsizetype offset)
{
    checkRange(bytes, offset, 2);
    return static_cast<std::uint16_t>(bcdToInt(byteAt(bytes, offset)) * 100 + bcdToInt(byteAt(bytes, offset + 1)));
}

std::int16_t DataUtility::bcd2ToInt(QByteArrayView bytes, qsizetype offset)
{
    checkRange(bytes, offset, 2);
    const std::uint8_t b0 = byteAt(bytes, offset);
    const int magnitude = bcdToInt(b0 & 0x7F) * 100 + bcdToInt(byteAt(bytes, offset + 1));
    return static_cast<std::int16_t>((b0 & 0x80) ? -magnitude : magnitude);
}

QDateTime DataUtility::toDateFromBCD(QByteArrayView bytes, qsizetype offset)
{
    checkRange(bytes, offset, 6);
    int v[6];
    for (int i = 0; i < 6; ++i) v[i] = bcdToInt(byteAt(bytes, offset + i));
    const int year = 2000 + v[0];
    const QDate date(year, v[1], v[2]);
    const bool timeValid = v[3] <= 23 && v[4] <= 59 && v[5] <= 59;
    if (!date.isValid() || !timeValid) {
        throw AppError(QStringLiteral("BCD日時データの変換に失敗しました。addr:0x%1"
                                      " year=[%2] mon=[%3] mday=[%4] hour=[%5] min=[%6] sec=[%7]")
                           .arg(QString::number(offset, 16).toUpper().rightJustified(5, QLatin1Char('0')))
                           .arg(year)
                           .arg(v[1])
                           .arg(v[2])
                           .arg(v[3])
                           .arg(v[4])
                           .arg(v[5]));
    }
    return QDateTime(date, QTime(v[3], v[4], v[5]), QTimeZone::utc());
}

QDateTime DataUtility::toDateFromUnixTime(QByteArrayView bytes, qsizetype offset)
{
    checkRange(bytes, offset, 4);
    return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(toUInt32(bytes, offset)), QTimeZone::utc());
}

QString DataUtility::toHexString(QByteArrayView bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.resize(bytes.size() * 2);
    QChar* p = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const std::uint8_t b = byteAt(bytes, i);
        *p++ = QLatin1Char(digits[b >> 4]);
        *p++ = QLatin1Char(digits[b & 0x0F]);
    }
    return out;
}

QString DataUtility::toHexString(QByteArrayView bytes, qsizetype offset, qsizetype length)
{
    checkRange(bytes, offset, length);
    return toHexString(bytes.sliced(offset, length));
}

QByteArray DataUtility::subBytes(QByteArrayView bytes, qsizetype offset, qsizetype length)
{
    checkRange(bytes, offset, length);
    return bytes.sliced(offset, length).toByteArray();
}

std::uint16_t DataUtility::toUInt16(QByteArrayView bytes, qsizetype offset)
{
    if (!fits(bytes, offset, 2)) return 0;
    return static_cast<std::uint16_t>((byteAt(bytes, offset) << 8) | byteAt(bytes, offset + 1));
}

std::uint32_t DataUtility::toInt24(QByteArrayView bytes, qsizetype offset)
{
    if (!fits(bytes, offset, 3)) return 0;
    return (std::uint32_t(byteAt(bytes, offset)) << 16) | (std::uint32_t(byteAt(bytes, offset + 1)) << 8) |
           byteAt(bytes, offset + 2);
}

std::uint32_t DataUtility::toUInt32(QByteArrayView bytes, qsizetype offset)
{
    if (!fits(bytes, offset, 4)) return 0;
    return (std::uint32_t(byteAt(bytes, offset)) << 24) | (std::uint32_t(byteAt(bytes, offset + 1)) << 16) |
           (std::uint32_t(byteAt(bytes, offset + 2)) << 8) | byteAt(bytes, offset + 3);
}

std::int32_t DataUtility::toInt32(QByteArrayView bytes)
{
    if (bytes.isEmpty() || bytes.size() > 4) return 0;
    std::uint32_t v = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) v = (v << 8) | byteAt(bytes, i);
    return static_cast<std::int32_t>(v); // two's complement for 4 bytes; 1..3 bytes stay positive
}

std::int16_t DataUtility::hexToInt16(const QString& hex)
{
    // Accept one optional sign and hex digits of either case, nothing else.
    if (hex.isEmpty()) return 0;
    qsizetype i = 0;
    bool negative = false;
    if (hex[0] == QLatin1Char('+') || hex[0] == QLatin1Char('-')) {
        negative = hex[0] == QLatin1Char('-');
        i = 1;
    }
    if (i >= hex.size()) return 0;
    qint64 v = 0;
    for (; i < hex.size(); ++i) {
        const char16_t c = hex[i].unicode();
        int d = -1;
        if (c >= u'0' && c <= u'9') d = c - u'0';
        else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
        if (d < 0) return 0;
        if (v > (Q_INT64_C(0x7FFFFFFFFFFFFFFF) >> 4)) return 0; // overflow: not a 64-bit number
        v = v * 16 + d;
    }
    if (negative) v = -v;
    const qint64 result = v > 32767 ? (v / 16) * 2 - 8192 : (v / 16) * 2;
    return static_cast<std::int16_t>(result);
}

std::int16_t DataUtility::gValue(QByteArrayView bytes, qsizetype offset)
{
    if (!fits(bytes, offset, 2)) return 0;
    const int v = toUInt16(bytes, offset);
    return static_cast<std::int16_t>(v > 32767 ? (v / 16) * 2 - 8192 : (v / 16) * 2);
}
