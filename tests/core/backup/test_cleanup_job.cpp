#include "BackupFixture.h"
#include "core/backup/BackupFolderList.h"
#include "core/backup/BackupTree.h"
#include "core/backup/CleanupJob.h"
#include "../../support/BindMount.h"

using namespace catalogtest;
using namespace backuptest;
using testfiles::BindMount;

namespace {

// A backup folder (the generated card's movie folder, without the card's
// own files) in the backup root, beside a folder of the user's that links
// inside the backup point to.
class CleanupJobTest : public CatalogFixture {
protected:
    void SetUp() override
    {
        CatalogFixture::SetUp();
        root = dir.filePath(QStringLiteral("backup"));
        writeBackup();
        folder = written.moveDir;
        outside = dir.filePath(QStringLiteral("outside"));
        ASSERT_TRUE(QDir().mkpath(outside + QStringLiteral("/sub")));
        writeBytes(outside + QStringLiteral("/target.MP4"), QByteArray("not in the backup"));
        writeBytes(outside + QStringLiteral("/sub/inner.MP4"), QByteArray("nor this"));
        outsideBefore = checksums(outside);
        list = BackupTree::makeBackupList(*load(folder));
        ASSERT_EQ(BackupTree::chapterCount(list), 6);
    }

    void writeBackup()
    {
        written = cardgen::writeCard(root, threeTripCard());
        QFile::remove(written.root + QStringLiteral("/SETINF.DAT")); // a backup holds no settings file
    }

    void addStrays()
    {
        writeBytes(folder + QStringLiteral("/MOVE001/notes.txt"), QByteArray("stray"));
        ASSERT_TRUE(QFile::link(outside + QStringLiteral("/target.MP4"), folder + QStringLiteral("/MOVE001/link.MP4")));
        ASSERT_TRUE(QFile::link(outside + QStringLiteral("/sub"), folder + QStringLiteral("/MOVE002/linkdir")));
    }

    CleanupJob::Result run(bool whole, const CleanupJob::AskFn& ask = {})
    {
        const auto plan = CleanupJob::makePlan(root, folder, BackupTree::checkedFiles(list), whole);
        EXPECT_TRUE(plan.plan.has_value()) << plan.error.toStdString();
        if (!plan.plan) return {};
        return CleanupJob::run(*plan.plan, cancel, [&](int done, int total) { progress.append({done, total}); }, ask);
    }

    cardgen::WrittenCard written;
    QString root;
    QString folder;
    QString outside;
    QMap<QString, QByteArray> outsideBefore;
    BackupList list;
    TaskCancelFlag cancel;
    QList<QPair<int, int>> progress;
};

} // namespace

TEST_F(CleanupJobTest, ChosenChaptersGoAndNothingElse)
{
    addStrays();
    list[1].setChapter(1, CheckState::On);
    list[2].setAll(CheckState::On);
    const QStringList chosen = BackupTree::checkedFiles(list);
    auto expected = checksums(folder);
    for (const QString& f : chosen) expected.remove(QDir(folder).relativeFilePath(f));

    const auto result = run(false);
    EXPECT_EQ(result.status, CleanupJob::Status::Completed);
    EXPECT_TRUE(result.notDeleted.isEmpty());
    EXPECT_FALSE(result.folderRemoved);
    EXPECT_EQ(checksums(folder), expected); // management files, strays and links stay
    EXPECT_EQ(checksums(outside), outsideBefore);
    EXPECT_EQ(progress, (QList<QPair<int, int>>{{1, 2}, {2, 2}}));
}

