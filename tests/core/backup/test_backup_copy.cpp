#include "BackupFixture.h"
#include "../../support/BindMount.h"
#include "core/backup/BackupCopyJob.h"
#include "core/backup/BackupTree.h"
#include "core/backup/FileOps.h"
#include "core/foundation/LinkFreeOpen.h"
#include "core/foundation/FileUtil.h"
#include "core/mainwindow/OpenData.h"

#include <cerrno>
#include <fcntl.h>
#include <future>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace catalogtest;
using namespace backuptest;

namespace {

class BackupCopyTest : public CatalogFixture {
protected:
    void SetUp() override
    {
        CatalogFixture::SetUp();
        written = cardgen::writeCard(dir.filePath(QStringLiteral("card")), threeTripCard());
        card = load(written.moveDir);
        backups = dir.filePath(QStringLiteral("backups"));
        ASSERT_TRUE(QDir().mkpath(backups));
    }

    // The first chapter of trip 0 and the whole of trip 1.
    QStringList someChapters() const
    {
        BackupList list = BackupTree::makeBackupList(*card);
        list[0].setChapter(0, CheckState::On);
        list[1].setAll(CheckState::On);
        return BackupTree::checkedFiles(list);
    }

    BackupCopyJob::Plan plan(const QString& name, const QStringList& files)
    {
        const auto result = BackupCopyJob::makePlan(written.moveDir, backups + QLatin1Char('/') + name, files);
        EXPECT_TRUE(result.plan.has_value()) << result.error.toStdString();
        return result.plan.value_or(BackupCopyJob::Plan{});
    }

    cardgen::WrittenCard written;
    std::shared_ptr<CardData> card;
    QString backups;
    TaskCancelFlag cancel;
};

} // namespace

TEST_F(BackupCopyTest, CopiesExactlyTheCheckedChaptersAndManagementFilesAndTheBackupOpensAgain)
{
    const QStringList files = someChapters();
    ASSERT_EQ(files.size(), 4);
    const auto p = plan(QStringLiteral("B1"), files);
    ASSERT_EQ(p.entries.size(), 7); // four chapters, then the three management files
    EXPECT_TRUE(p.entries.last().source.endsWith(QStringLiteral("ADV_PRCT.DAT")));

    // Onto a stick whose file system refuses any truncate (FAT mounted
    // through FUSE), which a file written whole does not need.
    BackupCopyJob::Options noTruncate;
    noTruncate.truncate = [](int, off_t) {
        errno = EPERM;
        return -1;
    };
    std::vector<int> percents;
    const auto result = BackupCopyJob::run(
        p, cancel, [&](const BackupCopyJob::Progress& pr) { percents.push_back(pr.percent()); }, noTruncate);
    ASSERT_EQ(result.status, BackupCopyJob::Status::Completed) << result.error.toStdString();
    ASSERT_FALSE(percents.empty());
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(percents.back(), 100);

    // Byte-identical, at the same relative paths, and nothing else.
    const auto source = checksums(written.moveDir);
    QMap<QString, QByteArray> expected;
    for (const QString& f : files + QStringList{QStringLiteral("VREC_MOV_MNG.DAT"), QStringLiteral("MOV_PRCT.DAT"),
                                                 QStringLiteral("ADV_PRCT.DAT")}) {
        const QString rel = QDir(written.moveDir).relativeFilePath(QDir(written.moveDir).filePath(f));
        expected.insert(rel, source.value(rel));
    }
    EXPECT_EQ(checksums(backups + QStringLiteral("/B1")), expected);

    const auto reopened = load(backups + QStringLiteral("/B1"));
    const TripList trips = reopened->tripList();
    ASSERT_EQ(trips.size(), 2);
    EXPECT_EQ(trips[0]->chapterCount() + trips[1]->chapterCount(), 4);
    EXPECT_EQ(reopened->moveProtectList().size(), card->moveProtectList().size());
    EXPECT_EQ(OpenData::checkFirstRecording(*reopened), OpenData::FirstRecording::Ok);
}

