#include "core/foundation/Regex.h"

#include <QtGlobal>

QString Regex::toPcre(const QString& icuPattern)
{
    QString p = icuPattern;
    // "^*" repeats the start anchor zero or more times; zero is allowed, so it anchors nothing.
    while (p.startsWith(QLatin1String("^*"))) p.remove(0, 2);
    return p;
}

Regex::Regex(const QString& pattern_)
    : internalRegexp(toPcre(pattern_),
                     QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption),
      pattern(pattern_)
{
    if (!internalRegexp.isValid())
        qFatal("invalid regular expression %s: %s", qPrintable(pattern), qPrintable(internalRegexp.errorString()));
}

std::optional<QStringList> Regex::matches(const QString& text) const
{
    QStringList out;
    auto it = internalRegexp.globalMatch(text);
    while (it.hasNext()) out << it.next().captured(0);
    if (out.isEmpty()) return std::nullopt;
    return out;
}
