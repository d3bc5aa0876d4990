#include "app/tools/TrimView.h"

#include "app/shell/Alerts.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/tools/OutputRule.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStorageInfo>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {

void warn(QWidget* parent, const QString& message)
{
    Alerts::show(parent, {Alerts::titleWarning(), message, Alerts::Style::Critical, {Alerts::buttonOk()}});
}

qint64 freeMb(const QString& path)
{
    const QStorageInfo info(path);
    const qint64 bytes = info.isValid() ? info.bytesAvailable() : -1;
    return bytes > 0 ? bytes / 1048576 : 0;
}

} // namespace

TrimView::TrimView(QWidget* parent) : QWidget(parent)
{
    m_checks = ToolSupport::DataChecks::make(this);
    m_lblWarning = new QLabel(tr("Warning: Adding data to video will increase processing time."), this);
    m_btnSave = new QPushButton(tr("Save"), this);
    m_btnBack = new QPushButton(tr("Back"), this);
    m_btnCancel = new QPushButton(tr("Cancel"), this);
    m_btnSave->setDefault(true);

    m_checks.layOut(this, m_lblWarning, {m_btnSave, m_btnBack, m_btnCancel});
    resize(CONTENT_SIZE);

    connect(m_btnSave, &QPushButton::clicked, this, &TrimView::save);
    connect(m_btnBack, &QPushButton::clicked, this, &TrimView::back);
    connect(m_btnCancel, &QPushButton::clicked, this, &TrimView::cancel);
}

TrimView::~TrimView()
{
    m_cancel.cancel();
    waitForWorker();
}

QString TrimView::windowTitleText()
{
    return tr("Trim Tool");
}

bool TrimView::isRunning() const
{
    return m_worker != nullptr && m_worker->isRunning();
}

void TrimView::waitForWorker()
{
    if (m_worker == nullptr) return;
    m_worker->wait();
    delete m_worker;
    m_worker = nullptr;
}

void TrimView::setupView()
{
    if (!toolinfo || !toolinfo->chapter || toolinfo->chapterList.isEmpty()) return;
    m_cutFlg = ToolSupport::isTrimmedRecording(*toolinfo);
    m_checks.setUp(m_cutFlg);
}

QString TrimView::timeText(qint64 ms)
{
    const qint64 h = ms / 3600000;
    const qint64 m = (ms - h * 3600000) / 60000;
    QString text;
    if (ms >= 3600000) text += QString::number(h) + tr("Hour");
    return text + QString::number(m) + tr("Minutes");
}

TrimView::SpaceNeed TrimView::neededSpaceMb(qint64 rangeMs, CommonConst::RecMode mode)
{
    // The recorder writes about 36 MB per chunk of its mode; a range takes at
    // most one chunk more than it spans.
    const qint64 chunk = mode == CommonConst::RecMode::HighQuality ? 40000
                         : mode == CommonConst::RecMode::LongRec   ? 79000
                                                                   : 52000;
    const qint64 movie = 36 * (std::max<qint64>(0, rangeMs) / chunk + 1);
    // The cut is made in the work folder, then copied with its box into a
    // file beside the target before it takes the target's name.
    return {movie, movie};
}

bool TrimView::checkDiskSpace(const QString& outputFolder)
{
    const qint64 range = toolinfo->selectEndSumFrameTS.value_or(0) - toolinfo->selectStartSumFrameTS.value_or(0);
    const SpaceNeed need = neededSpaceMb(range, toolinfo->recMode);
    const QString work = workFolderBase.isEmpty() ? QDir::tempPath() : workFolderBase;
    const QStorageInfo workVolume(work);
    const QStorageInfo outputVolume(outputFolder);
    const bool oneVolume = workVolume.isValid() && outputVolume.isValid()
                           && workVolume.rootPath() == outputVolume.rootPath()
                           && workVolume.device() == outputVolume.device();
    const bool enough = oneVolume ? need.work + need.output <= freeMb(work)
                                  : need.work <= freeMb(work) && need.output <= freeMb(outputFolder);
    if (enough) return true;
    warn(this, tr("There is not enough disk space or memory available."));
    return false;
}

void TrimView::save()
{
    if (!toolinfo || !toolinfo->selectStartSumFrameTS || !toolinfo->selectEndSumFrameTS) {
        qDebug("No selected Movie.");
        return;
    }
    if (isRunning()) return;
    const qint64 range = *toolinfo->selectEndSumFrameTS - *toolinfo->selectStartSumFrameTS;
    if (range < SHORTEST_RANGE_MS) {
        warn(this, tr("Unable to save because the selected time range is less than 2 seconds. Please increase the "
                      "selected time range for trim operation."));
        return;
    }
    if (m_checks.selection().any() && range >= LONG_BURN_IN_MS) {
        const QString message =
            tr("It will take more than %1 to complete video trimming. Would you like to continue?").arg(timeText(range));
        const int answer = Alerts::show(this, {Alerts::titleConfirmation(), message, Alerts::Style::Critical,
                                               {Alerts::buttonOk(), Alerts::buttonCancel()}});
        if (answer != Alerts::FIRST_BUTTON) return;
    }
    const QString path = ToolSupport::savePath(this, windowTitleText(), UserDefaultUtil::pathDirCut, QStringLiteral("mp4"));
    if (!path.isEmpty()) startCut(path);
}

