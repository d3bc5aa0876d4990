#include "core/drives/CardDrives.h"

#include "core/foundation/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

// A fake /sys with one removable disk sdb (partition sdb1 = 8:17) and one
// fixed disk sda (partition sda1 = 8:1).
class FakeSystem : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        sys = dir.filePath(QStringLiteral("sys"));
        writeFile(sys + QStringLiteral("/devices/block/sdb/removable"), "1\n");
        QDir().mkpath(sys + QStringLiteral("/devices/block/sdb/sdb1"));
        writeFile(sys + QStringLiteral("/devices/block/sda/removable"), "0\n");
        QDir().mkpath(sys + QStringLiteral("/devices/block/sda/sda1"));
        QDir().mkpath(sys + QStringLiteral("/dev/block"));
        QFile::link(QStringLiteral("../../devices/block/sdb/sdb1"), sys + QStringLiteral("/dev/block/8:17"));
        QFile::link(QStringLiteral("../../devices/block/sda/sda1"), sys + QStringLiteral("/dev/block/8:1"));
        QFile::link(QStringLiteral("../../devices/block/sdb"), sys + QStringLiteral("/dev/block/8:16"));
    }
    QStringList volumes(const QByteArray& mountinfo)
    {
        const QString path = dir.filePath(QStringLiteral("mountinfo"));
        writeFile(path, mountinfo);
        return SystemCardDriveSource(path, sys, QStringLiteral("ann")).removableVolumePaths();
    }
    QTemporaryDir dir;
    QString sys;
};

} // namespace

TEST_F(FakeSystem, ListsRemovableDisksAndUserMediaButNotFixedOnes)
{
    const QStringList got = volumes("22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                                    "40 22 8:17 / /mnt/card rw - vfat /dev/sdb1 rw\n"
                                    "41 22 8:1 /home /home rw - ext4 /dev/sda1 rw\n"
                                    "42 22 179:1 / /media/ann/SD\\040CARD rw - exfat /dev/mmcblk0p1 rw\n"
                                    "43 22 0:50 / /run/media/ann/NETDRV rw - fuse x rw\n"
                                    "44 22 8:16 / /mnt/whole rw - vfat /dev/sdb rw\n");
    EXPECT_EQ(got, (QStringList{QStringLiteral("/mnt/card"), QStringLiteral("/media/ann/SD CARD"),
                                QStringLiteral("/run/media/ann/NETDRV"), QStringLiteral("/mnt/whole")}));
}

TEST_F(FakeSystem, OtherUsersMediaAndNestedMountsAreNotListed)
{
    const QStringList got = volumes("42 22 0:1 / /media/bob/CARD rw - vfat x rw\n"
                                    "43 22 0:1 / /media/ann rw - tmpfs x rw\n"
                                    "44 22 0:1 / /media/ann/CARD/inner rw - vfat x rw\n"
                                    "45 22 0:1 / /media/annex/CARD rw - vfat x rw\n");
    EXPECT_TRUE(got.isEmpty()) << got.join(QLatin1Char(',')).toStdString();
}

TEST_F(FakeSystem, MalformedOrMissingMountInfoGivesNoVolumes)
{
    EXPECT_TRUE(volumes("garbage\n1 2\n3 4 x:y / /media/ann/A\n5 6 8: / /media/ann/B\n\n").isEmpty());
    EXPECT_TRUE(SystemCardDriveSource(dir.filePath(QStringLiteral("none")), sys, QStringLiteral("ann"))
                    .removableVolumePaths()
                    .isEmpty());
}

TEST(CardDriveList, SortsPathsAndNamesAlike)
{
    const auto list = CardDriveList::fromVolumePaths(
        {QStringLiteral("/media/u/B"), QStringLiteral("/media/u/A/"), QStringLiteral("/media/u/B")});
    EXPECT_EQ(list.paths, (QStringList{QStringLiteral("/media/u/A"), QStringLiteral("/media/u/B")}));
    EXPECT_EQ(list.names, (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
}

TEST(CardDriveList, PreselectsTheRememberedVolumeElseTheFirst)
{
    const auto list = CardDriveList::fromVolumePaths({QStringLiteral("/m/B"), QStringLiteral("/m/A")});
    EXPECT_EQ(list.preselectIndex(QStringLiteral("B")), 1);
    EXPECT_EQ(list.preselectIndex(QStringLiteral("gone")), 0);
    EXPECT_EQ(list.preselectIndex(QString()), 0);
    EXPECT_EQ(CardDriveList{}.preselectIndex(QStringLiteral("B")), -1);
}

TEST(CardDriveList, RemembersOneNamePerPurpose)
{
    CardDriveList::rememberName(QStringLiteral("cardDriveSelect"), QStringLiteral("B"));
    CardDriveList::rememberName(QStringLiteral("bodyCardDriveSelect"), QStringLiteral("A"));
    EXPECT_EQ(CardDriveList::rememberedName(QStringLiteral("cardDriveSelect")), QStringLiteral("B"));
    EXPECT_EQ(CardDriveList::rememberedName(QStringLiteral("bodyCardDriveSelect")), QStringLiteral("A"));
    EXPECT_EQ(CardDriveList::rememberedName(QString()), QString());
}

TEST(CardDriveList, CardFolderIsTheVolumesMoveFolder)
{
    EXPECT_EQ(CardDriveList::cardFolderOf(QStringLiteral("/media/u/B")), QStringLiteral("/media/u/B/MOVE/"));
}

TEST(SystemCardDriveSource, ThisMachinesListNeverHoldsTheRootFileSystem)
{
    const QStringList paths = SystemCardDriveSource().removableVolumePaths();
    for (const QString& p : paths) {
        EXPECT_NE(p, QStringLiteral("/"));
        EXPECT_TRUE(p.startsWith(QLatin1Char('/'))) << p.toStdString();
    }
}
