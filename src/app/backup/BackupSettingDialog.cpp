#include "app/backup/BackupSettingDialog.h"

#include "app/backup/BackgroundJob.h"
#include "app/backup/BackupTreeView.h"
#include "app/shell/Alerts.h"
#include "app/shell/ModalWindow.h"
#include "core/backup/BackupPaths.h"
#include "core/backup/BackupTreeModel.h"
#include "core/catalog/CardData.h"
#include "core/foundation/DateFormat.h"
#include "core/foundation/FileUtil.h"
#include "core/foundation/IniFile.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <atomic>

BackupSettingDialog::BackupSettingDialog(QWidget* parent) : QWidget(parent)
{
    m_model = new BackupTreeModel(this);
    m_outLineView = new BackupTreeView(m_model, this);
    m_btnCheckOn = new QPushButton(tr("Select All"), this);
    m_btnCheckOff = new QPushButton(tr("Clear All"), this);
    m_txtFreeDriveSize = new QLabel(this);
    m_txtFileSizeTitle = new QLabel(tr("Backup size:"), this);
    m_txtFileSize = new QLabel(this);
    m_txtFileSize->setMinimumWidth(140);
    m_txtFileSize->setAutoFillBackground(true);
    m_txtFreeDriveSize->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_txtFileSize->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_txtFolderName = new QLineEdit(this);
    m_btnCancel = new QPushButton(tr("Cancel"), this);
    m_btnCancel->setObjectName(ModalWindow::CANCEL_BUTTON_NAME);
    m_btnOk = new QPushButton(tr("OK"), this);
    m_btnOk->setDefault(true);

    auto* checks = new QHBoxLayout;
    checks->addWidget(m_btnCheckOn);
    checks->addWidget(m_btnCheckOff);
    checks->addStretch(1);
    auto* form = new QGridLayout;
    form->addWidget(new QLabel(tr("Free space:"), this), 0, 0);
    form->addWidget(m_txtFreeDriveSize, 0, 1);
    form->addWidget(m_txtFileSizeTitle, 1, 0);
    form->addWidget(m_txtFileSize, 1, 1);
    form->addWidget(new QLabel(tr("Folder name:"), this), 2, 0);
    form->addWidget(m_txtFolderName, 2, 1, 1, 2);
    form->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnCancel);
    buttons->addWidget(m_btnOk);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 14);
    layout->addWidget(m_outLineView, 1);
    layout->addLayout(checks);
    layout->addLayout(form);
    layout->addLayout(buttons);
    resize(CONTENT_SIZE);

    connect(m_btnCheckOn, &QPushButton::clicked, this, &BackupSettingDialog::btnCheckOn_Click);
    connect(m_btnCheckOff, &QPushButton::clicked, this, &BackupSettingDialog::btnCheckOff_Click);
    connect(m_btnOk, &QPushButton::clicked, this, &BackupSettingDialog::btnOk_Click);
    connect(m_btnCancel, &QPushButton::clicked, this, &BackupSettingDialog::btnCancel_Click);
    connect(m_model, &BackupTreeModel::checksChanged, this, &BackupSettingDialog::updateSizeDisplay);
}

BackupSettingDialog::~BackupSettingDialog()
{
    if (m_job.isRunning()) {
        if (m_taskProgressDialog) m_taskProgressDialog->setCancelled();
        m_job.waitForFinished();
    }
}

QString BackupSettingDialog::windowTitleText()
{
    return tr("Select backup folder");
}

