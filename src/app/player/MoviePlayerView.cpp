#include "app/player/MoviePlayerView.h"

#include "app/player/ChapterLoads.h"
#include "app/player/ControlRowLayout.h"
#include "app/player/CustomSliderCellMin.h"
#include "app/player/NSZoomView.h"
#include "app/player/PlayerImages.h"
#include "app/player/PlayerView.h"
#include "app/player/VideoCanvas.h"
#include "app/shell/EXTextButton.h"
#include "core/foundation/AppError.h"
#include "core/player/MediaPlayer.h"
#include "core/player/PlaybackAdjust.h"
#include "core/player/PlayerRules.h"
#include "core/recording/MoveProtectInfo.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VideoInfo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

using CommonConst::PlayStatus;
using CommonConst::PlayType;

namespace {

EXTextButton* makeButton(QWidget* parent, const QString& image, const QString& identifier = QString(),
                         bool checkable = false)
{
    auto* b = new EXTextButton(parent);
    b->setObjectName(identifier.isEmpty() ? image : identifier);
    b->setImage(PlayerImages::image(image, QSize(28, 28)));
    b->setMouseOverImage(PlayerImages::image(image + QStringLiteral("_over"), QSize(28, 28)));
    b->setDisableImage(PlayerImages::image(image + QStringLiteral("_disable"), QSize(28, 28)));
    b->setCheckable(checkable);
    if (checkable) b->setAlternateImage(PlayerImages::image(image + QStringLiteral("_over"), QSize(28, 28)));
    b->setFocusPolicy(Qt::StrongFocus);
    b->setFixedSize(28, 28);
    return b;
}

QLabel* makeLabel(QWidget* parent, const QString& text = QString())
{
    auto* l = new QLabel(text, parent);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    l->setPalette(pal);
    return l;
}

void setTip(QWidget* w, const QString& tip)
{
    w->setToolTip(w->isEnabled() ? tip : QString());
}

} // namespace

MoviePlayerView::PlayerFactory MoviePlayerView::mpvFactory(const MpvMediaPlayer::Config& config)
{
    return [config](MoviePlayerView& view) -> MediaPlayer* {
        auto* player = new MpvMediaPlayer(config, &view);
        view.playerView->setCanvas(createVideoCanvas(*player, view.playerView));
        return player;
    };
}

MoviePlayerView::MoviePlayerView(QWidget* parent, PlayerFactory factory, PlaybackClock::TimeSource clockSource)
    : PlayerPane(parent), m_factory(factory ? std::move(factory) : mpvFactory())
{
    setFocusPolicy(Qt::ClickFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x1e, 0x1e, 0x1e));
    setPalette(pal);

    trackbar = new CustomSliderCell(this, std::move(clockSource));
    m_loads = new ChapterLoads(this);
    connect(m_loads, &ChapterLoads::chapterLoaded, this, &MoviePlayerView::chapterDidLoad);
    buildControls();
    m_adjust = new PlayerAdjustments({brightSlider, volumeSlider, playSpeedSlider, volumeButton, playSpeedRateLabel},
                                     *this, this);
    m_zoom = new ZoomMenuController({playerView, zoomMenu, zoomButton, zoomButtons, this}, *this, this);
    connectControls();

    trackbar->setDelegate(this);
    m_adjust->applyPlaySpeed();
    zoomMenu->hide();
    zoomButton->setChecked(false);
    updateDatetimeLabel();
    updateNavigationButtons();
    updateDiffSecLabel();
    updateButtonState();
}

MoviePlayerView::~MoviePlayerView()
{
    trackbar->setDelegate(nullptr);
    trackbar->isPlay = false;
    trackbar->startTimer();
    // The media player goes first and without news for this half-destroyed
    // panel; it releases the canvas's render context itself.
    if (m_player) {
        m_player->disconnect(this);
        m_adjust->setMediaPlayer(nullptr);
        delete m_player.data();
    }
}

// ---- construction ----