TEST_F(BackupCopyTest, OverwritingAnExistingBackupReplacesItsFilesWholeAndKeepsTheRest)
{
    const QStringList files = someChapters();
    const QString dest = backups + QStringLiteral("/Again");
    const QString rel = QDir(written.moveDir).relativeFilePath(files[0]);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(dest + QLatin1Char('/') + rel).absolutePath()));
    writeBytes(dest + QLatin1Char('/') + rel, QByteArray("an older copy"));
    writeBytes(dest + QStringLiteral("/notes.txt"), QByteArray("mine"));

    const auto p = plan(QStringLiteral("Again"), files);
    ASSERT_EQ(BackupCopyJob::run(p, cancel).status, BackupCopyJob::Status::Completed);
    const auto after = checksums(dest);
    EXPECT_EQ(after.value(rel), checksums(written.moveDir).value(rel));
    EXPECT_TRUE(after.contains(QStringLiteral("notes.txt")));

    // A cancelled second run into the same folder keeps what was there.
    writeBytes(dest + QLatin1Char('/') + rel, QByteArray("edited"));
    cancel = TaskCancelFlag();
    const auto second = BackupCopyJob::run(p, cancel, [&](const BackupCopyJob::Progress& pr) {
        if (pr.filesDone == 2) cancel.cancel();
    });
    EXPECT_EQ(second.status, BackupCopyJob::Status::Cancelled);
    EXPECT_EQ(checksums(dest), after) << "replaced files keep their complete new copy, others stay";
}

TEST_F(BackupCopyTest, CancelAndWriteFailuresLeaveNoPartialFileAndNothingTheJobMade)
{
    const QStringList files = someChapters();
    const auto p = plan(QStringLiteral("Stopped"), files);
    const QString dest = backups + QStringLiteral("/Stopped");

    // Between files.
    auto result = BackupCopyJob::run(p, cancel, [&](const BackupCopyJob::Progress& pr) {
        if (pr.filesDone == 2) cancel.cancel();
    });
    EXPECT_EQ(result.status, BackupCopyJob::Status::Cancelled);
    EXPECT_FALSE(QFileInfo::exists(dest));
    EXPECT_TRUE(QFileInfo(backups).isDir());

    // Inside a file: small chunks, cancelled after the first one.
    cancel = TaskCancelFlag();
    BackupCopyJob::Options small;
    small.chunkBytes = 4096;
    int chunks = 0;
    result = BackupCopyJob::run(
        p, cancel,
        [&](const BackupCopyJob::Progress& pr) {
            ++chunks;
            if (pr.currentFileBytes > 0) cancel.cancel();
        },
        small);
    EXPECT_EQ(result.status, BackupCopyJob::Status::Cancelled);
    EXPECT_EQ(chunks, 1);
    EXPECT_FALSE(QFileInfo::exists(dest));

    // A write failing in the second file (a full disk), into a folder that
    // already held a file of the user's.
    ASSERT_TRUE(QDir().mkpath(dest));
    writeBytes(dest + QStringLiteral("/keep.txt"), QByteArray("keep"));
    cancel = TaskCancelFlag();
    BackupCopyJob::Options faulty;
    faulty.failAfterBytes = p.entries[0].size + 100;
    result = BackupCopyJob::run(p, cancel, {}, faulty);
    EXPECT_EQ(result.status, BackupCopyJob::Status::Failed);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("Unable to copy the file."))) << result.error.toStdString();
    EXPECT_EQ(entries(dest), QStringList{QStringLiteral("keep.txt")});

    // A cancel once the last file is in is a cancel all the same: the new
    // files go, the user's file and its folder stay.
    cancel = TaskCancelFlag();
    result = BackupCopyJob::run(p, cancel, [&](const BackupCopyJob::Progress& pr) {
        if (pr.filesDone == pr.fileCount) cancel.cancel();
    });
    EXPECT_EQ(result.status, BackupCopyJob::Status::Cancelled);
    EXPECT_EQ(entries(dest), QStringList{QStringLiteral("keep.txt")});

    // And one in the closing pause, into a new folder, which goes with them
    // (a pause that a cancel did not cut short would hold the test a minute).
    const auto late = plan(QStringLiteral("Late"), files);
    cancel = TaskCancelFlag();
    std::promise<bool> ended; // true once every file is in, false when the run ended first
    BackupCopyJob::Options pausing;
    pausing.pauseAtEndMs = 60000;
    auto running = std::async(std::launch::async, [&] {
        bool told = false;
        const auto tell = [&](bool allIn) {
            if (!std::exchange(told, true)) ended.set_value(allIn);
        };
        const auto r = BackupCopyJob::run(
            late, cancel,
            [&](const BackupCopyJob::Progress& pr) {
                if (pr.filesDone == pr.fileCount) tell(true);
            },
            pausing);
        tell(false);
        return r;
    });
    ASSERT_TRUE(ended.get_future().get());
    for (const BackupCopyJob::Entry& e : late.entries) EXPECT_TRUE(QFileInfo::exists(e.destination));
    cancel.cancel();
    EXPECT_EQ(running.get().status, BackupCopyJob::Status::Cancelled);
    EXPECT_FALSE(QFileInfo::exists(late.destFolder));
    EXPECT_EQ(entries(backups), (QStringList{QStringLiteral("Stopped"), QStringLiteral("Stopped/keep.txt")}));
}

