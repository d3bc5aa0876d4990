#include "core/drives/CardDrives.h"

#include "core/foundation/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <pwd.h>
#include <unistd.h>

namespace {

constexpr qint64 MAX_MOUNTINFO_BYTES = 4 * 1024 * 1024;
constexpr int MAX_MOUNTS = 20000;

QString currentUserName()
{
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_name != nullptr)
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

// mountinfo writes blanks, tabs, line feeds and backslashes as \ooo.
QString decodeMountField(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray oct = field.mid(i + 1, 3);
            bool ok = oct.size() == 3;
            for (char d : oct)
                ok = ok && d >= '0' && d <= '7';
            if (ok) {
                out.append(static_cast<char>(oct.toInt(nullptr, 8) & 0xFF));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return QFile::decodeName(out);
}

QByteArray readSmallFile(const QString& path, qint64 limit)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.read(limit);
}

} // namespace

SystemCardDriveSource::SystemCardDriveSource()
    : SystemCardDriveSource(QStringLiteral("/proc/self/mountinfo"), QStringLiteral("/sys"), currentUserName())
{
}

SystemCardDriveSource::SystemCardDriveSource(QString mountInfoPath, QString sysRoot, QString userName)
    : m_mountInfoPath(std::move(mountInfoPath)), m_sysRoot(std::move(sysRoot)),
      m_userName(std::move(userName))
{
}

bool SystemCardDriveSource::parseMountInfoLine(const QByteArray& line, MountEntry* out)
{
    // id parent major:minor root mount-point options [optional...] - type source super-options
    const QList<QByteArray> fields = line.trimmed().split(' ');
    if (fields.size() < 5) return false;
    const QByteArray& dev = fields.at(2);
    const qsizetype colon = dev.indexOf(':');
    if (colon <= 0 || colon == dev.size() - 1) return false;
    bool okMajor = false, okMinor = false;
    dev.left(colon).toUInt(&okMajor);
    dev.mid(colon + 1).toUInt(&okMinor);
    if (!okMajor || !okMinor) return false;
    const QString mountPoint = decodeMountField(fields.at(4));
    if (!mountPoint.startsWith(QLatin1Char('/'))) return false;
    out->mountPoint = mountPoint;
    out->device = QString::fromLatin1(dev);
    return true;
}

bool SystemCardDriveSource::isRemovableDevice(const QString& device) const
{
    if (device.startsWith(QStringLiteral("0:"))) return false; // no block device behind it
    const QString link = m_sysRoot + QStringLiteral("/dev/block/") + device;
    const QString node = QFileInfo(link).canonicalFilePath();
    if (node.isEmpty()) return false;
    // A partition has no flag of its own; its disk (the parent node) has.
    for (const QString& dir : {node, QFileInfo(node).path()}) {
        const QString flag = dir + QStringLiteral("/removable");
        if (QFileInfo::exists(flag)) return readSmallFile(flag, 16).trimmed() == "1";
    }
    return false;
}

QStringList SystemCardDriveSource::removableVolumePaths() const
{
    const QByteArray text = readSmallFile(m_mountInfoPath, MAX_MOUNTINFO_BYTES);
    QStringList userRoots;
    if (!m_userName.isEmpty() && !m_userName.contains(QLatin1Char('/'))) {
        userRoots << QStringLiteral("/media/") + m_userName + QLatin1Char('/')
                  << QStringLiteral("/run/media/") + m_userName + QLatin1Char('/');
    }
    QStringList paths;
    int count = 0;
    for (const QByteArray& line : text.split('\n')) {
        if (++count > MAX_MOUNTS) break;
        MountEntry entry;
        if (!parseMountInfoLine(line, &entry)) continue;
        if (entry.mountPoint == QStringLiteral("/")) continue;
        bool listed = false;
        for (const QString& root : userRoots) {
            // Only the volumes themselves, not the user folder or mounts inside a volume.
            if (entry.mountPoint.startsWith(root) && entry.mountPoint.size() > root.size() &&
                !entry.mountPoint.mid(root.size()).contains(QLatin1Char('/')))
                listed = true;
        }
        if (!listed) listed = isRemovableDevice(entry.device);
        if (listed && !paths.contains(entry.mountPoint)) paths.append(entry.mountPoint);
    }
    return paths;
}

CardDriveList CardDriveList::fromVolumePaths(const QStringList& volumePaths)
{
    CardDriveList list;
    for (QString p : volumePaths) {
        while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
            p.chop(1);
        if (p.isEmpty() || list.paths.contains(p)) continue;
        list.paths.append(p);
    }
    std::sort(list.paths.begin(), list.paths.end()); // plain string order
    for (const QString& p : list.paths) {
        QString name = QFileInfo(p).fileName();
        if (name.isEmpty()) name = p;
        list.names.append(name);
    }
    return list;
}

int CardDriveList::preselectIndex(const QString& rememberedName) const
{
    if (names.isEmpty()) return -1;
    const qsizetype i = rememberedName.isEmpty() ? -1 : names.indexOf(rememberedName);
    return i >= 0 ? static_cast<int>(i) : 0;
}

QString CardDriveList::rememberedName(const QString& key)
{
    if (key.isEmpty()) return {};
    const auto store = SettingsStore::open();
    if (!store->contains(key)) return {};
    // Only text counts; a number or a list stored there matches no volume.
    const QVariant v = store->value(key);
    return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

void CardDriveList::rememberName(const QString& key, const QString& name)
{
    if (key.isEmpty()) return;
    SettingsStore::open()->setValue(key, name);
}

QString CardDriveList::cardFolderOf(const QString& volumePath)
{
    return volumePath + QStringLiteral("/MOVE/");
}
