#include "app/tools/ToolController.h"

#include "app/mainwindow/ViewController.h"
#include "app/player/CustomSliderCell.h"
#include "app/player/MoviePlayerView.h"
#include "app/shell/Alerts.h"
#include "app/shell/EXTextButton.h"
#include "app/shell/ModalWindow.h"
#include "app/tools/CaptureView.h"
#include "app/tools/StopWatchView.h"
#include "app/tools/TrimView.h"
#include "core/recording/PictureData.h"
#include "core/recording/VideoInfo.h"

#include <QTimer>
#include <cmath>

ToolController::ToolController(QWidget* window, ViewController* controller, MoviePlayerView* player)
    : QObject(window), m_window(window), m_controller(controller), m_player(player)
{
}

ToolController::~ToolController()
{
    if (m_stopWatch && m_controller) m_controller->setStopWatch(nullptr);
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
            if (m_player) m_player->stopWatchButton->setChecked(false);
        };
        m_controller->setStopWatch(m_stopWatch);
        m_controller->addFloatingWindow(m_stopWatch);
    }
    if (m_window) m_stopWatch->move(stopWatchPoint());
    bindStopWatch();
    m_stopWatch->show();
    m_stopWatch->setupWindow();
}

void ToolController::bindStopWatch()
{
    const auto& info = m_player->_valueInfo;
    if (const auto& model = m_player->trackbar->valueInfo()) model->setCurrentValue(m_player->trackbar->integerValue());
    m_stopWatch->setChapterDataList(info ? info->_chapterDataList : ChapterList{},
                                    m_player->trackbar->integerValue());
}

void ToolController::hideStopWatch()
{
    if (m_stopWatch) m_stopWatch->hide();
}

void ToolController::updateStopWatchButton()
{
    if (m_stopWatch) m_stopWatch->hide();
    if (m_player) m_player->stopWatchButton->setChecked(false);
}

void ToolController::playListChanged()
{
    if (m_stopWatch && m_stopWatch->isLoaded() && m_player) bindStopWatch();
}

void ToolController::positionChanged()
{
    if (!m_stopWatch || !m_player) return;
    if (const auto& model = m_player->trackbar->valueInfo()) m_stopWatch->setCurrentPosition(model->currentValue());
}

void ToolController::playerStopped()
{
    if (m_stopWatch) m_stopWatch->stop();
}

// ---- trim and capture ----

void ToolController::openToolWindow(std::uint8_t code)
{
    if (!m_player || (code != 5 && code != 6)) return;
    const std::shared_ptr<const PictureData> picture = m_player->currentPictureData();
    if (!picture || !picture->video || !m_player->trackbar) {
        Alerts::show(m_window, {Alerts::titleWarning(), TrimView::tr("Cut was unsuccessful."),
                                Alerts::Style::Critical, {Alerts::buttonOk()}});
        m_player->setCutSelection(false);
        return;
    }
    if (code == 5 && !m_player->trackbar->selectFrame()) {
        // The first press marks the start of the range; the second trims.
        m_player->setCutSelection(true);
        return;
    }
    m_player->pause();

    ToolInfo info;
    info.type = code == 5 ? ToolType::Trim : ToolType::Capture;
    info.chapterList = m_player->_valueInfo->_chapterDataList;
    const qsizetype index = m_player->_valueInfo->currentIndex();
    if (index >= 0 && index < info.chapterList.size()) info.chapter = info.chapterList[index];
    const qint64 position = qint64(std::floor(m_player->trackbar->doubleValue()));
    // A range marked backwards stays so: the trim window refuses it as too short.
    info.selectStartSumFrameTS = m_player->trackbar->selectStartSumFrameTS();
    info.selectEndSumFrameTS = position;
    info.recMode = picture->video->_recMode;
    info.currentTimeMs = m_player->mediaPlayer() ? m_player->mediaPlayer()->currentTimeMs() : 0;
    info.brightBarVal = m_player->adjustments().gamma();
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
        button = m_player->cutButton;
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
        button = m_player->snapShotButton;
        size = CaptureView::CONTENT_SIZE;
        title = CaptureView::windowTitleText();
    }
    window.setContent(content, title, size);
    window.move(toolWindowPoint(button));
    m_toolWindow = &window;
    window.runModal();
    m_toolWindow = nullptr;
    if (m_window) m_window->activateWindow();
}

QPoint ToolController::stopWatchPoint() const
{
    // At the top of the main window, as far from its right edge as the
    // recording list is wide.
    const QRect main = m_window->frameGeometry();
    const VideoListView* list = m_controller ? m_controller->videoListView() : nullptr;
    return {main.x() + main.width() - (list ? list->width() : 0), m_window->geometry().y()};
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