TEST_F(BackupCopyTest, AFullDiskFailsTheBackupAndLeavesTheVolumeAsItWas)
{
    const QString small = dir.filePath(QStringLiteral("small"));
    ASSERT_TRUE(QDir().mkpath(small));
    if (::mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=96k") != 0)
        GTEST_SKIP() << "no permission to mount a size-limited folder here";
    const QStringList files = someChapters();
    const auto made = BackupCopyJob::makePlan(written.moveDir, small + QStringLiteral("/Full"), files);
    ASSERT_TRUE(made.plan.has_value());
    ASSERT_GT(made.plan->totalBytes, 96 * 1024);
    const auto result = BackupCopyJob::run(*made.plan, cancel);
    const QStringList left = entries(small);
    ::umount(QFile::encodeName(small).constData());
    EXPECT_EQ(result.status, BackupCopyJob::Status::Failed);
    EXPECT_TRUE(left.isEmpty()) << left.join(QLatin1Char(' ')).toStdString();
}

TEST_F(BackupCopyTest, RefusesDestinationsThatLeaveTheBackupOrReachIntoTheCard)
{
    const QStringList files = someChapters();
    const auto refused = [&](const QString& source, const QString& dest, const QStringList& list) {
        const auto r = BackupCopyJob::makePlan(source, dest, list);
        return !r.plan && !r.error.isEmpty();
    };
    // No source: an error at once, not a job that never ends.
    EXPECT_TRUE(refused(QString(), backups + QStringLiteral("/X"), files));
    EXPECT_TRUE(refused(dir.filePath(QStringLiteral("gone")), backups + QStringLiteral("/X"), files));
    EXPECT_TRUE(refused(written.moveDir, backups + QStringLiteral("/X"), {}));
    EXPECT_EQ(BackupCopyJob::run(BackupCopyJob::Plan{}, cancel).status, BackupCopyJob::Status::Failed);
    // A backup folder in the card, the card folder itself, or one that holds the card.
    EXPECT_TRUE(refused(written.moveDir, written.moveDir + QStringLiteral("/backup"), files));
    EXPECT_TRUE(refused(written.moveDir, written.moveDir, files));
    EXPECT_TRUE(refused(written.moveDir, written.root, files));
    // A chapter outside the card folder.
    const QString stray = dir.filePath(QStringLiteral("stray.MP4"));
    writeBytes(stray, QByteArray("x"));
    EXPECT_TRUE(refused(written.moveDir, backups + QStringLiteral("/X"), QStringList{stray}));
    EXPECT_TRUE(refused(written.moveDir, backups + QStringLiteral("/X"),
                        QStringList{written.moveDir + QStringLiteral("/../stray.MP4")}));

    // A folder of an older backup that is a link into the card: refused when
    // planning, and again when it appears only after planning.
    const auto cardBefore = checksums(written.moveDir);
    const QString linked = backups + QStringLiteral("/Linked");
    ASSERT_TRUE(QDir().mkpath(linked));
    ASSERT_TRUE(QFile::link(written.moveDir + QStringLiteral("/MOVE002"), linked + QStringLiteral("/MOVE002")));
    EXPECT_TRUE(refused(written.moveDir, linked, files));
    ASSERT_TRUE(QFile::remove(linked + QStringLiteral("/MOVE002")));
    const auto p = plan(QStringLiteral("Linked"), files);
    ASSERT_TRUE(QFile::link(written.moveDir + QStringLiteral("/MOVE002"), linked + QStringLiteral("/MOVE002")));
    const auto result = BackupCopyJob::run(p, cancel);
    EXPECT_EQ(result.status, BackupCopyJob::Status::Failed);
    EXPECT_EQ(checksums(written.moveDir), cardBefore);
    EXPECT_EQ(entries(linked), QStringList{QStringLiteral("MOVE002")});

    // Swapped while the job runs: once a file is in, the folder holding it
    // becomes a link to the card's folder of the same name, and the next
    // folder one to the card's too. The run fails, and taking back what it
    // made removes none of the card's files of the same names.
    const QString during = backups + QStringLiteral("/During");
    const auto q = plan(QStringLiteral("During"), files);
    bool swapped = false;
    const auto failed = BackupCopyJob::run(q, cancel, [&](const BackupCopyJob::Progress& pr) {
        if (swapped || pr.filesDone != 1) return;
        swapped = QDir().rename(during + QStringLiteral("/MOVE001"), during + QStringLiteral("/MOVE001.moved")) &&
                  QFile::link(written.moveDir + QStringLiteral("/MOVE001"), during + QStringLiteral("/MOVE001")) &&
                  QFile::link(written.moveDir + QStringLiteral("/MOVE002"), during + QStringLiteral("/MOVE002"));
    });
    ASSERT_TRUE(swapped);
    EXPECT_EQ(failed.status, BackupCopyJob::Status::Failed);
    EXPECT_EQ(checksums(written.moveDir), cardBefore);

    // Swapped while a cancelled job takes back what it made, just before a
    // removal: the backup folder moves away and a link to the card folder,
    // which holds files of the same names, takes its place. The job's own
    // file goes from where its folder went; none of the card's goes.
    const QString undone = backups + QStringLiteral("/Undone");
    const auto u = plan(QStringLiteral("Undone"), files);
    const QString firstTakenBack = QFileInfo(u.entries.last().destination).fileName();
    BackupCopyJob::Options swapping;
    bool swappedAtRemoval = false;
    swapping.beforeRemoval = [&] {
        if (std::exchange(swappedAtRemoval, true)) return;
        ASSERT_TRUE(QDir().rename(undone, undone + QStringLiteral(".moved")));
        ASSERT_TRUE(QFile::link(written.moveDir, undone));
    };
    const auto undoneResult = BackupCopyJob::run(
        u, cancel,
        [&](const BackupCopyJob::Progress& pr) {
            if (pr.filesDone == pr.fileCount) cancel.cancel();
        },
        swapping);
    ASSERT_TRUE(swappedAtRemoval);
    EXPECT_EQ(undoneResult.status, BackupCopyJob::Status::Cancelled);
    EXPECT_EQ(checksums(written.moveDir), cardBefore);
    EXPECT_FALSE(entries(undone + QStringLiteral(".moved")).contains(firstTakenBack));
}

TEST_F(BackupCopyTest, AnInKernelCopyThatStopsEarlyIsFinishedByPlainReads)
{
    QByteArray bytes(3 * 4096 + 123, '\0');
    for (int i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 7 + i / 251);
    const QString source = dir.filePath(QStringLiteral("source.bin"));
    const QString dest = dir.filePath(QStringLiteral("copy.bin"));
    writeBytes(source, bytes);
    FileOps::CopyHooks hooks;
    hooks.kernelCopyEndsAtBytes = 4096;
    bool existed = true;
    QString error;
    ASSERT_EQ(FileOps::copyReplacing(dir.path(), source, dest, 4096, hooks, &existed, &error), FileOps::CopyStatus::Done)
        << error.toStdString();
    QFile copy(dest);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), bytes);
}

