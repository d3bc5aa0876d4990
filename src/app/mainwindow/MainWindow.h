#pragma once

#include "app/mainwindow/ViewController.h"
#include "app/shell/HostWindow.h"

#include <QPointer>

class DrivingInfoController;
class MapController;
class MoviePlayerView;
class PlayController;
class QAction;
class QLabel;
class QSplitter;
class QVBoxLayout;
class VideoListView;

// The application's single main window: on the left the recording list above
// the map's place, on the right the player above the driving-data panel's
// place. Its controller runs everything else.
class MainWindow : public HostWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr, ViewController::Options options = {});
    ~MainWindow() override;

    ViewController* controller() const { return m_controller; }
    VideoListView* videoListView() const { return m_videoListView; }

    // Places the player's view at the top of the right column (the window
    // takes it over); replaces what was there.
    void setPlayerArea(QWidget* area);
    QWidget* playerArea() const { return m_playerArea; }

    // ---- HostWindow: mostly the controller's ----
    QWidget* mapSlot() const override { return m_mapSlot; }
    QWidget* drivingInfoSlot() const override { return m_drivingInfoSlot; }
    int recordingListWidth() const override;
    std::shared_ptr<CardData> cardData() const override;
    const RecordingList& recordingList() const override;
    void addFloatingWindow(QWidget* window) override;
    void updateWindowTitle() override;
    void refreshDrivingInfo(bool playing) override;
    void setMap(MapViewInterface* map) override;
    void setDrivingInfo(DrivingInfoViewInterface* panel) override;
    void setStopWatch(StopWatchInterface* stopWatch) override;

    static constexpr int LEFT_COLUMN_WIDTH = 360;

    // The player (null when the window was made without one) and the
    // main window's side of it.
    MoviePlayerView* moviePlayerView() const { return m_moviePlayerView; }
    PlayController* playController() const { return m_playController; }
    // The driving-data panel's side (null without a player).
    DrivingInfoController* drivingInfoController() const { return m_drivingInfo; }

    // The left column and the driving-data panel's place, out of the way in
    // full screen; a place that holds no view stays hidden.
    void setSidePanelsVisible(bool visible);
    // The map's side (null when the window was made without the map).
    MapController* mapController() const { return m_mapController; }

    QAction* openAction() const { return m_actOpen; }
    QAction* aboutAction() const { return m_actAbout; }
    QAction* quitAction() const { return m_actQuit; }
    QAction* saveAsAction() const { return m_actSaveAs; }
    QAction* backupAction() const { return m_actBackup; }
    QAction* deleteBackupAction() const { return m_actDeleteBackup; }
    QAction* backupDirectoryAction() const { return m_actBackupDirectory; }
    QAction* viewerSettingsAction() const { return m_actViewerSettings; }
    QAction* cameraSettingsAction() const { return m_actCameraSettings; }
    QAction* downloadUpdatesAction() const { return m_actDownloadUpdates; }

protected:
    // Closing the window ends the application: the quit question first.
    void closeEvent(QCloseEvent* event) override;
    // Full screen and minimising, for the floating windows and the layout.
    void changeEvent(QEvent* event) override;

private:
    void buildMenus();
    static QWidget* makeSlot(QWidget* parent, const QString& name);

    VideoListView* m_videoListView = nullptr;
    QSplitter* m_splitter = nullptr;
    QVBoxLayout* m_rightLayout = nullptr;
    QPointer<QWidget> m_playerArea;
    QWidget* m_mapSlot = nullptr;
    QWidget* m_drivingInfoSlot = nullptr;
    ViewController* m_controller = nullptr;
    MoviePlayerView* m_moviePlayerView = nullptr;
    PlayController* m_playController = nullptr;
    DrivingInfoController* m_drivingInfo = nullptr;
    MapController* m_mapController = nullptr;
    QAction* m_actOpen = nullptr;
    QAction* m_actAbout = nullptr;
    QAction* m_actQuit = nullptr;
    QAction* m_actViewerSettings = nullptr;
    QAction* m_actCameraSettings = nullptr;
    QAction* m_actDownloadUpdates = nullptr;
    QWidget* m_leftColumn = nullptr;
    QAction* m_actSaveAs = nullptr;
    QAction* m_actBackup = nullptr;
    QAction* m_actDeleteBackup = nullptr;
    QAction* m_actBackupDirectory = nullptr;
};
