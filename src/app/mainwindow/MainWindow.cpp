#include "app/mainwindow/MainWindow.h"

#include "app/catalog/VideoListView.h"
#include "app/mainwindow/PlayController.h"
#include "app/map/MapController.h"
#include "app/panels/DrivingInfoController.h"
#include "app/player/MoviePlayerView.h"
#include "app/player/VideoCanvas.h"
#include "core/catalog/CardData.h"
#include "core/foundation/CommonConst.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QOpenGLWidget>
#include <QPalette>
#include <QSplitter>
#include <QVBoxLayout>

MainWindow::MainWindow(QWidget* parent, ViewController::Options options) : HostWindow(parent)
{
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(CommonConst::FMT_FORM_TITLE_DEFAULT);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgba(CommonConst::FROM_BACKGROUND_COLOR));
    setPalette(pal);
    setAutoFillBackground(true);

    // Left column: the list, then the map's place (its title bar and the map
    // when it is docked). Right column: the player, then the driving-data
    // panel. Views that are not built leave their place empty and hidden.
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    auto* left = new QWidget(m_splitter);
    left->setObjectName(QStringLiteral("leftColumn"));
    m_leftColumn = left;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(0);
    m_videoListView = new VideoListView(left);
    leftLayout->addWidget(m_videoListView, 1);
    m_mapSlot = makeSlot(left, QStringLiteral("mapSlot"));
    leftLayout->addWidget(m_mapSlot, 1);

    auto* right = new QWidget(m_splitter);
    right->setObjectName(QStringLiteral("rightColumn"));
    m_rightLayout = new QVBoxLayout(right);
    m_rightLayout->setContentsMargins(0, 0, 0, 0);
    m_rightLayout->setSpacing(0);
    auto* placeholder = new QLabel(right);
    placeholder->setObjectName(QStringLiteral("playerAreaPlaceholder"));
    placeholder->setAutoFillBackground(true);
    QPalette black = placeholder->palette();
    black.setColor(QPalette::Window, Qt::black);
    placeholder->setPalette(black);
    m_playerArea = placeholder;
    m_rightLayout->addWidget(placeholder, 1);
    m_drivingInfoSlot = makeSlot(right, QStringLiteral("drivingInfoSlot"));
    m_rightLayout->addWidget(m_drivingInfoSlot, 0);

    m_splitter->addWidget(left);
    m_splitter->addWidget(right);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({LEFT_COLUMN_WIDTH, 1280 - LEFT_COLUMN_WIDTH});
    setCentralWidget(m_splitter);

    m_controller = new ViewController(this, m_videoListView, options);
    if (options.withPlayer) {
        MoviePlayerView::PlayerFactory factory;
        if (options.playerFactory) factory = options.playerFactory;
        m_moviePlayerView = new MoviePlayerView(nullptr, std::move(factory));
        m_moviePlayerView->setObjectName(QStringLiteral("moviePlayerView"));
        setPlayerArea(m_moviePlayerView);
        m_playController = new PlayController(this, m_controller, m_videoListView, m_moviePlayerView);
        m_drivingInfo = new DrivingInfoController(this, m_moviePlayerView);
    }
    if (options.withMap)
        m_mapController = new MapController(this, m_moviePlayerView, m_playController);
    // The map (a browser view) and the OpenGL video canvas come into the
    // window after it has been shown, and are drawn into it through OpenGL:
    // a window made for plain drawing would then be made anew, and a user
    // would see it appear, go and appear again. A hidden OpenGL widget
    // makes it an OpenGL window from the start. (With the map, OpenGL is
    // not probed here: the window needs it anyway, and the first probe
    // loads the driver.)
    if (platformHasOpenGL() && (options.withMap || (options.withPlayer && videoOpenGLAvailable())))
        (new QOpenGLWidget(this))->hide();
    buildMenus();
    resize(1280, 800);
    m_controller->startUp();
}

MainWindow::~MainWindow()
{
    // The picture data the views hold (the player's play list, the
    // stopwatch's chapters, the panels', also of data closed meanwhile) is
    // held here as well until they have gone, and then freed on a thread of
    // its own: freeing an hour's frames took the window a tenth of a second
    // longer to go.
    std::vector<std::shared_ptr<const PictureData>> pictures = ChapterData::livePictures();

    // The map's, the panel's and the player's sides go first (the player
    // tells nobody any more), then the controller: it gives up a running
    // load and lets go of the list before the widgets go.
    delete m_mapController;
    m_mapController = nullptr;
    delete m_drivingInfo;
    m_drivingInfo = nullptr;
    delete m_playController;
    m_playController = nullptr;
    delete m_controller;
    m_controller = nullptr;
    // The views go now rather than after this destructor, so that the
    // references above are the last.
    const QList<QWidget*> views = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (const QPointer<QWidget>& view : QList<QPointer<QWidget>>(views.cbegin(), views.cend()))
        delete view.data();
    CardData::releaseOffThread(std::move(pictures));
}