TEST_F(BackupCopyTest, NothingIsWrittenOntoTheCardAndASourceThatChangesIsNoCopy)
{
    const QStringList files = someChapters();
    const auto everythingBefore = checksums(dir.path());
    const auto refusedAsOnTheCard = [&](const QString& dest) {
        const auto r = BackupCopyJob::makePlan(written.moveDir, dest, files);
        return !r.plan && r.error.contains(QStringLiteral("memory card"));
    };
    // Beside MOVE, in another folder of the card, through a link to the card.
    EXPECT_TRUE(refusedAsOnTheCard(written.root + QStringLiteral("/Backup")));
    ASSERT_TRUE(QDir().mkpath(written.root + QStringLiteral("/DCIM")));
    EXPECT_TRUE(refusedAsOnTheCard(written.root + QStringLiteral("/DCIM/Backup")));
    ASSERT_TRUE(QFile::link(written.root, backups + QStringLiteral("/card")));
    EXPECT_TRUE(refusedAsOnTheCard(backups + QStringLiteral("/card/Backup")));
    auto after = checksums(dir.path());
    after.remove(QStringLiteral("backups/card"));
    EXPECT_EQ(after, everythingBefore);

    // A movie cut to 1,000 bytes once 256 KiB of it were copied.
    const QString movie = written.moveDir + QStringLiteral("/MOVE001/m2026031508309999.MP4");
    writeBytes(movie, QByteArray(1 << 20, 'm'));
    const auto p = plan(QStringLiteral("Shrunk"), {movie});
    BackupCopyJob::Options small;
    small.chunkBytes = 64 * 1024;
    bool cut = false;
    const auto result = BackupCopyJob::run(
        p, cancel,
        [&](const BackupCopyJob::Progress& pr) {
            if (!cut && pr.filesDone == 0 && pr.currentFileBytes >= 256 * 1024) {
                cut = QFile::resize(movie, 1000);
            }
        },
        small);
    ASSERT_TRUE(cut);
    EXPECT_EQ(result.status, BackupCopyJob::Status::Failed);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("Unable to copy the file."))) << result.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(backups + QStringLiteral("/Shrunk")));

    // Rewritten in place at the same size while it was copied: no copy.
    writeBytes(movie, QByteArray(1 << 20, 'm'));
    const auto same = plan(QStringLiteral("Rewritten"), {movie});
    bool rewritten = false;
    const auto overwrite = BackupCopyJob::run(
        same, cancel,
        [&](const BackupCopyJob::Progress& pr) {
            if (rewritten || pr.currentFileBytes < 256 * 1024) return;
            QFile f(movie);
            rewritten = f.open(QIODevice::ReadWrite) && f.write("rewritten") == 9;
        },
        small);
    ASSERT_TRUE(rewritten);
    EXPECT_EQ(overwrite.status, BackupCopyJob::Status::Failed);
    EXPECT_FALSE(QFileInfo::exists(backups + QStringLiteral("/Rewritten")));

    // Grown since it was planned: no copy either.
    writeBytes(movie, QByteArray(5000, 'm'));
    const auto planned = plan(QStringLiteral("Grown"), {movie});
    writeBytes(movie, QByteArray(6000, 'm'));
    EXPECT_EQ(BackupCopyJob::run(planned, cancel).status, BackupCopyJob::Status::Failed);
    EXPECT_FALSE(QFileInfo::exists(backups + QStringLiteral("/Grown")));
}

