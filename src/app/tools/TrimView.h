#pragma once

#include "app/shell/ModalWindow.h"
#include "app/shell/TaskProgressDialog.h"
#include "app/tools/ToolSupport.h"
#include "core/tools/TrimJob.h"

#include <QPointer>
#include <QSize>
#include <QWidget>
#include <memory>
#include <optional>

class QPushButton;
class QThread;

// The "Trim Tool" dialog: turns the range selected on the track bar into one
// MP4 file, optionally with the driving data burnt in. It checks the range,
// asks before a long burn-in, takes the output file and checks the disk,
// then runs the trim job on a worker thread under the task-progress dialog
// and tells its delegate how it ended (ToolViewDelegate codes).
class TrimView : public QWidget, public ModalWindowDelegate, public TaskProgressDialogDelegate {
    Q_OBJECT
public:
    static constexpr QSize CONTENT_SIZE{500, 135};
    static constexpr qint64 SHORTEST_RANGE_MS = 2000;
    static constexpr qint64 LONG_BURN_IN_MS = 300000;
    // How long the progress window stays after a failed trim before the
    // failure is told (a child timer named "failedTrimWait" runs meanwhile).
    static constexpr int FAILURE_WAIT_MS = 1000;

    explicit TrimView(QWidget* parent = nullptr);
    // A job still running is cancelled and waited for.
    ~TrimView() override;

    static QString windowTitleText();

    std::optional<ToolInfo> toolinfo;
    ToolViewDelegate* delegate = nullptr; // not owned
    // Where the job's private folder is made (empty: the system's temporary folder).
    QString workFolderBase;

    // Fills the dialog from toolinfo.
    void setupView();
    // Save, Back and Cancel.
    void save();
    void back();
    void cancel();
    // The output file chosen: stores the choices, checks the disk space and
    // runs the job, whose first step is to check the file against the
    // output rule (a refusal is told when the job's result comes back).
    void startCut(const QString& outputPath);

    // "1Hour30Minutes", "7Minutes": the wait a long burn-in announces.
    static QString timeText(qint64 ms);
    // The space a trim of range ms needs, in MB, in the job's work folder and
    // beside the target; both on one volume, it needs their sum there.
    struct SpaceNeed {
        qint64 work = 0;
        qint64 output = 0;
        bool operator==(const SpaceNeed&) const = default;
    };
    static SpaceNeed neededSpaceMb(qint64 rangeMs, CommonConst::RecMode mode);
    // Shows the warning and answers false when the space is not there.
    bool checkDiskSpace(const QString& outputFolder);

    bool cutFlg() const { return m_cutFlg; }
    bool isRunning() const;
    TaskProgressDialog* taskProgressDialog() const { return m_progress.get(); }
    const ToolSupport::DataChecks& checks() const { return m_checks; }
    QLabel* lblWarning() const { return m_lblWarning; }
    QPushButton* btnSave() const { return m_btnSave; }
    QPushButton* btnBack() const { return m_btnBack; }
    QPushButton* btnCancel() const { return m_btnCancel; }

    // ModalWindowDelegate: the tool window's close button.
    void modalWindowOnClose() override;
    // TaskProgressDialogDelegate: the running job was cancelled.
    void taskProgressDialogOnClose() override;

Q_SIGNALS:
    // The job's end has been handled (tests).
    void jobFinished(TrimJob::Outcome outcome);

private:
    void closeTool(const char* log, int code);
    void jobDidFinish(const TrimJob::Result& result);
    void waitForWorker();

    ToolSupport::DataChecks m_checks;
    QLabel* m_lblWarning = nullptr;
    QPushButton* m_btnSave = nullptr;
    QPushButton* m_btnBack = nullptr;
    QPushButton* m_btnCancel = nullptr;
    bool m_cutFlg = false;

    std::unique_ptr<TaskProgressDialog> m_progress;
    QPointer<ModalWindow> m_progressWindow;
    QThread* m_worker = nullptr;
    TaskCancelFlag m_cancel;
    bool m_cancelHandled = false;
};
