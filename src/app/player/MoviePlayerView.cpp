#include "player/MoviePlayerView.h"

#include "foundation/AppError.h"
#include "player/CustomSliderCellMin.h"
#include "player/EXTextButton.h"
#include "player/MediaPlayer.h"
#include "player/NSZoomView.h"
#include "player/PlaybackAdjust.h"
#include "player/PlayerImages.h"
#include "player/PlayerRules.h"
#include "player/PlayerView.h"
#include "player/VideoCanvas.h"
#include "recording/MoveProtectInfo.h"
#include "recording/PictureData.h"
#include "recording/PictureDataUtil.h"
#include "recording/VideoInfo.h"

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

std::int32_t toPosition(qint64 v)
{
    return std::int32_t(std::clamp<qint64>(v, INT32_MIN, INT32_MAX));
}

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
    : QWidget(parent), m_factory(factory ? std::move(factory) : mpvFactory())
{
    setFocusPolicy(Qt::ClickFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x1e, 0x1e, 0x1e));
    setPalette(pal);

    trackbar = new CustomSliderCell(this, std::move(clockSource));
    buildControls();
    m_adjust = new PlayerAdjustments({brightSlider, volumeSlider, playSpeedSlider, volumeButton, playSpeedRateLabel},
                                     *this, this);
    m_zoomOverlayHost = this;
    m_zoom = new ZoomMenuController({playerView, zoomMenu, zoomButton, zoomButtons, m_zoomOverlayHost}, *this, this);
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
    root->addWidget(playerView, 1);
    loadingText = makeLabel(playerView);
    loadingText->setAlignment(Qt::AlignCenter);
    loadingText->hide();

    root->addWidget(trackbar);

    controllerView = new QWidget(this);
    auto* ctl = new QHBoxLayout(controllerView);
    ctl->setContentsMargins(6, 2, 6, 4);
    ctl->setSpacing(4);
    movieFirstButton = makeButton(controllerView, QStringLiteral("item_previous"));
    movieRewindButton = makeButton(controllerView, QStringLiteral("chapter_previous"));
    movieKomaBackButton = makeButton(controllerView, QStringLiteral("frame_back"));
    moviePlayButton = makeButton(controllerView, QStringLiteral("play"));
    moviePauseButton = makeButton(controllerView, QStringLiteral("pause"));
    movieStopButton = makeButton(controllerView, QStringLiteral("stop"));
    movieKomaGoButton = makeButton(controllerView, QStringLiteral("frame_forward"));
    movieForwardButton = makeButton(controllerView, QStringLiteral("chapter_next"));
    movieLastButton = makeButton(controllerView, QStringLiteral("item_next"));
    for (QWidget* w : {static_cast<QWidget*>(movieFirstButton), static_cast<QWidget*>(movieRewindButton),
                       static_cast<QWidget*>(movieKomaBackButton), static_cast<QWidget*>(moviePlayButton),
                       static_cast<QWidget*>(moviePauseButton), static_cast<QWidget*>(movieStopButton),
                       static_cast<QWidget*>(movieKomaGoButton), static_cast<QWidget*>(movieForwardButton),
                       static_cast<QWidget*>(movieLastButton)})
        ctl->addWidget(w);
    diffSecLabel = makeLabel(controllerView);
    diffSecLabel->setMinimumWidth(48);
    ctl->addWidget(diffSecLabel);
    ctl->addStretch(1);
    brightButton = makeButton(controllerView, QStringLiteral("bright"), QStringLiteral("bright"));
    brightSlider = new CustomSliderCellMin(CustomSliderCellMin::bri, controllerView);
    volumeButton = makeButton(controllerView, QStringLiteral("volume_mute"), QStringLiteral("volume"), true);
    volumeButton->setAlternateImage(PlayerImages::image(QStringLiteral("volume"), QSize(28, 28)));
    volumeSlider = new CustomSliderCellMin(CustomSliderCellMin::vol, controllerView);
    playSpeedSlowLabel = makeLabel(controllerView, tr("Slow"));
    playSpeedSlider = new CustomSliderCellMin(CustomSliderCellMin::sp, controllerView);
    playSpeedFastLabel = makeLabel(controllerView, tr("Fast"));
    playSpeedRateLabel = makeLabel(controllerView);
    playSpeedRateLabel->setMinimumWidth(96);
    fullscreenButton = makeButton(controllerView, QStringLiteral("fullscreen"), QStringLiteral("fullscrn"), true);
    for (QWidget* w : {static_cast<QWidget*>(brightButton), static_cast<QWidget*>(brightSlider),
                       static_cast<QWidget*>(volumeButton), static_cast<QWidget*>(volumeSlider),
                       static_cast<QWidget*>(playSpeedSlowLabel), static_cast<QWidget*>(playSpeedSlider),
                       static_cast<QWidget*>(playSpeedFastLabel), static_cast<QWidget*>(playSpeedRateLabel),
                       static_cast<QWidget*>(fullscreenButton)})
        ctl->addWidget(w);
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
    // Below the tools bar, aligned with the zoom button.
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

