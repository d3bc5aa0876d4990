#include "catalog/CatalogFixture.h"
#include "core/backup/BackupPaths.h"
#include "core/backup/BackupTree.h"
#include "core/backup/BackupTreeModel.h"
#include "core/foundation/UserDefaultUtil.h"

#include <QFile>

using namespace catalogtest;

namespace {

class BackupTreeTest : public CatalogFixture {
protected:
    // Trips of 1, 3 and 2 chapters of 30 s; a G event in the middle of the second.
    cardgen::WrittenCard writeThreeTrips()
    {
        cardgen::CardOptions o;
        o.trips = {tripOf(1, 0, 30), tripOf(3, 1, 30), tripOf(2, 2, 30)};
        o.trips[1].drive.incidents = {{cardgen::Incident::Kind::GShock, 45000, true}};
        return write(o);
    }
};

} // namespace

TEST_F(BackupTreeTest, RowsFollowTheTripsWithPlayingChapterCheckedAndEventsMarked)
{
    const auto w = writeThreeTrips();
    const auto card = load(w.moveDir);
    const TripList trips = card->tripList();
    ASSERT_EQ(trips.size(), 3);
    const auto middle = trips[1]->chapterDataList();

    BackupList list = BackupTree::makeBackupList(*card, middle[1]);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1].idx, 1);
    ASSERT_EQ(list[1].children.size(), 3u);
    EXPECT_EQ(list[1].children[2].idx[0], 1);
    EXPECT_EQ(list[1].children[2].idx[1], 2);
    // The playing chapter alone is checked; its trip of three is mixed.
    EXPECT_EQ(list[1].trip, CheckState::Mixed);
    EXPECT_EQ(list[1].children[1].chapterItem, CheckState::On);
    EXPECT_EQ(list[0].trip, CheckState::Off);
    EXPECT_EQ(BackupTree::checkedFiles(list), QStringList{middle[1]->_pathMove.toLocalFile()});
    EXPECT_EQ(list[1].startingTime, middle[0]->startTime());
    // The event 45 s into the trip lies in chapter 2: its window of 12 s
    // before to 8 s after covers chapter 2 only.
    EXPECT_TRUE(list[1].dateEvent);
    EXPECT_FALSE(list[1].children[0].dateEvent);
    EXPECT_TRUE(list[1].children[1].dateEvent);
    EXPECT_FALSE(list[0].dateEvent);
    EXPECT_FALSE(list[2].dateEvent);
    EXPECT_EQ(list[2].children[0].fileSize, quint64(QFileInfo(list[2].children[0].filePath).size()));
    EXPECT_GT(list[2].children[0].fileSize, 0u);

    // A single-chapter trip whose chapter plays is on; a file gone since
    // the card was read counts 0 bytes and keeps its row.
    ASSERT_TRUE(QFile::remove(list[2].children[1].filePath));
    list = BackupTree::makeBackupList(*card, trips[0]->firstChapter());
    EXPECT_EQ(list[0].trip, CheckState::On);
    EXPECT_EQ(list[2].children[1].fileSize, 0u);
    EXPECT_EQ(BackupTree::chapterCount(list), 6);

    // Without a playing chapter nothing starts checked.
    list = BackupTree::makeBackupList(*card);
    EXPECT_EQ(BackupTree::checkedCount(list), 0);
    EXPECT_FALSE(BackupTree::allChecked(list));
    EXPECT_TRUE(BackupTree::makeBackupList(*CardData::create()).empty());
}