void MoviePlayerView::buildControls()
{
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(2);

    toolsView = new QWidget(this);
    auto* tools = new QHBoxLayout(toolsView);
    tools->setContentsMargins(6, 2, 6, 2);
    tools->setSpacing(4);
    openButton = makeButton(toolsView, QStringLiteral("open"));
    saveButton = makeButton(toolsView, QStringLiteral("save"));
    settingButton = makeButton(toolsView, QStringLiteral("setting"), QStringLiteral("setting"));
    cutButton = makeButton(toolsView, QStringLiteral("cut"), QString(), true);
    snapShotButton = makeButton(toolsView, QStringLiteral("snapshot"));
    zoomButton = makeButton(toolsView, QStringLiteral("zoom"), QString(), true);
    stopWatchButton = makeButton(toolsView, QStringLiteral("stopwatch"), QString(), true);
    googleEathButton = makeButton(toolsView, QStringLiteral("google_earth"), QStringLiteral("google"));
    for (QWidget* w : {static_cast<QWidget*>(openButton), static_cast<QWidget*>(saveButton),
                       static_cast<QWidget*>(settingButton), static_cast<QWidget*>(cutButton),
                       static_cast<QWidget*>(snapShotButton), static_cast<QWidget*>(zoomButton),
                       static_cast<QWidget*>(stopWatchButton), static_cast<QWidget*>(googleEathButton)})
        tools->addWidget(w);
    tools->addStretch(1);
    datetimeView = new QWidget(toolsView);
    auto* dt = new QHBoxLayout(datetimeView);
    dt->setContentsMargins(0, 0, 0, 0);
    datetimeLabel = makeLabel(datetimeView);
    QFont f = datetimeLabel->font();
    f.setPointSize(f.pointSize() + 2);
    datetimeLabel->setFont(f);
    dt->addWidget(datetimeLabel);
    tools->addWidget(datetimeView);
    root->addWidget(toolsView);

    playerView = new PlayerView(this);
    playerView->setMinimumSize(160, 90);
    playerView->setBackgroundGradient(true);
    root->addWidget(playerView, 1);
    loadingText = makeLabel(playerView);
    loadingText->setAlignment(Qt::AlignCenter);
    loadingText->hide();

    root->addWidget(trackbar);

    // The control row: transport on the left, picture, sound and speed on
    // the right (under the transport when the row is too narrow for both).
    controllerView = new QWidget(this);
    auto* row = new ControlRowLayout(controllerView);
    row->setContentsMargins(6, 2, 6, 4);
    row->setSpacing(4);
    auto* transport = new QWidget(controllerView);
    transport->setObjectName(QStringLiteral("transportGroup"));
    auto* ctl = new QHBoxLayout(transport);
    ctl->setContentsMargins(0, 0, 0, 0);
    ctl->setSpacing(4);
    movieFirstButton = makeButton(transport, QStringLiteral("item_previous"));
    movieRewindButton = makeButton(transport, QStringLiteral("chapter_previous"));
    movieKomaBackButton = makeButton(transport, QStringLiteral("frame_back"));
    moviePlayButton = makeButton(transport, QStringLiteral("play"));
    moviePauseButton = makeButton(transport, QStringLiteral("pause"));
    movieStopButton = makeButton(transport, QStringLiteral("stop"));
    movieKomaGoButton = makeButton(transport, QStringLiteral("frame_forward"));
    movieForwardButton = makeButton(transport, QStringLiteral("chapter_next"));
    movieLastButton = makeButton(transport, QStringLiteral("item_next"));
    for (QWidget* w : {static_cast<QWidget*>(movieFirstButton), static_cast<QWidget*>(movieRewindButton),
                       static_cast<QWidget*>(movieKomaBackButton), static_cast<QWidget*>(moviePlayButton),
                       static_cast<QWidget*>(moviePauseButton), static_cast<QWidget*>(movieStopButton),
                       static_cast<QWidget*>(movieKomaGoButton), static_cast<QWidget*>(movieForwardButton),
                       static_cast<QWidget*>(movieLastButton)})
        ctl->addWidget(w);
    diffSecLabel = makeLabel(transport);
    diffSecLabel->setMinimumWidth(48);
    ctl->addWidget(diffSecLabel);

    auto* adjust = new QWidget(controllerView);
    adjust->setObjectName(QStringLiteral("adjustmentGroup"));
    ctl = new QHBoxLayout(adjust);
    ctl->setContentsMargins(0, 0, 0, 0);
    ctl->setSpacing(4);
    brightButton = makeButton(adjust, QStringLiteral("bright"), QStringLiteral("bright"));
    brightSlider = new CustomSliderCellMin(CustomSliderCellMin::bri, adjust);
    volumeButton = makeButton(adjust, QStringLiteral("volume_mute"), QStringLiteral("volume"), true);
    volumeButton->setAlternateImage(PlayerImages::image(QStringLiteral("volume"), QSize(28, 28)));
    volumeSlider = new CustomSliderCellMin(CustomSliderCellMin::vol, adjust);
    playSpeedSlowLabel = makeLabel(adjust, tr("Slow"));
    playSpeedSlider = new CustomSliderCellMin(CustomSliderCellMin::sp, adjust);
    playSpeedFastLabel = makeLabel(adjust, tr("Fast"));
    playSpeedRateLabel = makeLabel(adjust);
    // As wide as its widest text, so that a new speed never shifts the group.
    int rateWidth = 0;
    for (int position = 0; position <= 5; ++position) {
        const char* label = PlaybackAdjust::playSpeedForPosition(position).label;
        rateWidth = std::max(rateWidth, playSpeedRateLabel->fontMetrics().horizontalAdvance(
                                            QCoreApplication::translate("MoviePlayerView", label)));
    }
    playSpeedRateLabel->setFixedWidth(rateWidth + 4);
    for (CustomSliderCellMin* s : {brightSlider, volumeSlider, playSpeedSlider})
        s->setMinimumWidth(SMALL_SLIDER_MIN_WIDTH);
    fullscreenButton = makeButton(adjust, QStringLiteral("fullscreen"), QStringLiteral("fullscrn"), true);
    for (QWidget* w : {static_cast<QWidget*>(brightButton), static_cast<QWidget*>(brightSlider),
                       static_cast<QWidget*>(volumeButton), static_cast<QWidget*>(volumeSlider),
                       static_cast<QWidget*>(playSpeedSlowLabel), static_cast<QWidget*>(playSpeedSlider),
                       static_cast<QWidget*>(playSpeedFastLabel), static_cast<QWidget*>(playSpeedRateLabel),
                       static_cast<QWidget*>(fullscreenButton)})
        ctl->addWidget(w, 0, Qt::AlignVCenter);
    row->setGroups(transport, adjust);
    root->addWidget(controllerView);

    // A held frame button steps at once, after 0.2 s and then every 35 ms.
    for (EXTextButton* b : {movieKomaBackButton, movieKomaGoButton}) {
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(KOMA_START_INTERVAL);
        b->setAutoRepeatInterval(KOMA_INTERVAL);
    }

    zoomMenu = new NSZoomView(this);
    zoomMenu->setFixedSize(60, 5 * 28 + 12);
    for (int i = 0; i < 5; ++i) {
        auto* b = new EXTextButton(zoomMenu);
        b->setGeometry(6, 6 + i * 28, 48, 24);
        b->setText(QStringLiteral("×%1").arg(i + 1));
        b->setImage(PlayerImages::image(QStringLiteral("zoom_plate")));
        b->setMouseOverImage(PlayerImages::image(QStringLiteral("zoom_plate_over")));
        b->setDisableImage(PlayerImages::image(QStringLiteral("zoom_plate_disable")));
        zoomButtons[size_t(i)] = b;
    }
    zoomMenu->hide();
}

