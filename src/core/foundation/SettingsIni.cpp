#include "core/foundation/SettingsIni.h"

#include <QDataStream>
#include <QDateTime>
#include <QIODevice>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <algorithm>

namespace {

int hexValue(char16_t c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int octValue(char c)
{
    return c >= '0' && c <= '7' ? c - '0' : -1;
}

char upperHexDigit(uint v)
{
    return "0123456789ABCDEF"[v & 0xF];
}

// ---- writing ----

// What QSettings makes of a value before escaping it: numbers, Booleans and
// text as their text ("@" doubled at the start), everything else under an
// "@Type(...)" marker.
QString textOf(const QVariant& v)
{
    switch (v.metaType().id()) {
    case QMetaType::UnknownType:
        return QStringLiteral("@Invalid()");
    case QMetaType::QByteArray:
        return QStringLiteral("@ByteArray(") + QString::fromLatin1(v.toByteArray()) + QLatin1Char(')');
    case QMetaType::QKeySequence:
    case QMetaType::QString:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::Float:
    case QMetaType::Double: {
        QString text = v.toString();
        if (text.contains(QChar::Null)) return QStringLiteral("@String(") + text + QLatin1Char(')');
        if (text.startsWith(QLatin1Char('@'))) text.prepend(QLatin1Char('@'));
        return text;
    }
    case QMetaType::QRect: {
        const QRect r = v.toRect();
        return QString::asprintf("@Rect(%d %d %d %d)", r.x(), r.y(), r.width(), r.height());
    }
    case QMetaType::QSize: {
        const QSize s = v.toSize();
        return QString::asprintf("@Size(%d %d)", s.width(), s.height());
    }
    case QMetaType::QPoint: {
        const QPoint p = v.toPoint();
        return QString::asprintf("@Point(%d %d)", p.x(), p.y());
    }
    default: {
        const bool dateTime = v.userType() == QMetaType::QDateTime;
        QByteArray bytes;
        {
            QDataStream stream(&bytes, QIODevice::WriteOnly);
            stream.setVersion(dateTime ? QDataStream::Qt_5_6 : QDataStream::Qt_4_0);
            stream << v;
        }
        const QLatin1String marker(dateTime ? "@DateTime(" : "@Variant(");
        return marker + QString::fromLatin1(bytes) + QLatin1Char(')');
    }
    }
}

void appendEscapedKey(const QString& key, QByteArray& out)
{
    for (const QChar qc : key) {
        uint c = qc.unicode();
        if (c == '/') {
            out += '\\';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                   c == '-' || c == '.') {
            out += char(c);
        } else if (c <= 0xFF) {
            out += '%';
            out += upperHexDigit(c >> 4);
            out += upperHexDigit(c);
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4) out += upperHexDigit(c >> shift);
        }
    }
}

// One text after "key=" (or one item of a list): C-style escapes for the
// backslash, quotes and control characters, UTF-8 for the rest (bytes of
// "@ByteArray(" and "@Variant(" texts as \x escapes), in double quotes when
// it holds ';', ',' or '=' or starts or ends with a space.
void appendEscapedText(const QString& text, QByteArray& out)
{
    const bool asUtf8 = !(text.startsWith(QLatin1String("@ByteArray(")) ||
                          text.startsWith(QLatin1String("@Variant(")) ||
                          text.startsWith(QLatin1String("@DateTime(")));
    const qsizetype start = out.size();
    bool quoted = false;
    // After "\0" or "\xNN" a hex digit would read as part of the escape.
    bool escapeHexDigit = false;
    QStringEncoder toUtf8(QStringEncoder::Utf8);
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c == ';' || c == ',' || c == '=') quoted = true;
        if (escapeHexDigit && hexValue(c) >= 0) {
            out += "\\x" + QByteArray::number(c, 16);
            continue;
        }
        escapeHexDigit = false;
        switch (c) {
        case '\0':
            out += "\\0";
            escapeHexDigit = true;
            break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\v': out += "\\v"; break;
        case '"':
        case '\\':
            out += '\\';
            out += char(c);
            break;
        default:
            if (c <= 0x1F || (c >= 0x7F && !asUtf8)) {
                out += "\\x" + QByteArray::number(c, 16);
                escapeHexDigit = true;
            } else if (asUtf8) {
                // The encoder keeps the first half of a surrogate pair until
                // the second comes.
                out += toUtf8(QStringView(&qc, 1));
            } else {
                out += char(c);
            }
        }
    }
    if (quoted || (out.size() > start && (out.at(start) == ' ' || out.back() == ' '))) {
        out.insert(start, '"');
        out += '"';
    }
}

