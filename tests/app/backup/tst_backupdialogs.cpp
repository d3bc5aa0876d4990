// The dialogs that write or delete the user's files, over generated cards,
// reached the way a user reaches them: the player's save button, the Delete
// command and its folder chooser, the Google Earth save panel; alerts are
// answered here.

#include "AppTestSupport.h"
#include "FakeMediaPlayer.h"
#include "TestMain.h"
#include "app/backup/BackUpFolderSelectDialog.h"
#include "app/backup/BackupSettingDialog.h"
#include "app/backup/CleanupDelegate.h"
#include "app/backup/CleanupDialog.h"
#include "app/mainwindow/MainWindow.h"
#include "app/mainwindow/PlayController.h"
#include "app/player/MoviePlayerView.h"
#include "app/shell/CardDriveSelectDialog.h"
#include "app/shell/OperationGuard.h"
#include "core/backup/BackupFolderList.h"
#include "core/backup/BackupPaths.h"
#include "core/backup/BackupTreeModel.h"
#include "core/foundation/IniFile.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTreeView>
#include <QTemporaryDir>
#include <QtTest>

#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace apptest;

namespace {

// Answers questions with their second button ("OK" after "Cancel") unless
// told otherwise; notices and warnings with their only one.
struct Answers {
    QList<Alerts::Alert> seen;
    std::function<int(const Alerts::Alert&)> rule;
    Answers()
    {
        Alerts::setInterceptor([this](const Alerts::Alert& a) {
            seen.append(a);
            if (rule) return rule(a);
            return a.buttons.size() >= 2 ? Alerts::FIRST_BUTTON + 1 : Alerts::FIRST_BUTTON;
        });
    }
    ~Answers() { Alerts::setInterceptor({}); }
    QString last() const { return seen.isEmpty() ? QString() : seen.last().message; }
    QStringList messages() const
    {
        QStringList out;
        for (const auto& a : seen) out.append(a.message);
        return out;
    }
};

// The main window's side of a clean-up, as the dialog sees it.
struct MainWindowSide : CleanupDelegate {
    QString watched; // a file whose presence at closeOpenData is noted
    QStringList calls;
    void cleanupDidUpdateFolders() override { calls << QStringLiteral("update"); }
    void reopenData(const QString& path) override { calls << QStringLiteral("reopen ") + path; }
    bool canCloseOpenData() override { return true; }
    QString openDataPath() override { return {}; }
    void closeOpenData(std::function<void()> whenClosed) override
    {
        calls << (QFileInfo::exists(watched) ? QStringLiteral("close before delete") : QStringLiteral("close late"));
        whenClosed();
    }
};

// A movie replaced by a named pipe: whoever opens it waits in the kernel
// until the test lets it in. Should the test never get there (a window that
// waits for the reader itself), the pipe lets everyone in after a while, so
// that the test fails instead of hanging.
class Pipe {
public:
    explicit Pipe(const QString& path) : m_path(QFile::encodeName(path))
    {
        QFile::remove(path);
        m_made = ::mkfifo(m_path.constData(), 0600) == 0;
        m_guard = std::thread([this] {
            std::unique_lock lock(m_mutex);
            m_changed.wait_for(lock, std::chrono::seconds(15), [this] { return m_done; });
            while (!m_done) {
                lock.unlock();
                letIn();
                lock.lock();
                m_changed.wait_for(lock, std::chrono::milliseconds(10), [this] { return m_done; });
            }
        });
    }
    ~Pipe()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
        m_guard.join();
    }
    bool made() const { return m_made; }
    // Puts a plain file in the pipe's place, the pipe kept under a second
    // name (on the same volume): who waits in it still waits, who lists the
    // folder sees a file.
    bool hideBehindAFile(const QByteArray& bytes, const QString& asidePath)
    {
        const QByteArray aside = QFile::encodeName(asidePath);
        const QByteArray temp = m_path + ".new";
        if (::link(m_path.constData(), aside.constData()) != 0) return false;
        QFile f(QFile::decodeName(temp));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return false;
        f.close();
        if (::rename(temp.constData(), m_path.constData()) != 0) return false;
        std::lock_guard lock(m_mutex);
        m_path = aside;
        return true;
    }
    // Lets a waiting reader in (it reads an empty movie); false when none waits.
    bool letIn()
    {
        QByteArray path;
        {
            std::lock_guard lock(m_mutex);
            path = m_path;
        }
        const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) ::close(fd);
        return fd >= 0;
    }
    // A thread of this process waits to open a pipe (asked of /proc, as
    // opening the other end would let it go).
    static bool someoneWaits()
    {
        const QDir tasks(QStringLiteral("/proc/self/task"));
        for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile wchan(tasks.filePath(tid + QStringLiteral("/wchan")));
            if (wchan.open(QIODevice::ReadOnly) && wchan.readAll().trimmed() == "wait_for_partner") return true;
        }
        return false;
    }