TEST(BackupTreeModel, CheckBoxesFindTheirRowsByObjectNotByTripIndex)
{
    // The catalogue's second trip had no chapters: rows carry indexes 0 and
    // 2 at positions 0 and 1.
    BackupList list(2);
    list[0].idx = 0;
    list[1].idx = 2;
    for (int c = 0; c < 3; ++c) {
        BackupItem item;
        item.idx[0] = 0;
        item.idx[1] = c;
        item.fileSize = 10;
        item.filePath = QStringLiteral("/a/%1").arg(c);
        list[0].children.push_back(item);
        item.idx[0] = 2;
        item.filePath = QStringLiteral("/b/%1").arg(c);
        list[1].children.push_back(item);
    }
    BackupTreeModel model;
    int changes = 0;
    QObject::connect(&model, &BackupTreeModel::checksChanged, [&] { ++changes; });
    model.setBackups(list);

    const QModelIndex second = model.index(1, BackupTreeModel::TripColumn);
    const QModelIndex chapter = model.index(2, BackupTreeModel::ChapterColumn, second);
    ASSERT_TRUE(model.setData(chapter, Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(BackupTree::checkedFiles(model.backups()), QStringList{QStringLiteral("/b/2")});
    EXPECT_EQ(model.data(second, Qt::CheckStateRole).toInt(), Qt::PartiallyChecked);
    EXPECT_EQ(model.parent(chapter), second);

    // A mixed trip box clicked (the view turns it on) checks every chapter;
    // unchecking one makes it mixed again; the last one off turns it off.
    ASSERT_TRUE(model.setData(second, Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(model.backups()[1].trip, CheckState::On);
    EXPECT_EQ(BackupTree::checkedCount(model.backups()), 3);
    for (int c = 0; c < 3; ++c)
        model.setData(model.index(c, BackupTreeModel::ChapterColumn, second), Qt::Unchecked, Qt::CheckStateRole);
    EXPECT_EQ(model.backups()[1].trip, CheckState::Off);
    EXPECT_EQ(model.backups()[0].trip, CheckState::Off);

    // Only the trip column of trip rows and the chapter column of chapter
    // rows carry boxes.
    EXPECT_FALSE(model.setData(model.index(0, BackupTreeModel::ChapterColumn), Qt::Checked, Qt::CheckStateRole));
    EXPECT_FALSE(model.flags(model.index(0, BackupTreeModel::TripColumn, second)) & Qt::ItemIsUserCheckable);

    model.setAllChecks(CheckState::On);
    EXPECT_TRUE(BackupTree::allChecked(model.backups()));
    EXPECT_EQ(BackupTree::checkedBytes(model.backups()), 60u);
    EXPECT_EQ(changes, 7);
}

TEST(BackupPaths, SizeTextsRoundAsEachDialogDoes)
{
    using namespace BackupPaths;
    EXPECT_EQ(backupSizeText(0), QStringLiteral("0.0 MB"));
    EXPECT_EQ(backupSizeText(1572864), QStringLiteral("1.5 MB"));
    EXPECT_EQ(backupSizeText(5368709120), QStringLiteral("5,120.0 MB"));
    EXPECT_EQ(backupSizeText(104857), QStringLiteral("0.1 MB")); // 0.09999 rounds up
    EXPECT_EQ(backupSizeText(-1), QString());
    EXPECT_EQ(backupSizeText(std::numeric_limits<qint64>::max()), QStringLiteral("8,796,093,022,208.0 MB"));

    EXPECT_EQ(cleanupSizeText(1048576), QStringLiteral("1.0 MB"));
    EXPECT_EQ(cleanupSizeText(157286), QStringLiteral("0.1 MB"));   // cut to 0.14 first
    EXPECT_EQ(cleanupSizeText(1310720), QStringLiteral("1.2 MB"));  // 1.25: half to even
    EXPECT_EQ(cleanupSizeText(1835008), QStringLiteral("1.8 MB"));  // 1.75: half to even
    EXPECT_EQ(cleanupSizeText(2147483648), QStringLiteral("2,048.0 MB"));
    EXPECT_EQ(cleanupSizeText(-1), QString());
}

TEST(BackupPaths, FolderNamesAreCheckedForTheFileSystem)
{
    using BackupPaths::checkFolderName;
    using P = BackupPaths::NameProblem;
    EXPECT_EQ(checkFolderName(QString()), P::Empty);
    EXPECT_EQ(checkFolderName(QStringLiteral("06032021140509")), P::None);
    EXPECT_EQ(checkFolderName(QStringLiteral("trip.1")), P::None);
    EXPECT_EQ(checkFolderName(QStringLiteral(".hidden")), P::InvalidFormat);
    EXPECT_EQ(checkFolderName(QStringLiteral("..")), P::InvalidFormat);
    for (const char16_t c : {u'/', u'\\', u':', u'*', u'?', u'"', u'<', u'>', u'|', u'\t', u'\n', u'\r', u'\0', u'\x1f'})
        EXPECT_EQ(checkFolderName(QStringLiteral("a") + QChar(c) + QStringLiteral("b")), P::InvalidFormat) << int(c);
    EXPECT_EQ(checkFolderName(QStringLiteral("a\x07") + QStringLiteral("b")), P::None);
    EXPECT_EQ(checkFolderName(QString(255, QLatin1Char('x'))), P::None);
    EXPECT_EQ(checkFolderName(QString(256, QLatin1Char('x'))), P::TooLong);
    // 100 characters of three bytes each exceed what a folder name may hold.
    EXPECT_EQ(checkFolderName(QString(100, QChar(0x3042))), P::TooLong);
    EXPECT_FALSE(BackupPaths::nameProblemText(P::TooLong).isEmpty());
}

TEST(BackupPaths, ContainmentResolvesLinksAndIgnoresCaseOnlyWhereAsked)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("Backups/Trip/MOVE001")));
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("card")));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/card"), root + QStringLiteral("/Backups/Trip/into-card")));
    const QString trip = root + QStringLiteral("/Backups/Trip");

    EXPECT_TRUE(BackupPaths::isStrictlyInside(trip + QStringLiteral("/MOVE001/new.MP4"), trip));
    EXPECT_FALSE(BackupPaths::isStrictlyInside(trip, trip));
    EXPECT_FALSE(BackupPaths::isInsideOrSame(trip + QStringLiteral("/../other"), trip));
    // A link inside the backup leads out of it.
    EXPECT_FALSE(BackupPaths::isInsideOrSame(trip + QStringLiteral("/into-card/x.MP4"), trip));
    EXPECT_TRUE(BackupPaths::isInsideOrSame(trip + QStringLiteral("/into-card/x.MP4"), root + QStringLiteral("/card")));
    // The open data in another spelling of the folder still counts.
    EXPECT_TRUE(BackupPaths::overlaps(root + QStringLiteral("/backups/trip/MOVE001/a.MP4"), trip));
    EXPECT_TRUE(BackupPaths::overlaps(root + QStringLiteral("/Backups"), trip));
    EXPECT_FALSE(BackupPaths::overlaps(root + QStringLiteral("/Backups/Tri"), trip));
    EXPECT_FALSE(BackupPaths::isInsideOrSame(root + QStringLiteral("/backups/trip"), trip));

    EXPECT_EQ(BackupPaths::relativeInside(trip, trip + QStringLiteral("/MOVE001/./a.MP4")), QStringLiteral("MOVE001/a.MP4"));
    EXPECT_TRUE(BackupPaths::relativeInside(trip, trip + QStringLiteral("/../Trip2/a.MP4")).isEmpty());
    EXPECT_TRUE(BackupPaths::relativeInside(trip, trip).isEmpty());
}
