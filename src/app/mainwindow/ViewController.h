#pragma once

#include "backup/CleanupDelegate.h"
#include "catalog/CardData.h"
#include "catalogue/VideoListView.h"
#include "mainwindow/MainWindowViews.h"
#include "mainwindow/OpenData.h"
#include "mainwindow/VideoTypeSelectDialog.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <functional>
#include <memory>

class MainWindow;
class MapReachability;
class MediaPlayer;
class MoviePlayerView;
class UpdateChecker;
template <typename T>
class QFutureWatcher;

// The main window's controller: start-up, the Open road (source chooser,
// background load, completion), the list's clicks, the catalogue's worker
// reports, the window title, the About box and the floating windows' levels
// around every modal run. GUI thread only; the load job runs on the thread
// pool and touches no widget.
class ViewController : public QObject,
                       public VideoTypeSelectDialogDelegate,
                       public VideoListViewDelegate,
                       public CardDataDelegate,
                       public CleanupDelegate {
    Q_OBJECT
public:
    struct Options {
        bool probeNetwork = true; // the map host's reachability
        bool checkForUpdates = true;
        int loadDelayMs = 400; // the load job's wait before it reads
        // The window's player: none (the list only selects), or a player
        // whose media player this factory makes (empty: libmpv).
        bool withPlayer = true;
        std::function<MediaPlayer*(MoviePlayerView&)> playerFactory;
    };

    ViewController(MainWindow* window, VideoListView* list, Options options);
    ~ViewController() override;

    // The set-up when the window has been built (once).
    void startUp();

    // ---- views placed into the window later ----
    void setPlayer(MoviePlayerViewInterface* player) { m_player = player; }
    void setDrivingInfo(DrivingInfoViewInterface* panel) { m_drivingInfo = panel; }
    void setMap(MapViewInterface* map) { m_map = map; }
    void setStopWatch(StopWatchInterface* stopWatch) { m_stopWatch = stopWatch; }
    void setPlayRoad(PlayRoad* road) { m_playRoad = road; }
    // Shows the viewer settings on the first start (the dialog's launcher).
    void setViewerSettingsLauncher(std::function<void()> launcher) { m_viewerSettingsLauncher = std::move(launcher); }
    // Windows that float above the main window (stopwatch, detached map):
    // lowered to the normal level around every modal run and alert.
    void addFloatingWindow(QWidget* window);

    // ---- commands ----
    void showOpenDialog();
    void showAboutDialog();
    void updateWindowTitle();
    // Pauses the movie when one is playing (before every dialog).
    void pauseForDialog();
    void setChildWindowLevels(bool raised);

    // ---- the Open road ----
    // VideoTypeSelectDialogDelegate
    void loadData(const QString& path, bool autoPlay, MovieType kind) override;
    bool confirmStopwatchDiscard() override;
    // Clears the display and replaces the catalogue by an empty one.
    void resetForLoad();

    // VideoListViewDelegate: the player's road decides; without one the row is selected.
    bool videoListDidSelect(CommonConst::ListType listType, int row) override;
    // CardDataDelegate
    void tripRouteDidLoad(const std::shared_ptr<ChapterData>& chapter) override;
    void chapterPicturesDidLoad(const std::shared_ptr<ChapterData>& chapter) override;

    // CleanupDelegate: the clean-up dialog reopens the data it deleted from.
    void cleanupDidUpdateFolders() override {}
    void reopenData(const QString& path) override;
    bool canCloseOpenData() override { return confirmStopwatchDiscard(); }

    // ---- state ----
    const std::shared_ptr<CardData>& cardData() const { return m_cardData; }
    bool isLoading() const { return m_isLoading; }
    // Raised by the player's callbacks while they move the list and the player.
    void setLoading(bool loading) { m_isLoading = loading; }
    // Brings every display that follows the play position in line with it
    // (animated while the movie plays).
    void refreshDrivingInfo(bool playing);
    // The kind of source of the data on show (none before the first
    // successful load); Save and "Back up" follow it.
    std::optional<MovieType> openedMovieType() const { return m_openedKind; }
    // The data on show came from a card drive.
    bool backupFlg() const { return m_openedKind == MovieType::Card; }
    VideoTypeSelectDialog* videoTypeSelectDialog() const { return m_videoTypeSelectDialog; }
    VideoListView* videoListView() const { return m_list; }
    UpdateChecker* updateChecker() const { return m_updateChecker; }

Q_SIGNALS:
    // A load's completion has run (also when it ended in an alert).
    void loadFinished();

private:
    void startLoad(const OpenData::Load& load);
    void loadDidFinish(const OpenData::Load& load, OpenData::FirstRecording result);
    // Plays (or, without a player, selects) the first trip, else the first
    // surveillance recording; false when there is neither.
    bool showFirstRecording();
    bool selectListRow(CommonConst::ListType type, int row);
    void scheduleListReload();
    void showFirstLaunchViewerSettings();

    MainWindow* m_window;
    VideoListView* m_list;
    Options m_options;

    std::shared_ptr<CardData> m_cardData;
    OpenData::Generations m_generations;
    QSet<const CardData*> m_reading; // catalogues whose read still runs
    QList<QPointer<QFutureWatcher<OpenData::FirstRecording>>> m_jobs;
    bool m_isLoading = false;
    std::optional<MovieType> m_openedKind;
    bool m_reloadPending = false;

    VideoTypeSelectDialog* m_videoTypeSelectDialog = nullptr; // owned
    UpdateChecker* m_updateChecker = nullptr;
    MapReachability* m_reachability = nullptr;

    MoviePlayerViewInterface* m_player = nullptr;
    DrivingInfoViewInterface* m_drivingInfo = nullptr;
    MapViewInterface* m_map = nullptr;
    StopWatchInterface* m_stopWatch = nullptr;
    PlayRoad* m_playRoad = nullptr;
    std::function<void()> m_viewerSettingsLauncher;
    QList<QPointer<QWidget>> m_floating;
    QSet<QWidget*> m_lowered;
};
