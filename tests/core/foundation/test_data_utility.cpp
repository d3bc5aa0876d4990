#include "core/foundation/AppError.h"
#include "core/foundation/CommonConst.h"
#include "core/foundation/DataUtility.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace {
QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values) out.append(static_cast<char>(v));
    return out;
}

template <typename F>
AppError errorOf(F f)
{
    try {
        f();
    } catch (const AppError& e) {
        return e;
    }
    ADD_FAILURE() << "no error thrown";
    return AppError(QString(), 99);
}
} // namespace

TEST(DataUtility, BcdByteAcceptsOnlyDecimalNibbles)
{
    EXPECT_EQ(DataUtility::bcdToInt(0x99), 99);
    EXPECT_EQ(DataUtility::bcdToInt(0x00), 0);
    for (int bad : {0x9A, 0xA0, 0xFF, 0x0F}) {
        const AppError e = errorOf([&] { DataUtility::bcdToInt(static_cast<std::uint8_t>(bad)); });
        EXPECT_EQ(e.code(), 0);
        EXPECT_EQ(e.domain(), QStringLiteral("KORVELTA REPLAY"));
    }
}

TEST(DataUtility, BcdNumbersFailOnTheFirstBadByte)
{
    EXPECT_EQ(DataUtility::bcd4ToInt(bytes({0x12, 0x34, 0x56, 0x78}), 0), 12345678u);
    EXPECT_THROW(DataUtility::bcd4ToInt(bytes({0x12, 0x3F, 0x56, 0x78}), 0), AppError);
    EXPECT_EQ(DataUtility::bcdBytesToInt(bytes({0x00, 0x99, 0x12}), 1), 9912);
    EXPECT_EQ(DataUtility::bcd2ToInt(bytes({0x81, 0x23}), 0), -123);
    EXPECT_EQ(DataUtility::bcd2ToInt(bytes({0x01, 0x23}), 0), 123);
    EXPECT_EQ(DataUtility::bcd2ToInt(bytes({0x80, 0x00}), 0), 0);
    EXPECT_EQ(DataUtility::bcd2ToInt(bytes({0xF9, 0x99}), 0), -7999);
    EXPECT_THROW(DataUtility::bcd2ToInt(bytes({0x7F, 0x99}), 0), AppError);
}

TEST(DataUtility, BcdDatesAreUtcAndValidated)
{
    const QDateTime leap = DataUtility::toDateFromBCD(bytes({0x24, 0x02, 0x29, 0x00, 0x00, 0x00}), 0);
    EXPECT_EQ(leap, QDateTime(QDate(2024, 2, 29), QTime(0, 0), QTimeZone::utc()));
    EXPECT_EQ(DataUtility::toDateFromBCD(bytes({0, 0, 0x24, 0x03, 0x05, 0x17, 0x08, 0x09}), 2),
              QDateTime(QDate(2024, 3, 5), QTime(17, 8, 9), QTimeZone::utc()));

    const AppError e = errorOf([] {
        DataUtility::toDateFromBCD(QByteArray(0x12, '\0') + bytes({0x23, 0x02, 0x29, 0x00, 0x00, 0x00}), 0x12);
    });
    EXPECT_EQ(e.code(), -1);
    EXPECT_TRUE(e.domain().startsWith(QStringLiteral("BCD日時データの変換に失敗しました。addr:0x00012 ")))
        << e.domain().toStdString();
    EXPECT_TRUE(e.domain().contains(QStringLiteral("year=[2023] mon=[2] mday=[29]")));

    for (auto bad : {bytes({0x24, 0x13, 0x01, 0, 0, 0}), bytes({0x24, 0x00, 0x01, 0, 0, 0}),
                     bytes({0x24, 0x01, 0x01, 0x24, 0, 0}), bytes({0x24, 0x01, 0x01, 0, 0x60, 0})})
        EXPECT_THROW(DataUtility::toDateFromBCD(bad, 0), AppError);
    // A bad nibble is a BCD error (code 0), not a date error.
    EXPECT_EQ(errorOf([] { DataUtility::toDateFromBCD(bytes({0x24, 0x1A, 1, 0, 0, 0}), 0); }).code(), 0);
}

TEST(DataUtility, UnixTimeIsUnsigned)
{
    EXPECT_EQ(DataUtility::toDateFromUnixTime(bytes({0, 0, 0, 0}), 0).toSecsSinceEpoch(), 0);
    EXPECT_EQ(DataUtility::toDateFromUnixTime(bytes({0xFF, 0xFF, 0xFF, 0xFF}), 0).toSecsSinceEpoch(),
              Q_INT64_C(4294967295));
}

