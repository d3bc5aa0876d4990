#include "core/foundation/SettingsValue.h"

#include <QDir>
#include <QStringList>

namespace {

bool isNumber(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Bool: case QMetaType::Short:
    case QMetaType::UShort: case QMetaType::Long: case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

bool isText(const QVariant& v)
{
    return v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray;
}

// The leading number of a text ("12abc" is 12, "1.5" is 1.5, "x" is 0).
double leadingNumber(const QString& text, bool integral)
{
    const QString t = text.trimmed();
    qsizetype end = 0;
    if (end < t.size() && (t[end] == QLatin1Char('+') || t[end] == QLatin1Char('-'))) ++end;
    while (end < t.size() && t[end].isDigit() && t[end].unicode() < 128) ++end;
    if (!integral && end < t.size() && t[end] == QLatin1Char('.')) {
        ++end;
        while (end < t.size() && t[end].isDigit() && t[end].unicode() < 128) ++end;
    }
    bool ok = false;
    const double d = t.left(end).toDouble(&ok);
    if (!ok) return 0;
    return integral ? static_cast<double>(static_cast<qint64>(d)) : d;
}

} // namespace

qint64 SettingsValue::integerOf(const QVariant& v)
{
    if (isNumber(v)) return v.toLongLong();
    if (isText(v)) {
        const QString t = v.toString().trimmed().toLower();
        if (t == QLatin1String("true")) return 1;
        return static_cast<qint64>(leadingNumber(t, true));
    }
    return 0;
}

double SettingsValue::doubleOf(const QVariant& v)
{
    if (isNumber(v)) return v.toDouble();
    if (isText(v)) {
        const QString t = v.toString().trimmed().toLower();
        if (t == QLatin1String("true")) return 1;
        return leadingNumber(t, false);
    }
    return 0;
}

bool SettingsValue::boolOf(const QVariant& v)
{
    if (isNumber(v)) return v.toDouble() != 0;
    if (isText(v)) {
        const QString t = v.toString().trimmed().toLower();
        if (t.startsWith(QLatin1Char('y')) || t.startsWith(QLatin1Char('t'))) return true;
        return leadingNumber(t, true) != 0;
    }
    return false;
}

std::optional<QString> SettingsValue::stringOf(const QVariant& v)
{
    if (isText(v) || isNumber(v)) return v.toString();
    return std::nullopt;
}

std::optional<QUrl> SettingsValue::urlOf(const QVariant& v)
{
    if (v.typeId() == QMetaType::QUrl) {
        const QUrl u = v.toUrl();
        if (u.isValid()) return u;
        return std::nullopt;
    }
    if (isText(v)) {
        const QString t = v.toString();
        if (t.startsWith(QLatin1Char('/')) || t.startsWith(QLatin1Char('~'))) {
            QString path = t;
            if (path.startsWith(QLatin1Char('~'))) path = QDir::homePath() + path.mid(1);
            return QUrl::fromLocalFile(path);
        }
        const QUrl u(t);
        if (u.isValid() && !u.scheme().isEmpty()) return u;
    }
    return std::nullopt;
}
