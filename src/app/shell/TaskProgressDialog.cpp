#include "app/shell/TaskProgressDialog.h"

#include "app/shell/Alerts.h"
#include "app/shell/ModalWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

TaskProgressDialog::TaskProgressDialog(QWidget* parent) : QWidget(parent)
{
    m_txtComment = new QLabel(this);
    m_txtElapsedTime = new QLabel(this);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setRange(0, 1000); // tenths of a percent: the bar moves smoothly
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    m_progressLabel = new QLabel(this);
    m_progressLabel->setMinimumWidth(48);
    m_progressLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_btnCancel = new QPushButton(tr("Cancel"), this);
    m_btnCancel->setObjectName(ModalWindow::CANCEL_BUTTON_NAME);
    m_btnCancel->setAutoDefault(false);

    auto* barRow = new QHBoxLayout;
    barRow->addWidget(m_progressBar, 1);
    barRow->addWidget(m_progressLabel);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(m_txtComment);
    layout->addWidget(m_txtElapsedTime);
    layout->addStretch(1);
    layout->addLayout(barRow);
    layout->addStretch(1);
    layout->addLayout(buttonRow);
    resize(CONTENT_SIZE);

    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &TaskProgressDialog::timeUpdate);
    connect(m_btnCancel, &QPushButton::clicked, this, &TaskProgressDialog::btnCancel_Click);
    m_startDate.start();
}

TaskProgressDialog::~TaskProgressDialog() = default;

QString TaskProgressDialog::windowTitle(TaskMode mode)
{
    return TaskProgress::windowTitle(mode);
}

void TaskProgressDialog::start()
{
    m_txtComment->setText(TaskProgress::comment(m_taskMode));
    m_timer->start();
    m_startDate.start();
    timeUpdate();
}

void TaskProgressDialog::timeUpdate()
{
    m_txtElapsedTime->setText(TaskProgress::elapsedText(double(m_startDate.elapsed()) / 1000.0));
    m_txtComment->setText(TaskProgress::commentWithDots(m_txtComment->text(), m_dotCount));
    m_dotCount = TaskProgress::nextDotCount(m_dotCount);
}

void TaskProgressDialog::cancelTask()
{
    m_timer->stop();
    m_cancelFlag.cancel();
    if (m_taskMode == TaskMode::Trim && m_delegate != nullptr) m_delegate->taskProgressDialogOnClose();
}

void TaskProgressDialog::btnCancel_Click()
{
    cancelTask();
}

void TaskProgressDialog::modalWindowOnClose()
{
    cancelTask();
}

void TaskProgressDialog::setProgress(double percent, const QString& label)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, percent, label] { setProgress(percent, label); },
                                  Qt::QueuedConnection);
        return;
    }
    m_progress = std::isfinite(percent) ? std::clamp(percent, 0.0, 100.0) : 0.0;
    m_progressBar->setValue(static_cast<int>(m_progress * 10.0));
    m_progressLabel->setText(label);
}

void TaskProgressDialog::stopTimer()
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this] { m_timer->stop(); }, Qt::QueuedConnection);
        return;
    }
    m_timer->stop();
}

bool TaskProgressDialog::isTimerRunning() const
{
    return m_timer->isActive();
}

void TaskProgressDialog::showSaveCompleted()
{
    showResult(tr("Save completed."));
}

void TaskProgressDialog::showBackupCancelled()
{
    showResult(tr("Backup cancelled."));
}

void TaskProgressDialog::showDeleteCompleted()
{
    showResult(tr("Delete completed."));
}

void TaskProgressDialog::showDeleteCancelled()
{
    showResult(tr("Delete cancelled."));
}

void TaskProgressDialog::showResult(const QString& message)
{
    Alerts::show(window(), {Alerts::titleInformation(), message, Alerts::Style::Informational, {}});
    if (m_delegate != nullptr) m_delegate->taskProgressDialogOnClose();
}