bool isWrittenAsList(const QVariant& v)
{
    const int type = v.metaType().id();
    // A one-item list would read back as its item: QSettings writes it whole.
    return type == QMetaType::QStringList || (type == QMetaType::QVariantList && v.toList().size() != 1);
}

void appendValue(const QVariant& v, QByteArray& out)
{
    if (!isWrittenAsList(v)) {
        appendEscapedText(textOf(v), out);
        return;
    }
    const QVariantList items = v.toList();
    // An empty list and a list of one empty text must read back apart.
    if (items.isEmpty()) {
        out += "@Invalid()";
        return;
    }
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i != 0) out += ", ";
        appendEscapedText(textOf(items.at(i)), out);
    }
}

// ---- reading ----

bool isLineSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool endsARun(char c)
{
    return c == '\n' || c == '\r' || c == '"' || c == ';' || c == '=' || c == '\\';
}

// The next line from pos: a line runs on past line breaks inside quotes or
// after a backslash; a ';' at its start makes it a comment, elsewhere (out
// of quotes) ends it. equals is the first '=' out of quotes, or -1.
bool nextLine(QByteArrayView data, qsizetype& pos, qsizetype& start, qsizetype& length, qsizetype& equals)
{
    const qsizetype size = data.size();
    bool inQuotes = false;
    equals = -1;
    start = pos;
    while (start < size && isLineSpace(data[start])) ++start;
    qsizetype i = start;
    while (i < size) {
        const char c = data[i++];
        if (!endsARun(c)) continue;
        if (c == '=') {
            if (!inQuotes && equals == -1) equals = i - 1;
        } else if (c == '\n' || c == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (c == '\\') {
            if (i < size) {
                const char escaped = data[i++];
                if (i < size) {
                    const char next = data[i];
                    if ((escaped == '\n' && next == '\r') || (escaped == '\r' && next == '\n')) ++i;
                }
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else { // ';'
            if (i == start + 1) {
                while (i < size && data[i] != '\n' && data[i] != '\r') ++i;
                while (i < size && isLineSpace(data[i])) ++i;
                start = i;
            } else if (!inQuotes) {
                --i;
                break;
            }
        }
    }
    pos = i;
    length = i - start;
    return length > 0;
}

// A key or section name: "\" stands for "/", "%XX" and "%UXXXX" for a
// character.
QString keyOf(QByteArrayView escaped)
{
    const QString text = QString::fromUtf8(escaped);
    QString key;
    key.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\')) {
            key += QLatin1Char('/');
            ++i;
            continue;
        }
        if (c != QLatin1Char('%') || i == text.size() - 1) {
            key += c;
            ++i;
            continue;
        }
        qsizetype first = i + 1;
        int digits = 2;
        if (text.at(first) == QLatin1Char('U')) {
            ++first;
            digits = 4;
        }
        bool ok = false;
        const ushort code =
            first + digits <= text.size() ? QStringView(text).sliced(first, digits).toUShort(&ok, 16) : 0;
        if (!ok) {
            key += QLatin1Char('%');
            ++i;
            continue;
        }
        key += QChar(code);
        i = first + digits;
    }
    return key;
}

QStringList argumentsOf(const QString& s, qsizetype open)
{
    QStringList args;
    QString item;
    for (qsizetype i = open + 1; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == QLatin1Char(')')) {
            args.append(item);
        } else if (c == QLatin1Char(' ')) {
            args.append(item);
            item.clear();
        } else {
            item.append(c);
        }
    }
    return args;
}

