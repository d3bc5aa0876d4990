#pragma once

#include "app/shell/ModalWindow.h"
#include "core/backup/TaskProgress.h"

#include <QElapsedTimer>
#include <QSize>
#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// Told by the progress dialog when the caller must end the modal run: after
// the result alert, and at once when a trim is cancelled.
class TaskProgressDialogDelegate {
public:
    virtual ~TaskProgressDialogDelegate() = default;
    virtual void taskProgressDialogOnClose() = 0;
};

// The one modal progress panel of the long jobs (backup copy, clean-up,
// trim): a comment line that grows a row of dots once a second, the elapsed
// time, a percent label and a bar that the job writes, and Cancel.
//
// The dialog never runs the job and never opens or closes its own window. A
// caller, for each job:
//  1. makes a new dialog (the clock and the dots live in it);
//  2. sets delegate and taskMode, then calls start();
//  3. hosts it: ModalWindow::runDialog(parent, dialog, ModalWindow::Type::TaskProgress,
//     TaskProgressDialog::windowTitle(mode), TaskProgressDialog::CONTENT_SIZE, dialog);
//  4. runs the job on a worker thread that polls cancelFlag() between steps
//     and reports through setProgress() (callable from any thread);
//  5. when the job ends, calls stopTimer() (from any thread) and, for backup
//     and clean-up, the result operation that fits isCancelled();
//  6. ends the modal run in taskProgressDialogOnClose().
// The dialog must outlive the worker's calls into it.
class TaskProgressDialog : public QWidget, public ModalWindowDelegate {
    Q_OBJECT
public:
    static constexpr QSize CONTENT_SIZE{534, 181};

    explicit TaskProgressDialog(QWidget* parent = nullptr);
    ~TaskProgressDialog() override;

    // The localized title of the window that hosts the dialog for a mode.
    static QString windowTitle(TaskMode mode);

    TaskMode taskMode() const { return m_taskMode; }
    void setTaskMode(TaskMode mode) { m_taskMode = mode; }
    // Not owned; set to null when the delegate goes away.
    TaskProgressDialogDelegate* delegate() const { return m_delegate; }
    void setDelegate(TaskProgressDialogDelegate* delegate) { m_delegate = delegate; }

    // Writes the comment, starts the clock and shows the first tick at once.
    void start();
    // Cancel button and close button: stops the clock, raises the cancel
    // flag and, for a trim, tells the delegate at once. Again: the same.
    void cancelTask();

    // The cancel flag that the job polls; copies share it.
    TaskCancelFlag cancelFlag() const { return m_cancelFlag; }
    bool isCancelled() const { return m_cancelFlag.isCancelled(); }
    // A caller may end its job as a cancelled one itself (after a copy
    // error); unlike cancelTask() this tells nobody.
    void setCancelled() { m_cancelFlag.cancel(); }

    // The bar (0..100) and the percent label. From a worker thread the write
    // is posted to the dialog's thread, in order with the other posts.
    void setProgress(double percent, const QString& label);
    double progressValue() const { return m_progress; }
    // Stops the elapsed time and the dots. From a worker thread the stop is
    // posted to the dialog's thread (a timer stops only on its own thread).
    void stopTimer();
    bool isTimerRunning() const;

    // The result alerts: "Information" with the message, then the delegate.
    void showSaveCompleted();
    void showBackupCancelled();
    void showDeleteCompleted();
    void showDeleteCancelled();
    void showResult(const QString& message);

    QLabel* txtComment() const { return m_txtComment; }
    QLabel* txtElapsedTime() const { return m_txtElapsedTime; }
    QLabel* progressLabel() const { return m_progressLabel; }
    QProgressBar* progressBar() const { return m_progressBar; }
    QPushButton* btnCancel() const { return m_btnCancel; }
    int dotCount() const { return m_dotCount; }

    // ModalWindowDelegate: the window's close button is Cancel.
    void modalWindowOnClose() override;

public Q_SLOTS:
    void btnCancel_Click();
    // One tick of the clock: elapsed time and dots.
    void timeUpdate();

private:
    QLabel* m_txtComment = nullptr;
    QLabel* m_txtElapsedTime = nullptr;
    QLabel* m_progressLabel = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QPushButton* m_btnCancel = nullptr;
    QTimer* m_timer = nullptr;
    QElapsedTimer m_startDate;
    TaskCancelFlag m_cancelFlag;
    double m_progress = 0;
    int m_dotCount = TaskProgress::FIRST_DOT_COUNT;
    TaskMode m_taskMode = TaskMode::Backup;
    TaskProgressDialogDelegate* m_delegate = nullptr;
};