void MoviePlayerView::connectControls()
{
    connect(trackbar, &CustomSliderCell::userValueChanged, this, &MoviePlayerView::userValueChanged);
    connect(openButton, &QAbstractButton::clicked, this, [this] {
        if (m_delegate) m_delegate->showOpenDialog();
    });
    connect(saveButton, &QAbstractButton::clicked, this, [this] {
        if (m_delegate) m_delegate->showBackupDialog();
    });
    connect(settingButton, &QAbstractButton::clicked, this, [this] {
        if (m_delegate) m_delegate->showCameraSettings();
    });
    connect(stopWatchButton, &QAbstractButton::clicked, this, [this] {
        if (!m_delegate) return;
        if (stopWatchButton->isChecked())
            m_delegate->showStopWatch();
        else
            m_delegate->hideStopWatch();
    });
    // The trim button is turned on by the main window when the tool opens.
    connect(cutButton, &QAbstractButton::clicked, this, [this] {
        cutButton->setChecked(trackbar->selectFrame());
        if (m_delegate) m_delegate->openToolWindow(5);
    });
    connect(snapShotButton, &QAbstractButton::clicked, this, [this] {
        if (m_delegate) m_delegate->openToolWindow(6);
    });
    connect(zoomButton, &QAbstractButton::clicked, this, [this] { m_zoom->openZoomMenu(); });
    connect(googleEathButton, &QAbstractButton::clicked, this, [this] {
        if (m_delegate) m_delegate->exportGoogleEarth();
    });
    connect(fullscreenButton, &QAbstractButton::clicked, this, &MoviePlayerView::onFullscreenButton);
    connect(movieRewindButton, &QAbstractButton::clicked, this, &MoviePlayerView::goPreviousChapter);
    connect(movieForwardButton, &QAbstractButton::clicked, this, &MoviePlayerView::goNextChapter);
    connect(movieFirstButton, &QAbstractButton::clicked, this, [this] {
        if (m_delegate) m_delegate->playPreviousItem();
    });
    connect(movieLastButton, &QAbstractButton::clicked, this, [this] {
        if (m_delegate) m_delegate->playNextItem();
    });
    connect(moviePlayButton, &QAbstractButton::clicked, this, &MoviePlayerView::onMoviePlayButton);
    connect(moviePauseButton, &QAbstractButton::clicked, this, &MoviePlayerView::onMoviePauseButton);
    connect(movieStopButton, &QAbstractButton::clicked, this, &MoviePlayerView::onMovieStopButton);
    // pressed: once at the press and once per repeat while held.
    connect(movieKomaBackButton, &QAbstractButton::pressed, this, [this] {
        frameBack();
        if (m_delegate) m_delegate->refreshDrivingInfo(false);
    });
    connect(movieKomaGoButton, &QAbstractButton::pressed, this, [this] {
        frameForward();
        if (m_delegate) m_delegate->refreshDrivingInfo(false);
    });
    connect(brightSlider, &CustomSliderCellMin::valueChanged, this, [this](double v) {
        m_adjust->setGamma(v);
        focusTo(brightSlider);
    });
    connect(brightButton, &QAbstractButton::clicked, this, [this] {
        m_adjust->setGamma(PlaybackAdjust::GAMMA_DEFAULT);
        focusTo(brightButton);
    });
    connect(volumeButton, &QAbstractButton::clicked, this, [this] {
        m_adjust->setIsMute(!volumeButton->isChecked());
        m_adjust->applyPlaySpeed();
        focusTo(volumeButton);
    });
    connect(volumeSlider, &CustomSliderCellMin::valueChanged, this, [this](double v) {
        m_adjust->setVolume(float(v));
        m_adjust->applyPlaySpeed();
        focusTo(volumeSlider);
    });
    connect(playSpeedSlider, &CustomSliderCellMin::valueChanged, this, [this] {
        m_adjust->applyPlaySpeed();
        focusTo(playSpeedSlider);
    });
    for (int i = 0; i < 5; ++i) {
        connect(zoomButtons[size_t(i)], &QAbstractButton::clicked, this, [this, i] {
            if (i == 0)
                m_zoom->zoomToScale1();
            else
                m_zoom->zoomToScale(i);
        });
    }
}

