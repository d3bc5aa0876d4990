// The panel's side of playback: the media player it drives, opening and
// closing movies, play/pause/stop, chapter changes, and keeping the movie in
// step with the track bar's clock.
#include "app/player/MoviePlayerView.h"

#include "app/player/ChapterLoads.h"
#include "app/player/CustomSliderCellMin.h"
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

#include <QFileInfo>
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

} // namespace

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
    return chapter ? chapter->loadPicture(false) : nullptr;
}

void MoviePlayerView::whenChapterLoaded(QObject* context, std::function<void()> then)
{
    const auto chapter = currentChapterData();
    if (!chapter || !m_loads->request(chapter)) {
        then();
        return;
    }
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(m_loads, &ChapterLoads::chapterLoaded, context,
                          [connection, chapter, then = std::move(then)](const std::shared_ptr<ChapterData>& loaded) {
                              if (loaded != chapter) return;
                              QObject::disconnect(*connection);
                              then();
                          });
}

bool MoviePlayerView::isWaitingForChapter() const
{
    return _currentStatus == PlayStatus::Play && m_loads->isLoading(_currentChapterData);
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
    const auto picture = chapter->loadPicture(false);
    return picture && picture->video && picture->video->_isCutVideo;
}

void MoviePlayerView::showCaptionStripOf(const std::shared_ptr<ChapterData>& chapter)
{
    if (const bool cut = cutFile(chapter); cut != playerView->isCutFile) {
        playerView->isCutFile = cut;
        playerView->installPlayerLayer();
    }
}

void MoviePlayerView::askForChapters()
{
    if (!_currentChapterData) return;
    m_loads->request(_currentChapterData);
    // Asked for as the chapter starts, the next one is normally there when
    // the clock reaches it, even at the fastest speed.
    const ChapterList& list = _valueInfo->_chapterDataList;
    const qsizetype i = list.indexOf(_currentChapterData);
    if (i >= 0 && i + 1 < list.size()) m_loads->prefetch(list[i + 1]);
}

void MoviePlayerView::chapterDidLoad(const std::shared_ptr<ChapterData>& chapter)
{
    if (!chapter || !_valueInfo->_chapterDataList.contains(chapter)) return;
    // Its length may be known only now, and with it the list's end.
    const bool moved = followChapterLengths();
    if (chapter == _currentChapterData) {
        showCaptionStripOf(chapter);
        updateDatetimeLabel();
        if (isReady()) {
            // The picture goes on the position's exact frame, which is known now.
            seek();
            if (_currentStatus == PlayStatus::Play && !trackbar->isPlay) startClock();
        }
    } else if (!moved) {
        return;
    }
    updateNavigationButtons();
}

bool MoviePlayerView::isEndStillLoading() const
{
    const ChapterList& list = _valueInfo->_chapterDataList;
    return !list.isEmpty() && m_loads->isLoading(list.last()) && !list.last()->isTimeSpanFromRecords();
}

void MoviePlayerView::startClock()
{
    // Without the chapter's picture data the movie cannot be kept in step
    // with the clock: the clock waits at its place until the data arrives.
    trackbar->isPlay = !isWaitingForChapter();
    trackbar->rate = m_adjust->settingRate();
    trackbar->startTimer();
}

bool MoviePlayerView::followChapterLengths()
{
    if (!_valueInfo->chapterLengthsChanged()) return false;
    // The knob's position is held in the same lengths as the model's.
    _valueInfo->setCurrentValue(trackbar->integerValue());
    if (!_valueInfo->followChapterLengths()) return false;
    // (A list installed here and not yet handed to the track bar reaches it whole.)
    if (trackbar->valueInfo() == _valueInfo) {
        trackbar->followValueInfo();
        if (m_delegate) m_delegate->playerFollowedChapterLengths();
    }
    return true;
}

qint64 MoviePlayerView::trackbarPosition()
{
    followChapterLengths();
    _valueInfo->setCurrentValue(trackbar->integerValue());
    // The knob shows the model's position, which the stopwatch and trim
    // bounds may have held back.
    if (trackbar->integerValue() != _valueInfo->_currentValue) trackbar->setIntegerValue(_valueInfo->_currentValue);
    return _valueInfo->_currentValue;
}

CommonConst::PlayStatus MoviePlayerView::playStatus() const
{
    return isReady() ? _currentStatus : PlayStatus::NotReady;
}

qint64 MoviePlayerView::trackbarValue() const
{
    return trackbar->integerValue();
}

bool MoviePlayerView::hasCutStart() const
{
    return trackbar->selectFrame();
}

qint64 MoviePlayerView::cutStart() const
{
    return trackbar->selectStartSumFrameTS();
}

