#include "core/backup/BackupFolderList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(BackupFolderList, ListsVisibleSubfoldersOnlyInCodePointOrder)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    QDir d(root.path());
    for (const char* name : {"b", "A", "a", ".hidden", "a/inner"})
        ASSERT_TRUE(d.mkpath(QString::fromLatin1(name)));
    QFile f(d.filePath(QStringLiteral("file.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QFile::link(d.filePath(QStringLiteral("nowhere")), d.filePath(QStringLiteral("broken")));

    QString error;
    const QStringList names =
        BackupFolderList::sortedForDisplay(BackupFolderList::subfolderNames(root.path(), &error));
    EXPECT_EQ(names, (QStringList{QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_TRUE(error.isEmpty());
}

TEST(BackupFolderList, UnreadableRootGivesNothingAndAMessage)
{
    QTemporaryDir root;
    QString error;
    EXPECT_FALSE(
        BackupFolderList::readFolderContents(root.filePath(QStringLiteral("missing")), &error).has_value());
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_TRUE(BackupFolderList::subfolderNames(QString(), &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
}
