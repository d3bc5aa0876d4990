#pragma once

#include "app/shell/TaskProgressDialog.h"
#include "core/backup/CleanupJob.h"

#include <QFuture>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <optional>

class BackupTreeModel;
class CleanupDelegate;
class QLabel;
class QPushButton;
class QTreeView;

// Shows one backup folder as trips and chapters with check boxes and deletes
// the checked chapters, or, with every chapter checked, the whole backup.
// The size figure is the free space the volume would have afterwards.
//
// The backup-folder chooser makes one for the folder the user picked, sets
// the fields, calls showCleanup() and runs it in a window titled "Select
// delete data". When the main window has data open (or loading) under the
// folder, Delete asks once more and makes the main window close it; the
// dialog shows it is busy while the catalogue's workers come to an end, and
// removes nothing before they have. It opens the data again afterwards.
class CleanupDialog : public QWidget, public TaskProgressDialogDelegate {
    Q_OBJECT
public:
    static constexpr QSize CONTENT_SIZE{763, 436};
    static QString windowTitleText();

    explicit CleanupDialog(QWidget* parent = nullptr);
    // Waits for a delete still running (cancelled first).
    ~CleanupDialog() override;

    QString backupRootPath;                            // the folder the backup was chosen in
    QString cleanupDirPath;
    QString openSourcePath;                            // the main window's open data; empty when none
    CleanupDelegate* delegate = nullptr;               // the chooser; not owned
    CleanupDelegate* viewControllerDelegate = nullptr; // the main window; not owned

    qint64 vrecFileSize = 0;
    qint64 prctFileSize = 0;
    qint64 advPrctFileSize = 0;
    qint64 freeDriveSpace = 0; // -1 when unknown
    QStringList filePathList;  // the chapter files of the current job
    bool IsFolderDelete = false;
    bool isReload = false;

    // Reads the folder in the background, then fills the tree (every box
    // off) and the figures; the controls wait meanwhile.
    void showCleanup();
    bool isReading() const { return m_isReading; }
    void updateSizeDisplay();

    // Waiting for the main window's data to close before a delete.
    bool isBusy() const { return m_pendingPlan.has_value(); }
    QLabel* txtBusy() const { return m_txtBusy; }

    // How the last delete ended (none before the first).
    const std::optional<CleanupJob::Result>& lastResult() const { return m_lastResult; }

    BackupTreeModel* model() const { return m_model; }
    QTreeView* outLineView() const { return m_outLineView; }
    QLabel* txtFolderName() const { return m_txtFolderName; }
    QLabel* txtCleanupSize() const { return m_txtCleanupSize; }
    QPushButton* btnOk() const { return m_btnOk; }
    QPushButton* btnCancel() const { return m_btnCancel; }
    QPushButton* btnCheckOn() const { return m_btnCheckOn; }
    QPushButton* btnCheckOff() const { return m_btnCheckOff; }
    TaskProgressDialog* cleanTaskProgressDialog() const { return m_progress.get(); }

    // TaskProgressDialogDelegate: the result has been seen.
    void taskProgressDialogOnClose() override;

public Q_SLOTS:
    void btnCheckOn_Click();
    void btnCheckOff_Click();
    void btnCancel_Click();
    // Delete.
    void btnOk_Click();

private:
    struct Question;
    // The controls wait while the folder is read or the open data closes.
    void holdControls();
    void setReading(bool reading);
    void openDataDidClose();
    // Runs the job, then refreshes the chooser, reopens the data and the tree.
    void deleteAndRefresh(const CleanupJob::Plan& plan);
    void runDelete(const CleanupJob::Plan& plan);
    void deleteDidFinish(const CleanupJob::Result& result);
    // A removal failed: Cancel, Retry or ignore (GUI thread).
    CleanupJob::Decision askAboutFailure(const QString& path, const QString& reason);
    void endOwnRun();

    BackupTreeModel* m_model = nullptr;
    QTreeView* m_outLineView = nullptr;
    QLabel* m_txtFolderName = nullptr;
    QLabel* m_txtCleanupSize = nullptr;
    QLabel* m_txtBusy = nullptr;
    QPushButton* m_btnCheckOn = nullptr;
    QPushButton* m_btnCheckOff = nullptr;
    QPushButton* m_btnCancel = nullptr;
    QPushButton* m_btnOk = nullptr;
    std::unique_ptr<TaskProgressDialog> m_progress;
    std::shared_ptr<Question> m_question;
    QFuture<CleanupJob::Result> m_job;
    quint64 m_readings = 0;  // counts the listings asked for; the last one is shown
    bool m_isReading = false;
    std::optional<CleanupJob::Result> m_lastResult;
    std::optional<CleanupJob::Plan> m_pendingPlan; // planned, waiting for the open data to close
    QPointer<QWidget> m_hostAtDelete;              // the window Delete was pressed in
    bool m_hostedAtDelete = false;                 // Delete was pressed in a window (not a bare dialog)
};