TEST_F(CleanupJobTest, TheWholeBackupGoesFileByFileAndItsFolderOnlyWhenNothingElseIsInIt)
{
    BackupTree::setAll(list, CheckState::On);
    auto result = run(true);
    EXPECT_EQ(result.status, CleanupJob::Status::Completed);
    EXPECT_TRUE(result.folderRemoved);
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(progress.size(), 9); // six chapters and three management files

    // Again with a stray file and links: the listed files go, the folder and
    // what it still holds stay, and no link is followed.
    writeBackup();
    list = BackupTree::makeBackupList(*load(folder));
    addStrays();
    BackupTree::setAll(list, CheckState::On);
    result = run(true);
    EXPECT_EQ(result.status, CleanupJob::Status::Completed);
    EXPECT_FALSE(result.folderRemoved);
    EXPECT_EQ(entries(folder), (QStringList{QStringLiteral("MOVE001"), QStringLiteral("MOVE001/link.MP4"),
                                            QStringLiteral("MOVE001/notes.txt"), QStringLiteral("MOVE002"),
                                            QStringLiteral("MOVE002/linkdir")}));
    QStringList kept = result.keptEntries;
    kept.sort();
    EXPECT_EQ(kept, (QStringList{QStringLiteral("MOVE001/link.MP4"), QStringLiteral("MOVE001/notes.txt"),
                                 QStringLiteral("MOVE002/linkdir")}));
    EXPECT_EQ(checksums(outside), outsideBefore);
}

TEST_F(CleanupJobTest, AFileThatWillNotGoIsAskedAboutABoundedNumberOfTimesAndReported)
{
    // A folder where a chapter file should be cannot be removed as a file.
    const QString blocked = list[0].children[1].filePath;
    ASSERT_TRUE(QFile::remove(blocked));
    ASSERT_TRUE(QDir().mkpath(blocked + QStringLiteral("/inside")));
    BackupTree::setAll(list, CheckState::On);

    int asked = 0;
    auto result = run(true, [&](const QString& path, const QString& reason) {
        EXPECT_EQ(path, blocked);
        EXPECT_FALSE(reason.isEmpty());
        ++asked;
        return CleanupJob::Decision::Retry;
    });
    EXPECT_EQ(asked, CleanupJob::MAX_ATTEMPTS - 1);
    EXPECT_EQ(result.status, CleanupJob::Status::Completed);
    EXPECT_EQ(result.notDeleted, QStringList{blocked});
    EXPECT_FALSE(result.folderRemoved);
    EXPECT_TRUE(QFileInfo(blocked + QStringLiteral("/inside")).isDir());
    EXPECT_FALSE(QFileInfo::exists(list[0].children[0].filePath)); // ignored or not, the others went

    // Cancel at the failure: what was not reached is reported as not deleted.
    ASSERT_TRUE(QDir(blocked).removeRecursively());
    writeBackup();
    list = BackupTree::makeBackupList(*load(folder));
    const QString firstOfSecondTrip = list[1].children[0].filePath;
    ASSERT_TRUE(QFile::remove(blocked));
    ASSERT_TRUE(QDir().mkpath(blocked + QStringLiteral("/inside")));
    BackupTree::setAll(list, CheckState::On);
    result = run(false, [](const QString&, const QString&) { return CleanupJob::Decision::Cancel; });
    EXPECT_EQ(result.status, CleanupJob::Status::Cancelled);
    EXPECT_TRUE(result.notDeleted.contains(blocked));
    EXPECT_TRUE(result.notDeleted.contains(firstOfSecondTrip));
    EXPECT_TRUE(QFileInfo::exists(firstOfSecondTrip));
}

TEST_F(CleanupJobTest, FilesOutsideTheBackupAreNeverPlannedAndOnlyBackupsAreOffered)
{
    const auto refused = [&](const QStringList& files) {
        const auto r = CleanupJob::makePlan(root, folder, files, false);
        return !r.plan && !r.error.isEmpty();
    };
    EXPECT_TRUE(refused({}));
    EXPECT_TRUE(refused({outside + QStringLiteral("/target.MP4")}));
    EXPECT_TRUE(refused({folder + QStringLiteral("/../../outside/target.MP4")}));
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/sub"), folder + QStringLiteral("/MOVE009")));
    EXPECT_TRUE(refused({folder + QStringLiteral("/MOVE009/inner.MP4")}));
    EXPECT_FALSE(CleanupJob::makePlan(root, dir.filePath(QStringLiteral("nowhere")), {folder}, false).plan);

    // The backup root may be the Documents folder: only folders a backup
    // made are offered for deletion.
    EXPECT_TRUE(BackupFolderList::looksLikeBackup(folder));
    EXPECT_FALSE(BackupFolderList::looksLikeBackup(outside));
    const QString moviesOnly = dir.filePath(QStringLiteral("movies"));
    ASSERT_TRUE(QDir().mkpath(moviesOnly + QStringLiteral("/move003")));
    EXPECT_TRUE(BackupFolderList::looksLikeBackup(moviesOnly));
    EXPECT_FALSE(BackupFolderList::looksLikeBackup(outside + QStringLiteral("/target.MP4")));
}

