#pragma once

#include "app/player/MoviePlayerViewDelegate.h"
#include "app/shell/MainWindowViews.h"
#include "core/catalog/CardData.h"
#include "core/foundation/CommonConst.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

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

    // Every chapter has picture data of the known format (an empty list passes).
    static bool checkFormatCode(const ChapterList& chapters);

    // ---- MoviePlayerViewDelegate ----
    void playerPositionChanged() override;
    void playerDidReachEnd() override;
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
    bool playTripOf(TripKind kind, int row, int chapterIndex, bool switchTab, bool resetView);
    bool playProtectedRecording(int row, bool switchTab, CommonConst::ListType type);
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
};