QVariant variantOfText(const QString& s)
{
    if (!s.startsWith(QLatin1Char('@'))) return s;
    if (s.endsWith(QLatin1Char(')'))) {
        if (s.startsWith(QLatin1String("@ByteArray(")))
            return QStringView(s).sliced(11).chopped(1).toLatin1();
        if (s.startsWith(QLatin1String("@String(")))
            return QStringView(s).sliced(8).chopped(1).toString();
        if (s.startsWith(QLatin1String("@Variant(")) || s.startsWith(QLatin1String("@DateTime("))) {
            const bool dateTime = s.at(1) == QLatin1Char('D');
            QByteArray bytes = QStringView(s).sliced(dateTime ? 10 : 9).toLatin1();
            QDataStream stream(&bytes, QIODevice::ReadOnly);
            stream.setVersion(dateTime ? QDataStream::Qt_5_6 : QDataStream::Qt_4_0);
            QVariant v;
            stream >> v;
            return v;
        }
        if (s.startsWith(QLatin1String("@Rect("))) {
            const QStringList a = argumentsOf(s, 5);
            if (a.size() == 4) return QRect(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt());
        } else if (s.startsWith(QLatin1String("@Size("))) {
            const QStringList a = argumentsOf(s, 5);
            if (a.size() == 2) return QSize(a[0].toInt(), a[1].toInt());
        } else if (s.startsWith(QLatin1String("@Point("))) {
            const QStringList a = argumentsOf(s, 6);
            if (a.size() == 2) return QPoint(a[0].toInt(), a[1].toInt());
        } else if (s == QLatin1String("@Invalid()")) {
            return QVariant();
        }
    }
    if (s.startsWith(QLatin1String("@@"))) return s.sliced(1);
    return s;
}

QVariant variantOfList(QStringList items)
{
    for (QString& item : items) {
        if (!item.startsWith(QLatin1Char('@'))) continue;
        if (item.size() < 2 || item.at(1) != QLatin1Char('@')) {
            // One marked item makes the whole list one of values.
            QVariantList values;
            values.reserve(items.size());
            for (const QString& text : std::as_const(items)) values.append(variantOfText(text));
            return values;
        }
        item.remove(0, 1);
    }
    return items;
}

void chopTrailingSpaces(QString& s, qsizetype limit)
{
    qsizetype end = s.size();
    while (end > limit && (s.at(end - 1) == QLatin1Char(' ') || s.at(end - 1) == QLatin1Char('\t'))) --end;
    s.truncate(end);
}

// The text after "key=": one text, or a list when a comma stands outside
// quotes. Unquoted spaces around items go; escapes and quoted text keep
// theirs.
QVariant valueOf(QByteArrayView raw)
{
    static constexpr char NAMED[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'},  {'n', '\n'},
                                        {'r', '\r'}, {'t', '\t'}, {'v', '\v'},  {'"', '"'},
                                        {'?', '?'},   {'\'', '\''}, {'\\', '\\'}};
    QStringDecoder fromUtf8(QStringDecoder::Utf8);
    QString current;
    QStringList items;
    bool isList = false;
    bool inQuotes = false;
    bool currentQuoted = false;
    // An escape or a text running to the very end is kept whole.
    bool chopAtEnd = true;
    qsizetype chopLimit = 0;
    qsizetype i = 0;
    const qsizetype size = raw.size();
    const auto skipSpaces = [&] {
        while (i < size && (raw[i] == ' ' || raw[i] == '\t')) ++i;
        chopLimit = current.size();
    };
    // A numeric escape's digits; false when they run to the end.
    const auto readDigits = [&](char16_t value, int base) {
        while (i < size) {
            const int digit = base == 16 ? hexValue(char16_t(uchar(raw[i]))) : octValue(raw[i]);
            if (digit < 0) break;
            value = char16_t(value * base + digit);
            ++i;
        }
        current += QChar(value);
        chopLimit = current.size();
        return i < size;
    };

    skipSpaces();
    while (i < size) {
        const char c = raw[i];
        if (c == '\\') {
            ++i;
            if (i >= size) {
                chopAtEnd = false;
                break;
            }
            const char e = raw[i++];
            const auto named =
                std::find_if(std::begin(NAMED), std::end(NAMED), [e](const char* p) { return p[0] == e; });
            if (named != std::end(NAMED)) {
                current += QLatin1Char((*named)[1]);
            } else if (e == 'x') {
                if (i >= size) {
                    chopAtEnd = false;
                    break;
                }
                if (hexValue(char16_t(uchar(raw[i]))) >= 0 && !readDigits(0, 16)) {
                    chopAtEnd = false;
                    break;
                }
            } else if (octValue(e) >= 0) {
                if (!readDigits(char16_t(octValue(e)), 8)) {
                    chopAtEnd = false;
                    break;
                }
            } else if ((e == '\n' || e == '\r') && i < size) {
                const char next = raw[i];
                if ((next == '\n' || next == '\r') && next != e) ++i;
            }
            chopLimit = current.size();
            continue;
        }
        if (c == '"') {
            ++i;
            currentQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) skipSpaces();
            continue;
        }
        if (c == ',' && !inQuotes) {
            if (!currentQuoted) chopTrailingSpaces(current, chopLimit);
            isList = true;
            items.append(current);
            current.clear();
            currentQuoted = false;
            ++i;
            skipSpaces();
            continue;
        }
        qsizetype j = i + 1;
        while (j < size && raw[j] != '\\' && raw[j] != '"' && raw[j] != ',') ++j;
        current += fromUtf8(raw.sliced(i, j - i));
        i = j;
    }
    if (chopAtEnd && !currentQuoted) chopTrailingSpaces(current, chopLimit);
    if (!isList) return variantOfText(current);
    items.append(current);
    return variantOfList(items);
}

} // namespace

