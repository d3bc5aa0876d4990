#include "app/tools/StopWatchView.h"

#include "core/foundation/UserDefaultUtil.h"
#include "core/player/PlayMovieValueInfo.h"

#include <QCloseEvent>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

StopWatchView::StopWatchView(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(tr("Stopwatch"));
    QFont digits = font();
    digits.setStyleHint(QFont::Monospace);
    digits.setFamily(QStringLiteral("Monospace"));
    digits.setPointSizeF(digits.pointSizeF() * 1.25);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(6);
    const auto addRow = [&](int row, const QString& name, QLabel*& time, QLabel*& speed) {
        auto* label = new QLabel(name, this);
        time = new QLabel(this);
        speed = new QLabel(this);
        time->setFont(digits);
        speed->setFont(digits);
        time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        speed->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(label, row, 0);
        grid->addWidget(time, row, 1);
        grid->addWidget(speed, row, 2);
    };
    for (int i = 0; i < LapStopwatch::LAP_MAX; ++i)
        addRow(i, tr("LAP %1").arg(i + 1), m_lapLabels[std::size_t(i)], m_speedLabels[std::size_t(i)]);
    addRow(LapStopwatch::LAP_MAX, tr("TOTAL"), m_lblTimeTotal, m_lblSpeedTotal);
    QFont bold = m_lblTimeTotal->font();
    bold.setBold(true);
    m_lblTimeTotal->setFont(bold);
    m_lblSpeedTotal->setFont(bold);

    m_btnStartStop = new QPushButton(tr("START/STOP"), this);
    m_btnLapReset = new QPushButton(tr("LAP/RESET"), this);
    m_btnReturn = new QPushButton(tr("PREVIOUS LAP"), this);
    for (QPushButton* b : {m_btnStartStop, m_btnLapReset, m_btnReturn}) b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_btnStartStop);
    buttons->addWidget(m_btnLapReset);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addWidget(m_btnReturn);
    layout->addLayout(buttons);
    setFixedSize(CONTENT_SIZE);

    connect(m_btnStartStop, &QPushButton::clicked, this, &StopWatchView::startStop);
    connect(m_btnLapReset, &QPushButton::clicked, this, &StopWatchView::lapReset);
    connect(m_btnReturn, &QPushButton::clicked, this, &StopWatchView::previousLap);
    updateButtons();
    updateLabels();
}

StopWatchView::~StopWatchView() = default;

void StopWatchView::setupWindow()
{
    m_isLoaded = true;
}

void StopWatchView::changed(bool notifyTrackbar)
{
    updateButtons();
    if (notifyTrackbar && trackbarRefresher)
        trackbarRefresher(m_model.status(), m_model.startPosition(), m_model.lapPositions(), m_model.stopPosition(),
                          m_model.lapBaseTime());
    updateLabels();
}

void StopWatchView::startStop()
{
    if (m_model.startStop()) changed();
}

void StopWatchView::lapReset()
{
    if (m_model.lapReset()) changed();
}

void StopWatchView::previousLap()
{
    if (m_model.previousLap()) changed();
}

void StopWatchView::stop()
{
    if (m_model.stop()) changed();
}

void StopWatchView::reset()
{
    m_model.reset();
    changed();
}

void StopWatchView::clear()
{
    m_model.clear();
    changed(false);
}

void StopWatchView::setChapterDataList(const ChapterList& chapters, qint64 position)
{
    m_model.clear();
    m_model.setChapters(chapters);
    m_model.setCurrentPosition(position);
    changed();
}

void StopWatchView::setCurrentPosition(qint64 position)
{
    m_model.setCurrentPosition(position);
    updateLabels();
}

void StopWatchView::followPositions(const PlayMovieValueInfo& list)
{
    m_model.followPositions(list);
    updateLabels();
}

void StopWatchView::updateLabels()
{
    const bool kmh = UserDefaultUtil::speedMeter.load();
    const auto rows = m_model.rows(kmh);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        m_lapLabels[i]->setText(rows[i].time);
        m_speedLabels[i]->setText(rows[i].speed);
    }
    const LapStopwatch::Row total = m_model.total(kmh);
    m_lblTimeTotal->setText(total.time);
    m_lblSpeedTotal->setText(total.speed);
}

void StopWatchView::updateButtons()
{
    const LapStopwatch::Buttons b = m_model.buttons();
    m_btnStartStop->setEnabled(b.startStop);
    m_btnLapReset->setEnabled(b.lapReset);
    m_btnReturn->setEnabled(b.previousLap);
    m_btnStartStop->setToolTip(b.startStop ? tr("START/STOP") : QString());
    m_btnLapReset->setToolTip(b.lapReset ? tr("LAP/RESET") : QString());
    m_btnReturn->setToolTip(b.previousLap ? tr("PREVIOUS LAP") : QString());
}

void StopWatchView::hideWindow()
{
    hide();
    if (onHidden) onHidden();
}

void StopWatchView::closeEvent(QCloseEvent* event)
{
    // Closing only hides: the measurement is shown again on reopening.
    event->ignore();
    hideWindow();
}

void StopWatchView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        hideWindow();
        return;
    }
    QWidget::keyPressEvent(event);
}
