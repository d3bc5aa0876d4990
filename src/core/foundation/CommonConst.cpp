#include "core/foundation/CommonConst.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The per-user private folder. When the expected name is taken by somebody
// else (or is not a plain folder of ours) a fresh unique folder is made
// instead, so no other user can read or plant files in it.
QString makePrivateTempRoot()
{
    const QString base = QDir::tempPath();
    const QString preferred = base + QStringLiteral("/korvelta-replay-%1").arg(::getuid());
    const QByteArray path = QFile::encodeName(preferred);
    if (::mkdir(path.constData(), 0700) == 0 || errno == EEXIST) {
        struct stat st {};
        if (::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid()) {
            if ((st.st_mode & 0077) != 0) ::chmod(path.constData(), 0700);
            return preferred;
        }
    }
    QByteArray templ = QFile::encodeName(base + QStringLiteral("/korvelta-replay-%1-XXXXXX").arg(::getuid()));
    if (::mkdtemp(templ.data()) != nullptr) return QFile::decodeName(templ);
    return preferred; // nothing better is possible; writers will fail and report it
}

} // namespace

namespace CommonConst {

const QString& DIR_PATH_TMP()
{
    static const QString path = [] {
        const QString p = makePrivateTempRoot() + QStringLiteral("/TMP/");
        QDir().mkpath(p);
        return p;
    }();
    return path;
}

const QString& DIR_PATH_THUMB()
{
    static const QString path = DIR_PATH_TMP() + QStringLiteral("THUMB/");
    return path;
}

const QString& DIR_PATH_MAP()
{
    static const QString path = DIR_PATH_TMP() + QStringLiteral("MAP/");
    return path;
}

const QString& FMT_FORM_TITLE_MOVIE()
{
    static const QString text = QCoreApplication::translate("CommonConst", "Recording always on");
    return text;
}

const QString& FMT_FORM_TITLE_EVENT()
{
    static const QString text = QCoreApplication::translate("CommonConst", "Event recording");
    return text;
}

const QDateTime& DEFAULT_DATE()
{
    static const QDateTime date(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc());
    return date;
}

const QByteArray& IMAGE_DATA_IDENTIFIER()
{
    static const QByteArray id("VARNOKI-SEL.\0\0", 14);
    return id;
}

float fpsOf(RecMode mode)
{
    switch (mode) {
    case RecMode::HighQuality: return REC_MODE_FPS_HQ;
    case RecMode::Nomal: return REC_MODE_FPS_NOMAL;
    case RecMode::LongRec: return REC_MODE_FPS_LONG_REC;
    }
    return REC_MODE_FPS_NOMAL;
}

} // namespace CommonConst

std::optional<IconId> iconIdFromRaw(int raw)
{
    switch (raw) {
    case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 9: case 10:
    case 11: case 12: case 13: case 14: case 15: case 16: case 17: case 18: case 19: case 20:
    case 21: case 22: case 23: case 24: case 25: case 26: case 27:
    case 53: case 54: case 60: case 61: case 62: case 63: case 65: case 66: case 67: case 68:
        return static_cast<IconId>(raw);
    default:
        return std::nullopt;
    }
}

std::optional<ViolationType> violationTypeFromRaw(int raw)
{
    if (raw < -1 || raw > 8) return std::nullopt;
    return static_cast<ViolationType>(raw);
}
