#pragma once

#include "app/backup/CleanupDelegate.h"
#include "core/catalog/CardData.h"
#include "app/catalog/VideoListView.h"
#include "app/shell/MainWindowViews.h"
#include "core/mainwindow/OpenData.h"
#include "app/mainwindow/VideoTypeSelectDialog.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class CameraSettingsRoad;
class MainWindow;
class MapReachability;
class MediaPlayer;
class MoviePlayerView;
class UpdateChecker;
class QTimer;
template <typename T>
class QFutureWatcher;

// The main window's controller: start-up, the Open road (source chooser,
// background load, completion), the list's clicks, the catalogue's worker
// reports, the window title, the About box and the floating windows' levels
// around every modal run. GUI thread only; the load job runs on the thread
// pool and touches no widget.
class ViewController : public QObject,
                       public OpenRoad,
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
        // The web map under the list (a browser engine: left out unless asked for).
        bool withMap = false;
    };

    ViewController(MainWindow* window, VideoListView* list, Options options);
    ~ViewController() override;

    // The set-up when the window has been built (once).
    void startUp();

    // ---- views placed into the window later ----
    void setPlayer(MoviePlayerViewInterface* player) { m_player = player; }
    void setDrivingInfo(DrivingInfoViewInterface* panel) { m_drivingInfo = panel; }
    DrivingInfoViewInterface* drivingInfo() const { return m_drivingInfo; }
    void setMap(MapViewInterface* map) { m_map = map; }
    MapViewInterface* map() const { return m_map; }
    void setStopWatch(StopWatchInterface* stopWatch) { m_stopWatch = stopWatch; }
    void setPlayRoad(PlayRoad* road) { m_playRoad = road; }
    // Shows the viewer settings on the first start instead of the dialog
    // (tests); answers whether it was shown, which alone marks the first
    // launch as done.
    void setViewerSettingsLauncher(std::function<bool()> launcher) { m_viewerSettingsLauncher = std::move(launcher); }
    // Windows that float above the main window (stopwatch, detached map):
    // lowered to the normal level around every modal run and alert.
    void addFloatingWindow(QWidget* window);

    // ---- commands ----
    void showOpenDialog();
    void showAboutDialog();
    // Guarded by "viewerSettingFlg" and "cameraSettingFlg".
    void showViewerSettings();
    void showCameraSettings();
    void openDownloadPage();
    void updateWindowTitle();
    // Pauses the movie when one is playing (before every dialog).
    void pauseForDialog();
    // Brackets a modal run of the caller's own (a file panel): false before,
    // true after; the windows come back when the outermost run has ended.
    void setChildWindowLevels(bool raised);
    // The map's part of the state saved at quit: the zoom and balloon
    // display (when the map was centred on data) and the map type, while a
    // movie is ready.
    void saveMapSettings();

    // ---- quit and window events ----
    // The quit question while a movie is ready (Cancel also drops a
    // requested restart); true when the application may end, the state saved.
    bool confirmQuit();
    // Map settings while a movie is ready, then mute and brightness, into
    // the store; main() waits for the store's last write once the window is
    // gone (a failure goes to the log).
    void saveViewerState();
    // The main window closes: the floating windows go with it.
    void closeChildWindows();
    void windowWillEnterFullScreen();
    void windowDidExitFullScreen();
    // Side panels, tool row and floating windows out of the way (true) or back.
    void setFullScreenLayout(bool fullScreen);
    bool isFullscreenLayout() const { return m_isFullscreen; }
    void windowWillMiniaturize();
    void windowDidDeminiaturize();
    // The floating windows float only while the application is active.
    void applicationStateChanged(Qt::ApplicationState state);

    // ---- the Open road ----
    // OpenRoad
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
    // The catalogue's source once read, else the path of the load running for it.
    QString openDataPath() override;
    // Resets the display at once, then waits (on a timer, never blocking)
    // for the closed catalogue's own workers and its load, if one still
    // reads; other catalogues' disposals are not waited for.
    void closeOpenData(std::function<void()> whenClosed) override;

    // ---- backup commands (each holds its cross-instance lock while it runs) ----
    // "Save as", "Back up" and the player's save button: data from a card only.
    void showBackupDialog();
    // "Delete": the backup folders to clean up.
    void showDeleteBackupDialog();
    // "Backup Directory Settings": where backups go.
    void selectBackupDirectory();
    BackUpFolderSelectDialog* cleanupFolderSelectDialog() const { return m_cleanupFolderSelectDialog.get(); }

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
    // Runs a new viewer-settings dialog; true when it was shown.
    bool runViewerSettingsDialog();
    // Lowers (false) or raises the floating windows now.
    void applyChildWindowLevels(bool raised);
    // Hides the visible floating windows and remembers them; shows them again.
    void hideFloatingWindows(QList<QPointer<QWidget>>& hidden);
    void showFloatingWindows(QList<QPointer<QWidget>>& hidden);
    // Runs the closes whose catalogue has come to rest.
    void finishPendingCloses();

    MainWindow* m_window;
    VideoListView* m_list;
    Options m_options;

    std::shared_ptr<CardData> m_cardData;
    OpenData::Generations m_generations;
    QHash<const CardData*, std::weak_ptr<CardData>> m_reading; // catalogues whose read still runs
    // A load's job waits on this before it reads; giving the load up ends
    // the wait at once, and the job then reads nothing.
    class LoadPause {
    public:
        // False when the load was given up (at once or during the wait).
        bool wait(int ms);
        void giveUp();

    private:
        std::mutex m_mutex;
        std::condition_variable m_changed;
        bool m_givenUp = false;
    };
    // The latest load: its source and kind until it is given up.
    QString m_loadPath;
    std::optional<MovieType> m_loadKind;
    std::shared_ptr<LoadPause> m_loadPause;
    struct PendingClose {
        std::weak_ptr<CardData> card;
        std::function<void()> whenClosed;
    };
    QList<PendingClose> m_pendingCloses;
    QTimer* m_closeTimer = nullptr;
    bool m_isLoading = false;
    std::optional<MovieType> m_openedKind;
    bool m_reloadPending = false;

    VideoTypeSelectDialog* m_videoTypeSelectDialog = nullptr; // owned
    std::unique_ptr<BackUpFolderSelectDialog> m_cleanupFolderSelectDialog; // made on first use
    UpdateChecker* m_updateChecker = nullptr;
    MapReachability* m_reachability = nullptr;

    MoviePlayerViewInterface* m_player = nullptr;
    DrivingInfoViewInterface* m_drivingInfo = nullptr;
    MapViewInterface* m_map = nullptr;
    StopWatchInterface* m_stopWatch = nullptr;
    PlayRoad* m_playRoad = nullptr;
    std::function<bool()> m_viewerSettingsLauncher;
    QList<QPointer<QWidget>> m_floating;
    QSet<QWidget*> m_lowered;
    std::unique_ptr<CameraSettingsRoad> m_cameraSettings;
    bool m_isFullscreen = false;
    QList<QPointer<QWidget>> m_hiddenForFullScreen;
    QList<QPointer<QWidget>> m_hiddenForMinimize;
};
