#include "core/foundation/IniFile.h"

#include "core/foundation/AppError.h"
#include "core/foundation/TextEncoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace {

QStringView trimBlanks(QStringView s)
{
    qsizetype b = 0, e = s.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return s.sliced(b, e - b);
}

} // namespace

void IniFile::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return;
    if (file.size() > MAX_FILE_SIZE) return;
    loadData(file.read(MAX_FILE_SIZE));
}

void IniFile::loadData(const QByteArray& bytes)
{
    const auto text = TextEncoding::decodeShiftJIS(bytes);
    if (!text) return;

    QString section;
    qsizetype start = 0;
    const QString& t = *text;
    const qsizetype n = t.size();
    while (start <= n) {
        // Lines end at LF, CR LF, CR and the Unicode line and paragraph separators.
        qsizetype end = start;
        while (end < n) {
            const char16_t c = t[end].unicode();
            if (c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029) break;
            ++end;
        }
        const QStringView line = trimBlanks(QStringView(t).sliced(start, end - start));
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.toString();
        } else if (const qsizetype eq = line.indexOf(QLatin1Char('=')); eq >= 0) {
            const QString key = trimBlanks(line.first(eq)).toString();
            m_map.insert(section + key, trimBlanks(line.sliced(eq + 1)).toString());
        }
        if (end >= n) break;
        start = end + ((t[end] == QLatin1Char('\r') && end + 1 < n && t[end + 1] == QLatin1Char('\n')) ? 2 : 1);
    }
}

QString IniFile::get(const QString& section, const QString& key) const
{
    const auto it = m_map.constFind(QLatin1Char('[') + section + QLatin1Char(']') + key);
    if (it == m_map.constEnd())
        throw AppError(QStringLiteral("指定されたキーが見つかりません: %1 %2").arg(section, key));
    return *it;
}

void IOUtil::removeFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink()) QDir(path).removeRecursively();
    else QFile::remove(path);
}

qint64 IOUtil::freeDiskSpace(const QString& path)
{
    if (!QFileInfo::exists(path)) return -1;
    const QStorageInfo storage(path);
    if (!storage.isValid()) return -1;
    return storage.bytesAvailable();
}
