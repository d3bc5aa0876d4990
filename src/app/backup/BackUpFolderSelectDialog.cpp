#include "BackUpFolderSelectDialog.h"

#include "backup/BackupFolderList.h"
#include "foundation/FileUtil.h"
#include "foundation/UserDefaultUtil.h"
#include "mainwindow/Alerts.h"
#include "mainwindow/InstanceGuard.h"
#include "mainwindow/ModalWindow.h"
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
    UserDefaultUtil::load();
    backupFolderPath = UserDefaultUtil::pathBackup;
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
    return BackupFolderList::subfolderNames(backupFolderPath);
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
        Q_EMIT cleanupFolderChosen(path);
        return;
    }
    if (delegate == nullptr || !delegate->backupFolderSelectCanFinish()) return;
    delegate->backupFolderSelectDidFinish(path);
}

void BackUpFolderSelectDialog::btnCancel_Click()
{
    InstanceGuard::release(InstanceGuard::BACKUP_DELETE);
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
