#pragma once

#include <QString>
#include <QStringList>

// Where the card-drive picker finds the mounted removable volumes. The
// picker takes any source, so tests can hand it plain folders.
class CardDriveSource {
public:
    virtual ~CardDriveSource() = default;
    // Mount points of the removable volumes, in any order.
    virtual QStringList removableVolumePaths() const = 0;
};

// The volumes of this machine: everything mounted under /media/<user> or
// /run/media/<user> (where desktop systems mount cards), and every mount of a
// block device that the kernel marks removable. The root file system is never
// listed. The files read are parameters so that tests can give fake ones.
class SystemCardDriveSource : public CardDriveSource {
public:
    SystemCardDriveSource();
    SystemCardDriveSource(QString mountInfoPath, QString sysRoot, QString userName);
    QStringList removableVolumePaths() const override;

    // The mount point of one /proc/self/mountinfo line with its device
    // number, or nothing for a line that does not have the expected fields.
    struct MountEntry {
        QString mountPoint;
        QString device; // "major:minor"
    };
    static bool parseMountInfoLine(const QByteArray& line, MountEntry* out);

private:
    bool isRemovableDevice(const QString& device) const;
    QString m_mountInfoPath;
    QString m_sysRoot;
    QString m_userName;
};

// A fixed list of folders.
class FixedCardDriveSource : public CardDriveSource {
public:
    explicit FixedCardDriveSource(QStringList paths) : m_paths(std::move(paths)) {}
    QStringList removableVolumePaths() const override { return m_paths; }

private:
    QStringList m_paths;
};

// What the picker shows: the volume paths ascending and, in the same order,
// their names (last path component) as the user sees them.
struct CardDriveList {
    QStringList paths;
    QStringList names;

    static CardDriveList fromVolumePaths(const QStringList& volumePaths);

    // The index to preselect: the first volume named as remembered, else 0;
    // -1 when the list is empty.
    int preselectIndex(const QString& rememberedName) const;

    // The remembered name under a key ("cardDriveSelect" to open a card,
    // "bodyCardDriveSelect" for the camera settings); empty when none.
    static QString rememberedName(const QString& key);
    static void rememberName(const QString& key, const QString& name);

    // The recorder's folder on a volume: its path followed by "/MOVE/".
    static QString cardFolderOf(const QString& volumePath);
};
