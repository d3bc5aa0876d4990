#include "core/backup/BackupPaths.h"

#include "core/foundation/CommonConst.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStringList>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace BackupPaths {

namespace {
// As many links as the kernel follows in one path before it gives up.
constexpr int MAX_LINKS = 40;
} // namespace

QString resolvedPath(const QString& path)
{
    if (path.isEmpty()) return {};
    // Walked part by part as the kernel would, each link replaced by what it
    // names whether that exists or not: a write through a dangling link lands
    // where the link points, so that is where the path leads.
    // Not cleaned first: "link/.." is the folder above the link's target.
    const QString absolute = path.startsWith(QLatin1Char('/')) ? path : QDir::currentPath() + QLatin1Char('/') + path;
    QStringList pending = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    std::reverse(pending.begin(), pending.end()); // taken from the back
    QString resolved = QStringLiteral("/");
    int links = 0;
    bool missing = false; // a part did not exist: the rest is taken as written
    const auto parentOf = [](const QString& p) {
        const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
        return slash <= 0 ? QStringLiteral("/") : p.left(slash);
    };
    const auto join = [](const QString& folder, const QString& name) {
        return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
    };
    while (!pending.isEmpty()) {
        const QString part = pending.takeLast();
        if (part == QLatin1String(".")) continue;
        if (part == QLatin1String("..")) {
            resolved = parentOf(resolved);
            continue;
        }
        const QString next = join(resolved, part);
        struct stat st {};
        if (missing || ::lstat(QFile::encodeName(next).constData(), &st) != 0) {
            missing = true;
            resolved = next;
            continue;
        }
        if (!S_ISLNK(st.st_mode)) {
            resolved = next;
            continue;
        }
        if (++links > MAX_LINKS) {
            // A loop: no file can be reached this way, so nothing is resolved further.
            missing = true;
            resolved = next;
            continue;
        }
        QByteArray target(qsizetype(PATH_MAX), Qt::Uninitialized);
        const ssize_t n = ::readlink(QFile::encodeName(next).constData(), target.data(), size_t(target.size()));
        if (n <= 0 || n >= target.size()) {
            missing = true;
            resolved = next;
            continue;
        }
        const QString text = QFile::decodeName(target.left(qsizetype(n)));
        if (text.startsWith(QLatin1Char('/'))) resolved = QStringLiteral("/");
        QStringList parts = text.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        for (auto it = parts.crbegin(); it != parts.crend(); ++it) pending.append(*it);
    }
    return resolved;
}

bool isLink(const QString& path)
{
    struct stat st {};
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool linkBetween(const QString& folder, const QString& file)
{
    const QString relative = relativeInside(folder, file);
    if (relative.isEmpty()) return false;
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        path += QLatin1Char('/') + parts[i];
        if (isLink(path)) return true;
    }
    return false;
}

namespace {

bool contains(const QString& folder, const QString& path, Qt::CaseSensitivity cs, bool strict)
{
    if (folder.isEmpty() || path.isEmpty()) return false;
    if (path.compare(folder, cs) == 0) return !strict;
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    return path.startsWith(prefix, cs);
}

} // namespace

bool isInsideOrSame(const QString& path, const QString& folder, Qt::CaseSensitivity cs)
{
    return contains(resolvedPath(folder), resolvedPath(path), cs, false);
}

bool isStrictlyInside(const QString& path, const QString& folder, Qt::CaseSensitivity cs)
{
    return contains(resolvedPath(folder), resolvedPath(path), cs, true);
}

bool overlaps(const QString& a, const QString& b)
{
    const QString ra = resolvedPath(a);
    const QString rb = resolvedPath(b);
    return contains(ra, rb, Qt::CaseInsensitive, false) || contains(rb, ra, Qt::CaseInsensitive, false);
}

QString relativeInside(const QString& folder, const QString& file)
{
    if (folder.isEmpty() || file.isEmpty()) return {};
    const QString f = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const QString p = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    if (!contains(f, p, Qt::CaseSensitive, true)) return {};
    return p.mid(f.endsWith(QLatin1Char('/')) ? f.size() : f.size() + 1);
}

