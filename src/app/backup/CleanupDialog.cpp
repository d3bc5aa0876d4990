#include "app/backup/CleanupDialog.h"

#include "app/backup/BackgroundJob.h"
#include "app/backup/BackupTreeView.h"
#include "app/backup/CleanupDelegate.h"
#include "app/shell/Alerts.h"
#include "app/shell/ModalWindow.h"
#include "core/backup/BackupPaths.h"
#include "core/backup/BackupTreeModel.h"
#include "core/catalog/CardData.h"
#include "core/foundation/CommonConst.h"
#include "core/foundation/IniFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <condition_variable>
#include <mutex>

namespace {

constexpr int MAX_LISTED = 10;

// A few paths, one a line, and how many more there are.
QString listOf(const QStringList& paths)
{
    QStringList lines = paths.mid(0, MAX_LISTED);
    if (paths.size() > MAX_LISTED)
        lines.append(QCoreApplication::translate("CleanupDialog", "and %n more", nullptr, int(paths.size() - MAX_LISTED)));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

// The worker's question about a failed removal, answered on the GUI thread.
// The worker waits for the answer, or until the dialog goes.
struct CleanupDialog::Question {
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<CleanupJob::Decision> answer;
    bool abandoned = false;

    void answerWith(CleanupJob::Decision d)
    {
        std::lock_guard lock(mutex);
        answer = d;
        changed.notify_all();
    }
    void abandon()
    {
        std::lock_guard lock(mutex);
        abandoned = true;
        changed.notify_all();
    }
};

CleanupDialog::CleanupDialog(QWidget* parent) : QWidget(parent)
{
    m_model = new BackupTreeModel(this);
    m_outLineView = new BackupTreeView(m_model, this);
    m_txtFolderName = new QLabel(this);
    m_txtFolderName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_txtCleanupSize = new QLabel(this);
    m_txtCleanupSize->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_txtCleanupSize->setMinimumWidth(140);
    m_txtBusy = new QLabel(tr("Waiting for the open data to close..."), this);
    m_txtBusy->setObjectName(QStringLiteral("txtBusy"));
    m_txtBusy->hide();
    m_btnCheckOn = new QPushButton(tr("Select All"), this);
    m_btnCheckOff = new QPushButton(tr("Clear All"), this);
    m_btnCancel = new QPushButton(tr("Cancel"), this);
    m_btnCancel->setObjectName(ModalWindow::CANCEL_BUTTON_NAME);
    m_btnOk = new QPushButton(tr("Delete"), this);

    auto* folder = new QHBoxLayout;
    folder->addWidget(new QLabel(tr("Folder:"), this));
    folder->addWidget(m_txtFolderName, 1);
    auto* checks = new QHBoxLayout;
    checks->addWidget(m_btnCheckOn);
    checks->addWidget(m_btnCheckOff);
    checks->addStretch(1);
    checks->addWidget(new QLabel(tr("Free space after deletion:"), this));
    checks->addWidget(m_txtCleanupSize);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_txtBusy);
    buttons->addStretch(1);
    buttons->addWidget(m_btnCancel);
    buttons->addWidget(m_btnOk);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->addLayout(folder);
    layout->addWidget(m_outLineView, 1);
    layout->addLayout(checks);
    layout->addLayout(buttons);
    resize(CONTENT_SIZE);

    connect(m_btnCheckOn, &QPushButton::clicked, this, &CleanupDialog::btnCheckOn_Click);
    connect(m_btnCheckOff, &QPushButton::clicked, this, &CleanupDialog::btnCheckOff_Click);
    connect(m_btnCancel, &QPushButton::clicked, this, &CleanupDialog::btnCancel_Click);
    connect(m_btnOk, &QPushButton::clicked, this, &CleanupDialog::btnOk_Click);
    connect(m_model, &BackupTreeModel::checksChanged, this, &CleanupDialog::updateSizeDisplay);
}

CleanupDialog::~CleanupDialog()
{
    if (m_question) m_question->abandon();
    if (m_job.isRunning()) {
        if (m_progress) m_progress->setCancelled();
        m_job.waitForFinished();
    }
}

QString CleanupDialog::windowTitleText()
{
    return tr("Select delete data");
}

namespace {

// What the tree and the figures show of a backup folder, read off the GUI
// thread (the folder may be on a slow disk).
BackupTree::Listing readListing(const QString& folder)
{
    // A folder that a cancelled delete removed whole shows nothing, and no
    // free space (read as a source, a missing path is taken for a movie).
    if (!QFileInfo(folder).isDir()) return {};
    const auto card = CardData::create();
    card->readCardData(folder);
    BackupTree::Listing out = BackupTree::makeListing(*card, folder);
    card->dispose();
    return out;
}

} // namespace

void CleanupDialog::showCleanup()
{
    if (cleanupDirPath.isEmpty()) return;
    m_txtFolderName->setText(cleanupDirPath);
    // The tree is empty and the controls wait until the folder has been
    // read; a newer reading replaces one still under way. A dialog that goes
    // meanwhile does not wait for it: the job needs nothing of the dialog,
    // and its result goes with the watcher.
    m_model->setBackups({});
    const quint64 reading = ++m_readings;
    setReading(true);
    const QString folder = cleanupDirPath;
    runInBackground<BackupTree::Listing>(
        this, [folder] { return readListing(folder); },
        [this, reading](const BackupTree::Listing& listing) {
            if (reading != m_readings) return;
            freeDriveSpace = listing.freeSpace;
            vrecFileSize = listing.vrecSize;
            prctFileSize = listing.prctSize;
            advPrctFileSize = listing.advPrctSize;
            m_model->setBackups(listing.rows);
            setReading(false);
            updateSizeDisplay();
        });
}

void CleanupDialog::setReading(bool reading)
{
    m_isReading = reading;
    holdControls();
}

void CleanupDialog::updateSizeDisplay()
{
    const BackupList& rows = m_model->backups();
    qint64 total = qint64(BackupTree::checkedBytes(rows)) + freeDriveSpace;
    if (BackupTree::allChecked(rows)) total += vrecFileSize + prctFileSize + advPrctFileSize;
    m_txtCleanupSize->setText(BackupPaths::cleanupSizeText(total));
}

void CleanupDialog::btnCheckOn_Click()
{
    m_model->setAllChecks(CheckState::On);
}

void CleanupDialog::btnCheckOff_Click()
{
    m_model->setAllChecks(CheckState::Off);
}

void CleanupDialog::btnCancel_Click()
{
    endOwnRun();
}

void CleanupDialog::endOwnRun()
{
    if (ModalWindow* w = ModalWindow::current(); w && w->content() == this) w->endModalRun();
}

void CleanupDialog::btnOk_Click()
{
    if (isBusy() || isReading()) return;
    isReload = false;
    const BackupList& rows = m_model->backups();
    if (BackupTree::checkedCount(rows) == 0) {
        Alerts::warning(this, tr("Chapter was not selected."));
        return;
    }
    const bool whole = BackupTree::allChecked(rows);
    const auto ask = [this](const QString& message) {
        return Alerts::show(this, {Alerts::titleConfirmation(), message, Alerts::Style::Critical,
                                   {Alerts::buttonCancel(), Alerts::buttonOk()}}) == Alerts::FIRST_BUTTON + 1;
    };
    if (!ask(whole ? tr("This will delete the backup folder and all its contents. Are you sure?")
                   : tr("The selected chapter(s) will be deleted. Are you sure?")))
        return;
    IsFolderDelete = whole;
    filePathList = BackupTree::checkedFiles(rows);
    const auto planned = CleanupJob::makePlan(backupRootPath, cleanupDirPath, filePathList, IsFolderDelete);
    if (!planned.plan) {
        Alerts::warning(this, planned.error);
        return;
    }

    // Data the main window reads from this folder (or from a folder that
    // holds it), also data it is still loading, is closed first.
    if (viewControllerDelegate != nullptr)
        if (const QString now = viewControllerDelegate->openDataPath(); !now.isEmpty()) openSourcePath = now;
    if (!openSourcePath.isEmpty() && BackupPaths::overlaps(openSourcePath, cleanupDirPath)) {
        if (!ask(tr("A file in the backup folder is currently in use. Proceed with delete?"))) return;
        if (delegate != nullptr && !delegate->canCloseOpenData()) return;
        isReload = true;
        if (viewControllerDelegate != nullptr) {
            // The workers may be stuck on a slow card: the window stays
            // alive meanwhile, and the delete goes on once they have ended.
            m_pendingPlan = *planned.plan;
            m_hostAtDelete = qobject_cast<ModalWindow*>(window());
            m_hostedAtDelete = !m_hostAtDelete.isNull();
            holdControls();
            const QPointer<CleanupDialog> self(this);
            viewControllerDelegate->closeOpenData([self] {
                if (self) self->openDataDidClose();
            });
            return;
        }
    }
    deleteAndRefresh(*planned.plan);
}

void CleanupDialog::holdControls()
{
    // Reading the folder, or waiting for the open data to close (which the
    // busy text tells). No busy cursor: the animated one of the cursor
    // theme is loaded and sent to the display server on the GUI thread the
    // first time it shows, which held the dialog for tens of milliseconds.
    m_txtBusy->setVisible(isBusy());
    holdWhileBusy({m_btnOk, m_btnCheckOn, m_btnCheckOff, m_outLineView}, m_isReading || isBusy());
}

void CleanupDialog::openDataDidClose()
{
    if (!m_pendingPlan) return;
    const CleanupJob::Plan plan = *std::exchange(m_pendingPlan, std::nullopt);
    holdControls();
    // Closed or cancelled while waiting: nothing is deleted, and the data
    // that was closed for it comes back.
    const auto* host = qobject_cast<const ModalWindow*>(m_hostAtDelete.data());
    if (m_hostedAtDelete && (host == nullptr || !host->isVisible() || host->content() != this)) {
        if (isReload && viewControllerDelegate != nullptr && QFileInfo::exists(openSourcePath))
            viewControllerDelegate->reopenData(openSourcePath);
        isReload = false;
        return;
    }
    deleteAndRefresh(plan);
}

void CleanupDialog::deleteAndRefresh(const CleanupJob::Plan& plan)
{
    runDelete(plan);

    if (delegate != nullptr) delegate->cleanupDidUpdateFolders();
    if (isReload && viewControllerDelegate != nullptr && QFileInfo::exists(openSourcePath))
        viewControllerDelegate->reopenData(openSourcePath);
    if (m_lastResult && m_lastResult->status == CleanupJob::Status::Completed && m_lastResult->folderRemoved) {
        // Back to the chooser, whose list no longer has this folder; a
        // cancelled delete stays, its tree read again.
        endOwnRun();
        return;
    }
    showCleanup();
}

void CleanupDialog::runDelete(const CleanupJob::Plan& plan)
{
    m_progress = std::make_unique<TaskProgressDialog>();
    TaskProgressDialog* progress = m_progress.get();
    progress->setDelegate(this);
    progress->setTaskMode(TaskMode::Cleanup);
    progress->start();
    m_question = std::make_shared<Question>();

    // The worker removes the files; it reaches the dialog only through the
    // progress dialog's thread-safe entry and the posted questions.
    const TaskCancelFlag cancel = progress->cancelFlag();
    const std::shared_ptr<Question> question = m_question;
    m_job = runInBackground<CleanupJob::Result>(
        this,
        [this, plan, cancel, progress, question] {
            const auto onProgress = [progress](int done, int total) {
                const double percent = total > 0 ? done * 100.0 / total : 100.0;
                progress->setProgress(percent, TaskProgress::percentText(TaskMode::Cleanup, percent));
            };
            const auto onFailure = [this, question](const QString& path, const QString& reason) {
                {
                    std::lock_guard lock(question->mutex);
                    question->answer.reset();
                }
                postToOwner(this, [this, question, path, reason] {
                    question->answerWith(askAboutFailure(path, reason));
                });
                std::unique_lock lock(question->mutex);
                question->changed.wait(lock, [&] { return question->answer.has_value() || question->abandoned; });
                return question->abandoned ? CleanupJob::Decision::Cancel : *question->answer;
            };
            const CleanupJob::Result result = CleanupJob::run(plan, cancel, onProgress, onFailure);
            // The last figure stays a moment before the result is told; a
            // Cancel meanwhile (or a quit) cuts the pause short.
            cancel.sleepUnlessCancelled(400);
            return result;
        },
        [this](const CleanupJob::Result& result) { deleteDidFinish(result); });

    ModalWindow::runDialog(window(), progress, ModalWindow::Type::TaskProgress,
                           TaskProgressDialog::windowTitle(TaskMode::Cleanup), TaskProgressDialog::CONTENT_SIZE,
                           progress);
    // The run ends after the result alert, once the worker has finished;
    // ended any other way, the job is stopped rather than waited out.
    if (m_job.isRunning()) {
        progress->setCancelled();
        question->abandon(); // a question posted now would never be answered
    }
    m_job.waitForFinished();
}

CleanupJob::Decision CleanupDialog::askAboutFailure(const QString& path, const QString& reason)
{
    m_progress->stopTimer();
    const QString message =
        tr("The action can't be completed because the folder or a file in it is open in another program. "
           "Please try again after closing the other application.") +
        QStringLiteral("\n\n") + path + QStringLiteral(": ") + reason;
    const int answer = Alerts::show(m_progress.get(), {Alerts::titleWarning(), message, Alerts::Style::Critical,
                                                       {Alerts::buttonCancel(), tr("Retry"), tr("ignore")}});
    if (answer == Alerts::FIRST_BUTTON + 1) return CleanupJob::Decision::Retry;
    if (answer == Alerts::FIRST_BUTTON + 2) return CleanupJob::Decision::Ignore;
    m_progress->setCancelled();
    return CleanupJob::Decision::Cancel;
}

void CleanupDialog::deleteDidFinish(const CleanupJob::Result& result)
{
    TaskProgressDialog* progress = m_progress.get();
    progress->stopTimer();
    m_lastResult = result;
    // A Cancel after the last removal, until the result is told, ends the
    // delete as cancelled too; what was removed stays removed.
    if (progress->isCancelled()) m_lastResult->status = CleanupJob::Status::Cancelled;
    if (m_lastResult->status == CleanupJob::Status::Cancelled) {
        progress->showDeleteCancelled();
        return;
    }
    progress->setProgress(100, IsFolderDelete ? QStringLiteral("100%")
                                              : TaskProgress::percentText(TaskMode::Cleanup, 100));
    // Never "Delete completed." while something the user chose is still there.
    if (!result.notDeleted.isEmpty())
        progress->showResult(tr("These files were not deleted:") + QLatin1Char('\n') + listOf(result.notDeleted));
    else if (IsFolderDelete && !result.folderRemoved)
        progress->showResult(tr("The chapters were deleted. The backup folder was kept because it still holds "
                                "other files:") +
                             QLatin1Char('\n') + listOf(result.keptEntries));
    else
        progress->showDeleteCompleted();
}

void CleanupDialog::taskProgressDialogOnClose()
{
    if (ModalWindow* w = ModalWindow::current(); w && w->content() == m_progress.get()) w->endModalRun();
}
