#include "core/foundation/DateFormat.h"

#include "core/foundation/UserDefaultUtil.h"

#include <QHash>
#include <QTimeZone>
#include <vector>

std::optional<DateFormatType> dateFormatTypeFromRaw(int raw)
{
    if (raw == 0) return DateFormatType::DMYAMPM;
    if (raw == 1) return DateFormatType::DMY24H;
    return std::nullopt;
}

const QString& DateFormatTable::current() const
{
    return (*this)[UserDefaultUtil::dateFormat.load() == 1 ? DateFormatType::DMY24H : DateFormatType::DMYAMPM];
}

DateFormatTable DateFormatTables::makeFormatTable(const QString& ampm, const QString& h24)
{
    return DateFormatTable{ampm, h24};
}

#define KR_TABLE(name, a, b)                                                                                 \
    const DateFormatTable& DateFormatTables::name()                                                          \
    {                                                                                                        \
        static const DateFormatTable table = makeFormatTable(QStringLiteral(a), QStringLiteral(b));          \
        return table;                                                                                        \
    }
KR_TABLE(dateTimeFormats, "dd.MM.yyyy hh:mm:ss a", "dd.MM.yyyy HH:mm:ss")
KR_TABLE(overlayDateTimeFormats, "dd.MM.yyyy hh:mm:ss a", "dd.MM.yyyy HH:mm:ss")
KR_TABLE(twoLineFormats, "dd.MM.yyyy\nhh:mm:ss a", "dd.MM.yyyy\nHH:mm:ss")
KR_TABLE(hyphenDateTimeFormats, "dd-MM-yyyy hh:mm:ss a", "dd-MM-yyyy HH:mm:ss")
KR_TABLE(timeFormats, "hh:mm:ss", "HH:mm:ss")
KR_TABLE(noDataTexts, "--.--.---- --:-- --", "--.--.---- --:--")
KR_TABLE(compactFormats, "ddMMyyyyHHmmss", "ddMMyyyyHHmmss")
#undef KR_TABLE

QString DateFormatTypeUtil::timeZoneIdentifier(int index)
{
    static const char* const zones[TIME_ZONE_COUNT] = {
        "Australia/Sydney",    "Australia/Adelaide", "Australia/Eucla", "Australia/Perth",
        "Australia/Lord_Howe", "Pacific/Auckland",   "Pacific/Chatham",
    };
    if (index < 0 || index >= TIME_ZONE_COUNT) index = 0;
    return QString::fromLatin1(zones[index]);
}

