#include "app/tools/ToolController.h"

#include "app/shell/Alerts.h"
#include "app/shell/HostWindow.h"
#include "app/shell/ModalWindow.h"
#include "app/shell/PlayerPane.h"
#include "app/tools/CaptureView.h"
#include "app/tools/StopWatchView.h"
#include "app/tools/TrimView.h"
#include "core/recording/PictureData.h"
#include "core/recording/VideoInfo.h"

#include <QAbstractButton>
#include <QTimer>

ToolController::ToolController(HostWindow* window, PlayerPane* player)
    : QObject(window), m_window(window), m_player(player)
{
}

ToolController::~ToolController()
{
    if (m_stopWatch && m_window) m_window->setStopWatch(nullptr);
}

// ---- stopwatch ----

void ToolController::showStopWatch()
{
    if (!m_player) return;
    if (m_stopWatch && m_stopWatch->isLoaded()) {
        m_stopWatch->show();
        m_stopWatch->raise();
        return;
    }
    if (!m_stopWatch) {
        m_stopWatch = new StopWatchView(m_window);
        m_stopWatch->trackbarRefresher = [this](StopWatchStatus status, qint64 start, const QList<qint64>& laps,
                                                qint64 stop, qint64 base) {
            if (m_player) m_player->refreshTrackbar(status, start, laps, stop, base);
        };
        m_stopWatch->onHidden = [this] {
            if (m_player) m_player->button(PlayerPane::Button::StopWatch)->setChecked(false);
        };
        m_window->setStopWatch(m_stopWatch);
        m_window->addFloatingWindow(m_stopWatch);
    }
    if (m_window) m_stopWatch->move(stopWatchPoint());
    bindStopWatch();
    m_stopWatch->show();
    m_stopWatch->setupWindow();
}

void ToolController::bindStopWatch()
{
    const std::shared_ptr<PlayMovieValueInfo> info = m_player->playing();
    info->setCurrentValue(m_player->trackbarValue());
    m_stopWatch->setChapterDataList(info->_chapterDataList, m_player->trackbarValue());
}

void ToolController::hideStopWatch()
{
    if (m_stopWatch) m_stopWatch->hide();
}

void ToolController::updateStopWatchButton()
{
    if (m_stopWatch) m_stopWatch->hide();
    if (m_player) m_player->button(PlayerPane::Button::StopWatch)->setChecked(false);
}

void ToolController::playListChanged()
{
    if (m_stopWatch && m_stopWatch->isLoaded() && m_player) bindStopWatch();
}

void ToolController::positionChanged()
{
    if (!m_stopWatch || !m_player) return;
    m_stopWatch->setCurrentPosition(m_player->playing()->currentValue());
}

void ToolController::chapterLengthsFollowed()
{
    if (!m_stopWatch || !m_player) return;
    m_stopWatch->followPositions(*m_player->playing());
}

void ToolController::playerStopped()
{
    if (m_stopWatch) m_stopWatch->stop();
}

// ---- trim and capture ----

void ToolController::openToolWindow(std::uint8_t code)
{
    if (!m_player || (code != 5 && code != 6) || m_toolWaitsForChapter) return;
    m_toolWaitsForChapter = true;
    const std::shared_ptr<ChapterData> chapter = m_player->currentChapterData();
    m_player->whenChapterLoaded(this, [this, code, chapter] {
        m_toolWaitsForChapter = false;
        if (m_player && m_player->currentChapterData() == chapter) openToolWindowNow(code);
    });
}

