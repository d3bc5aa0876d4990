#include "core/foundation/DateFormat.h"
#include "core/foundation/UserDefaultUtil.h"

#include <QLocale>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {
QDateTime utc(int y, int mo, int d, int h, int mi, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc());
}
const QString kSydney = DateFormatTypeUtil::timeZoneIdentifier(0);
} // namespace

TEST(DateFormat, SummerTimeChoiceInSydney)
{
    const QDateTime t = utc(2024, 1, 15, 0, 0);
    const auto& table = DateFormatTables::dateTimeFormats();
    EXPECT_EQ(Date::toString(t, table[DateFormatType::DMY24H], kSydney, true), QStringLiteral("15.01.2024 11:00:00"));
    EXPECT_EQ(Date::toString(t, table[DateFormatType::DMY24H], kSydney, false), QStringLiteral("15.01.2024 10:00:00"));
    EXPECT_EQ(Date::toString(t, table[DateFormatType::DMYAMPM], kSydney, true),
              QStringLiteral("15.01.2024 11:00:00 AM"));
    EXPECT_EQ(Date::toString(utc(2024, 1, 15, 3, 5, 9), table[DateFormatType::DMYAMPM], kSydney, true),
              QStringLiteral("15.01.2024 02:05:09 PM"));
}

TEST(DateFormat, ZonesWithoutSummerTimeAndUnknownIndices)
{
    const QDateTime t = utc(2024, 1, 15, 0, 0);
    const QString perth = DateFormatTypeUtil::timeZoneIdentifier(3);
    const QString f = QStringLiteral("dd.MM.yyyy HH:mm:ss");
    EXPECT_EQ(Date::toString(t, f, perth, true), Date::toString(t, f, perth, false));
    EXPECT_EQ(Date::toString(t, f, perth, true), QStringLiteral("15.01.2024 08:00:00"));
    EXPECT_EQ(DateFormatTypeUtil::timeZoneIdentifier(9), kSydney);
    EXPECT_EQ(DateFormatTypeUtil::timeZoneIdentifier(-1), kSydney);
    EXPECT_EQ(DateFormatTypeUtil::timeZoneIdentifier(6), QStringLiteral("Pacific/Chatham"));
    // Every zone of the table is known here.
    for (int i = 0; i < DateFormatTypeUtil::TIME_ZONE_COUNT; ++i)
        EXPECT_TRUE(QTimeZone(DateFormatTypeUtil::timeZoneIdentifier(i).toLatin1()).isValid()) << i;
}

TEST(DateFormat, SummerTimeOffShowsStandardTimeRightAfterTheSwitch)
{
    // Sydney moves from +10 to +11 at 2024-10-06 02:00 local (16:00 UTC the day before).
    const QString f = QStringLiteral("dd.MM.yyyy HH:mm");
    EXPECT_EQ(Date::toString(utc(2024, 10, 5, 16, 30), f, kSydney, false), QStringLiteral("06.10.2024 02:30"));
    EXPECT_EQ(Date::toString(utc(2024, 10, 5, 16, 30), f, kSydney, true), QStringLiteral("06.10.2024 03:30"));
    // Lord Howe: 30-minute summer time, from 02:00 to 02:30 local (+10:30 to +11).
    const QString lordHowe = DateFormatTypeUtil::timeZoneIdentifier(4);
    EXPECT_EQ(Date::toString(utc(2024, 10, 5, 15, 40), f, lordHowe, false), QStringLiteral("06.10.2024 02:10"));
    EXPECT_EQ(Date::toString(utc(2024, 10, 5, 15, 40), f, lordHowe, true), QStringLiteral("06.10.2024 02:40"));
}

TEST(DateFormat, TablesAndTwelveHourClock)
{
    const QString sydney = kSydney;
    const auto& times = DateFormatTables::timeFormats();
    // 01:30 and 13:30 Sydney standard time look alike on the 12-hour graph labels.
    EXPECT_EQ(Date::toString(utc(2024, 6, 1, 15, 30), times[DateFormatType::DMYAMPM], sydney, false),
              QStringLiteral("01:30:00"));
    EXPECT_EQ(Date::toString(utc(2024, 6, 1, 3, 30), times[DateFormatType::DMYAMPM], sydney, false),
              QStringLiteral("01:30:00"));
    EXPECT_EQ(Date::toString(utc(2024, 6, 1, 2, 0), times[DateFormatType::DMYAMPM], sydney, false),
              QStringLiteral("12:00:00"));
    EXPECT_EQ(Date::toString(utc(2024, 6, 1, 3, 30), DateFormatTables::twoLineFormats()[DateFormatType::DMY24H],
                             sydney, false),
              QStringLiteral("01.06.2024\n13:30:00"));
    EXPECT_EQ(DateFormatTables::noDataTexts()[DateFormatType::DMYAMPM], QStringLiteral("--.--.---- --:-- --"));
    EXPECT_EQ(Date::toString(utc(2024, 12, 31, 12, 59, 59), DateFormatTables::compactFormats()[DateFormatType::DMY24H],
                             QStringLiteral("UTC"), true),
              QStringLiteral("31122024125959"));
    EXPECT_EQ(Date::toString(utc(2024, 3, 5, 0, 0), QStringLiteral("yyyy-MM-dd 'at' HH 'o''clock'"),
                             QStringLiteral("UTC"), true),
              QStringLiteral("2024-03-05 at 00 o'clock"));
    EXPECT_EQ(dateFormatTypeFromRaw(1), DateFormatType::DMY24H);
    EXPECT_FALSE(dateFormatTypeFromRaw(2).has_value());
}

TEST(DateFormat, DigitsAndMarkersDoNotFollowTheUserLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    const QString text = Date::toString(utc(2024, 1, 15, 3, 0), DateFormatTables::dateTimeFormats().ampm, kSydney, true);
    QLocale::setDefault(saved);
    EXPECT_EQ(text, QStringLiteral("15.01.2024 02:00:00 PM"));
}

TEST(DateFormat, UnknownZoneUsesTheSystemZone)
{
    const QDateTime t = utc(2024, 1, 15, 0, 0);
    const QString f = QStringLiteral("HH:mm");
    const QTimeZone system = QTimeZone::systemTimeZone();
    const QString expected = t.toTimeZone(system).toString(QStringLiteral("HH:mm"));
    EXPECT_EQ(Date::toString(t, f, QStringLiteral("Nowhere/Nothing"), true), expected);
}

TEST(DateFormat, ViewerStringFollowsTheSettings)
{
    UserDefaultUtil::dateFormat = 1;
    UserDefaultUtil::timeZone = 3;
    UserDefaultUtil::summerTime = false;
    EXPECT_EQ(Date::toViewerString(utc(2024, 1, 15, 0, 0), DateFormatTables::dateTimeFormats()),
              QStringLiteral("15.01.2024 08:00:00"));
    UserDefaultUtil::resetToInitialValues();
}