TEST_F(CleanupJobTest, NothingIsReachedThroughALinkAndNoCardIsTakenForABackup)
{
    // A card (its root holds the settings file), a backup kept elsewhere,
    // and links to both in the backup root.
    const auto card = cardgen::writeCard(dir.filePath(QStringLiteral("card")), threeTripCard());
    cardgen::CardOptions bare = threeTripCard();
    bare.settingsFile = false;
    const auto elsewhere = cardgen::writeCard(dir.filePath(QStringLiteral("elsewhere")), bare);
    const QString toCard = root + QStringLiteral("/ToCard");
    const QString toElsewhere = root + QStringLiteral("/ToElsewhere");
    ASSERT_TRUE(QFile::link(card.moveDir, toCard));
    ASSERT_TRUE(QFile::link(elsewhere.moveDir, toElsewhere));
    const QString own = QDir(dir.path()).relativeFilePath(folder) + QLatin1Char('/');
    const auto outsideTheJob = [&] {
        auto all = checksums(dir.path());
        all.removeIf([&](const auto& e) { return e.key().startsWith(own); });
        return all;
    };
    const auto before = outsideTheJob();
    const auto everything = [&](const QString& path) {
        BackupList l = BackupTree::makeBackupList(*load(path));
        BackupTree::setAll(l, CheckState::On);
        return BackupTree::checkedFiles(l);
    };

    // Offered: the real backup only.
    EXPECT_EQ(BackupFolderList::cleanupCandidates(root, {}), QStringList{QStringLiteral("MOVE")});
    // Planned directly all the same: refused, through the link or below it.
    for (const QString& link : {toCard, toElsewhere}) {
        const QStringList files = everything(link);
        ASSERT_FALSE(files.isEmpty());
        const auto r = CleanupJob::makePlan(root, link, files, true);
        EXPECT_FALSE(r.plan.has_value()) << link.toStdString();
        EXPECT_FALSE(r.error.isEmpty());
    }
    EXPECT_FALSE(CleanupJob::makePlan(root, folder, {toCard + QStringLiteral("/VREC_MOV_MNG.DAT")}, false).plan);

    // The backup folder swapped for a link to the card after planning:
    // nothing is reached through it.
    BackupTree::setAll(list, CheckState::On);
    const auto plan = CleanupJob::makePlan(root, folder, BackupTree::checkedFiles(list), true);
    ASSERT_TRUE(plan.plan.has_value()) << plan.error.toStdString();
    ASSERT_TRUE(QDir().rename(folder, folder + QStringLiteral("-aside")));
    ASSERT_TRUE(QFile::link(card.moveDir, folder));
    auto result = CleanupJob::run(*plan.plan, cancel, {}, {});
    EXPECT_FALSE(result.folderRemoved);
    EXPECT_EQ(result.notDeleted.size(), 6);
    ASSERT_TRUE(QFile::remove(folder));
    ASSERT_TRUE(QDir().rename(folder + QStringLiteral("-aside"), folder));
    EXPECT_EQ(outsideTheJob(), before);
    EXPECT_EQ(BackupTree::chapterCount(BackupTree::makeBackupList(*load(folder))), 6);

    // A movie folder of the backup swapped for a link to the card's: its
    // chapters stay where they are, the rest goes, and the backup is kept.
    const QString second = folder + QStringLiteral("/MOVE002");
    ASSERT_TRUE(QDir(second).removeRecursively());
    ASSERT_TRUE(QFile::link(card.moveDir + QStringLiteral("/MOVE002"), second));
    result = CleanupJob::run(*plan.plan, cancel, {}, {});
    EXPECT_EQ(result.notDeleted.size(), 3);
    EXPECT_TRUE(result.managementFilesKept);
    EXPECT_FALSE(result.folderRemoved);
    EXPECT_TRUE(QFileInfo(second).isSymLink());
    EXPECT_EQ(outsideTheJob(), before);

    // A card's own folder is no backup: the backup root set to the card's
    // root offers nothing, nor does a card folder the caller names.
    EXPECT_TRUE(BackupFolderList::cleanupCandidates(card.root, {}).isEmpty());
    EXPECT_FALSE(CleanupJob::makePlan(card.root, card.moveDir, everything(card.moveDir), true).plan);
    EXPECT_EQ(BackupFolderList::cleanupCandidates(elsewhere.root, {}), QStringList{QStringLiteral("MOVE")});
    EXPECT_TRUE(BackupFolderList::cleanupCandidates(elsewhere.root, {elsewhere.moveDir + QLatin1Char('/')}).isEmpty());
    EXPECT_EQ(outsideTheJob(), before);
}

