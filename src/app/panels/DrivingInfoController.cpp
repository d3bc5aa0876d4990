#include "app/panels/DrivingInfoController.h"

#include "app/panels/CircleChartView.h"
#include "app/panels/DrivingInfoView.h"
#include "app/panels/LineView.h"
#include "app/panels/SpeedMeterView.h"
#include "app/shell/EXTextButton.h"
#include "app/shell/HostWindow.h"
#include "app/shell/PlayerPane.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/panels/LoadedFrames.h"
#include "core/panels/SpeedRunTable.h"
#include "core/recording/MoveProtectInfo.h"
#include "core/recording/VideoInfo.h"

#include <QKeyEvent>
#include <QLayout>
#include <QTimer>

using CommonConst::MouseStatus;
using CommonConst::PlayStatus;

DrivingInfoController::DrivingInfoController(HostWindow* window, PlayerPane* player)
    : QObject(window), m_window(window), m_player(player)
{
    QWidget* slot = window->drivingInfoSlot();
    m_view = new DrivingInfoView(slot);
    slot->layout()->addWidget(m_view);
    slot->show();
    connect(m_view, &DrivingInfoView::drivingInfoDisplayChanged, this,
            &DrivingInfoController::drivingInfoDisplayChanged);
    connect(m_view, &DrivingInfoView::graphMouseStatusChanged, this,
            &DrivingInfoController::graphMouseStatusChanged);
    // Tab from the panel's last button goes on to the player's first one,
    // Shift+Tab from there comes back.
    m_view->circleChartButton->installEventFilter(this);
    if (m_player) m_player->button(PlayerPane::Button::Open)->installEventFilter(this);
    m_window->setDrivingInfo(this);
}

DrivingInfoController::~DrivingInfoController()
{
    if (m_window) m_window->setDrivingInfo(nullptr);
}

DrivingInfoView* DrivingInfoController::view() const
{
    return m_view;
}