// ---- the media player ----

bool MoviePlayerView::ensurePlayer()
{
    if (m_player) return true;
    try {
        m_player = m_factory(*this);
    } catch (const AppError&) {
        m_player = nullptr;
    }
    if (!m_player) return false;
    // Subscribed once for the player's life; its news arrive on this thread.
    connect(m_player, &MediaPlayer::readyToPlay, this, &MoviePlayerView::onReadyToPlay);
    connect(m_player, &MediaPlayer::failed, this, &MoviePlayerView::onItemFailed);
    connect(m_player, &MediaPlayer::reachedEnd, this, &MoviePlayerView::onReachedEnd);
    m_adjust->setMediaPlayer(m_player);
    m_player->setBrightness(PlaybackAdjust::brightnessOffset(m_adjust->gamma()));
    m_adjust->applyPlaySpeed();
    return true;
}

bool MoviePlayerView::isReady() const
{
    return m_player && m_playerReady;
}

bool MoviePlayerView::isPlaying() const
{
    return isReady() && _currentStatus == PlayStatus::Play;
}

bool MoviePlayerView::isSeeking() const
{
    return m_player && m_player->isSeeking();
}

bool MoviePlayerView::makePlayerItem(const std::shared_ptr<ChapterData>& chapter)
{
    if (!m_player || !chapter) return false;
    if (chapter == m_failedChapter) return false; // told once already for this play list
    const QString path = chapter->_pathMp4.toLocalFile();
    if (path.isEmpty() || !QFileInfo(path).isFile() || !m_player->open(path)) {
        m_failedChapter = chapter;
        if (m_delegate) m_delegate->showOpenFailed();
        return false;
    }
    return true;
}

void MoviePlayerView::onReadyToPlay()
{
    if (m_waitingFirstReady) {
        m_waitingFirstReady = false;
        m_playerReady = true;
        if (VideoCanvas* canvas = playerView->canvas()) canvas->widget()->show();
        _currentStatus = PlayStatus::Pause;
        if (autoPlay)
            play();
        else
            stop();
        if (m_delegate) m_delegate->playerDidReachEnd();
        return;
    }
    // A later chapter's movie: its end is known now, so the picture can be
    // put on the position's frame within it.
    if (!isPlaying()) seek();
}

void MoviePlayerView::onItemFailed()
{
    if (m_delegate) m_delegate->showPlayFailed();
    pause();
}

void MoviePlayerView::onReachedEnd()
{
    trackbarPosition();
    if (_valueInfo->currentChapter() != _currentChapterData) {
        changeChapter(PlayStatus::Play, _valueInfo->_currentValue);
        if (m_delegate) m_delegate->playerDidReachEnd();
    } else if (m_player) {
        m_player->pause();
    }
}

std::shared_ptr<ChapterData> MoviePlayerView::currentChapterData() const
{
    return _valueInfo->currentChapter();
}

std::shared_ptr<const PictureData> MoviePlayerView::currentPictureData() const
{
    const auto chapter = currentChapterData();
    return chapter ? chapter->loadPicture(true) : nullptr;
}

std::shared_ptr<ChapterData> MoviePlayerView::previousChapter() const
{
    const ChapterList& list = _valueInfo->_chapterDataList;
    const auto current = currentChapterData();
    const qsizetype i = list.indexOf(current);
    if (!current || list.size() <= 1 || i <= 0) return nullptr;
    return list[i - 1];
}

std::shared_ptr<ChapterData> MoviePlayerView::nextChapter() const
{
    const ChapterList& list = _valueInfo->_chapterDataList;
    const auto current = currentChapterData();
    const qsizetype i = list.indexOf(current);
    if (!current || i < 0 || i + 1 >= list.size()) return nullptr;
    return list[i + 1];
}

