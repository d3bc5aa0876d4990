#pragma once

#include "app/player/MoviePlayerViewDelegate.h"
#include "app/shell/MainWindowViews.h"
#include "core/catalog/CardData.h"
#include "core/foundation/CommonConst.h"

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class MainWindow;
class MoviePlayerView;
class RecordingList;
class ToolController;
class ViewController;
class VideoListView;

// The main window's side of the player: the play road from a list row (or
// the load's completion) to the player, the answers to the player's
// callbacks, and the player as the controller sees it. GUI thread only.
//
// A play request is refused (false, nothing changes) while another one is
// switching the list and the player. A missing movie file refuses the play
// with its alert and clears the display and the catalogue, as before another
// load.
//
// The checks of a play read the picture data of the chapters it starts with
// (their format), which the GUI thread never reads itself: the road selects
// the row, asks the player's loads for the chapters missing and shows the
// player's loading state; when they have arrived it goes on from there, as
// it does at once when they were loaded before. A play waiting so answers
// true; a newer play, or other data opened, replaces it.
class PlayController : public QObject,
                       public MoviePlayerViewDelegate,
                       public MoviePlayerViewInterface,
                       public PlayRoad {
    Q_OBJECT
public:
    PlayController(MainWindow* window, ViewController* controller, VideoListView* list, MoviePlayerView* player);
    ~PlayController() override;

    MoviePlayerView* player() const { return m_player; }
    // The stopwatch, trim and capture tools.
    ToolController* tools() const { return m_tools; }

    // ---- PlayRoad ----
    bool playTrip(int row, int chapterIndex, bool switchTab, bool resetView) override;
    bool playSurveillance(int row, bool switchTab) override;
    bool playListRow(CommonConst::ListType type, int row) override;
    bool playFirstRecording() override;
    bool playEvent(int row, bool switchTab);
    bool playAdventure(int row, int chapterIndex, bool switchTab);
    void playChapter(CommonConst::ListType type, int parentRow, int chapterRow, bool switchTab) override;

    // Every chapter has loaded picture data of the known format (an empty list passes).
    static bool checkFormatCode(const ChapterList& chapters);
    // A play waits for its chapters' picture data.
    bool isWaitingForChapters() const { return m_pending.has_value(); }
    // What the last play that went its way came to: played, or refused after
    // its checks (tests: the answer of a play that had to wait).
    bool lastPlayResult() const { return m_lastPlayResult; }

    // ---- MoviePlayerViewDelegate ----
    void playerPositionChanged() override;
    void playerDidReachEnd() override;
    void playerFollowedChapterLengths() override;
    void refreshDrivingInfo(bool animated) override;
    void showOpenFailed() override;
    void showPlayFailed() override;
    void updateSaveButton() override;
    void setFullScreenLayout(bool fullScreen) override;
    bool isFullscreen() const override;
    void toggleFullScreen() override;
    void showOpenDialog() override;
    void showBackupDialog() override;
    void showCameraSettings() override;
    void playPreviousItem() override;
    void playNextItem() override;
    void showStopWatch() override;
    void hideStopWatch() override;
    void exportGoogleEarth() override;
    void openToolWindow(std::uint8_t code) override;
    void playerControlEvent(std::uint8_t code) override;

    // ---- MoviePlayerViewInterface ----
    bool isReadyToPlay() const override;
    void pause() override;
    void closeMovie(bool loading) override;
    bool autoPlay() const override;
    void setAutoPlay(bool autoPlay) override;
    void play() override;
    void setLoadingTextVisible(bool visible) override;
    void setSaveButtonEnabled(bool enabled, const QString& toolTip) override;
    void applyStartupSettings(float volume, bool mute, double gamma) override;
    WindowTitleState windowTitleState() const override;
    bool isMute() const override;
    double brightness() const override;
    void fullScreenDidChange(bool fullScreen) override;
    void setToolsVisible(bool visible) override;
    std::shared_ptr<ChapterData> currentChapter() const override;

    // Alerts the road has shown for a missing file (tests and the road's
    // own check against a second alert for the same failure).
    int openFailedCount() const { return m_openFailedCount; }

private:
    enum class TripKind { Trip, Adventure };
    // after, when given, is told what the play came to (once it went its way).
    bool playTripOf(TripKind kind, int row, int chapterIndex, bool switchTab, bool resetView,
                    std::function<void(bool)> after);
    bool playProtectedRecording(int row, bool switchTab, CommonConst::ListType type);
    // The rest of a play, over the chapters' loaded picture data.
    // What every play does before its own part: the movie paused, the
    // stopwatch's result given up (or the play refused), a waiting play
    // dropped, the row chosen (else the first) and the player, panel and map
    // emptied. False when the play goes no further.
    bool leaveForRow(int row, CommonConst::ListType type, bool switchTab);
    // After a play opened row of count: the neighbour buttons, the tools,
    // the date and the panel follow it.
    void showPlayedRow(int row, int count);
    bool openTrip(TripKind kind, int row, int count, int chapterIndex, const std::shared_ptr<TripData>& trip,
                  const ChapterList& chapters);
    bool openProtectedRecording(int row, int count, const std::shared_ptr<MoveProtectInfo>& record,
                                const ChapterWindow& window);
    // After a load whose first trip did not play.
    void playFirstSurveillance();

    // Runs go (and then after) at once when the needed chapters' picture data
    // is there (or cannot be had), else asks for it, shows the loading state
    // and runs them when it has arrived; true when go played or the play waits.
    bool whenLoaded(CommonConst::PlayType type, const ChapterList& needed, std::function<bool()> go,
                    std::function<void(bool)> after = {});
    // The kind of list that plays, or waits to.
    CommonConst::PlayType playingType() const;
    // A play asked for after the given generation waits.
    bool waitsSince(std::uint64_t generation) const;
    void cancelPendingPlay();
    void chapterDidLoad(const std::shared_ptr<ChapterData>& chapter);
    void goOnWithPendingPlay(std::uint64_t generation);
    // Checks every chapter's movie file; false (alert shown) at the first missing one.
    bool allFilesExist(const ChapterList& chapters);
    void showUnreadable();
    void markActiveTrip(const std::shared_ptr<TripData>& trip);
    RecordingList& list() const;
    std::shared_ptr<CardData> card() const;

    MainWindow* m_window;
    ViewController* m_controller;
    VideoListView* m_list;
    QPointer<MoviePlayerView> m_player;
    ToolController* m_tools = nullptr; // child of this
    int m_openFailedCount = 0;
    // While the first trip of a load is tried, a missing movie is not told:
    // the first surveillance recording may play instead.
    bool m_quietOpenFailed = false;

    // The play waiting for its chapters (one at most: each play request
    // numbers a new generation, and an older play's arrival is stale).
    struct PendingPlay {
        std::uint64_t generation = 0;
        CommonConst::PlayType type = CommonConst::PlayType::Movie;
        ChapterList awaited;
        std::weak_ptr<CardData> card;
        bool quiet = false;
        std::function<bool()> go;
        std::function<void(bool)> after;
    };
    std::uint64_t m_playGeneration = 0;
    std::optional<PendingPlay> m_pending;
    bool m_lastPlayResult = false;
};
