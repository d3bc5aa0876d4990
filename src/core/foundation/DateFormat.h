#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

// The viewer's date-format choice.
enum class DateFormatType : std::uint8_t { DMYAMPM = 0, DMY24H = 1 };
std::optional<DateFormatType> dateFormatTypeFromRaw(int raw);

// A pattern (Unicode date-field symbols) for each DateFormatType.
struct DateFormatTable {
    QString ampm; // DMYAMPM
    QString h24;  // DMY24H
    const QString& operator[](DateFormatType type) const { return type == DateFormatType::DMY24H ? h24 : ampm; }
    // The entry for the viewer's current date format.
    const QString& current() const;
};

namespace DateFormatTables {
DateFormatTable makeFormatTable(const QString& ampm, const QString& h24);

const DateFormatTable& dateTimeFormats();        // player label, map balloons, dialogs
const DateFormatTable& overlayDateTimeFormats(); // text burnt into trimmed movies and stills
const DateFormatTable& twoLineFormats();         // recording list: date above time
const DateFormatTable& hyphenDateTimeFormats();  // KML / KMZ export
const DateFormatTable& timeFormats();            // graph time labels (no AM/PM marker)
const DateFormatTable& noDataTexts();            // not patterns: the label while nothing is ready
const DateFormatTable& compactFormats();         // default backup folder name
} // namespace DateFormatTables

namespace DateFormatTypeUtil {
inline constexpr int TIME_ZONE_COUNT = 7;
// The IANA zone of a viewer time-zone index; any index outside 0..6 gives index 0's zone.
QString timeZoneIdentifier(int index);
} // namespace DateFormatTypeUtil

namespace Date {
// The text of an instant by a Unicode date pattern ("dd.MM.yyyy hh:mm:ss a")
// in the zone of the given IANA identifier (the system zone when the
// identifier is unknown). With summerTimeFlg false the zone's standard
// offset is used, so standard time is shown all year. Digits are ASCII and
// the calendar Gregorian whatever the user's locale; "a" gives "AM" / "PM".
QString toString(const QDateTime& date, const QString& format, const QString& timeZone, bool summerTimeFlg);

// The same text with the viewer's current date-format table entry, zone and summer-time choice.
QString toViewerString(const QDateTime& date, const DateFormatTable& table);

// The text of an instant in the system's time zone (for folder names).
QString toSystemZoneString(const QDateTime& date, const QString& format);
} // namespace Date