TEST(DataUtility, IntegerReadersGiveZeroPastTheEnd)
{
    QByteArray ten(10, '\0');
    ten[8] = 0x12;
    ten[9] = 0x34;
    EXPECT_EQ(DataUtility::toUInt16(ten, 9), 0);
    EXPECT_EQ(DataUtility::toUInt16(ten, 8), 0x1234);
    EXPECT_EQ(DataUtility::toUInt16(ten, -1), 0);
    EXPECT_EQ(DataUtility::toInt24(bytes({0xFF, 0xFF, 0xFE}), 0), 0xFFFFFEu);
    EXPECT_EQ(DataUtility::toInt24(bytes({0xFF, 0xFF}), 0), 0u);
    EXPECT_EQ(DataUtility::toUInt32(bytes({0x80, 0, 0, 1}), 0), 0x80000001u);
    EXPECT_EQ(DataUtility::toUInt32(bytes({0x80, 0, 0, 1}), 1), 0u);
}

TEST(DataUtility, WholeArrayIntegerSignExtendsOnlyFourBytes)
{
    EXPECT_EQ(DataUtility::toInt32(bytes({0xFF, 0xFF, 0xFF, 0xFE})), -2);
    EXPECT_EQ(DataUtility::toInt32(bytes({0xFF, 0xFF})), 65535);
    EXPECT_EQ(DataUtility::toInt32(QByteArray()), 0);
    EXPECT_EQ(DataUtility::toInt32(bytes({1, 2, 3, 4, 5})), 0);
    EXPECT_EQ(DataUtility::toInt32(bytes({0x80, 0, 0, 0})), INT32_MIN);
}

TEST(DataUtility, GValuesFromTextAndBytesAgree)
{
    const std::pair<const char*, int> cases[] = {{"0010", 2},   {"7FFF", 4094}, {"8000", -4096},
                                                 {"FFF0", -2},  {"000F", 0},    {"", 0},
                                                 {"12G4", 0},   {"+0010", 2},   {"ffff", -2}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(DataUtility::hexToInt16(QString::fromLatin1(text)), expected) << text;
    for (int v = 0; v <= 0xFFFF; v += 7) {
        const QByteArray field = bytes({v >> 8, v & 0xFF});
        ASSERT_EQ(DataUtility::gValue(field, 0), DataUtility::hexToInt16(DataUtility::toHexString(field))) << v;
    }
    EXPECT_EQ(DataUtility::gValue(bytes({0x10}), 0), 0);
}

TEST(DataUtility, HexTextAndCopies)
{
    EXPECT_EQ(DataUtility::toHexString(bytes({0x0A, 0xFF})), QStringLiteral("0AFF"));
    EXPECT_EQ(DataUtility::toHexString(QByteArray()), QString());
    EXPECT_EQ(DataUtility::toHexString(bytes({1, 2, 3, 4}), 1, 2), QStringLiteral("0203"));
    QByteArray source = bytes({1, 2, 3, 4});
    QByteArray copy = DataUtility::subBytes(source, 1, 2);
    source[1] = 9;
    EXPECT_EQ(copy, bytes({2, 3}));
}

TEST(DataUtility, RangeReadersRefuseReadsOutsideTheData)
{
    const QByteArray five = bytes({0x12, 0x34, 0x56, 0x78, 0x90});
    EXPECT_THROW(DataUtility::bcd4ToInt(five, 2), AppError);
    EXPECT_THROW(DataUtility::bcd4ToInt(five, -1), AppError);
    EXPECT_THROW(DataUtility::bcd2ToInt(five, 4), AppError);
    EXPECT_THROW(DataUtility::toDateFromBCD(five, 0), AppError);
    EXPECT_THROW(DataUtility::toDateFromUnixTime(five, 2), AppError);
    EXPECT_THROW(DataUtility::subBytes(five, 3, 3), AppError);
    EXPECT_THROW(DataUtility::toHexString(five, 0, 6), AppError);
    EXPECT_THROW(DataUtility::subBytes(five, 1, -1), AppError);
    EXPECT_THROW(DataUtility::subBytes(five, std::numeric_limits<qsizetype>::max(), 2), AppError);
    EXPECT_EQ(DataUtility::subBytes(five, 5, 0), QByteArray());
}