namespace {

// What of a card's markers a folder holds, from one pass over it that stops
// after 100,000 entries.
struct Markers {
    bool settingsFiles = false; // SETINF.DAT or GROUP.DAT
    bool versionFile = false;   // ver.txt
    bool movieFolder = false;   // MOVE
};

Markers markersOf(const QDir& dir)
{
    Markers m;
    int budget = 100000;
    QDirIterator entries(dir.absolutePath(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext() && --budget >= 0) {
        entries.next();
        const QFileInfo e = entries.fileInfo();
        const QString n = e.fileName();
        const auto is = [&n](const QString& name) { return n.compare(name, Qt::CaseInsensitive) == 0; };
        if (e.isDir()) {
            m.movieFolder = m.movieFolder || is(CommonConst::DIR_PATH_CARD_SUBDIR);
        } else if (e.isFile()) {
            m.settingsFiles = m.settingsFiles || is(CommonConst::FILE_NAME_SETTING_READ) ||
                              is(CommonConst::FILE_NAME_SETTING_WRITE);
            m.versionFile = m.versionFile || is(QStringLiteral("ver.txt"));
        }
    }
    return m;
}

} // namespace

bool holdsCardMarkers(const QString& folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir()) return false;
    const Markers m = markersOf(QDir(info.absoluteFilePath()));
    const bool namedMove = info.fileName().compare(CommonConst::DIR_PATH_CARD_SUBDIR, Qt::CaseInsensitive) == 0;
    // The recorder writes ver.txt into MOVE: a copy of that folder under
    // another name holds it too and is a backup like any other.
    if (m.settingsFiles || m.movieFolder || (m.versionFile && namedMove)) return true;
    return namedMove && markersOf(QDir(info.absolutePath())).settingsFiles;
}

QString cardAreaOf(const QString& sourceFolder)
{
    const QString folder = resolvedPath(sourceFolder);
    if (folder.isEmpty()) return {};
    const QFileInfo info(folder);
    const bool cardFolder = info.fileName().compare(CommonConst::DIR_PATH_CARD_SUBDIR, Qt::CaseInsensitive) == 0 ||
                            markersOf(QDir(info.absolutePath())).settingsFiles;
    if (!cardFolder || folder == QLatin1String("/")) return folder;
    const QString root = info.absolutePath();
    // A MOVE folder right below "/" is no card's: the whole system would be refused.
    return root == QLatin1String("/") ? folder : root;
}

NameProblem checkFolderName(const QString& name)
{
    if (name.isEmpty()) return NameProblem::Empty;
    static const QString forbidden = [] {
        QString s = QStringLiteral("\"<>|:*?\\/");
        for (char16_t c = 0x00; c <= 0x06; ++c) s.append(QChar(c));
        s.append(QChar(0x09));
        s.append(QChar(0x0A));
        s.append(QChar(0x0D));
        for (char16_t c = 0x0E; c <= 0x1F; ++c) s.append(QChar(c));
        return s;
    }();
    if (name.startsWith(QLatin1Char('.'))) return NameProblem::InvalidFormat;
    for (const QChar c : forbidden)
        if (name.contains(c)) return NameProblem::InvalidFormat;
    int characters = 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, name);
    while (finder.toNextBoundary() >= 0) ++characters;
    // The file system's own limit is 255 bytes; a longer name would only
    // fail once the copy has started.
    if (characters >= 256 || name.toUtf8().size() > 255) return NameProblem::TooLong;
    return NameProblem::None;
}

QString nameProblemText(NameProblem problem)
{
    switch (problem) {
    case NameProblem::Empty:
        return QCoreApplication::translate("BackupSettingDialog", "Please provide the folder name.");
    case NameProblem::InvalidFormat:
        return QCoreApplication::translate("BackupSettingDialog", "The folder name format is not valid.");
    case NameProblem::TooLong:
        return QCoreApplication::translate("BackupSettingDialog", "Folder name should be less than 255 characters.");
    case NameProblem::None:
        break;
    }
    return {};
}

namespace {

constexpr qint64 MIB = 1048576;

QString grouped(qint64 whole)
{
    QString digits = QString::number(whole);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, QLatin1Char(','));
    return digits;
}

QString tenthsText(qint64 tenths)
{
    return grouped(tenths / 10) + QLatin1Char('.') + QString::number(tenths % 10) + QStringLiteral(" MB");
}

} // namespace

QString backupSizeText(qint64 bytes)
{
    if (bytes < 0) return {};
    // Whole mebibytes apart first: no overflow for any file size.
    const qint64 whole = bytes / MIB;
    const qint64 rest = bytes % MIB;
    const qint64 tenths = whole * 10 + (rest * 20 + MIB) / (2 * MIB);
    return tenthsText(tenths);
}

QString cleanupSizeText(qint64 bytes)
{
    if (bytes < 0) return {};
    const qint64 hundredths = (bytes / MIB) * 100 + (bytes % MIB) * 100 / MIB;
    qint64 tenths = hundredths / 10;
    const qint64 last = hundredths % 10;
    if (last > 5 || (last == 5 && (tenths % 2) == 1)) ++tenths;
    return tenthsText(tenths);
}

} // namespace BackupPaths
