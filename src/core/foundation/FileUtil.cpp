#include "core/foundation/FileUtil.h"

#include "core/foundation/CommonConst.h"
#include "core/foundation/Regex.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

QString FileUtil::combinePath(const QString& base, const QString& part)
{
    QString out = base;
    if (!out.endsWith(QLatin1Char('/'))) out += QLatin1Char('/');
    out += part;
    return out;
}

QString FileUtil::combinePath(const QString& base, std::initializer_list<QString> parts)
{
    QString out = base;
    for (const QString& p : parts) out = combinePath(out, p);
    return out;
}

qint32 FileUtil::getFileNumber(const QString& name)
{
    QString stem = name;
    // Last extension first, then any folder part.
    const qsizetype slash = stem.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = stem.lastIndexOf(QLatin1Char('.'));
    if (dot > slash && dot > 0 && dot > slash + 1) stem.truncate(dot);
    if (slash >= 0) stem = stem.mid(slash + 1);
    if (stem.size() <= 3) return 0;
    const QString last4 = stem.right(4);
    bool ok = false;
    const int v = last4.toInt(&ok, 10);
    if (!ok) return 0;
    for (QChar c : last4)
        if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char('+') && c != QLatin1Char('-')) return 0;
    return v;
}

FileUtil::FolderAndName FileUtil::getFolderName(const QString& path)
{
    if (path.endsWith(QLatin1Char('/'))) return {path, QString()};
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) return {QStringLiteral("./"), path};
    return {path.left(slash + 1), path.mid(slash + 1)};
}

namespace {

void walk(const QString& dir, const Regex& regex, int depth, int& budget, QStringList& out)
{
    if (depth > FileUtil::MAX_SCAN_DEPTH) return;
    const QFileInfoList entries =
        QDir(dir).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name | QDir::DirsLast);
    for (const QFileInfo& e : entries) {
        if (--budget < 0) return;
        const QString name = e.fileName();
        if (name.startsWith(QLatin1Char('.'))) continue;
        if (e.isDir()) {
            if (e.isSymLink() || name == QLatin1String("_extras")) continue;
            walk(e.filePath(), regex, depth + 1, budget, out);
        } else if (e.isFile() && !e.isSymLink() && regex.hasMatch(name)) {
            out << e.filePath();
        }
    }
}

} // namespace

QStringList FileUtil::getMovieFiles(const QString& folder, const QString& pattern)
{
    QStringList out;
    if (!QFileInfo(folder).isDir()) return out;
    const Regex regex(pattern);
    int budget = MAX_SCAN_ENTRIES;
    walk(QDir(folder).absolutePath(), regex, 0, budget, out);
    return out;
}

QString FileUtil::isMovieFileName(const QString& name)
{
    static const Regex shapeM(CommonConst::PATTERN_MOVE_REGEX_FILE);
    static const Regex shape12(CommonConst::PATTERN_MOVE_REGEX_FILE2);
    static const Regex shape16(CommonConst::PATTERN_MOVE_REGEX_INFO);
    if (shapeM.hasMatch(name)) return name.mid(1, 12);
    if (shape12.hasMatch(name) || shape16.hasMatch(name)) return name.left(12);
    return QString();
}

QString FileUtil::relativePath(const QString& folder, const QString& target)
{
    return QDir(folder).relativeFilePath(target);
}

QStringList FileUtil::checkCardFolder(const QString& path)
{
    const QFileInfo info(path);
    QString folder;
    if (info.isDir()) {
        folder = info.absoluteFilePath();
    } else if (info.isFile()) {
        if (isManagementFileName(info.fileName())) {
            folder = info.absolutePath();
        } else if (info.suffix().compare(QLatin1String("MP4"), Qt::CaseInsensitive) == 0) {
            return {info.absoluteFilePath()};
        } else {
            return {};
        }
    } else {
        return {};
    }

    static const Regex moveDir(CommonConst::PATTERN_MOVE_REGEX_DIR);
    QStringList out;
    for (const QString& candidate : getMovieFiles(folder, CommonConst::PATTERN_MOVE)) {
        const QString name = QFileInfo(candidate).fileName();
        if (moveDir.hasMatch(relativePath(folder, candidate)) && !isMovieFileName(name).isEmpty() &&
            getFileNumber(name) > 0)
            out << candidate;
    }
    return out;
}

bool FormUtil::isDirectory(const QString& path)
{
    return QFileInfo(path).isDir();
}

QString FormUtil::randomString(int length)
{
    static const char alphabet[] = "1234567890abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QString out;
    if (length <= 0) return out;
    out.reserve(length);
    for (int i = 0; i < length; ++i) out += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(62)]);
    return out;
}

bool FileUtil::isManagementFileName(const QString& name)
{
    const QString upper = name.toUpper();
    return upper == CommonConst::FILE_NAME_VREC || upper == CommonConst::FILE_NAME_PRCT ||
           upper == CommonConst::FILE_NAME_ADVP;
}