qint64 MoviePlayerView::mediaTimeMs() const
{
    return m_player ? m_player->currentTimeMs() : 0;
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
    askForChapters();
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
    playerView->setBackgroundGradient(false);
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
    // The synchronisation starts the movie, at once rather than at the
    // clock's first tick: a movie started a tick late trails the clock by
    // that tick for the rest of the play.
    m_player->setRate(0.0);
    startClock();
    syncPlayerToPosition(_valueInfo->_currentValue);
    updateNavigationButtons();
    updateButtonState();
    autoPlay = false;
}

bool MoviePlayerView::haltAs(PlayStatus status)
{
    if (_currentStatus == PlayStatus::NotReady || _currentStatus == status) return false;
    _currentStatus = status;
    trackbar->isPlay = false;
    trackbar->startTimer();
    if (m_player) m_player->pause();
    return true;
}

void MoviePlayerView::pause()
{
    if (!haltAs(PlayStatus::Pause)) return;
    updateNavigationButtons();
    updateButtonState();
}

void MoviePlayerView::stop()
{
    if (!haltAs(PlayStatus::Stop)) return;
    followChapterLengths();
    qint64 target = _valueInfo->lowerBound();
    if (_valueInfo->_playType == PlayType::Movie || _valueInfo->_playType == PlayType::Adventure)
        target = _valueInfo->chapterStart(_valueInfo->currentIndex());
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
    // The position was worked out with the lengths known now.
    followChapterLengths();
    _valueInfo->setCurrentValue(position);
    const auto chapter = _valueInfo->currentChapter();
    if (chapter && chapter != _currentChapterData) {
        if (!makePlayerItem(chapter)) {
            isPlayerSeek = false;
            updateNavigationButtons();
            return;
        }
        _currentChapterData = chapter;
        askForChapters();
        // A card or backup folder may hold a trimmed movie among the
        // recorder's chapters (copied there by hand): the caption strip
        // follows the chapter on screen, over the trimmed one only.
        showCaptionStripOf(chapter);
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
        const qint64 chapterStart = _valueInfo->chapterStart(_valueInfo->currentIndex());
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
        changeChapter(playStatus(), _valueInfo->_currentValue);
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
    const PlayStatus status = playStatus();
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
    // A chapter not loaded yet gives no time: no step until it is.
    in.ts = PictureDataUtil::loadedMovieTimeStamp(list, toPosition(position));
    if (!in.ts) return;
    in.now = m_player->currentTimeMs();
    qsizetype k = 0;
    std::int32_t offset = 0;
    PictureDataUtil::chapterIndex(list, toPosition(position), k, offset);
    in.positionIndex = k;
    in.currentIndex = _valueInfo->currentIndex();
    if (in.settingRate <= 2.0f) {
        in.ts50 = PictureDataUtil::loadedMovieTimeStamp(list, toPosition(position + 50));
        in.ts150 = PictureDataUtil::loadedMovieTimeStamp(list, toPosition(position + 150));
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
        if (const auto picture = chapter->loadPicture(false)) {
            ts = 0;
            if (picture->video) ts = picture->video->frameAt(1, _valueInfo->currentFrame(), true)->_movieTimeStamp;
        } else {
            // Not read yet: the movie's time runs close to the offset in the
            // chapter; the exact frame follows when the chapter arrives.
            ts = std::uint32_t(std::max<qint32>(0, _valueInfo->currentFrame()));
        }
    }
    m_player->seekExact(std::max<qint64>(0, PlayerRules::seekTarget(ts, limit)));
}

// ---- steps ----

void MoviePlayerView::frameBack()
{
    if (!movieKomaBackButton->isEnabled()) return;
    followChapterLengths();
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
    followChapterLengths();
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
    followChapterLengths();
    const qsizetype target = _valueInfo->currentIndex() - 1;
    if (target < 0 || target >= _valueInfo->_chapterDataList.size()) return;
    _isProcessing = true;
    changeChapter(playStatus(), _valueInfo->chapterStart(target));
    updateNavigationButtons();
    updateDiffSecLabel();
    if (m_delegate) m_delegate->playerDidReachEnd();
    _isProcessing = false;
}

void MoviePlayerView::goNextChapter()
{
    if (!m_player || _isProcessing) return;
    followChapterLengths();
    const qsizetype target = _valueInfo->currentIndex() + 1;
    if (target < 0 || target >= _valueInfo->_chapterDataList.size()) return;
    _isProcessing = true;
    changeChapter(playStatus(), _valueInfo->chapterStart(target));
    updateNavigationButtons();
    updateDiffSecLabel();
    if (m_delegate) m_delegate->playerDidReachEnd();
    _isProcessing = false;
}
