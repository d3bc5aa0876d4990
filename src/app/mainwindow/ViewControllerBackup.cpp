// The main window's backup commands: back up the open card, clean up backup
// folders, and choose where backups go. Each command takes its
// cross-instance lock first and gives it back itself when its dialog's run
// has ended, whatever ended it.
#include "app/mainwindow/ViewController.h"

#include "app/backup/BackUpFolderSelectDialog.h"
#include "app/backup/BackupSettingDialog.h"
#include "app/mainwindow/MainWindow.h"
#include "app/shell/Alerts.h"
#include "app/shell/ModalWindow.h"
#include "app/shell/OperationGuard.h"
#include "core/catalog/CardData.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QTimer>

namespace {

// How often a close waiting for a catalogue's workers looks again.
constexpr int CLOSE_POLL_MS = 10;

// Gives an operation's lock back when the command that took it returns.
class HeldLock {
public:
    explicit HeldLock(const QString& key) : m_key(key) {}
    ~HeldLock() { InstanceGuard::release(m_key); }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

private:
    QString m_key;
};

} // namespace

void ViewController::showBackupDialog()
{
    pauseForDialog();
    // Backups are made of data read from a card.
    if (!backupFlg()) return;
    if (!OperationGuard::begin(InstanceGuard::BACKUP_SETTING, m_window)) return;
    const HeldLock lock(InstanceGuard::BACKUP_SETTING);
    UserDefaultUtil::load();
    BackupSettingDialog dialog;
    dialog.cardData = m_cardData;
    dialog.pathBackup = UserDefaultUtil::pathBackup;
    dialog.playChapter = m_player ? m_player->currentChapter() : nullptr;
    dialog.prepare();
    ModalWindow::runDialog(m_window, &dialog, ModalWindow::Type::BackupSetting,
                           BackupSettingDialog::windowTitleText());
    m_window->activateWindow();
}

void ViewController::showDeleteBackupDialog()
{
    pauseForDialog();
    if (!OperationGuard::begin(InstanceGuard::BACKUP_DELETE, m_window)) return;
    const HeldLock lock(InstanceGuard::BACKUP_DELETE);
    UserDefaultUtil::load();
    if (!m_cleanupFolderSelectDialog) m_cleanupFolderSelectDialog = std::make_unique<BackUpFolderSelectDialog>();
    BackUpFolderSelectDialog* chooser = m_cleanupFolderSelectDialog.get();
    chooser->mode = BackUpFolderSelectDialog::Mode::Cleanup;
    chooser->backupFolderPath = UserDefaultUtil::pathBackup;
    chooser->viewControllerDelegate = this;
    // Whatever is open now, or loading (not what was open at an earlier
    // clean-up): its workers may read the folder even while nothing plays.
    chooser->openSourcePath = openDataPath();
    // The card on show is never offered, whatever the backup folder is.
    const bool card = m_reading.contains(m_cardData.get()) ? m_loadKind == MovieType::Card
                                                          : m_openedKind == MovieType::Card;
    chooser->cardFolders = card && !chooser->openSourcePath.isEmpty() ? QStringList{chooser->openSourcePath}
                                                                       : QStringList{};
    // One listing of the backup folder fills the chooser and tells whether
    // there is anything to offer.
    chooser->loadFolders();
    if (chooser->backupFolders.isEmpty()) {
        Alerts::warning(m_window, tr("Unable to locate the file."));
        return;
    }
    ModalWindow::runDialog(m_window, chooser, ModalWindow::Type::BackupDelete, tr("Select Folder to delete"),
                           BackUpFolderSelectDialog::CONTENT_SIZE);
    m_window->activateWindow();
}

void ViewController::selectBackupDirectory()
{
    pauseForDialog();
    if (!OperationGuard::begin(InstanceGuard::BACKUP_DIRECTORY_SETTING, m_window)) return;
    QString chosen;
    {
        const HeldLock lock(InstanceGuard::BACKUP_DIRECTORY_SETTING);
        UserDefaultUtil::load();
        const QString start = QFileInfo::exists(UserDefaultUtil::pathBackup) ? UserDefaultUtil::pathBackup
                                                                             : UserDefaultUtil::documentsPath();
        QFileDialog panel(m_window, tr("Select Back Up Directory"), start);
        panel.setObjectName(QStringLiteral("backupDirectoryPanel"));
        panel.setFileMode(QFileDialog::Directory);
        panel.setOption(QFileDialog::ShowDirsOnly);
        panel.setLabelText(QFileDialog::Accept, tr("OK"));
        setChildWindowLevels(false);
        const bool accepted = panel.exec() == QDialog::Accepted;
        setChildWindowLevels(true);
        if (accepted && !panel.selectedFiles().isEmpty()) chosen = panel.selectedFiles().constFirst();
    }
    if (chosen.isEmpty()) return;
    UserDefaultUtil::pathBackup = chosen;
    SettingsStore::open()->setValue(UserDefaultUtil::KEY_PATH_BACKUP, chosen);
}

QString ViewController::openDataPath()
{
    if (!m_cardData) return {};
    // While the read runs, the catalogue does not know its source yet.
    if (m_reading.contains(m_cardData.get())) return m_loadPath;
    return m_cardData->openSourcePath();
}

void ViewController::closeOpenData(std::function<void()> whenClosed)
{
    // Only this catalogue matters: its workers, told to stop by the reset,
    // may be in the middle of a movie, and its load may still be reading.
    m_pendingCloses.append({m_cardData, std::move(whenClosed)});
    resetForLoad();
    if (!m_closeTimer) {
        m_closeTimer = new QTimer(this);
        m_closeTimer->setInterval(CLOSE_POLL_MS);
        connect(m_closeTimer, &QTimer::timeout, this, &ViewController::finishPendingCloses);
    }
    finishPendingCloses();
}

void ViewController::finishPendingCloses()
{
    QList<std::function<void()>> ready;
    for (auto it = m_pendingCloses.begin(); it != m_pendingCloses.end();) {
        const std::shared_ptr<CardData> card = it->card.lock();
        if (card && (m_reading.contains(card.get()) || card->workersRunning())) {
            ++it;
            continue;
        }
        ready.append(std::move(it->whenClosed));
        it = m_pendingCloses.erase(it);
    }
    if (m_closeTimer) {
        if (m_pendingCloses.isEmpty())
            m_closeTimer->stop();
        else if (!m_closeTimer->isActive())
            m_closeTimer->start();
    }
    // A caller may run a modal job from here; the list is settled first.
    for (const auto& fn : std::as_const(ready))
        if (fn) fn();
}