void MoviePlayerView::placeZoomMenu()
{
    // Below the tools bar, aligned with the zoom button. The bar may not have
    // been laid out since it last changed: the button's place is made
    // current first.
    if (layout()) layout()->activate();
    if (toolsView->layout()) toolsView->layout()->activate();
    const QPoint at = zoomButton->mapTo(this, QPoint(0, 0));
    zoomMenu->move(at.x(), toolsView->geometry().bottom() + 1);
    zoomMenu->raise();
}

void MoviePlayerView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeZoomMenu();
    loadingText->setGeometry(playerView->rect());
}

void MoviePlayerView::focusTo(QWidget* widget)
{
    if (widget && widget->focusPolicy() != Qt::NoFocus) widget->setFocus(Qt::OtherFocusReason);
}

void MoviePlayerView::focusPanel()
{
    setFocus(Qt::OtherFocusReason);
}

void MoviePlayerView::setClockRate(float rate)
{
    trackbar->rate = rate;
}

// ---- stopwatch and trim ----

void MoviePlayerView::refreshTrackbar(StopWatchStatus status, qint64 start, const QList<qint64>& laps,
                                      qint64 stopPosition, qint64 bound)
{
    trackbar->swStatus = status;
    trackbar->swStartSumFrameTS = start;
    trackbar->swLapSumFrameTSList = laps;
    trackbar->swStopSumFrameTS = stopPosition;
    trackbar->refresh();
    _valueInfo->setStopwatchStart(status == StopWatchStatus::Start ? std::optional<qint64>(bound) : std::nullopt);
    trackbar->update();
    updateNavigationButtons();
}

