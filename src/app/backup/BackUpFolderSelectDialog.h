#pragma once

#include "app/backup/CleanupDelegate.h"
#include "app/shell/OpenRoad.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

class CleanupDialog;
class QComboBox;
class QLabel;
class QPushButton;
namespace Ui {
class BackUpFolderSelectDialog;
}

// Lists the sub-folders of the backup folder (UserDefaultUtil::pathBackup)
// and lets the user pick one: to open it (Normal: OK asks the open road's
// stopwatch question, a refusal or no road keeping the chooser open, then
// loads the folder and ends the chooser's run accepted), or to clean it up
// (Cleanup: only folders a backup made, and OK opens the clean-up dialog
// over the chooser, which stays open for the next one). The host puts it
// into a ModalWindow and runs it; the host also holds the operation's lock.
class BackUpFolderSelectDialog : public QWidget, public CleanupDelegate {
    Q_OBJECT
public:
    enum class Mode { Normal, Cleanup };

    // Loads the list once (an unreadable backup folder shows its alert).
    explicit BackUpFolderSelectDialog(QWidget* parent = nullptr);
    ~BackUpFolderSelectDialog() override;

    // The host window's title and content size when opening a backup.
    static QString windowTitleText();
    static constexpr QSize CONTENT_SIZE{336, 188};

    // Re-reads the settings and fills the prompt and the list.
    void loadFolders();
    // The sub-folder names of backupFolderPath, unsorted (in Cleanup mode
    // only real folders that look like backups and are no card's: not the
    // open card's folder nor one of the card drives the picker lists); an
    // unreadable folder shows the "Warning" alert with the reason and gives
    // none.
    QStringList subfolderNames();

    QLabel* txtMessage() const;
    QComboBox* cmbBackupFolder() const;
    QPushButton* btnOk() const;
    QPushButton* btnCancel() const;

    Mode mode = Mode::Normal;
    QStringList backupFolders;                            // shown names, in list order
    QString openSourcePath;                               // Cleanup: the source the main window has open
    QStringList cardFolders;                              // Cleanup: the open card's folder; never offered
    QString backupFolderPath;                             // the folder whose sub-folders are listed
    OpenRoad* delegate = nullptr;                         // Normal; not owned
    CleanupDelegate* viewControllerDelegate = nullptr;    // Cleanup; not owned

    // The clean-up dialog last opened from here (null before the first).
    CleanupDialog* cleanUpDialog() const { return m_cleanUpDialog.get(); }

    // CleanupDelegate
    void cleanupDidUpdateFolders() override;
    void reopenData(const QString& path) override;
    bool canCloseOpenData() override;
    QString openDataPath() override;
    void closeOpenData(std::function<void()> whenClosed) override;

public Q_SLOTS:
    void btnOk_Click();
    void btnCancel_Click();

private:
    void openCleanup(const QString& path);

    std::unique_ptr<Ui::BackUpFolderSelectDialog> m_ui;
    std::unique_ptr<CleanupDialog> m_cleanUpDialog;
};