TEST_F(BackupCopyTest, ALinkOrAPipeOnTheCardIsNeverReadIntoTheBackup)
{
    // A movie of the card that is a link to a private file of the user's:
    // the catalogue does not list it, and a copy asked for it fails.
    const QString secret = dir.filePath(QStringLiteral("private.txt"));
    writeBytes(secret, QByteArray("the user's own"));
    const QString linked = written.moveDir + QStringLiteral("/MOVE001/m2026031508309998.MP4");
    ASSERT_TRUE(QFile::link(secret, linked));
    EXPECT_FALSE(FileUtil::checkCardFolder(written.moveDir).contains(linked));
    auto result = BackupCopyJob::run(plan(QStringLiteral("Linked"), {linked}), cancel);
    EXPECT_EQ(result.status, BackupCopyJob::Status::Failed);
    EXPECT_TRUE(result.error.contains(linked)) << result.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(backups + QStringLiteral("/Linked")));

    // A chapter folder swapped, once the backup was planned, for a link to a
    // folder of the user's holding files of the same names and sizes: none
    // of them is read, whether the kernel resolves the path or it is walked
    // folder by folder.
    const QStringList files = someChapters();
    const QString chapterFolder = written.moveDir + QStringLiteral("/MOVE002");
    const auto swappedPlan = plan(QStringLiteral("Swapped"), files);
    const QString mine = dir.filePath(QStringLiteral("mine"));
    ASSERT_TRUE(QDir().mkpath(mine));
    for (const QFileInfo& movie : QDir(chapterFolder).entryInfoList(QDir::Files))
        writeBytes(mine + QLatin1Char('/') + movie.fileName(), QByteArray(movie.size(), 'u'));
    ASSERT_TRUE(QDir().rename(chapterFolder, chapterFolder + QStringLiteral(".kept")));
    ASSERT_TRUE(QFile::link(mine, chapterFolder));
    const QString firstThere =
        *std::find_if(files.begin(), files.end(), [&](const QString& f) { return f.startsWith(chapterFolder + '/'); });
    for (const bool walked : {false, true}) {
        LinkFreeOpen::setKernelWalkForTesting(walked);
        result = BackupCopyJob::run(swappedPlan, cancel);
        LinkFreeOpen::setKernelWalkForTesting(false);
        EXPECT_EQ(result.status, BackupCopyJob::Status::Failed) << walked;
        EXPECT_TRUE(result.error.contains(firstThere)) << result.error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(backups + QStringLiteral("/Swapped")));
    }
    ASSERT_TRUE(QFile::remove(chapterFolder));
    ASSERT_TRUE(QDir().rename(chapterFolder + QStringLiteral(".kept"), chapterFolder));

    // A movie swapped for a pipe once the backup was planned: the job ends
    // at once with that file's reason, not waiting for a writer.
    const auto piped = plan(QStringLiteral("Piped"), files);
    const QByteArray pipe = QFile::encodeName(files.constFirst());
    ASSERT_TRUE(QFile::remove(files.constFirst()));
    ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
    auto job = std::async(std::launch::async, [&] { return BackupCopyJob::run(piped, cancel); });
    if (job.wait_for(std::chrono::minutes(2)) != std::future_status::ready) {
        // Stuck opening the pipe: let it through so that the test ends.
        ::close(::open(pipe.constData(), O_WRONLY | O_NONBLOCK));
        ADD_FAILURE() << "the backup waits on a pipe";
    }
    result = job.get();
    EXPECT_EQ(result.status, BackupCopyJob::Status::Failed);
    EXPECT_TRUE(result.error.contains(files.constFirst())) << result.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(backups + QStringLiteral("/Piped")));
}