private:
    QByteArray m_path;
    bool m_made = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    std::thread m_guard;
};

// Counts the GUI thread's turns while it waits for something else.
struct Ticks {
    QTimer timer;
    int count = 0;
    Ticks()
    {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] { ++count; });
        timer.start();
    }
};

} // namespace

class TestBackupDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        useTemporaryStore(m_dir.path());
        m_card = cardgen::writeCard(m_dir.filePath(QStringLiteral("card")), mixedCard());
        m_root = m_dir.filePath(QStringLiteral("backups"));
        QVERIFY(QDir().mkpath(m_root + QStringLiteral("/Photos")));
        auto s = SettingsStore::open();
        s->setValue(UserDefaultUtil::KEY_FIRST_LAUNCH, true);
        s->setValue(UserDefaultUtil::KEY_PATH_BACKUP, m_root);
    }
    void cleanup() { InstanceGuard::releaseAll(); }

    void saveButtonBacksUpThePlayingChapterAndTheBackupPlaysAgain()
    {
        QPointer<FakeMediaPlayer> media;
        ViewController::Options o;
        o.probeNetwork = o.checkForUpdates = false;
        o.loadDelayMs = 0;
        o.playerFactory = [&media](MoviePlayerView& view) -> MediaPlayer* { return media = new FakeMediaPlayer(&view); };
        MainWindow window(nullptr, o);
        QSignalSpy loaded(window.controller(), &ViewController::loadFinished);
        window.controller()->loadData(m_card.moveDir, false, MovieType::Card);
        QVERIFY(loaded.wait(20000));
        const auto playing = window.moviePlayerView()->currentChapterData();
        QVERIFY(playing);

        Answers answers;
        bool ran = false;
        constexpr qint64 imagined = qint64(1) << 50;
        qint64 freeAfter = imagined;
        QString freeShown;
        whenModalHosts<BackupSettingDialog>([&](BackupSettingDialog* d, ModalWindow*) {
            ran = true;
            QVERIFY(InstanceGuard::isHeldHere(InstanceGuard::BACKUP_SETTING));
            QTRY_VERIFY(!d->isReading());
            QCOMPARE(BackupTree::checkedFiles(d->model()->backups()), QStringList{playing->_pathMove.toLocalFile()});
            QCOMPARE(d->txtFolderName()->text().size(), 14);
            d->txtFolderName()->setText(QStringLiteral(".hidden"));
            d->btnOk()->click();
            QCOMPARE(answers.last(), QStringLiteral("The folder name format is not valid."));
            // The free space shown is read again after the copy.
            d->freeDriveSize = imagined;
            d->txtFreeDriveSize()->setText(BackupPaths::backupSizeText(imagined));
            d->txtFolderName()->setText(QStringLiteral("First"));
            d->btnOk()->click();
            QCOMPARE(d->lastStatus(), std::optional(BackupCopyJob::Status::Completed));
            QCOMPARE(answers.last(), QStringLiteral("Save completed."));
            freeAfter = d->freeDriveSize;
            freeShown = d->txtFreeDriveSize()->text();
            d->btnCancel()->click();
        });
        window.playController()->showBackupDialog();
        QVERIFY(ran);
        QVERIFY(freeAfter != imagined);
        QVERIFY(qAbs(freeAfter - IOUtil::freeDiskSpace(m_root)) < (qint64(256) << 20));
        QCOMPARE(freeShown, BackupPaths::backupSizeText(freeAfter));
        QVERIFY(!InstanceGuard::isHeldHere(InstanceGuard::BACKUP_SETTING));

        const QString copy = m_root + QStringLiteral("/First/") + QDir(m_card.moveDir).relativeFilePath(playing->_pathMove.toLocalFile());
        QFile a(copy), b(playing->_pathMove.toLocalFile());
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), b.readAll());
        window.controller()->loadData(m_root + QStringLiteral("/First"), true, MovieType::Backup);
        QVERIFY(loaded.wait(20000));
        QCOMPARE(media->currentPath(), copy);
        QVERIFY(!window.controller()->backupFlg());
    }

    void aBackupThatCannotBeWrittenIsNeverReportedAsSaved()
    {
        Answers answers;
        const auto card = CardData::create();
        card->readCardData(m_card.moveDir);
        BackupSettingDialog d;
        d.cardData = card;
        d.pathBackup = m_root;
        d.prepare();
        // The chapters are sized in the background: the controls wait for it.
        QVERIFY(d.isReading());
        QVERIFY(!d.btnOk()->isEnabled() && !d.btnCheckOn()->isEnabled() && !d.outLineView()->isEnabled());
        QTRY_VERIFY(!d.isReading());
        QVERIFY(d.btnOk()->isEnabled() && d.outLineView()->isEnabled());
        QCOMPARE(BackupTree::chapterCount(d.model()->backups()), 10);
        d.btnOk()->click();
        QCOMPARE(answers.last(), QStringLiteral("Chapter was not selected."));
        d.btnCheckOn()->click();
        QFile taken(m_root + QStringLiteral("/Taken"));
        QVERIFY(taken.open(QIODevice::WriteOnly) && taken.write("mine") == 4);
        taken.close();
        d.txtFolderName()->setText(QStringLiteral("Taken"));
        d.btnOk()->click();
        QCOMPARE(d.lastStatus(), std::optional(BackupCopyJob::Status::Failed));
        QCOMPARE(answers.last(), QStringLiteral("Backup cancelled."));
        QCOMPARE(QFileInfo(taken.fileName()).size(), 4);

        // A backup folder on the card is found by the plan on the worker: the
        // progress window shows with nothing said yet, then goes, and the
        // plan's reason is told alone; no backup ran, so none was cancelled.
        d.pathBackup = m_card.root;
        d.txtFolderName()->setText(QStringLiteral("OnTheCard"));
        const QString onTheCard = m_card.root + QStringLiteral("/OnTheCard");
        const QString refusal = BackupCopyJob::makePlan(m_card.moveDir, onTheCard, d.filePathList).error;
        QVERIFY(!refusal.isEmpty());
        answers.seen.clear();
        // Shared, as a window that never shows leaves its watch behind.
        const auto told = std::make_shared<int>(0);
        const auto quietWhilePlanned = std::make_shared<bool>(false);
        whenShown<TaskProgressDialog>(
            [told, quietWhilePlanned](TaskProgressDialog*) { *quietWhilePlanned = *told == 0; });
        answers.rule = [told](const Alerts::Alert&) {
            ++*told;
            return Alerts::FIRST_BUTTON;
        };
        d.btnOk()->click();
        answers.rule = {};
        QVERIFY(*quietWhilePlanned);
        QCOMPARE(answers.messages(), QStringList{refusal});
        QVERIFY(!d.taskProgressDialog()->isVisible());
        QCOMPARE(d.lastStatus(), std::optional(BackupCopyJob::Status::Failed));
        QVERIFY(!QFileInfo::exists(onTheCard));
        d.pathBackup = m_root;

        d.freeDriveSize = d.backupFileSize;
        d.updateSizeDisplay();
        QCOMPARE(d.txtFileSize()->palette().color(QPalette::Window), QColor(Qt::red));
        d.btnOk()->click();
        QCOMPARE(answers.last(), QStringLiteral("There is not enough disk space or memory available."));
    }

    void cleanupDeletesCheckedChaptersClosingTheOpenDataFirstAndSaysWhatStayed()
    {
        const QString backup = makeBackup(QStringLiteral("Old"));
        const QString stray = backup + QStringLiteral("/MOVE001/notes.txt");
        QFile(stray).open(QIODevice::WriteOnly);
        MainWindowSide side;
        CleanupDialog d;
        d.backupRootPath = m_root;
        d.cleanupDirPath = backup;
        d.viewControllerDelegate = &side;
        d.openSourcePath = backup.toUpper() + QStringLiteral("/VREC_MOV_MNG.DAT"); // another spelling
        d.showCleanup();
        // The folder is read in the background: the controls wait for it.
        QVERIFY(d.isReading());
        QVERIFY(!d.btnOk()->isEnabled() && !d.btnCheckOn()->isEnabled());
        QTRY_VERIFY(!d.isReading());
        QVERIFY(d.btnOk()->isEnabled());
        BackupTreeModel* m = d.model();
        QCOMPARE(m->rowCount(), 4);
        const QString first = m->backups()[0].children[0].filePath;
        side.watched = first;
        m->setData(m->index(0, BackupTreeModel::ChapterColumn, m->index(0, 0)), Qt::Checked, Qt::CheckStateRole);

        Answers answers;
        answers.rule = [](const Alerts::Alert& a) {
            return a.message.startsWith(QStringLiteral("A file in the backup folder")) ? Alerts::FIRST_BUTTON
                                                                                       : Alerts::FIRST_BUTTON + 1;
        };
        d.btnOk()->click();
        QVERIFY(QFileInfo::exists(first));
        QVERIFY(side.calls.isEmpty());

        answers.rule = {};
        d.btnOk()->click();
        QVERIFY(!QFileInfo::exists(first));
        QCOMPARE(side.calls, QStringList{QStringLiteral("close before delete")});
        QCOMPARE(answers.last(), QStringLiteral("Delete completed."));
        QTRY_VERIFY(!d.isReading());
        QCOMPARE(BackupTree::chapterCount(m->backups()), 9);
        QCOMPARE(BackupTree::checkedCount(m->backups()), 0);

        // A chapter that will not go is reported, whatever was skipped.
        const QString blocked = m->backups()[1].children[0].filePath;
        QVERIFY(QFile::remove(blocked) && QDir().mkpath(blocked + QStringLiteral("/x")));
        d.openSourcePath.clear();
        answers.rule = [](const Alerts::Alert& a) { return Alerts::FIRST_BUTTON + int(a.buttons.size()) - 1; };
        m->setData(m->index(0, BackupTreeModel::ChapterColumn, m->index(1, 0)), Qt::Checked, Qt::CheckStateRole);
        d.btnOk()->click();
        QVERIFY(answers.last().startsWith(QStringLiteral("These files were not deleted:\n") + blocked));
        QVERIFY(QDir(blocked).removeRecursively());
        QTRY_VERIFY(!d.isReading());
        d.showCleanup();
        QTRY_VERIFY(!d.isReading());
        // The open data's management file goes with the rest: it is not opened again.
        d.openSourcePath = backup + QStringLiteral("/VREC_MOV_MNG.DAT");
        QVERIFY(QFileInfo::exists(d.openSourcePath));
        side.watched = d.openSourcePath;
        side.calls.clear();
        d.btnCheckOn()->click();
        d.btnOk()->click();
        QVERIFY2(answers.last().contains(QStringLiteral("MOVE001/notes.txt")), qPrintable(answers.last()));
        QCOMPARE(BackupFolderList::subfolderNames(backup), QStringList{QStringLiteral("MOVE001")});
        QCOMPARE(side.calls, QStringList{QStringLiteral("close before delete")});

        // Cancel pressed once the last file of a whole backup has gone, before
        // the result: the delete is cancelled, nothing comes back, and the
        // window stays with the tree read again instead of going back to the
        // chooser.
        const QString late = makeBackup(QStringLiteral("Late"));
        CleanupDialog e;
        e.backupRootPath = m_root;
        e.cleanupDirPath = late;
        e.showCleanup();
        QTRY_VERIFY(!e.isReading());
        ModalWindow w;
        w.setContent(&e, CleanupDialog::windowTitleText(), CleanupDialog::CONTENT_SIZE);
        bool pressed = false;
        const bool ended = runEndsAfter(w, [&] {
            whenShown<TaskProgressDialog>([&](TaskProgressDialog* job) {
                connect(job->progressBar(), &QProgressBar::valueChanged, job, [job, &pressed] {
                    if (pressed || job->progressValue() < 100) return;
                    pressed = true;
                    job->btnCancel()->click();
                });
            });
            e.btnCheckOn()->click();
            e.btnOk()->click();
        });
        w.setContent(nullptr, QString());
        QVERIFY(pressed);
        QCOMPARE(answers.last(), QStringLiteral("Delete cancelled."));
        QCOMPARE(e.lastResult()->status, CleanupJob::Status::Cancelled);
        QVERIFY(!QFileInfo::exists(late));
        QVERIFY(!ended);
        QTRY_VERIFY(!e.isReading());
        QCOMPARE(e.model()->rowCount(), 0);
    }

    void deleteCommandOffersBackupsOnlyAndHoldsItsLockWhileItRuns()
    {
        ViewController::Options o;
        o.probeNetwork = o.checkForUpdates = o.withPlayer = false;
        MainWindow window(nullptr, o);
        ViewController* c = window.controller();
        m_root = m_dir.filePath(QStringLiteral("other-backups"));
        QVERIFY(QDir().mkpath(m_root + QStringLiteral("/Photos")));
        SettingsStore::open()->setValue(UserDefaultUtil::KEY_PATH_BACKUP, m_root);
        Answers answers;
        c->showDeleteBackupDialog();
        QCOMPARE(answers.last(), QStringLiteral("Unable to locate the file."));
        QVERIFY(!InstanceGuard::isHeldHere(InstanceGuard::BACKUP_DELETE));

        makeBackup(QStringLiteral("Kept"));
        // Never offered: a link to a backup kept elsewhere, and a card's
        // folder (here the backup folder is a drive the card picker lists).
        const QString elsewhere = m_dir.filePath(QStringLiteral("elsewhere"));
        QVERIFY(QDir().mkpath(elsewhere));
        QVERIFY(QFile::link(makeBackup(QStringLiteral("Elsewhere"), elsewhere), m_root + QStringLiteral("/Linked")));
        cardgen::CardOptions bare = mixedCard();
        bare.settingsFile = bare.versionFile = false;
        const auto card = cardgen::writeCard(m_root, bare);
        CardDriveSelectDialog::setDefaultSource(std::make_shared<FixedCardDriveSource>(QStringList{m_root}));
        QStringList offered;
        QString title;
        whenModalHosts<BackUpFolderSelectDialog>([&](BackUpFolderSelectDialog* chooser, ModalWindow*) {
            offered = chooser->backupFolders;
            whenModalHosts<CleanupDialog>([&](CleanupDialog* d, ModalWindow* w) {
                title = w->windowTitle() + QStringLiteral(" %1x%2").arg(d->width()).arg(d->height());
                d->btnCancel()->click();
                QTimer::singleShot(0, chooser, [chooser] { chooser->btnCancel()->click(); });
            });
            chooser->btnOk()->click();
        });
        c->showDeleteBackupDialog();
        QCOMPARE(offered, QStringList{QStringLiteral("Kept")}); // not Photos
        QCOMPARE(title, QStringLiteral("Select delete data 763x436"));
        QVERIFY(!InstanceGuard::isHeldHere(InstanceGuard::BACKUP_DELETE));

        // Nor the card on show, drive or not.
        CardDriveSelectDialog::setDefaultSource(std::make_shared<FixedCardDriveSource>(QStringList{}));
        QSignalSpy loaded(c, &ViewController::loadFinished);
        c->loadData(card.moveDir, false, MovieType::Card);
        QVERIFY(loaded.wait(20000));
        offered.clear();
        whenModalHosts<BackUpFolderSelectDialog>([&](BackUpFolderSelectDialog* chooser, ModalWindow*) {
            offered = chooser->backupFolders;
            chooser->btnCancel()->click();
        });
        c->showDeleteBackupDialog();
        QCOMPARE(offered, QStringList{QStringLiteral("Kept")});
        CardDriveSelectDialog::setDefaultSource(nullptr);

        // Held by another copy: refused, and the lock stays with its owner.
        QVERIFY(InstanceGuard::tryAcquire(InstanceGuard::BACKUP_DELETE));
        c->showDeleteBackupDialog();
        QCOMPARE(answers.last(), OperationGuard::refusalText());
        QVERIFY(InstanceGuard::isHeldHere(InstanceGuard::BACKUP_DELETE));
    }

    void deleteUnderDataBeingLoadedOrReadWaitsForItWithoutBlockingTheWindow()
    {
        const QString root = m_dir.filePath(QStringLiteral("busy-backups"));
        QVERIFY(QDir().mkpath(root));
        SettingsStore::open()->setValue(UserDefaultUtil::KEY_PATH_BACKUP, root);

        // Delete pressed while the backup is still being loaded: its path
        // counts as open data, which is closed before anything goes.
        const QString loading = makeBackup(QStringLiteral("Loading"), root);
        {
            ViewController::Options o = offlineOptions(false);
            o.loadDelayMs = 1500;
            MainWindow window(nullptr, o);
            ViewController* c = window.controller();
            Answers answers;
            c->loadData(loading, false, MovieType::Backup);
            deleteThroughTheCommand(c, QStringLiteral("Loading"), [](CleanupDialog* d) {
                QTRY_VERIFY_WITH_TIMEOUT(!d->isBusy(), 10000);
            });
            QVERIFY(answers.messages().contains(
                QStringLiteral("A file in the backup folder is currently in use. Proceed with delete?")));
            QCOMPARE(answers.last(), QStringLiteral("Delete completed."));
            QVERIFY(!QFileInfo::exists(loading));
        }

        // A worker of the open data stuck in a movie (a slow card): the
        // delete waits for it, the window goes on, and the delete proceeds
        // once the worker is let go.
        // The last chapter the workers come to cannot be read while loading,
        // so that they try it again a little later, when it is a pipe.
        cardgen::CardOptions one;
        one.trips = {tripOf(3, 0)};
        const QString reading = makeBackup(QStringLiteral("Reading"), root, one);
        const auto probe = CardData::create();
        probe->readCardData(reading);
        const QString stuck = probe->tripList().at(0)->chapterDataList().at(2)->_pathMove.toLocalFile();
        probe->dispose();
        {
            QFile f(stuck);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write("not a movie") > 0);
        }
        ViewController::Options o = offlineOptions(false);
        o.loadDelayMs = 0;
        MainWindow window(nullptr, o);
        ViewController* c = window.controller();
        QSignalSpy loaded(c, &ViewController::loadFinished);
        c->loadData(reading, false, MovieType::Backup);
        QVERIFY(loaded.wait(20000));
        Pipe pipe(stuck);
        QVERIFY(pipe.made());
        if (!QTest::qWaitFor([] { return Pipe::someoneWaits(); }, 5000))
            QSKIP("this kernel does not say where a thread waits");
        QVERIFY(pipe.hideBehindAFile("not a movie either", m_dir.filePath(QStringLiteral("pipe"))));
        Answers answers;
        deleteThroughTheCommand(c, QStringLiteral("Reading"), [&](CleanupDialog* d) {
            QVERIFY(d->isBusy());
            QVERIFY(d->txtBusy()->isVisible());
            QVERIFY(!d->btnOk()->isEnabled());
            Ticks ticks;
            QTRY_VERIFY(ticks.count >= 20);
            QVERIFY(d->isBusy());
            QVERIFY(QFileInfo::exists(reading + QStringLiteral("/VREC_MOV_MNG.DAT")));
            QVERIFY(QTest::qWaitFor([&] {
                pipe.letIn();
                return !d->isBusy();
            }, 10000));
        });
        QCOMPARE(answers.last(), QStringLiteral("Delete completed."));
        QVERIFY(!QFileInfo::exists(reading));
    }