TEST_F(CleanupJobTest, ManagementFilesStayWhileARecordingTheTreeDidNotListRemains)
{
    const QString unlisted = folder + QStringLiteral("/MOVE001/m2026031508300099.MP4");
    ASSERT_TRUE(QFile::copy(list[0].children[0].filePath, unlisted));
    const QStringList management = CleanupJob::managementFiles(folder);
    ASSERT_EQ(management.size(), 3);
    BackupTree::setAll(list, CheckState::On);
    const auto result = run(true);
    EXPECT_EQ(result.status, CleanupJob::Status::Completed);
    EXPECT_TRUE(result.notDeleted.isEmpty());
    EXPECT_TRUE(result.managementFilesKept);
    EXPECT_FALSE(result.folderRemoved);
    EXPECT_TRUE(result.keptEntries.contains(QStringLiteral("MOVE001/m2026031508300099.MP4")));
    for (const QString& f : management) EXPECT_TRUE(QFileInfo::exists(f)) << f.toStdString();
    for (const auto& trip : list)
        for (const auto& chapter : trip.children) EXPECT_FALSE(QFileInfo::exists(chapter.filePath));
    EXPECT_EQ(progress.size(), 9);
    EXPECT_EQ(checksums(outside), outsideBefore);
}

TEST_F(CleanupJobTest, AHandCopyOfACardsMoveFolderIsABackupAndGoesWhole)
{
    // A card's MOVE folder holds the recorder's ver.txt; copied by hand under
    // another name it is a backup like any other. The card's own stays out.
    cardgen::CardOptions withVersion = threeTripCard();
    withVersion.versionFile = true;
    const auto card = cardgen::writeCard(dir.filePath(QStringLiteral("card")), withVersion);
    const QString copy = root + QStringLiteral("/Copy of MOVE");
    ASSERT_TRUE(QDir().rename(card.moveDir, copy));
    ASSERT_TRUE(QFileInfo::exists(copy + QStringLiteral("/ver.txt")));
    writeBytes(folder + QStringLiteral("/ver.txt"), QByteArray("a card's MOVE folder"));
    EXPECT_EQ(BackupFolderList::cleanupCandidates(root, {}), QStringList{QStringLiteral("Copy of MOVE")});

    const QString own = QStringLiteral("backup/Copy of MOVE/");
    auto before = checksums(dir.path());
    before.removeIf([&](const auto& e) { return e.key().startsWith(own); });
    BackupList copied = BackupTree::makeBackupList(*load(copy));
    BackupTree::setAll(copied, CheckState::On);
    const auto plan = CleanupJob::makePlan(root, copy, BackupTree::checkedFiles(copied), true);
    ASSERT_TRUE(plan.plan.has_value()) << plan.error.toStdString();
    const auto result = CleanupJob::run(*plan.plan, cancel, {}, {});
    EXPECT_TRUE(result.notDeleted.isEmpty());
    EXPECT_TRUE(result.folderRemoved);
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_TRUE(checksums(dir.path()) == before);
}