QAbstractButton* MoviePlayerView::button(Button which) const
{
    switch (which) {
    case Button::Open:
        return openButton;
    case Button::Cut:
        return cutButton;
    case Button::SnapShot:
        return snapShotButton;
    case Button::StopWatch:
        return stopWatchButton;
    }
    return nullptr;
}

void MoviePlayerView::setCutSelection(bool on)
{
    trackbar->setSelectFrame(on);
    trackbar->update();
    playerView->showTrimLabel(on);
    cutButton->setChecked(on);
    updateNavigationButtons();
    updateDatetimeLabel();
    updateButtonState();
}

void MoviePlayerView::hideZoomMenu()
{
    m_zoom->hideZoomMenu();
}

// ---- labels and enabled states ----

void MoviePlayerView::updateDatetimeLabel()
{
    const bool notReady = _currentStatus == PlayStatus::NotReady;
    QDateTime current;
    std::optional<QDateTime> selectStart;
    if (!notReady) {
        current = trackbar->currentDate();
        if (trackbar->selectFrame()) selectStart = trackbar->selectStartDate();
    }
    datetimeLabel->setText(PlayerRules::datetimeLabelText(notReady, current, selectStart));
}

void MoviePlayerView::updateDiffSecLabel()
{
    const bool ready = isReady() && _currentStatus != PlayStatus::NotReady;
    diffSecLabel->setText(
        PlayerRules::diffSecText(ready, _valueInfo->_playType, _eventFrame, ready ? trackbar->integerValue() : 0));
}

void MoviePlayerView::updateButtonState()
{
    const bool ready = isReady() && _currentStatus != PlayStatus::NotReady;
    const PlayerRules::ToolState s = PlayerRules::toolState(ready, zoomButton->isChecked(), cutButton->isChecked());
    if (ready) {
        if (m_delegate) m_delegate->updateSaveButton();
    } else {
        saveButton->setEnabled(false);
    }
    settingButton->setEnabled(s.setting);
    openButton->setEnabled(s.open);
    stopWatchButton->setEnabled(s.stopwatch);
    googleEathButton->setEnabled(s.googleEarth);
    fullscreenButton->setEnabled(s.fullscreen);
    cutButton->setEnabled(s.cut);
    snapShotButton->setEnabled(s.snapshot);
    zoomButton->setEnabled(s.zoom);
    setTip(saveButton, tr("Save"));
    setTip(settingButton, tr("Setting"));
    setTip(cutButton, tr("Trim Tool"));
    setTip(snapShotButton, tr("Screen Capture"));
    setTip(zoomButton, tr("Zoom"));
    setTip(stopWatchButton, tr("Stopwatch"));
    setTip(googleEathButton, tr("File output for Google Earth"));
    setTip(fullscreenButton, fullscreenButton->isChecked() ? tr("Close full screen") : tr("Full Screen Display"));
}