qint64 MoviePlayerView::itemEndLimit() const
{
    if (!m_player) return 0;
    const auto& list = _valueInfo->_chapterDataList;
    const bool last = !list.isEmpty() && currentChapterData() == list.last();
    return PlayerRules::itemEndLimit(m_player->durationMs(), last);
}

double MoviePlayerView::frameRate() const
{
    return m_player ? m_player->nominalFrameRate() : 0.0;
}

bool MoviePlayerView::cutFile(const std::shared_ptr<ChapterData>& chapter) const
{
    if (!chapter) return false;
    const auto picture = chapter->loadPicture(true);
    return picture && picture->video && picture->video->_isCutVideo;
}

qint64 MoviePlayerView::trackbarPosition()
{
    _valueInfo->setCurrentValue(trackbar->integerValue());
    // The knob shows the model's position, which the stopwatch and trim
    // bounds may have held back.
    if (trackbar->integerValue() != _valueInfo->_currentValue) trackbar->setIntegerValue(_valueInfo->_currentValue);
    return _valueInfo->_currentValue;
}

CommonConst::PlayStatus MoviePlayerView::statusForMove() const
{
    return isReady() ? _currentStatus : PlayStatus::NotReady;
}

// ---- opening and closing ----

void MoviePlayerView::showMovie(const CardData& card, const std::shared_ptr<MoveProtectInfo>& record)
{
    _valueInfo = std::make_shared<PlayMovieValueInfo>(card, record);
    _valueInfo->setCurrentValue(_valueInfo->_minValue);
    _eventFrame = -1;
    if (record && !_valueInfo->_chapterDataList.isEmpty() && _valueInfo->_chapterDataList.first())
        _eventFrame = qint64(record->_timeStamp) - qint64(_valueInfo->_chapterDataList.first()->timeStamp());
    openMovie();
    updateDatetimeLabel();
    updateButtonState();
    updateDiffSecLabel();
    updateNavigationButtons();
}

void MoviePlayerView::openMovie()
{
    m_failedChapter.reset();
    if (!ensurePlayer()) {
        if (m_delegate) m_delegate->showPlayFailed();
        return;
    }
    if (_currentStatus == PlayStatus::Play) m_player->pause();
    const auto chapter = _valueInfo->currentChapter();
    if (chapter) {
        // The chapter counts as loaded only once its movie is in the player.
        if (!makePlayerItem(chapter)) return;
    }
    _currentChapterData = chapter;
    if (m_player->status() != MediaPlayer::ItemStatus::None) {
        if (m_playerReady) {
            _currentStatus = PlayStatus::Stop;
            trackbar->isPlay = false; // a stopped player's clock stands
            trackbar->startTimer();
        } else
            m_waitingFirstReady = true;
    }
    trackbar->updateValue(_valueInfo);
    if (m_player->status() != MediaPlayer::ItemStatus::None) seek();
    playerView->isCutFile = cutFile(chapter);
    playerView->installPlayerLayer();
}

void MoviePlayerView::resetPlayer()
{
    trackbar->isPlay = false;
    trackbar->startTimer();
    if (m_player) {
        m_player->pause();
        m_player->close();
    }
    // The media player is kept (starting libmpv again costs time); without
    // an item it is not ready until a new first movie is.
    m_playerReady = false;
    m_waitingFirstReady = false;
    // The last picture of the closed movie is not shown again: the surface
    // stays black until a new movie is ready.
    if (VideoCanvas* canvas = playerView->canvas()) canvas->widget()->hide();
    _currentChapterData.reset();
    m_failedChapter.reset();
    _valueInfo = std::make_shared<PlayMovieValueInfo>();
    _currentStatus = PlayStatus::NotReady;
    trackbar->updateValue(_valueInfo);
    playerView->isCutFile = false;
    playerView->installPlayerLayer();
}

void MoviePlayerView::closeMovie(bool loading)
{
    _backText = loading ? tr("Now Loading") : QString();
    loadingText->setText(_backText);
    resetPlayer();
    updateNavigationButtons();
    updateDiffSecLabel();
    updateDatetimeLabel();
    updateButtonState();
}

// ---- transport ----