TEST_F(CleanupJobTest, NothingOnAnotherMountIsRemovedEnteredOrOffered)
{
    // A disk's empty folders mounted inside the backup stay as they are.
    const QString disk = dir.filePath(QStringLiteral("disk"));
    ASSERT_TRUE(QDir().mkpath(disk + QStringLiteral("/empty/deeper")));
    const QStringList diskEntries = entries(disk);
    {
        const BindMount inBackup(disk, folder + QStringLiteral("/MOVE001/extra"));
        if (!inBackup.made) GTEST_SKIP() << "no permission to mount here";
        BackupTree::setAll(list, CheckState::On);
        const auto result = run(true);
        EXPECT_TRUE(result.notDeleted.isEmpty());
        EXPECT_FALSE(result.folderRemoved);
        EXPECT_EQ(entries(disk), diskEntries);
    }

    // Chapters the tree lists that lie on another mount are not reached.
    const auto elsewhere = cardgen::writeCard(dir.filePath(QStringLiteral("elsewhere")), threeTripCard());
    auto elsewhereBefore = checksums(elsewhere.root);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    writeBackup();
    list = BackupTree::makeBackupList(*load(folder));
    {
        const BindMount movies(elsewhere.moveDir + QStringLiteral("/MOVE002"), folder + QStringLiteral("/MOVE002"));
        ASSERT_TRUE(movies.made);
        BackupTree::setAll(list, CheckState::On);
        const auto result = run(true);
        EXPECT_EQ(result.notDeleted.size(), 3);
        EXPECT_TRUE(result.managementFilesKept);
        EXPECT_TRUE(checksums(elsewhere.root) == elsewhereBefore);
    }

    // A folder mounted in the backup root is no backup to clean up, even
    // when it looks like one.
    const BindMount mounted(elsewhere.moveDir, root + QStringLiteral("/Mounted"));
    ASSERT_TRUE(mounted.made);
    QFile::remove(elsewhere.root + QStringLiteral("/SETINF.DAT"));
    ASSERT_TRUE(BackupFolderList::looksLikeBackup(elsewhere.moveDir));
    EXPECT_FALSE(BackupFolderList::cleanupCandidates(root, {}).contains(QStringLiteral("Mounted")));
    BackupList mountedList = BackupTree::makeBackupList(*load(root + QStringLiteral("/Mounted")));
    BackupTree::setAll(mountedList, CheckState::On);
    EXPECT_FALSE(CleanupJob::makePlan(root, root + QStringLiteral("/Mounted"), BackupTree::checkedFiles(mountedList), true)
                     .plan.has_value());
    auto elsewhereAfter = checksums(elsewhere.root);
    elsewhereBefore.remove(QStringLiteral("SETINF.DAT"));
    EXPECT_TRUE(elsewhereAfter == elsewhereBefore);
    EXPECT_EQ(checksums(outside), outsideBefore);
}

TEST_F(CleanupJobTest, FilesAnotherCopyHasJustDeletedCountAsDeleted)
{
    BackupTree::setAll(list, CheckState::On);
    const auto whole = CleanupJob::makePlan(root, folder, BackupTree::checkedFiles(list), true);
    ASSERT_TRUE(whole.plan.has_value());

    // Another copy deleted the chapters: the management files then go as usual.
    const auto chapters = CleanupJob::makePlan(root, folder, BackupTree::checkedFiles(list), false);
    ASSERT_TRUE(chapters.plan.has_value());
    ASSERT_TRUE(CleanupJob::run(*chapters.plan, cancel, {}, {}).notDeleted.isEmpty());
    auto result = CleanupJob::run(*whole.plan, cancel, {}, {});
    EXPECT_TRUE(result.notDeleted.isEmpty());
    EXPECT_FALSE(result.managementFilesKept);
    EXPECT_TRUE(result.folderRemoved);

    // Another copy deleted the whole backup.
    writeBackup();
    ASSERT_TRUE(CleanupJob::run(*whole.plan, cancel, {}, {}).folderRemoved);
    result = CleanupJob::run(*whole.plan, cancel, {}, {});
    EXPECT_EQ(result.status, CleanupJob::Status::Completed);
    EXPECT_TRUE(result.notDeleted.isEmpty());
    EXPECT_FALSE(result.managementFilesKept);
    EXPECT_TRUE(result.folderRemoved);
    EXPECT_EQ(checksums(outside), outsideBefore);
}
