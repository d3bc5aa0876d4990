#pragma once

#include "app/player/CustomSliderCell.h"
#include "app/player/MoviePlayerViewDelegate.h"
#include "app/player/MpvMediaPlayer.h"
#include "app/player/PlayerAdjustments.h"
#include "app/player/ZoomMenuController.h"
#include "app/shell/PlayerPane.h"
#include "core/foundation/CommonConst.h"
#include "core/player/PlayMovieValueInfo.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class ChapterLoads;
class CustomSliderCellMin;
class EXTextButton;
class MediaPlayer;
class NSZoomView;
class PictureData;
class PlayerView;
class QLabel;

// The player panel of the main window: the video surface, the tool buttons,
// the date-time label, the track bar with the playback clock, and the
// transport, brightness, volume and speed controls.
//
// The play position is the track bar's value (ms over the play list), moved
// by its 30 Hz clock; on every tick the panel keeps the media player in step
// with it (starts it when it lags, pauses it when it runs ahead, seeks it
// exactly every tick above 2x), loads the next chapter's movie when the
// position crosses into it, and tells the main window through its delegate.
// It never moves on to another trip or record by itself.
//
// The panel never reads a recording itself: every lookup on its clock's
// ticks uses the picture data loaded so far. The chapter it stands in and
// the next one are asked for in the background (chapterLoads()) as soon as it
// stands in a chapter; while the chapter it plays has not arrived, the clock
// waits where it is (the status stays Play) and goes on when it does.
//
// GUI thread only; the media player's news reach it there.
class MoviePlayerView : public PlayerPane,
                        public CustomSliderCellDelegate,
                        public PlayerAdjustmentsHost,
                        public ZoomMenuHost {
    Q_OBJECT
public:
    // Makes the media player on the first open (the panel owns it) and gives
    // the video surface its canvas. The default makes a libmpv player.
    using PlayerFactory = std::function<MediaPlayer*(MoviePlayerView& view)>;
    static PlayerFactory mpvFactory(const MpvMediaPlayer::Config& config = {});

    static constexpr int KOMA_START_INTERVAL = 200; // ms before a held frame button repeats
    static constexpr int KOMA_INTERVAL = 35;        // ms between repeats
    // The brightness, volume and speed sliders never get narrower than this;
    // a narrow row gives up the space between its two groups first.
    static constexpr int SMALL_SLIDER_MIN_WIDTH = 56;

    explicit MoviePlayerView(QWidget* parent = nullptr, PlayerFactory factory = {},
                             PlaybackClock::TimeSource clockSource = {});
    ~MoviePlayerView() override;

    void setDelegate(MoviePlayerViewDelegate* delegate) { m_delegate = delegate; }
    MoviePlayerViewDelegate* delegate() const { return m_delegate; }

    // ---- what the main window drives ----

    // Start playing as soon as the movie is ready.
    bool autoPlay = false;
    // Whether the main window's list has a record before / after this one
    // (they only enable the first and last buttons).
    bool _isNextTrip = false;
    bool _isPrevTrip = false;

    // The play list and position. The main window installs trip and adventure
    // lists here and then calls openMovie().
    std::shared_ptr<PlayMovieValueInfo> _valueInfo = std::make_shared<PlayMovieValueInfo>();
    void setValueInfo(std::shared_ptr<PlayMovieValueInfo> info) { _valueInfo = std::move(info); }

    // Plays an event or surveillance record over its window of chapters.
    void showMovie(const CardData& card, const std::shared_ptr<MoveProtectInfo>& record);
    // Loads the chapter at the current position.
    void openMovie();
    // Empties the player; loading shows "Now Loading".
    void closeMovie(bool loading);
    void play() override;
    void pause() override;
    void stop() override;
    // Moves to a position (switching the movie when the chapter changes) and
    // leaves the player in the given status (Pause and Stop: Stop at the
    // start of the list or of a chapter, else Pause).
    void changeChapter(CommonConst::PlayStatus status, qint64 position) override;
    // The stopwatch's marks; bound is the play list's lower bound while the
    // stopwatch runs.
    void refreshTrackbar(StopWatchStatus status, qint64 start, const QList<qint64>& laps, qint64 stopPosition,
                         qint64 bound) override;
    // The trim selection of the track bar on or off.
    void setCutSelection(bool on) override;
    void hideZoomMenu();
    void frameBack();
    void frameForward();
    void goPreviousChapter();
    void goNextChapter();
    // Puts the media player exactly on the frame of the current position.
    void seek();
    // Chapter lengths that became known (a recording was read): the play
    // list's end and the track bar follow, the position stays in its chapter.
    // True when anything moved.
    bool followChapterLengths() override;
    void syncPlayerToPosition(qint64 position);

    void updateDatetimeLabel();
    void updateButtonState() override;
    void updateNavigationButtons();
    void updateDiffSecLabel();

    // Picture and sound (stored under their settings keys).
    void setVolume(float volume) { m_adjust->setVolume(volume); }
    void setIsMute(bool mute) { m_adjust->setIsMute(mute); }
    void setGamma(double gamma) { m_adjust->setGamma(gamma); }
    void applyPlaySpeed() { m_adjust->applyPlaySpeed(); }
    PlayerAdjustments& adjustments() { return *m_adjust; }

    // ---- state ----

    CommonConst::PlayStatus currentStatus() const { return _currentStatus; }
    // The media player exists and has been ready since the last reset.
    bool isReady() const;
    bool isPlaying() const override;
    bool isSeeking() const;
    // Inside changeChapter(): the position and the movie are being moved.
    bool isChangingChapter() const override { return isPlayerSeek; }
    // ---- PlayerPane ----
    std::shared_ptr<PlayMovieValueInfo> playing() const override { return _valueInfo; }
    CommonConst::PlayStatus playStatus() const override;
    qint64 trackbarValue() const override;
    bool hasCutStart() const override;
    qint64 cutStart() const override;
    qint64 mediaTimeMs() const override;
    double gamma() const override { return m_adjust->gamma(); }
    QAbstractButton* button(Button which) const override;
    MediaPlayer* mediaPlayer() const { return m_player; }
    std::shared_ptr<ChapterData> currentChapterData() const override;
    // The current chapter's picture data as loaded so far; null without a
    // chapter or while its recording has not been read.
    std::shared_ptr<const PictureData> currentPictureData() const override;
    void whenChapterLoaded(QObject* context, std::function<void()> then) override;
    // The background loads of chapters' picture data (the play road asks
    // through them too, so that one load serves both).
    ChapterLoads* chapterLoads() const { return m_loads; }
    // The clock stands still while the chapter it plays is being loaded.
    bool isWaitingForChapter() const override;
    // The list's last chapter is being loaded and only its recording tells
    // its length: the list's end moves once it is there.
    bool isEndStillLoading() const;
    std::shared_ptr<ChapterData> loadedChapter() const { return _currentChapterData; }
    std::shared_ptr<ChapterData> previousChapter() const;
    std::shared_ptr<ChapterData> nextChapter() const;
    qint64 itemEndLimit() const;
    double frameRate() const;
    qint64 eventFrame() const { return _eventFrame; }
    float settingRate() const { return m_adjust->settingRate(); }

    // ---- parts (the main window and tests reach them) ----

    PlayerView* playerView = nullptr;
    CustomSliderCell* trackbar = nullptr;
    QWidget* toolsView = nullptr;
    QWidget* datetimeView = nullptr;
    QWidget* controllerView = nullptr;
    QLabel* loadingText = nullptr;
    QLabel* datetimeLabel = nullptr;
    QLabel* diffSecLabel = nullptr;
    EXTextButton* openButton = nullptr;
    EXTextButton* saveButton = nullptr;
    EXTextButton* settingButton = nullptr;
    EXTextButton* cutButton = nullptr;
    EXTextButton* snapShotButton = nullptr;
    EXTextButton* zoomButton = nullptr;
    EXTextButton* stopWatchButton = nullptr;
    EXTextButton* googleEathButton = nullptr;
    EXTextButton* fullscreenButton = nullptr;
    EXTextButton* movieRewindButton = nullptr;
    EXTextButton* movieForwardButton = nullptr;
    EXTextButton* movieFirstButton = nullptr;
    EXTextButton* movieLastButton = nullptr;
    EXTextButton* moviePlayButton = nullptr;
    EXTextButton* moviePauseButton = nullptr;
    EXTextButton* movieStopButton = nullptr;
    EXTextButton* movieKomaBackButton = nullptr;
    EXTextButton* movieKomaGoButton = nullptr;
    EXTextButton* brightButton = nullptr;
    CustomSliderCellMin* brightSlider = nullptr;
    EXTextButton* volumeButton = nullptr;
    CustomSliderCellMin* volumeSlider = nullptr;
    QLabel* playSpeedSlowLabel = nullptr;
    CustomSliderCellMin* playSpeedSlider = nullptr;
    QLabel* playSpeedFastLabel = nullptr;
    QLabel* playSpeedRateLabel = nullptr;
    NSZoomView* zoomMenu = nullptr;
    std::array<EXTextButton*, 5> zoomButtons{};
    ZoomMenuController& zoomController() { return *m_zoom; }

    // Tab from the last button of a group to the first of the next (and
    // back with Shift), skipping the group that is disabled.
    bool wrapFocus(bool forward);
    // Leaves full screen when the full-screen button is on.
    void leaveFullScreen();

    // CustomSliderCellDelegate: one tick of the clock, or a value installed.
    void trackbarChanged() override;
    // The user moved the track bar.
    void userValueChanged();

    // ---- actions of the controls ----
    void onMoviePlayButton();
    void onMoviePauseButton();
    void onMovieStopButton();
    void onFullscreenButton();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // The movie held in status (pause or stop) unless not ready or in it
    // already; false then, and nothing changes.
    bool haltAs(CommonConst::PlayStatus status);
    // PlayerAdjustmentsHost
    void setClockRate(float rate) override;
    // ZoomMenuHost
    void focusPanel() override;
    void placeZoomMenu() override;

    void buildControls();
    void connectControls();
    bool ensurePlayer();
    void resetPlayer();
    // Opens the chapter's movie; false (the delegate told) when it cannot.
    bool makePlayerItem(const std::shared_ptr<ChapterData>& chapter);
    void onReadyToPlay();
    void onItemFailed();
    void onReachedEnd();
    // The track bar's position written into the model, and the result.
    qint64 trackbarPosition();
    bool cutFile(const std::shared_ptr<ChapterData>& chapter) const;
    // The caption strip shown or hidden for the chapter's recording as far as it is loaded.
    void showCaptionStripOf(const std::shared_ptr<ChapterData>& chapter);
    // The chapter now stood in, and the one after it, asked for in the background.
    void askForChapters();
    void chapterDidLoad(const std::shared_ptr<ChapterData>& chapter);
    // Runs the clock at the chosen rate, unless the chapter is still on its way.
    void startClock();
    void focusTo(QWidget* widget);

    PlayerFactory m_factory;
    MoviePlayerViewDelegate* m_delegate = nullptr;
    QPointer<MediaPlayer> m_player;
    // The media player could play (its first item became ready); kept across
    // chapter changes, as later items replace the first one in a ready player.
    bool m_playerReady = false;
    bool m_waitingFirstReady = false;
    CommonConst::PlayStatus _currentStatus = CommonConst::PlayStatus::NotReady;
    std::shared_ptr<ChapterData> _currentChapterData;
    // A chapter whose movie file was missing: not tried again on every tick
    // of the same play list.
    std::shared_ptr<ChapterData> m_failedChapter;
    bool _isProcessing = false;
    bool isPlayerSeek = false;
    qint64 _eventFrame = -1;
    QString _backText;
    PlayerAdjustments* m_adjust = nullptr;
    ZoomMenuController* m_zoom = nullptr;
    ChapterLoads* m_loads = nullptr;
};