void MoviePlayerView::updateNavigationButtons()
{
    const bool ready = isReady() && _currentStatus != PlayStatus::NotReady;
    PlayerRules::NavigationInputs in;
    in.ready = ready;
    in.status = _currentStatus;
    in.type = _valueInfo->_playType;
    if (ready) {
        in.position = trackbarPosition();
        in.lower = _valueInfo->lowerBound();
        in.upper = _valueInfo->upperBound();
        in.maxValue = _valueInfo->_maxValue;
        in.cutSelection = trackbar->selectFrame();
        in.selectStart = trackbar->selectStartSumFrameTS();
        if (in.type == PlayType::Adventure) {
            in.hasPreviousChapter = previousChapter() != nullptr;
            in.hasNextChapter = nextChapter() != nullptr;
        } else if (in.type == PlayType::Movie) {
            in.startFrameIndex = _valueInfo->startFrameIndex();
            in.endFrameIndex = _valueInfo->endFrameIndex();
            in.currentIndex = _valueInfo->currentIndex();
        }
        in.isPrevTrip = _isPrevTrip;
        in.isNextTrip = _isNextTrip;
    }
    const PlayerRules::NavigationState s = PlayerRules::navigationState(in);
    moviePlayButton->setEnabled(s.play);
    moviePlayButton->setVisible(!s.pauseShown);
    moviePauseButton->setEnabled(s.pause);
    moviePauseButton->setVisible(s.pauseShown);
    movieStopButton->setEnabled(s.stop);
    movieKomaBackButton->setEnabled(s.frameBack);
    movieKomaGoButton->setEnabled(s.frameForward);
    movieRewindButton->setEnabled(s.previousChapter);
    movieForwardButton->setEnabled(s.nextChapter);
    movieFirstButton->setEnabled(s.first);
    movieLastButton->setEnabled(s.last);
    trackbar->setEnabled(s.trackbar);
    fullscreenButton->setEnabled(s.fullscreen);
    if (!ready) {
        brightButton->setToolTip(tr("Standard brightness"));
        volumeButton->setToolTip(tr("Mute"));
    }
    QString firstTip, lastTip;
    switch (_valueInfo->_playType) {
    case PlayType::Movie: firstTip = tr("Previous trip"); lastTip = tr("Next Trip"); break;
    case PlayType::Adventure: firstTip = tr("Previous adventure"); lastTip = tr("Next adventure"); break;
    case PlayType::Event:
    case PlayType::Surveillance: firstTip = tr("Previous event"); lastTip = tr("Next event"); break;
    }
    setTip(movieFirstButton, firstTip);
    setTip(movieLastButton, lastTip);
    const bool chapters = _valueInfo->_playType == PlayType::Movie || _valueInfo->_playType == PlayType::Adventure;
    setTip(movieRewindButton, chapters ? tr("Previous chapter") : QString());
    setTip(movieForwardButton, chapters ? tr("Next chapter") : QString());
    setTip(moviePlayButton, tr("Play back"));
    setTip(moviePauseButton, tr("momentary pause"));
    setTip(movieStopButton, tr("Stop"));
    setTip(movieKomaBackButton, tr("Frame playback"));
    setTip(movieKomaGoButton, tr("Frame advance"));
}

// ---- actions ----