private:
    // Delete on the named backup through the command and its chooser, every
    // box checked and every question answered as the test's Answers do;
    // during() runs right after Delete was pressed, in the clean-up window.
    void deleteThroughTheCommand(ViewController* c, const QString& name, const std::function<void(CleanupDialog*)>& during)
    {
        bool ran = false;
        whenModalHosts<BackUpFolderSelectDialog>([&](BackUpFolderSelectDialog* chooser, ModalWindow*) {
            chooser->cmbBackupFolder()->setCurrentIndex(int(chooser->backupFolders.indexOf(name)));
            whenModalHosts<CleanupDialog>([&](CleanupDialog* d, ModalWindow*) {
                ran = true;
                QTRY_VERIFY(!d->isReading());
                d->btnCheckOn()->click();
                d->btnOk()->click();
                during(d);
                if (d->isVisible()) d->btnCancel()->click();
                QTimer::singleShot(0, chooser, [chooser] { chooser->btnCancel()->click(); });
            });
            chooser->btnOk()->click();
        });
        c->showDeleteBackupDialog();
        QVERIFY(ran);
    }

    // A backup folder under the root, as a backup makes it.
    QString makeBackup(const QString& name, QString root = QString(), const cardgen::CardOptions& card = mixedCard())
    {
        return makeBackupFolder(m_dir, root.isEmpty() ? m_root : root, name, card);
    }

    QTemporaryDir m_dir;
    cardgen::WrittenCard m_card;
    QString m_root;
};

KR_TEST_MAIN(TestBackupDialogs)
#include "tst_backupdialogs.moc"