void MoviePlayerView::play()
{
    if (!isReady()) {
        autoPlay = true;
        return;
    }
    if (_currentStatus == PlayStatus::Play) return;
    _currentStatus = PlayStatus::Play;
    m_adjust->applyPlaySpeed();
    // The synchronisation starts the movie when the clock is ahead of it.
    m_player->setRate(0.0);
    trackbar->isPlay = true;
    trackbar->rate = m_adjust->settingRate();
    trackbar->startTimer();
    updateNavigationButtons();
    updateButtonState();
    autoPlay = false;
}

void MoviePlayerView::pause()
{
    if (_currentStatus == PlayStatus::NotReady || _currentStatus == PlayStatus::Pause) return;
    _currentStatus = PlayStatus::Pause;
    trackbar->isPlay = false;
    trackbar->startTimer();
    if (m_player) m_player->pause();
    updateNavigationButtons();
    updateButtonState();
}

void MoviePlayerView::stop()
{
    if (_currentStatus == PlayStatus::NotReady || _currentStatus == PlayStatus::Stop) return;
    _currentStatus = PlayStatus::Stop;
    trackbar->isPlay = false;
    trackbar->startTimer();
    if (m_player) m_player->pause();
    qint64 target = _valueInfo->lowerBound();
    if (_valueInfo->_playType == PlayType::Movie || _valueInfo->_playType == PlayType::Adventure)
        target = PictureDataUtil::position(_valueInfo->_chapterDataList, _valueInfo->currentIndex(), 0);
    _valueInfo->setCurrentValue(target);
    trackbar->setIntegerValue(_valueInfo->_currentValue);
    trackbarChanged();
    if (isReady()) seek();
    updateNavigationButtons();
    updateButtonState();
}

void MoviePlayerView::changeChapter(PlayStatus status, qint64 position)
{
    if (_valueInfo->_chapterDataList.isEmpty() || isPlayerSeek) return;
    isPlayerSeek = true;
    pause();
    _valueInfo->setCurrentValue(position);
    const auto chapter = _valueInfo->currentChapter();
    if (chapter && chapter != _currentChapterData) {
        if (!makePlayerItem(chapter)) {
            isPlayerSeek = false;
            updateNavigationButtons();
            return;
        }
        _currentChapterData = chapter;
        playerView->isCutFile = cutFile(chapter);
    }
    trackbar->setIntegerValue(_valueInfo->_currentValue);
    trackbarChanged();
    seek();
    switch (status) {
    case PlayStatus::NotReady:
        break;
    case PlayStatus::Play:
        play();
        break;
    case PlayStatus::Pause:
    case PlayStatus::Stop: {
        const qint64 p = trackbar->integerValue();
        const qint64 chapterStart =
            PictureDataUtil::position(_valueInfo->_chapterDataList, _valueInfo->currentIndex(), 0);
        if (p == qint64(trackbar->minValue()) || p == chapterStart)
            stop();
        else
            pause();
        break;
    }
    }
    updateNavigationButtons();
    isPlayerSeek = false;
}

// ---- the clock ----

void MoviePlayerView::trackbarChanged()
{
    if (trackbar->selectFrame()
        && std::floor(trackbar->doubleValue()) - double(trackbar->selectStartSumFrameTS())
            >= double(CustomSliderCell::TRM_MAX_VAL))
        pause();
    trackbarPosition();
    updateDatetimeLabel();
    updateDiffSecLabel();
    updateNavigationButtons();
    if (_valueInfo->currentChapter() != _currentChapterData) {
        changeChapter(statusForMove(), _valueInfo->_currentValue);
        if (m_delegate) m_delegate->playerDidReachEnd();
        return;
    }
    if (double(trackbarPosition()) >= trackbar->maxValue()) pause();
    syncPlayerToPosition(_valueInfo->_currentValue);
    if (m_delegate) m_delegate->playerPositionChanged();
}

void MoviePlayerView::userValueChanged()
{
    updateDatetimeLabel();
    updateDiffSecLabel();
    updateNavigationButtons();
    const PlayStatus status = statusForMove();
    const qint64 p = trackbarPosition();
    const auto before = _currentChapterData;
    changeChapter(status, p);
    if (_currentChapterData != before && m_delegate) m_delegate->playerDidReachEnd();
    if (m_delegate) m_delegate->refreshDrivingInfo(false);
    focusTo(trackbar);
}

