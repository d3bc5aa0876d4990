#pragma once

#include "app/shell/TaskProgressDialog.h"
#include "core/backup/BackupCopyJob.h"

#include <QFuture>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <optional>

class BackupTreeModel;
class CardData;
class ChapterData;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

// Copies chosen chapters of the opened card, with the recorder's management
// files, into a new folder under the backup path: the card's trips and
// chapters with check boxes, the free space of the backup drive, the size
// of what is checked and the new folder's name (the date and time by
// default). OK checks the name, the choice and the backup drive, then plans
// the copy against the card and runs it on a worker under the task-progress
// dialog; the dialog stays open afterwards.
//
// The host sets cardData, pathBackup and playChapter, calls prepare() and
// runs the dialog in a ModalWindow of type BackupSetting. The host owns the
// operation's cross-instance lock; the dialog never touches it.
class BackupSettingDialog : public QWidget, public TaskProgressDialogDelegate {
    Q_OBJECT
public:
    static constexpr QSize CONTENT_SIZE{640, 460};
    static QString windowTitleText();

    explicit BackupSettingDialog(QWidget* parent = nullptr);
    // Waits for a copy still running (cancelled first).
    ~BackupSettingDialog() override;

    std::shared_ptr<ChapterData> playChapter;
    std::shared_ptr<CardData> cardData;
    QString pathBackup;

    qint64 vrecFileSize = 0;
    qint64 prctFileSize = 0;
    qint64 advPrctFileSize = 0;
    qint64 freeDriveSize = 0; // -1 when unknown
    qint64 backupFileSize = 0;
    QStringList filePathList; // set by OK
    QString DestDirPath;      // set by OK

    // Fills the folder name, then reads the sizes of the chapters and of
    // the management files and the free space in the background and fills
    // the tree and the figures; the controls wait meanwhile.
    void prepare();
    bool isReading() const { return m_isReading; }
    void updateSizeDisplay();

    // How the last copy ended (none before the first).
    std::optional<BackupCopyJob::Status> lastStatus() const { return m_lastStatus; }

    BackupTreeModel* model() const { return m_model; }
    QTreeView* outLineView() const { return m_outLineView; }
    QLabel* txtFreeDriveSize() const { return m_txtFreeDriveSize; }
    QLabel* txtFileSizeTitle() const { return m_txtFileSizeTitle; }
    QLabel* txtFileSize() const { return m_txtFileSize; }
    QLineEdit* txtFolderName() const { return m_txtFolderName; }
    QPushButton* btnOk() const { return m_btnOk; }
    QPushButton* btnCancel() const { return m_btnCancel; }
    QPushButton* btnCheckOn() const { return m_btnCheckOn; }
    QPushButton* btnCheckOff() const { return m_btnCheckOff; }
    // The progress dialog of the copy running or last run.
    TaskProgressDialog* taskProgressDialog() const { return m_taskProgressDialog.get(); }

    // TaskProgressDialogDelegate: the result has been seen.
    void taskProgressDialogOnClose() override;

public Q_SLOTS:
    void btnCheckOn_Click();
    void btnCheckOff_Click();
    void btnOk_Click();
    void btnCancel_Click();

private:
    void setReading(bool reading);
    // What the worker hands back: the copy's result, or why there was no
    // plan to copy by.
    struct Outcome {
        std::optional<BackupCopyJob::Result> copy;
        QString planError;
    };
    // Plans and runs the copy on a worker under a new progress dialog until
    // its result is seen; false when the plan was refused (nothing ran).
    bool startBackup(const QString& openSourcePath, const QString& destFolder, const QStringList& files);
    void planDidFail(const QString& error);
    void copyDidFinish(const BackupCopyJob::Result& result);

    BackupTreeModel* m_model = nullptr;
    QTreeView* m_outLineView = nullptr;
    QLabel* m_txtFreeDriveSize = nullptr;
    QLabel* m_txtFileSizeTitle = nullptr;
    QLabel* m_txtFileSize = nullptr;
    QLineEdit* m_txtFolderName = nullptr;
    QPushButton* m_btnCheckOn = nullptr;
    QPushButton* m_btnCheckOff = nullptr;
    QPushButton* m_btnOk = nullptr;
    QPushButton* m_btnCancel = nullptr;
    std::unique_ptr<TaskProgressDialog> m_taskProgressDialog;
    QFuture<Outcome> m_job;
    std::optional<BackupCopyJob::Status> m_lastStatus;
    quint64 m_readings = 0; // counts the listings asked for; the last one is shown
    bool m_isReading = false;
};