void MoviePlayerView::onMoviePlayButton()
{
    const qint64 p = trackbarPosition();
    if (double(p) >= trackbar->maxValue() && !isEndStillLoading()) {
        // Played to the end: start again from the beginning. (Before the
        // last chapter has arrived its length counts nothing: the end is
        // where that chapter starts, and it is played once it is there.)
        _valueInfo->setCurrentValue(qint64(trackbar->minValue()));
        trackbar->setIntegerValue(_valueInfo->_currentValue);
        trackbarChanged();
        seek();
    }
    play();
    focusTo(moviePauseButton);
}

void MoviePlayerView::onMoviePauseButton()
{
    pause();
    if (m_delegate) m_delegate->refreshDrivingInfo(false);
    focusTo(moviePlayButton);
}

void MoviePlayerView::onMovieStopButton()
{
    if (m_delegate) m_delegate->playerControlEvent(7);
    stop();
}

void MoviePlayerView::onFullscreenButton()
{
    const bool on = fullscreenButton->isChecked();
    if (on && playerView->playerScale != PlayerView::ScaleType::Scale_x1) m_zoom->zoomToScale1();
    setTip(fullscreenButton, on ? tr("Close full screen") : tr("Full Screen Display"));
    if (!m_delegate) return;
    if (on != m_delegate->isFullscreen()) m_delegate->toggleFullScreen();
    m_delegate->setFullScreenLayout(on);
}

void MoviePlayerView::leaveFullScreen()
{
    if (!fullscreenButton->isChecked()) return;
    fullscreenButton->setChecked(false);
    setTip(fullscreenButton, tr("Full Screen Display"));
    if (!m_delegate) return;
    if (m_delegate->isFullscreen()) m_delegate->toggleFullScreen();
    m_delegate->setFullScreenLayout(false);
}

bool MoviePlayerView::wrapFocus(bool forward)
{
    QWidget* focus = window() ? window()->focusWidget() : nullptr;
    auto* button = qobject_cast<QAbstractButton*>(focus);
    if (!button || button->objectName().isEmpty()) return false;
    const QString id = button->objectName();
    const bool stopwatchOn = stopWatchButton->isEnabled();
    QWidget* target = nullptr;
    if (forward && (id == QLatin1String("google") || id == QLatin1String("setting"))) {
        if (!stopwatchOn)
            target = brightButton;
        else if (id == QLatin1String("google"))
            target = fullscreenButton;
    } else if (!forward && (id == QLatin1String("bright") || id == QLatin1String("fullscrn"))) {
        if (!stopwatchOn)
            target = settingButton;
        else if (id == QLatin1String("fullscrn"))
            target = googleEathButton;
    }
    if (!target) return false;
    target->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

bool MoviePlayerView::focusNextPrevChild(bool next)
{
    if (wrapFocus(next)) return true;
    return QWidget::focusNextPrevChild(next);
}

void MoviePlayerView::keyPressEvent(QKeyEvent* event)
{
    if (!zoomMenu->isHidden()) {
        zoomMenu->setDelegate(m_zoom);
        m_zoom->handleKey(event->key());
    }
    if (event->key() == Qt::Key_Escape) {
        if (fullscreenButton->isChecked()) {
            fullscreenButton->setChecked(false);
            setTip(fullscreenButton, tr("Full Screen Display"));
        }
        if (m_delegate) {
            if (m_delegate->isFullscreen()) m_delegate->toggleFullScreen();
            m_delegate->setFullScreenLayout(false);
        }
        m_zoom->escape();
    }
    // The keys go on to the window as well.
    QWidget::keyPressEvent(event);
}

void MoviePlayerView::mousePressEvent(QMouseEvent* event)
{
    if (!zoomMenu->isHidden() && !zoomMenu->geometry().contains(event->position().toPoint())) zoomMenu->hide();
    if (playerView->playerScale == PlayerView::ScaleType::Scale_x1) zoomButton->setChecked(false);
    const QRect video(playerView->mapTo(this, QPoint(0, 0)), playerView->size());
    if (video.contains(event->position().toPoint()) && fullscreenButton->isChecked()) leaveFullScreen();
    m_zoom->clearZoomHover();
    updateButtonState();
    QWidget::mousePressEvent(event);
}