void MainWindow::buildMenus()
{
    // Each command is wired on its own, so one that cannot be made leaves
    // the others working.
    menuBar()->setStyleSheet(QStringLiteral("QMenuBar { background: #1c1c1c; color: #e8e8e8; }"
                                            "QMenuBar::item:selected { background: #2f6fa8; }"));
    // File, Settings, Back up and Help. This platform has no application
    // menu: Quit closes the File menu and About opens the Help menu.
    QMenu* file = menuBar()->addMenu(tr("File"));
    m_actOpen = file->addAction(tr("Open"));
    m_actOpen->setShortcut(QKeySequence::Open);
    connect(m_actOpen, &QAction::triggered, m_controller, &ViewController::showOpenDialog);
    m_actSaveAs = file->addAction(tr("Save as"));
    connect(m_actSaveAs, &QAction::triggered, m_controller, &ViewController::showBackupDialog);
    file->addSeparator();
    m_actQuit = file->addAction(tr("Quit"));
    m_actQuit->setShortcut(QKeySequence::Quit);
    m_actQuit->setMenuRole(QAction::QuitRole);
    connect(m_actQuit, &QAction::triggered, this, &QWidget::close);

    QMenu* settings = menuBar()->addMenu(tr("Settings"));
    m_actViewerSettings = settings->addAction(tr("Viewer Settings"));
    connect(m_actViewerSettings, &QAction::triggered, m_controller, &ViewController::showViewerSettings);
    m_actCameraSettings = settings->addAction(tr("Camera Settings"));
    connect(m_actCameraSettings, &QAction::triggered, m_controller, &ViewController::showCameraSettings);
    m_actBackupDirectory = settings->addAction(tr("Backup Directory Settings"));
    connect(m_actBackupDirectory, &QAction::triggered, m_controller, &ViewController::selectBackupDirectory);

    QMenu* backup = menuBar()->addMenu(tr("Back up"));
    m_actBackup = backup->addAction(tr("Back up"));
    connect(m_actBackup, &QAction::triggered, m_controller, &ViewController::showBackupDialog);
    m_actDeleteBackup = backup->addAction(tr("Delete"));
    connect(m_actDeleteBackup, &QAction::triggered, m_controller, &ViewController::showDeleteBackupDialog);

    // Backups are made of data read from a card only.
    const auto offerBackups = [this] {
        m_actSaveAs->setEnabled(m_controller->backupFlg());
        m_actBackup->setEnabled(m_controller->backupFlg());
    };
    connect(file, &QMenu::aboutToShow, this, offerBackups);
    connect(backup, &QMenu::aboutToShow, this, offerBackups);

    QMenu* help = menuBar()->addMenu(tr("Help"));
    m_actAbout = help->addAction(tr("About KORVELTA REPLAY"));
    m_actAbout->setMenuRole(QAction::AboutRole);
    connect(m_actAbout, &QAction::triggered, m_controller, &ViewController::showAboutDialog);
    m_actDownloadUpdates = help->addAction(tr("Download Updates"));
    connect(m_actDownloadUpdates, &QAction::triggered, m_controller, &ViewController::openDownloadPage);
}

void MainWindow::setSidePanelsVisible(bool visible)
{
    m_leftColumn->setVisible(visible);
    m_drivingInfoSlot->setVisible(visible && m_drivingInfoSlot->layout()->count() > 0);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_controller && !m_controller->confirmQuit()) {
        event->ignore();
        return;
    }
    if (m_controller) m_controller->closeChildWindows();
    HostWindow::closeEvent(event);
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && m_controller) {
        const Qt::WindowStates before = static_cast<QWindowStateChangeEvent*>(event)->oldState();
        const Qt::WindowStates now = windowState();
        if (!(before & Qt::WindowFullScreen) && (now & Qt::WindowFullScreen))
            m_controller->windowWillEnterFullScreen();
        else if ((before & Qt::WindowFullScreen) && !(now & Qt::WindowFullScreen))
            m_controller->windowDidExitFullScreen();
        if (!(before & Qt::WindowMinimized) && (now & Qt::WindowMinimized))
            m_controller->windowWillMiniaturize();
        else if ((before & Qt::WindowMinimized) && !(now & Qt::WindowMinimized))
            m_controller->windowDidDeminiaturize();
    }
    HostWindow::changeEvent(event);
}

QWidget* MainWindow::makeSlot(QWidget* parent, const QString& name)
{
    auto* slot = new QWidget(parent);
    slot->setObjectName(name);
    auto* layout = new QVBoxLayout(slot);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    slot->hide();
    return slot;
}

void MainWindow::setPlayerArea(QWidget* area)
{
    if (!area || area == m_playerArea) return;
    if (m_playerArea) {
        delete m_rightLayout->replaceWidget(m_playerArea, area); // the old item is the caller's
        m_playerArea->deleteLater();
    } else {
        m_rightLayout->insertWidget(0, area, 1);
    }
    area->show();
    m_playerArea = area;
}

// ---- HostWindow ----

int MainWindow::recordingListWidth() const
{
    return m_videoListView->width();
}

std::shared_ptr<CardData> MainWindow::cardData() const
{
    return m_controller ? m_controller->cardData() : nullptr;
}

const RecordingList& MainWindow::recordingList() const
{
    return std::as_const(*m_videoListView).list();
}

void MainWindow::addFloatingWindow(QWidget* window)
{
    if (m_controller) m_controller->addFloatingWindow(window);
}

void MainWindow::updateWindowTitle()
{
    if (m_controller) m_controller->updateWindowTitle();
}

void MainWindow::refreshDrivingInfo(bool playing)
{
    if (m_controller) m_controller->refreshDrivingInfo(playing);
}

void MainWindow::setMap(MapViewInterface* map)
{
    if (m_controller) m_controller->setMap(map);
}

void MainWindow::setDrivingInfo(DrivingInfoViewInterface* panel)
{
    if (m_controller) m_controller->setDrivingInfo(panel);
}

void MainWindow::setStopWatch(StopWatchInterface* stopWatch)
{
    if (m_controller) m_controller->setStopWatch(stopWatch);
}