void MoviePlayerView::syncPlayerToPosition(qint64 position)
{
    if (!isPlaying()) return;
    const ChapterList& list = _valueInfo->_chapterDataList;
    PlayerRules::SyncInputs in;
    in.settingRate = m_adjust->settingRate();
    in.itemReady = m_player->isReady();
    in.ts = PictureDataUtil::movieTimeStamp(list, toPosition(position));
    if (!in.ts) return;
    in.now = m_player->currentTimeMs();
    qsizetype k = 0;
    std::int32_t offset = 0;
    PictureDataUtil::chapterIndex(list, toPosition(position), k, offset);
    in.positionIndex = k;
    in.currentIndex = _valueInfo->currentIndex();
    if (in.settingRate <= 2.0f) {
        in.ts50 = PictureDataUtil::movieTimeStamp(list, toPosition(position + 50));
        in.ts150 = PictureDataUtil::movieTimeStamp(list, toPosition(position + 150));
        in.itemEndLimit = itemEndLimit();
    }
    switch (PlayerRules::decideSync(in)) {
    case PlayerRules::SyncAction::None:
    case PlayerRules::SyncAction::KeepRate:
        break;
    case PlayerRules::SyncAction::PauseAndSeek:
        m_player->pause();
        seek();
        break;
    case PlayerRules::SyncAction::Pause:
        m_player->pause();
        break;
    case PlayerRules::SyncAction::Start:
        if (m_player->rate() != double(in.settingRate)) m_player->setRate(double(in.settingRate));
        break;
    }
}

void MoviePlayerView::seek()
{
    if (!m_player) return;
    // While the movie's length is not known yet, the frame's own time is
    // used; the limit applies once the movie is ready (onReadyToPlay).
    const bool lengthKnown = m_player->durationMs() >= 0;
    const qint64 limit = lengthKnown ? itemEndLimit() : std::numeric_limits<qint64>::max();
    std::optional<std::uint32_t> ts;
    if (const auto chapter = currentChapterData()) {
        if (const auto picture = chapter->loadPicture(true)) {
            ts = 0;
            if (picture->video) ts = picture->video->frameAt(1, _valueInfo->currentFrame(), true)->_movieTimeStamp;
        }
    }
    m_player->seekExact(std::max<qint64>(0, PlayerRules::seekTarget(ts, limit)));
}

// ---- steps ----

void MoviePlayerView::frameBack()
{
    if (!movieKomaBackButton->isEnabled()) return;
    const int step = PlaybackAdjust::frameStepMs(frameRate());
    const qint64 target = trackbar->integerValue() - step;
    const qsizetype before = _valueInfo->currentIndex();
    if (target <= qint64(trackbar->minValue())) {
        changeChapter(PlayStatus::Stop, qint64(trackbar->minValue()));
    } else {
        changeChapter(PlayStatus::Pause, target);
        if (_valueInfo->currentIndex() != before && m_delegate) m_delegate->playerDidReachEnd();
    }
}

void MoviePlayerView::frameForward()
{
    if (!movieKomaGoButton->isEnabled()) return;
    if (isPlaying()) {
        pause();
        return;
    }
    const int step = PlaybackAdjust::frameStepMs(frameRate());
    const qsizetype before = _valueInfo->currentIndex();
    changeChapter(PlayStatus::Pause, std::min<qint64>(qint64(trackbar->maxValue()), trackbar->integerValue() + step));
    if (_valueInfo->currentIndex() != before && m_delegate) m_delegate->playerDidReachEnd();
}

void MoviePlayerView::goPreviousChapter()
{
    if (!m_player || _isProcessing) return;
    const qsizetype target = _valueInfo->currentIndex() - 1;
    if (target < 0 || target >= _valueInfo->_chapterDataList.size()) return;
    _isProcessing = true;
    changeChapter(statusForMove(), PictureDataUtil::position(_valueInfo->_chapterDataList, target, 0));
    updateNavigationButtons();
    updateDiffSecLabel();
    if (m_delegate) m_delegate->playerDidReachEnd();
    _isProcessing = false;
}

void MoviePlayerView::goNextChapter()
{
    if (!m_player || _isProcessing) return;
    const qsizetype target = _valueInfo->currentIndex() + 1;
    if (target < 0 || target >= _valueInfo->_chapterDataList.size()) return;
    _isProcessing = true;
    changeChapter(statusForMove(), PictureDataUtil::position(_valueInfo->_chapterDataList, target, 0));
    updateNavigationButtons();
    updateDiffSecLabel();
    if (m_delegate) m_delegate->playerDidReachEnd();
    _isProcessing = false;
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
    if (double(p) >= trackbar->maxValue()) {
        // Played to the end: start again from the beginning.
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
