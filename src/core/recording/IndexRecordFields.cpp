#include "core/recording/IndexRecordFields.h"

#include "core/foundation/DataUtility.h"
#include "core/foundation/FileUtil.h"

namespace IndexRecordFields {

namespace {

struct SignedMagnitude {
    std::uint16_t negative = 0;
    std::int32_t value = 0;
};

SignedMagnitude decodeSignedMagnitude24(QByteArrayView d, qsizetype offset)
{
    std::uint32_t v = DataUtility::toInt24(d, offset);
    SignedMagnitude out;
    if (v >= 0x800000u) {
        out.negative = 1;
        v -= 0x800000u;
    }
    out.value = out.negative ? -static_cast<std::int32_t>(v) : static_cast<std::int32_t>(v);
    return out;
}

} // namespace

Position decodePosition(QByteArrayView d)
{
    Position p;
    if (!DataUtility::fits(d, 6, 6)) return p;
    if (static_cast<std::uint8_t>(d[6]) == 0xFF && static_cast<std::uint8_t>(d[7]) == 0xFF &&
        static_cast<std::uint8_t>(d[8]) == 0xFF)
        return p;
    const SignedMagnitude lon = decodeSignedMagnitude24(d, 6);
    const SignedMagnitude lat = decodeSignedMagnitude24(d, 9);
    p.posWest = lon.negative;
    p.posSouth = lat.negative;
    p.longitude = lon.value;
    p.latitude = lat.value;
    return p;
}

GValues decodeG(QByteArrayView d)
{
    GValues g;
    if (!DataUtility::fits(d, 16, 6)) return g;
    g.gX = DataUtility::gValue(d, 16) / 1000.0;
    g.gY = DataUtility::gValue(d, 18) / 1000.0;
    g.gZ = (DataUtility::gValue(d, 20) - 1000) / 1000.0;
    return g;
}

QString decodeFileName(QByteArrayView d)
{
    if (!DataUtility::fits(d, NAME_OFFSET, NAME_LENGTH)) return QString();
    const QByteArrayView name = d.sliced(NAME_OFFSET, NAME_LENGTH);
    for (char c : name)
        if (static_cast<std::uint8_t>(c) >= 0x80) return QString();
    return QString::fromLatin1(name.data(), name.size());
}

QString lastPathComponent(const QString& name)
{
    // Trailing separators do not start an empty component ("a/b/" is "b").
    qsizetype end = name.size();
    while (end > 1 && name[end - 1] == QLatin1Char('/'))
        --end;
    const QString trimmed = name.left(end);
    if (trimmed == QLatin1String("/")) return trimmed;
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? trimmed : trimmed.mid(slash + 1);
}

bool isUsableMovieName(const QString& name)
{
    return !FileUtil::isMovieFileName(name).isEmpty() && FileUtil::getFileNumber(name) != 0;
}

} // namespace IndexRecordFields

void IndexEntryFields::decodeEntryFields(QByteArrayView d, SpeedTenths tenths)
{
    _detectType = DataUtility::bcdToInt(static_cast<std::uint8_t>(d[0]));
    _datetime = DataUtility::toDateFromUnixTime(d, 2);
    const IndexRecordFields::Position pos = IndexRecordFields::decodePosition(d);
    _posWest = pos.posWest;
    _posSouth = pos.posSouth;
    _longitude = pos.longitude;
    _latitude = pos.latitude;
    const std::uint16_t tenthsOfKmh = DataUtility::toUInt16(d, 12);
    _speed = tenths == SpeedTenths::Kept ? tenthsOfKmh / 10.0 : static_cast<double>(tenthsOfKmh / 10);
    const IndexRecordFields::GValues g = IndexRecordFields::decodeG(d);
    _gX = g.gX;
    _gY = g.gY;
    _gZ = g.gZ;
    _sw = static_cast<std::uint8_t>(d[30]);
    _status = static_cast<std::uint8_t>(d[31]);
    _timeStamp = DataUtility::toUInt32(d, 40);
    _fileName = IndexRecordFields::decodeFileName(d);
}

void ProtectedEntryFields::decodeProtectedFields(QByteArrayView d)
{
    decodeEntryFields(d, SpeedTenths::Kept);
    _pictureChannel = static_cast<std::uint8_t>(d[32]);
    _frameSize = DataUtility::toUInt32(d, 36);
    _id = static_cast<std::uint8_t>(d[44]);
    _timeStamp2 = DataUtility::toUInt32(d, 56);
}