void BackupSettingDialog::prepare()
{
    m_txtFolderName->setText(
        Date::toSystemZoneString(QDateTime::currentDateTime(), DateFormatTables::compactFormats().current()));
    if (!cardData) cardData = CardData::create();
    // A card's thousands of chapters are sized on a worker: the catalogue
    // is read-only after its load, and the job holds nothing of the dialog
    // (a dialog that goes meanwhile does not wait for it).
    m_model->setBackups({});
    const quint64 reading = ++m_readings;
    setReading(true);
    const std::shared_ptr<CardData> card = cardData;
    const std::shared_ptr<ChapterData> chapter = playChapter;
    const QString backups = pathBackup;
    runInBackground<BackupTree::Listing>(
        this,
        [card, chapter, backups] {
            // A chapter without an index record is read for its start;
            // a closed catalogue's reads stop at once.
            const CardReads::StopScope stopReads = card->stopReadsOnDispose();
            return BackupTree::makeListing(*card, backups, chapter);
        },
        [this, reading](const BackupTree::Listing& listing) {
            if (reading != m_readings) return;
            m_model->setBackups(listing.rows);
            if (playChapter)
                static_cast<BackupTreeView*>(m_outLineView)->expandTripOf(playChapter->_pathMove.toLocalFile());
            vrecFileSize = listing.vrecSize;
            prctFileSize = listing.prctSize;
            advPrctFileSize = listing.advPrctSize;
            if (!pathBackup.isEmpty()) {
                freeDriveSize = listing.freeSpace;
                m_txtFreeDriveSize->setText(BackupPaths::backupSizeText(freeDriveSize));
            }
            setReading(false);
            updateSizeDisplay();
        });
}

void BackupSettingDialog::setReading(bool reading)
{
    m_isReading = reading;
    holdWhileBusy({m_btnOk, m_btnCheckOn, m_btnCheckOff, m_outLineView}, reading);
}

void BackupSettingDialog::updateSizeDisplay()
{
    const BackupList& rows = m_model->backups();
    qint64 sum = qint64(BackupTree::checkedBytes(rows));
    if (BackupTree::checkedCount(rows) > 0) sum += vrecFileSize + prctFileSize + advPrctFileSize;
    backupFileSize = sum;
    QPalette pal = m_txtFileSize->palette();
    pal.setColor(QPalette::Window, backupFileSize < freeDriveSize
                                       ? m_txtFileSizeTitle->palette().color(QPalette::Window)
                                       : QColor(Qt::red));
    m_txtFileSize->setPalette(pal);
    m_txtFileSize->setText(BackupPaths::backupSizeText(backupFileSize));
}

void BackupSettingDialog::btnCheckOn_Click()
{
    m_model->setAllChecks(CheckState::On);
}

void BackupSettingDialog::btnCheckOff_Click()
{
    m_model->setAllChecks(CheckState::Off);
}

void BackupSettingDialog::btnOk_Click()
{
    if (m_isReading) return;
    const QString name = m_txtFolderName->text();
    if (const auto problem = BackupPaths::checkFolderName(name); problem != BackupPaths::NameProblem::None) {
        Alerts::warning(this, BackupPaths::nameProblemText(problem));
        return;
    }
    if (BackupTree::checkedCount(m_model->backups()) == 0) {
        Alerts::warning(this, tr("Chapter was not selected."));
        return;
    }
    // An unknown free space (-1) refuses as well.
    if (freeDriveSize <= backupFileSize) {
        Alerts::warning(this, tr("There is not enough disk space or memory available."));
        return;
    }
    if (pathBackup.isEmpty()) return;
    const QString dest = FileUtil::combinePath(pathBackup, name);
    if (QFileInfo::exists(dest)) {
        const int answer = Alerts::show(
            this, {Alerts::titleConfirmation(),
                   tr("The folder already exists at the selected destination. Would you like to overwrite?"),
                   Alerts::Style::Informational, {Alerts::buttonCancel(), Alerts::buttonOk()}});
        if (answer != Alerts::FIRST_BUTTON + 1) return;
    }
    filePathList = BackupTree::checkedFiles(m_model->backups());
    DestDirPath = dest;
    if (!startBackup(cardData ? cardData->openSourcePath() : QString(), DestDirPath, filePathList)) return;
    // The copy took space on the backup drive.
    if (!pathBackup.isEmpty()) {
        freeDriveSize = IOUtil::freeDiskSpace(pathBackup);
        m_txtFreeDriveSize->setText(BackupPaths::backupSizeText(freeDriveSize));
    }
    updateSizeDisplay();
}