namespace SettingsIni {

Entries parse(QByteArrayView text)
{
    Entries entries;
    if (text.startsWith("\xef\xbb\xbf")) text = text.sliced(3);
    QString section; // "" for General, else "name/"
    qsizetype pos = 0;
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype equals = -1;
    while (nextLine(text, pos, start, length, equals)) {
        const QByteArrayView line = text.sliced(start, length);
        if (line.startsWith('[')) {
            qsizetype close = line.indexOf(']');
            if (close < 0) close = line.size();
            const QByteArrayView name = line.sliced(1, close - 1).trimmed();
            if (name.compare("general", Qt::CaseInsensitive) == 0) {
                section.clear();
            } else {
                // "[%General]" is a section named "General", not the General section.
                const bool generalByName = name.compare("%general", Qt::CaseInsensitive) == 0;
                section = generalByName ? QString::fromLatin1(name.sliced(1)) : keyOf(name);
                section += QLatin1Char('/');
            }
            continue;
        }
        if (equals < 0) continue;
        const QString key = section + keyOf(line.first(equals - start).trimmed());
        entries.insert(key, valueOf(line.sliced(equals - start + 1)));
    }
    return entries;
}

QByteArray write(const Entries& entries)
{
    // Sections by name, the General one ("") first, each with its keys by
    // name: QString's order, as QSettings sorts them.
    QMap<QString, QMap<QString, const QVariant*>> sections;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        const qsizetype slash = it.key().indexOf(QLatin1Char('/'));
        if (slash < 0)
            sections[QString()].insert(it.key(), &it.value());
        else
            sections[it.key().left(slash)].insert(it.key().sliced(slash + 1), &it.value());
    }

    QByteArray out;
    for (auto section = sections.cbegin(); section != sections.cend(); ++section) {
        QByteArray header;
        appendEscapedKey(section.key(), header);
        if (header.isEmpty())
            header = "[General]";
        else if (header.compare("general", Qt::CaseInsensitive) == 0)
            header = "[%General]";
        else
            header = '[' + header + ']';
        if (section != sections.cbegin()) out += '\n';
        out += header;
        out += '\n';
        for (auto key = section->cbegin(); key != section->cend(); ++key) {
            appendEscapedKey(key.key(), out);
            out += '=';
            appendValue(**key, out);
            out += '\n';
        }
    }
    return out;
}

QByteArray valueText(const QVariant& value)
{
    QByteArray out;
    appendValue(value, out);
    return out;
}

} // namespace SettingsIni