TEST_F(BackupCopyTest, ASecondPathToTheCardIsTheCardWhenPlannedAndWhenCopied)
{
    // The card's folders shown inside the backup path by bind mounts: no
    // link joins the two paths, only what the folders are.
    using testfiles::BindMount;
    const QStringList files = someChapters();
    const auto cardBefore = checksums(written.root);
    const QStringList cardEntries = entries(written.root);
    const auto unchanged = [&] {
        return checksums(written.root) == cardBefore && entries(written.root) == cardEntries;
    };
    const auto refusal = [&](const QString& dest) {
        const auto r = BackupCopyJob::makePlan(written.moveDir, dest, files);
        return r.plan ? QString() : r.error;
    };
    {
        const BindMount cardView(written.root, backups + QStringLiteral("/cardview"));
        if (!cardView.made) GTEST_SKIP() << "no permission to mount here";
        EXPECT_TRUE(refusal(backups + QStringLiteral("/cardview/Backup")).contains(QStringLiteral("memory card")));
        const BindMount moveView(written.moveDir, backups + QStringLiteral("/Mounted"));
        EXPECT_TRUE(refusal(backups + QStringLiteral("/Mounted")).contains(QStringLiteral("memory card")));
        // A folder of an older backup that is the card's chapter folder.
        const BindMount chapterFolder(written.moveDir + QStringLiteral("/MOVE002"),
                                      backups + QStringLiteral("/Older/MOVE002"));
        EXPECT_TRUE(refusal(backups + QStringLiteral("/Older")).contains(QStringLiteral("cannot be copied")));
        // A backup folder that holds the card.
        const BindMount whole(dir.path(), backups + QStringLiteral("/whole"));
        EXPECT_TRUE(refusal(backups + QStringLiteral("/whole")).contains(QStringLiteral("nor hold it")));
    }
    EXPECT_TRUE(unchanged());

    // Planned, then a folder of the backup becomes the card's chapter
    // folder or a folder of the user's elsewhere, or the backup folder
    // becomes the card's chapter folder: the run fails at the first folder
    // that leads there, writes nothing there and takes back what it made.
    const QString dest = backups + QStringLiteral("/Later");
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    struct Swap {
        QString shown;
        QString at; // below the backup folder
        QString firstRefused;
    };
    const QString chapterFolder = written.moveDir + QStringLiteral("/MOVE001");
    for (const Swap& swap : {Swap{chapterFolder, QStringLiteral("MOVE002"), QStringLiteral("/MOVE002/")},
                             Swap{elsewhere, QStringLiteral("MOVE002"), QStringLiteral("/MOVE002/")},
                             Swap{chapterFolder, QString(), QStringLiteral("/MOVE001/")}}) {
        const auto p = plan(QStringLiteral("Later"), files);
        const auto there = std::find_if(p.entries.begin(), p.entries.end(), [&](const BackupCopyJob::Entry& e) {
            return e.destination.contains(swap.firstRefused);
        });
        ASSERT_NE(there, p.entries.end());
        BackupCopyJob::Result result;
        {
            const BindMount mounted(swap.shown, swap.at.isEmpty() ? dest : dest + QLatin1Char('/') + swap.at);
            ASSERT_TRUE(mounted.made);
            result = BackupCopyJob::run(p, cancel);
        }
        EXPECT_EQ(result.status, BackupCopyJob::Status::Failed) << swap.shown.toStdString();
        EXPECT_TRUE(result.error.contains(there->destination)) << result.error.toStdString();
        EXPECT_TRUE(result.error.contains(QStringLiteral("outside the backup folder"))) << result.error.toStdString();
        EXPECT_TRUE(unchanged());
        EXPECT_TRUE(entries(elsewhere).isEmpty());
        EXPECT_EQ(entries(dest), swap.at.isEmpty() ? QStringList() : QStringList{swap.at});
        ASSERT_TRUE(QDir(dest).removeRecursively());
    }
}