bool BackupSettingDialog::startBackup(const QString& openSourcePath, const QString& destFolder,
                                      const QStringList& files)
{
    m_taskProgressDialog = std::make_unique<TaskProgressDialog>();
    TaskProgressDialog* progress = m_taskProgressDialog.get();
    progress->setDelegate(this);
    progress->setTaskMode(TaskMode::Backup);
    progress->start();

    // The worker gets the paths, the cancel flag and the progress dialog's
    // thread-safe progress entry; the dialog outlives it (see the destructor).
    // The plan is made there too: it lists the card's folders and compares
    // them by what they are, which a slow card makes a wait.
    const TaskCancelFlag cancel = progress->cancelFlag();
    auto shown = std::make_shared<std::atomic<int>>(-1);
    auto refused = std::make_shared<bool>(false);
    m_job = runInBackground<Outcome>(
        this,
        [openSourcePath, destFolder, files, cancel, progress, shown]() -> Outcome {
            const auto planned = BackupCopyJob::makePlan(openSourcePath, destFolder, files);
            if (!planned.plan) return {std::nullopt, planned.error};
            // The last figure stays a moment before the result is told; a
            // Cancel meanwhile (or a quit) cuts the pause short and still
            // takes the new files back, on this thread.
            BackupCopyJob::Options options;
            options.pauseAtEndMs = 400;
            const auto onProgress = [progress, shown](const BackupCopyJob::Progress& p) {
                const int percent = p.percent();
                if (shown->exchange(percent) != percent)
                    progress->setProgress(percent, TaskProgress::percentText(TaskMode::Backup, percent));
            };
            return {BackupCopyJob::run(*planned.plan, cancel, onProgress, options), {}};
        },
        [this, refused](const Outcome& outcome) {
            *refused = !outcome.copy;
            if (outcome.copy)
                copyDidFinish(*outcome.copy);
            else
                planDidFail(outcome.planError);
        });

    ModalWindow::runDialog(window(), progress, ModalWindow::Type::TaskProgress,
                           TaskProgressDialog::windowTitle(TaskMode::Backup), TaskProgressDialog::CONTENT_SIZE,
                           progress);
    // The run ends after the result alert, once the worker has finished;
    // ended any other way, the job is stopped rather than waited out.
    if (m_job.isRunning()) progress->setCancelled();
    m_job.waitForFinished();
    return !*refused;
}

void BackupSettingDialog::planDidFail(const QString& error)
{
    // Nothing was copied and nothing cancelled: the progress window goes
    // and the reason is told over this dialog, as a refused name is.
    m_taskProgressDialog->stopTimer();
    taskProgressDialogOnClose();
    Alerts::warning(this, error);
}

void BackupSettingDialog::copyDidFinish(const BackupCopyJob::Result& result)
{
    TaskProgressDialog* progress = m_taskProgressDialog.get();
    progress->stopTimer();
    m_lastStatus = result.status;
    // What the user is told is what the job did: a Cancel up to the job's
    // end took the new files back, and a partial copy is never complete.
    switch (result.status) {
    case BackupCopyJob::Status::Completed:
        progress->setProgress(100, TaskProgress::percentText(TaskMode::Backup, 100));
        progress->showSaveCompleted();
        break;
    case BackupCopyJob::Status::Failed:
        Alerts::warning(progress, result.error);
        progress->setCancelled();
        progress->showBackupCancelled();
        break;
    case BackupCopyJob::Status::Cancelled:
        progress->showBackupCancelled();
        break;
    }
}

void BackupSettingDialog::taskProgressDialogOnClose()
{
    // Only the progress window's own run; never this dialog's.
    if (ModalWindow* w = ModalWindow::current(); w && w->content() == m_taskProgressDialog.get()) w->endModalRun();
}

void BackupSettingDialog::btnCancel_Click()
{
    ModalWindow::abortModal();
}