namespace {

// A date pattern compiled once into fields and literal text.
struct Token {
    char symbol = 0; // 0 for literal text
    int count = 0;
    QString literal;
};
using CompiledPattern = std::vector<Token>;

CompiledPattern compile(const QString& pattern)
{
    CompiledPattern out;
    auto addLiteral = [&out](QChar c) {
        if (out.empty() || out.back().symbol != 0) out.push_back(Token{});
        out.back().literal += c;
    };
    qsizetype i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('\'')) {
            if (i + 1 < pattern.size() && pattern[i + 1] == QLatin1Char('\'')) { // '' is one quote
                addLiteral(c);
                i += 2;
                continue;
            }
            ++i;
            while (i < pattern.size()) {
                if (pattern[i] == QLatin1Char('\'')) {
                    if (i + 1 < pattern.size() && pattern[i + 1] == QLatin1Char('\'')) {
                        addLiteral(pattern[i]);
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                addLiteral(pattern[i++]);
            }
            continue;
        }
        if (c.unicode() < 128 && c.isLetter()) {
            qsizetype n = 1;
            while (i + n < pattern.size() && pattern[i + n] == c) ++n;
            out.push_back(Token{static_cast<char>(c.unicode()), static_cast<int>(n), {}});
            i += n;
            continue;
        }
        addLiteral(c);
        ++i;
    }
    return out;
}

const CompiledPattern& compiled(const QString& pattern)
{
    // Patterns are few (the tables above); one cache per thread needs no lock.
    thread_local QHash<QString, CompiledPattern> cache;
    auto it = cache.constFind(pattern);
    if (it == cache.constEnd()) it = cache.insert(pattern, compile(pattern));
    return *it;
}

const QTimeZone& zoneFor(const QString& identifier)
{
    thread_local QHash<QString, QTimeZone> cache;
    auto it = cache.constFind(identifier);
    if (it == cache.constEnd()) {
        QTimeZone zone(identifier.toLatin1());
        if (!zone.isValid()) zone = QTimeZone::systemTimeZone();
        it = cache.insert(identifier, zone);
    }
    return *it;
}

void appendNumber(QString& out, qint64 value, int width)
{
    QString digits = QString::number(value < 0 ? -value : value);
    if (value < 0) out += QLatin1Char('-');
    for (qsizetype k = digits.size(); k < width; ++k) out += QLatin1Char('0');
    out += digits;
}

const char* const kMonthsShort[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kMonthsLong[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
const char* const kDaysShort[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const kDaysLong[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

// Formats wall-clock fields (already in the target offset).
QString render(const CompiledPattern& pattern, const QDate& d, const QTime& t)
{
    QString out;
    out.reserve(24);
    for (const Token& tok : pattern) {
        const int n = tok.count;
        switch (tok.symbol) {
        case 0: out += tok.literal; break;
        case 'y':
        case 'u':
            if (n == 2) appendNumber(out, d.year() % 100, 2);
            else appendNumber(out, d.year(), n);
            break;
        case 'M':
        case 'L':
            if (n >= 4) out += QLatin1String(kMonthsLong[d.month() - 1]);
            else if (n == 3) out += QLatin1String(kMonthsShort[d.month() - 1]);
            else appendNumber(out, d.month(), n);
            break;
        case 'd': appendNumber(out, d.day(), n); break;
        case 'E': out += QLatin1String(n >= 4 ? kDaysLong[d.dayOfWeek() - 1] : kDaysShort[d.dayOfWeek() - 1]); break;
        case 'H': appendNumber(out, t.hour(), n); break;
        case 'k': appendNumber(out, t.hour() == 0 ? 24 : t.hour(), n); break;
        case 'h': appendNumber(out, t.hour() % 12 == 0 ? 12 : t.hour() % 12, n); break;
        case 'K': appendNumber(out, t.hour() % 12, n); break;
        case 'm': appendNumber(out, t.minute(), n); break;
        case 's': appendNumber(out, t.second(), n); break;
        case 'S': {
            QString ms = QString::number(t.msec()).rightJustified(3, QLatin1Char('0'));
            while (ms.size() < n) ms += QLatin1Char('0');
            out += ms.left(n);
            break;
        }
        case 'a': out += t.hour() < 12 ? QLatin1String("AM") : QLatin1String("PM"); break;
        default: break; // fields this application never shows
        }
    }
    return out;
}

QString formatAtOffset(const QDateTime& date, const QString& format, int offsetSeconds)
{
    const QDateTime local = date.toUTC().addSecs(offsetSeconds);
    return render(compiled(format), local.date(), local.time());
}

} // namespace

QString Date::toString(const QDateTime& date, const QString& format, const QString& timeZone, bool summerTimeFlg)
{
    if (!date.isValid()) return QString();
    const QTimeZone& zone = zoneFor(timeZone);
    const int offset = summerTimeFlg ? zone.offsetFromUtc(date) : zone.standardTimeOffset(date);
    return formatAtOffset(date, format, offset);
}

QString Date::toViewerString(const QDateTime& date, const DateFormatTable& table)
{
    return toString(date, table.current(), DateFormatTypeUtil::timeZoneIdentifier(UserDefaultUtil::timeZone.load()),
                    UserDefaultUtil::summerTime.load());
}

QString Date::toSystemZoneString(const QDateTime& date, const QString& format)
{
    if (!date.isValid()) return QString();
    return formatAtOffset(date, format, QTimeZone::systemTimeZone().offsetFromUtc(date));
}
