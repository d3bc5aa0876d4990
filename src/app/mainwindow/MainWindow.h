#pragma once

#include "mainwindow/ViewController.h"

#include <QMainWindow>
#include <QPointer>

class MoviePlayerView;
class PlayController;
class QAction;
class QLabel;
class QSplitter;
class QVBoxLayout;
class VideoListView;

// The application's single main window: the recording list on the left and,
// on the right, the area that holds the player, the panels and the map
// (placed there with setPlayerArea). Its controller runs everything else.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr, ViewController::Options options = {});
    ~MainWindow() override;

    ViewController* controller() const { return m_controller; }
    VideoListView* videoListView() const { return m_videoListView; }

    // Places the view of the player, panels and map to the right of the
    // list (the window takes it over); replaces what was there.
    void setPlayerArea(QWidget* area);
    QWidget* playerArea() const { return m_playerArea; }

    // The player (null when the window was made without one) and the
    // main window's side of it.
    MoviePlayerView* moviePlayerView() const { return m_moviePlayerView; }
    PlayController* playController() const { return m_playController; }

    QAction* openAction() const { return m_actOpen; }
    QAction* aboutAction() const { return m_actAbout; }
    QAction* quitAction() const { return m_actQuit; }

private:
    void buildMenus();

    VideoListView* m_videoListView = nullptr;
    QSplitter* m_splitter = nullptr;
    QPointer<QWidget> m_playerArea;
    ViewController* m_controller = nullptr;
    MoviePlayerView* m_moviePlayerView = nullptr;
    PlayController* m_playController = nullptr;
    QAction* m_actOpen = nullptr;
    QAction* m_actAbout = nullptr;
    QAction* m_actQuit = nullptr;
};