void TrimView::startCut(const QString& outputPath)
{
    if (!toolinfo || isRunning()) return;
    waitForWorker();
    const CaptionSelection selection = m_checks.selection();
    ToolSupport::storeSelection(selection);
    const QString folder = QFileInfo(outputPath).absolutePath();
    ToolSupport::storeFolder(UserDefaultUtil::pathDirCut, UserDefaultUtil::KEY_PATH_DIR_CUT, folder);

    // Only the output and work folders' volumes are asked here. Whether the
    // file may be written at all is the job's first step: the output rule
    // reads every chapter and walks the card's folders, which on a slow card
    // would hold the window for a noticeable time.
    if (!checkDiskSpace(folder)) return;

    // Everything the job reads is taken now; the worker never looks at the dialog.
    TrimRequest request;
    request.chapters = toolinfo->chapterList;
    request.start = std::int32_t(std::clamp<qint64>(*toolinfo->selectStartSumFrameTS, 0, INT32_MAX));
    request.end = std::int32_t(std::clamp<qint64>(*toolinfo->selectEndSumFrameTS, 0, INT32_MAX));
    request.selection = selection;
    request.settings = CaptionSettings::current();
    request.outputPath = outputPath;
    request.workFolderBase = workFolderBase;

    m_progress = std::make_unique<TaskProgressDialog>();
    m_progress->setDelegate(this);
    m_progress->setTaskMode(TaskMode::Trim);
    m_cancel = m_progress->cancelFlag();
    m_cancelHandled = false;

    TaskProgressDialog* dialog = m_progress.get();
    auto result = std::make_shared<TrimJob::Result>();
    m_worker = QThread::create([request, cancel = m_cancel, dialog, result] {
        TrimJob job(request, cancel, [dialog](double percent) {
            dialog->setProgress(percent, TaskProgress::percentText(TaskMode::Trim, std::min(percent, 99.0)));
        });
        *result = job.run();
    });
    connect(m_worker, &QThread::finished, this, [this, result] { jobDidFinish(*result); });

    ModalWindow window(this->window());
    window.setType(ModalWindow::Type::TaskProgress);
    window.setMwDelegate(dialog);
    dialog->start();
    window.setContent(dialog, TaskProgressDialog::windowTitle(TaskMode::Trim), TaskProgressDialog::CONTENT_SIZE);
    m_progressWindow = &window;
    m_worker->start();
    window.runModal();
    m_progressWindow = nullptr;
}

void TrimView::jobDidFinish(const TrimJob::Result& result)
{
    waitForWorker();
    if (m_cancelHandled || result.outcome == TrimJob::Outcome::Cancelled) {
        // The cancel has ended the progress window and told the main window already.
        qDebug("cancel");
        Q_EMIT jobFinished(TrimJob::Outcome::Cancelled);
        return;
    }
    if (m_progress) m_progress->stopTimer();
    if (result.refused) {
        // Nothing was done towards the file: the progress window goes and the
        // refusal is told alone, at once, as a file refused by its name.
        qWarning("Trim refused: %s", qPrintable(result.detail));
        if (m_progressWindow) m_progressWindow->endModalRun();
        warn(this, OutputRule::refusalText());
        Q_EMIT jobFinished(result.outcome);
        return;
    }
    if (result.outcome == TrimJob::Outcome::Saved) {
        if (m_progress) m_progress->setProgress(100, TaskProgress::percentText(TaskMode::Trim, 100));
        Alerts::show(this, {Alerts::titleInformation(), tr("Saved"), Alerts::Style::Informational, {Alerts::buttonOk()}});
        if (m_progressWindow) m_progressWindow->endModalRun();
        Q_EMIT jobFinished(result.outcome);
        if (delegate) delegate->toolWindowDidClose(2);
        return;
    }
    qWarning("Trim failed: %s", qPrintable(result.detail));
    // The progress window stays a second longer before the failure is told.
    auto* wait = new QTimer(this);
    wait->setObjectName(QStringLiteral("failedTrimWait"));
    wait->setSingleShot(true);
    wait->setInterval(FAILURE_WAIT_MS);
    connect(wait, &QTimer::timeout, this, [this, wait, outcome = result.outcome, reason = result.reason] {
        wait->deleteLater();
        if (m_cancelHandled) {
            // Cancelled meanwhile: that has ended the run and been told.
            Q_EMIT jobFinished(TrimJob::Outcome::Cancelled);
            return;
        }
        // A reason of the system's (a full disk) is told, as the backup tells
        // it: the user can act on it. The diagnostics' own texts stay in the log.
        warn(this, reason.isEmpty() ? tr("Cut was unsuccessful.")
                                    : tr("Cut was unsuccessful.") + QLatin1Char('\n') + reason);
        if (m_progressWindow) m_progressWindow->endModalRun();
        Q_EMIT jobFinished(outcome);
    });
    wait->start();
}

void TrimView::taskProgressDialogOnClose()
{
    // The progress dialog's Cancel (or its close button), perhaps pressed
    // twice: the first press ends the run.
    if (m_cancelHandled) return;
    m_cancelHandled = true;
    m_cancel.cancel();
    if (m_progressWindow) m_progressWindow->endModalRun();
    if (delegate) delegate->toolWindowDidClose(3);
}

void TrimView::closeTool(const char* log, int code)
{
    qDebug("%s", log);
    if (delegate) delegate->toolWindowDidClose(code);
}

void TrimView::back()
{
    closeTool("[ToolView]Back", 0);
}

void TrimView::cancel()
{
    closeTool("[TrimTool]:Cancel", 1);
}

void TrimView::modalWindowOnClose()
{
    closeTool("[ToolView]Close", 0);
}