void ToolController::openToolWindowNow(std::uint8_t code)
{
    const std::shared_ptr<const PictureData> picture = m_player->currentPictureData();
    if (!picture || !picture->video) {
        Alerts::show(m_window, {Alerts::titleWarning(), TrimView::tr("Cut was unsuccessful."),
                                Alerts::Style::Critical, {Alerts::buttonOk()}});
        m_player->setCutSelection(false);
        return;
    }
    if (code == 5 && !m_player->hasCutStart()) {
        // The first press marks the start of the range; the second trims.
        m_player->setCutSelection(true);
        return;
    }
    m_player->pause();
    // Positions held in the lengths known now, the range's start included.
    m_player->followChapterLengths();

    ToolInfo info;
    info.type = code == 5 ? ToolType::Trim : ToolType::Capture;
    const std::shared_ptr<PlayMovieValueInfo> playing = m_player->playing();
    info.chapterList = playing->_chapterDataList;
    const qsizetype index = playing->currentIndex();
    if (index >= 0 && index < info.chapterList.size()) info.chapter = info.chapterList[index];
    // A range marked backwards stays so: the trim window refuses it as too short.
    info.selectStartSumFrameTS = m_player->cutStart();
    info.selectEndSumFrameTS = m_player->trackbarValue();
    info.recMode = picture->video->_recMode;
    info.currentTimeMs = m_player->mediaTimeMs();
    info.brightBarVal = m_player->gamma();
    if (!info.chapter) return;

    ModalWindow window(m_window);
    QWidget* content = nullptr;
    QWidget* button = nullptr;
    QSize size;
    QString title;
    if (info.type == ToolType::Trim) {
        m_trimView = std::make_unique<TrimView>();
        m_trimView->toolinfo = info;
        m_trimView->delegate = this;
        m_trimView->workFolderBase = trimWorkFolder;
        m_trimView->setupView();
        window.setType(ModalWindow::Type::Trim);
        window.setMwDelegate(m_trimView.get());
        content = m_trimView.get();
        button = m_player->button(PlayerPane::Button::Cut);
        size = TrimView::CONTENT_SIZE;
        title = TrimView::windowTitleText();
    } else {
        m_captureView = std::make_unique<CaptureView>();
        m_captureView->toolinfo = info;
        m_captureView->delegate = this;
        m_captureView->showDialog();
        window.setType(ModalWindow::Type::Capture);
        window.setMwDelegate(m_captureView.get());
        content = m_captureView.get();
        button = m_player->button(PlayerPane::Button::SnapShot);
        size = CaptureView::CONTENT_SIZE;
        title = CaptureView::windowTitleText();
    }
    window.setContent(content, title, size);
    window.move(toolWindowPoint(button));
    m_toolWindow = &window;
    window.runModal();
    m_toolWindow = nullptr;
    if (info.type == ToolType::Capture && m_captureView) m_captureView->windowDidClose();
    if (m_window) m_window->activateWindow();
}

QPoint ToolController::stopWatchPoint() const
{
    // At the top of the main window, as far from its right edge as the
    // recording list is wide.
    const QRect main = m_window->frameGeometry();
    return {main.x() + main.width() - m_window->recordingListWidth(), m_window->geometry().y()};
}

QPoint ToolController::toolWindowPoint(const QWidget* button) const
{
    // At the top of the main window, level with the button that opened it.
    if (!m_window) return {};
    const QRect main = m_window->frameGeometry();
    const int buttonX = button ? button->mapTo(m_window, QPoint(0, 0)).x() : 0;
    return {main.x() + buttonX, m_window->geometry().y()};
}

void ToolController::endToolRun()
{
    // Posted, so that it takes effect after the tool's own callback has returned.
    QTimer::singleShot(0, this, [window = m_toolWindow] {
        if (window) window->endModalRun();
    });
}

void ToolController::toolWindowDidClose(int code)
{
    endToolRun();
    if ((code == 1 || code == 2) && m_player) m_player->setCutSelection(false);
    if (code == 3) {
        QTimer::singleShot(0, this, [this] {
            Alerts::show(m_window, {Alerts::titleInformation(), TrimView::tr("The trim tool operation was cancelled."),
                                    Alerts::Style::Informational, {}});
        });
    }
}

void ToolController::toolCallbackOnMain()
{
    endToolRun();
}
