#include "app/backup/BackUpFolderSelectDialog.h"

#include "app/backup/CleanupDialog.h"
#include "app/shell/Alerts.h"
#include "app/shell/CardDriveSelectDialog.h"
#include "app/shell/ModalWindow.h"
#include "core/backup/BackupFolderList.h"
#include "core/foundation/FileUtil.h"
#include "core/foundation/UserDefaultUtil.h"
#include "ui_BackUpFolderSelectDialog.h"

BackUpFolderSelectDialog::BackUpFolderSelectDialog(QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::BackUpFolderSelectDialog>())
{
    backupFolderPath = UserDefaultUtil::documentsPath();
    m_ui->setupUi(this);
    connect(m_ui->btnOk, &QPushButton::clicked, this, &BackUpFolderSelectDialog::btnOk_Click);
    connect(m_ui->btnCancel, &QPushButton::clicked, this, &BackUpFolderSelectDialog::btnCancel_Click);
    loadFolders();
}

BackUpFolderSelectDialog::~BackUpFolderSelectDialog() = default;

QString BackUpFolderSelectDialog::windowTitleText()
{
    return tr("Selection of backup folder");
}

QLabel* BackUpFolderSelectDialog::txtMessage() const
{
    return m_ui->txtMessage;
}
QComboBox* BackUpFolderSelectDialog::cmbBackupFolder() const
{
    return m_ui->cmbBackupFolder;
}
QPushButton* BackUpFolderSelectDialog::btnOk() const
{
    return m_ui->btnOk;
}
QPushButton* BackUpFolderSelectDialog::btnCancel() const
{
    return m_ui->btnCancel;
}

void BackUpFolderSelectDialog::loadFolders()
{
    m_ui->txtMessage->setText(mode == Mode::Cleanup ? tr("Select Folder to delete")
                                                    : tr("Select backup folder"));
    backupFolderPath = BackupFolderList::preparedRoot();
    backupFolders = BackupFolderList::sortedForDisplay(subfolderNames());
    m_ui->cmbBackupFolder->clear();
    m_ui->cmbBackupFolder->addItems(backupFolders);
    if (m_ui->cmbBackupFolder->count() > 0) m_ui->cmbBackupFolder->setCurrentIndex(0);
}

QStringList BackUpFolderSelectDialog::subfolderNames()
{
    QString error;
    const auto entries = BackupFolderList::readFolderContents(backupFolderPath, &error);
    if (!entries) {
        Alerts::warning(this, error);
        return {};
    }
    if (mode == Mode::Normal) return BackupFolderList::subfolderNames(backupFolderPath);
    // The backup root may be the Documents folder or a card: only what a
    // backup made is offered for deletion, never a link nor a card.
    return BackupFolderList::cleanupCandidates(backupFolderPath,
                                               cardFolders + CardDriveSelectDialog::listedCardFolders());
}

void BackUpFolderSelectDialog::btnOk_Click()
{
    const int index = m_ui->cmbBackupFolder->currentIndex();
    const QString name = (index >= 0 && index < backupFolders.size()) ? backupFolders.at(index) : QString();
    if (backupFolders.isEmpty() || name.isEmpty()) {
        Alerts::warning(this, tr("Select folder"));
        return;
    }
    const QString path = FileUtil::combinePath(backupFolderPath, name);
    if (mode == Mode::Cleanup) {
        openCleanup(path);
        return;
    }
    if (delegate == nullptr || !delegate->confirmStopwatchDiscard()) return;
    delegate->loadData(path, true, MovieType::Backup);
    // Whoever ran the chooser sees the folder chosen.
    if (auto* host = qobject_cast<ModalWindow*>(window()); host && host->isVisible())
        host->endModalRun(QDialog::Accepted);
}

void BackUpFolderSelectDialog::openCleanup(const QString& path)
{
    m_cleanUpDialog = std::make_unique<CleanupDialog>();
    m_cleanUpDialog->delegate = this;
    m_cleanUpDialog->viewControllerDelegate = viewControllerDelegate;
    m_cleanUpDialog->backupRootPath = backupFolderPath;
    m_cleanUpDialog->cleanupDirPath = path;
    m_cleanUpDialog->openSourcePath = openSourcePath;
    m_cleanUpDialog->showCleanup();
    ModalWindow::runDialog(window(), m_cleanUpDialog.get(), ModalWindow::Type::Etc, CleanupDialog::windowTitleText(),
                           CleanupDialog::CONTENT_SIZE);
}

void BackUpFolderSelectDialog::btnCancel_Click()
{
    // The lock of the clean-up belongs to the command that took it; it gives
    // it back when this run ends.
    ModalWindow::abortModal();
}

void BackUpFolderSelectDialog::cleanupDidUpdateFolders()
{
    m_ui->cmbBackupFolder->clear();
    loadFolders();
}

void BackUpFolderSelectDialog::reopenData(const QString& path)
{
    Q_UNUSED(path);
}

bool BackUpFolderSelectDialog::canCloseOpenData()
{
    return viewControllerDelegate != nullptr && viewControllerDelegate->canCloseOpenData();
}

QString BackUpFolderSelectDialog::openDataPath()
{
    return viewControllerDelegate != nullptr ? viewControllerDelegate->openDataPath() : openSourcePath;
}

void BackUpFolderSelectDialog::closeOpenData(std::function<void()> whenClosed)
{
    if (viewControllerDelegate != nullptr)
        viewControllerDelegate->closeOpenData(std::move(whenClosed));
    else if (whenClosed)
        whenClosed();
}
