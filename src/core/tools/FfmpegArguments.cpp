#include "core/tools/FfmpegArguments.h"

namespace FfmpegArguments {

namespace {

// Puts a backslash before every character of specials.
QString backslashed(const QString& text, QStringView specials)
{
    QString out;
    out.reserve(text.size() * 2);
    for (const QChar c : text) {
        if (specials.contains(c)) out += u'\\';
        out += c;
    }
    return out;
}

} // namespace

TimeParts timeParts(std::uint32_t ms)
{
    // Whole numbers throughout: a double's fraction would lose a millisecond
    // now and then (1001 ms must give 1.001 s).
    TimeParts t;
    t.hours = ms / 3600000u;
    t.minutes = (ms / 60000u) % 60u;
    t.seconds = (ms / 1000u) % 60u;
    t.millis = ms % 1000u;
    return t;
}

QString timeValue(std::uint32_t ms)
{
    const TimeParts t = timeParts(ms);
    return QString::asprintf("%02u:%02u:%02u.%03u", t.hours, t.minutes, t.seconds, t.millis);
}

QString assFilter(const QString& assPath)
{
    // Option level: the value of the named option "filename"; a backslash
    // keeps ':' (next option), '\'' (quoting), '\\' and white space literal.
    // Naming the option keeps a '=' in the path from being read as a key.
    const QString value = QStringLiteral("filename=") + backslashed(assPath, u"\\':= \t\r\n");
    // Graph level: the whole argument quoted, a quote written as '\''.
    QString quoted = value;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return QStringLiteral("ass='") + quoted + u'\'';
}

namespace {
QString seconds(std::uint32_t ms)
{
    return QStringLiteral("%1.%2").arg(ms / 1000u).arg(ms % 1000u, 3, 10, QLatin1Char('0'));
}
} // namespace

std::optional<QString> concatList(const std::vector<Chapter>& chapters, std::uint32_t start)
{
    QStringList lines;
    for (const Chapter& chapter : chapters) {
        if (chapter.path.contains(u'\n') || chapter.path.contains(u'\r')) return std::nullopt;
        QString quoted = chapter.path;
        quoted.replace(u'\'', QStringLiteral("'\\''"));
        lines << QStringLiteral("file '") + quoted + u'\'';
        // A seek here instead of on the joined input: the demuxer would
        // otherwise read the whole first chapter up to the start.
        if (lines.size() == 1 && start > 0) lines << QStringLiteral("inpoint ") + seconds(start);
        // The cut where the picture ends keeps a longer sound track from
        // running into the next chapter's time.
        lines << QStringLiteral("outpoint ") + seconds(chapter.lengthMs);
    }
    return lines.join(u'\n');
}

QStringList trim(const Trim& t)
{
    QStringList args{QStringLiteral("-y"),   QStringLiteral("-copyts"), QStringLiteral("-f"),
                     QStringLiteral("concat"), QStringLiteral("-safe"),  QStringLiteral("0"),
                     QStringLiteral("-i"),   t.listPath};
    if (!t.assPath.isEmpty() && t.start > 0) args << QStringLiteral("-ss") << timeValue(0);
    if (t.length) args << QStringLiteral("-t") << timeValue(*t.length);
    if (t.assPath.isEmpty())
        args << QStringLiteral("-c") << QStringLiteral("copy");
    else
        args << QStringLiteral("-preset") << QStringLiteral("veryfast") << QStringLiteral("-vf")
             << assFilter(t.assPath) << QStringLiteral("-g") << QStringLiteral("10");
    args << t.output;
    return args;
}

QStringList runnerOptions()
{
    return {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"),      QStringLiteral("-loglevel"),
            QStringLiteral("error"),        QStringLiteral("-nostats"),      QStringLiteral("-progress"),
            QStringLiteral("pipe:1"),       QStringLiteral("-stats_period"), QStringLiteral("0.25")};
}

} // namespace FfmpegArguments