bool DrivingInfoController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && m_view && m_player) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (watched == m_view->circleChartButton && key->key() == Qt::Key_Tab
            && !(key->modifiers() & Qt::ShiftModifier)) {
            m_player->button(PlayerPane::Button::Open)->setFocus(Qt::TabFocusReason);
            return true;
        }
        if (watched == m_player->button(PlayerPane::Button::Open) && key->key() == Qt::Key_Backtab) {
            m_view->circleChartButton->setFocus(Qt::BacktabFocusReason);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void DrivingInfoController::applyStartupSettings(bool speedKmh, bool showSpeedMeter, bool showCircleChart)
{
    if (!m_view) return;
    m_view->speedMeterView->setSpeedType(speedKmh ? SpeedMeterType::KMH : SpeedMeterType::MPH);
    m_view->model().setSpeedKmh(speedKmh);
    m_view->setSpeedMeterState(showSpeedMeter);
    m_view->setCircleChartState(showCircleChart);
    m_view->circleChartView->setScope(CircleChartModel::scopeFromIndex(UserDefaultUtil::dispCircleChartMaxG));
    m_view->speedMeterView->resetSpeed();
    m_view->setupBorder();
    // Once the window is up, the meter starts from rest again (its first
    // picture is the one of a meter without a fix).
    QTimer::singleShot(0, this, [this] {
        if (m_view) m_view->speedMeterView->resetSpeed();
    });
}

void DrivingInfoController::resetDisplays()
{
    if (!m_view || m_cleared) return;
    m_cleared = true;
    m_view->setChapterList({});
    m_view->circleChartView->reset({});
    m_view->speedMeterView->resetSpeed();
    m_view->setGpsImage(false);
}

void DrivingInfoController::apply(const Request& request)
{
    m_cleared = false;
    if (request.window) {
        m_view->setAccident(request.surveillance, *request.window);
        m_view->circleChartView->setChapterData(request.surveillance, *request.window);
    } else {
        m_view->setChapterList(request.chapters);
        m_view->circleChartView->reset(request.chapters);
    }
}

void DrivingInfoController::restoreIfCleared()
{
    if (!m_cleared || !m_player) return;
    const std::shared_ptr<PlayMovieValueInfo> info = m_player->playing();
    const ChapterList& playing = info->_chapterDataList;
    if (m_request) {
        const ChapterList& asked = m_request->window ? *m_request->window->chapters : m_request->chapters;
        if (asked == playing) {
            apply(*m_request);
            return;
        }
    }
    // A trip opened without the panel being told: its chapters will do.
    const auto type = info->_playType;
    if (type == CommonConst::PlayType::Movie || type == CommonConst::PlayType::Adventure) {
        m_request = Request{playing, std::nullopt, false};
        apply(*m_request);
    }
}

void DrivingInfoController::setChapterList(const ChapterList& chapters)
{
    if (!m_view) return;
    Request request{chapters, std::nullopt, false};
    // What the panel shows already is not taken again (its window would go
    // back to the first chapter and be sampled anew).
    if (!m_cleared && m_request && *m_request == request) return;
    m_request = std::move(request);
    apply(*m_request);
}

void DrivingInfoController::setAccident(const CardData& card, const std::shared_ptr<MoveProtectInfo>& record)
{
    if (!m_view || !record) return;
    Request request;
    request.surveillance = record->_detect == MoveProtectInfo::DetectStatus::SURV;
    request.window = request.surveillance ? card.surveillanceChapterList(*record) : card.eventChapterList(*record);
    if (!request.window->chapters) request.window->chapters = ChapterList{};
    if (!m_cleared && m_request && *m_request == request) return;
    m_request = std::move(request);
    apply(*m_request);
}

void DrivingInfoController::chapterDidLoad(const std::shared_ptr<ChapterData>& chapter)
{
    // Its length may be known only now: the play list's positions move
    // before the panel's window is worked out again from them.
    if (m_player) m_player->followChapterLengths();
    if (m_view && !m_cleared) m_view->chapterDidLoad(chapter);
}

void DrivingInfoController::refreshDrivingInfo(bool playing)
{
    if (!m_view || !m_player) return;
    PlayerPane* p = m_player;
    const std::shared_ptr<PlayMovieValueInfo> info = p->playing();
    const std::shared_ptr<ChapterData> chapter = p->currentChapterData();
    // Only what is loaded: the player reads its chapter's recording itself.
    const std::shared_ptr<const PictureData> picture = chapter ? chapter->loadPicture(false) : nullptr;
    if (!picture || p->playStatus() == PlayStatus::NotReady) {
        resetDisplays();
        return;
    }
    if (p->isChangingChapter()) return;
    restoreIfCleared();

    info->setCurrentValue(p->trackbarValue());
    const qint64 position = info->_currentValue;
    const std::shared_ptr<ChapterData> at = p->currentChapterData();
    const std::shared_ptr<const VideoInfo> video = LoadedFrames::loadedVideo(at);
    if (!video) return;
    const VideoFramePtr frame = video->frameAt(0, info->currentFrame(), true);
    if (!frame) return;

    // The speed-run table of the chapter's recording, made once per recording.
    if (!m_durInfo || m_durVideo != video) {
        m_durInfo = SpeedRunTable::build(video);
        m_durVideo = video;
    }

    m_view->speedMeterView->setSpeed({frame->speed, frame->gps, frame->_movieTimeStamp}, playing, *m_durInfo);
    m_view->setValue(std::int32_t(std::clamp<qint64>(position, INT32_MIN, INT32_MAX)));
    m_view->circleChartView->update(std::int32_t(std::clamp<qint64>(position, INT32_MIN, INT32_MAX)),
                                    p->playStatus());
    m_view->setGpsImage(frame->gps);
}

void DrivingInfoController::drivingInfoDisplayChanged(int display)
{
    if (!m_view) return;
    const auto store = SettingsStore::open();
    if (display == DrivingInfoView::DISPLAY_CIRCLE_CHART) {
        UserDefaultUtil::dispCircleChart = m_view->circleChartButton->isChecked();
        store->setValue(UserDefaultUtil::KEY_DISP_CIRCLE_CHART, UserDefaultUtil::dispCircleChart);
    } else {
        UserDefaultUtil::dispSpeedMeter = m_view->speedMeterButton->isChecked();
        store->setValue(UserDefaultUtil::KEY_DISP_SPEED_METER, UserDefaultUtil::dispSpeedMeter);
    }
    refreshDrivingInfo(false);
}

void DrivingInfoController::seekToChart(PlayStatus status)
{
    if (!m_view || !m_player) return;
    if (const auto offset = m_view->lineChartView->value())
        m_view->setPositionOnly(m_view->model().minValue() + *offset);
    m_player->changeChapter(status, m_view->value());
    refreshDrivingInfo(false);
}

void DrivingInfoController::graphMouseStatusChanged(MouseStatus status)
{
    if (!m_player) return;
    switch (status) {
    case MouseStatus::MouseDragged:
        seekToChart(PlayStatus::Pause);
        break;
    case MouseStatus::MouseUp:
        // Only a release that ends a press goes back to the status of the press.
        if (m_tmpPlayStatus) {
            const PlayStatus restore = *m_tmpPlayStatus;
            m_tmpPlayStatus.reset();
            seekToChart(restore);
        }
        break;
    case MouseStatus::MouseDown:
        m_tmpPlayStatus = m_player->playStatus();
        break;
    }
}
