#include "core/map/MapSupportFiles.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>
#include <filesystem>
#include <system_error>

QString MapSupportFiles::versionNoteFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/KorveltaReplay");
}

bool MapSupportFiles::writeVersionNote(const QString& folder, const QDateTime& now, const QString& appVersion,
                                       const QString& mapVersion)
{
    if (folder.isEmpty()) return false;
    const QFileInfo info(folder);
    if (!info.isDir()) {
        qInfo().noquote() << QStringLiteral("KorveltaReplayフォルダが存在しませんよ");
        // What went wrong, not where: the folder is known.
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(folder).toStdString()), error);
        if (error || !QFileInfo(folder).isDir()) {
            const QString reason = error ? QString::fromLocal8Bit(error.message().c_str())
                                         : QStringLiteral("a file of that name is in the way");
            qWarning().noquote() << QStringLiteral("folder generated failed: ") + reason;
            return false;
        }
    } else {
        qInfo().noquote() << QStringLiteral("KorveltaReplayフォルダが存在しますよ");
    }
    // Written beside and renamed over the old note: a failed write leaves it whole.
    QSaveFile file(folder + QStringLiteral("/mv.txt"));
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning().noquote() << QStringLiteral("error: ") + file.errorString();
        return false;
    }
    const QString text = QLocale::system().toString(now, QLocale::LongFormat) + QLatin1Char('\n') +
                         QStringLiteral("アプリケーション・バージョン: ") + appVersion + QLatin1Char('\n') +
                         QStringLiteral("Maps JavaScript API Version: ") + mapVersion + QLatin1Char('\n');
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        qWarning().noquote() << QStringLiteral("error: ") + file.errorString();
        return false;
    }
    return true;
}

namespace {

// The program of a desktop entry's Exec line (its first word, quotes taken off).
QString execProgram(const QString& desktopFile)
{
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return QString();
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry || !line.startsWith(QLatin1String("Exec="))) continue;
        const QStringList words = QProcess::splitCommand(line.mid(5));
        return words.isEmpty() ? QString() : words.first();
    }
    return QString();
}

} // namespace

std::optional<QString> MapSupportFiles::findGoogleEarth()
{
    // Plain Google Earth is preferred to Google Earth Pro wherever either is
    // found: on the PATH, else through its desktop entry.
    for (const QString& name : {QStringLiteral("google-earth"), QStringLiteral("google-earth-pro")}) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty()) return found;
        const QString entry =
            QStandardPaths::locate(QStandardPaths::ApplicationsLocation, name + QStringLiteral(".desktop"));
        if (entry.isEmpty()) continue;
        QString program = execProgram(entry);
        if (program.isEmpty()) continue;
        if (!program.contains(QLatin1Char('/'))) program = QStandardPaths::findExecutable(program);
        const QFileInfo info(program);
        if (info.isFile() && info.isExecutable()) return info.absoluteFilePath();
    }
    return std::nullopt;
}
