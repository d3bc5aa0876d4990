#include "MainWindow.h"

#include "catalogue/VideoListView.h"
#include "foundation/CommonConst.h"
#include "mainwindow/PlayController.h"
#include "player/MoviePlayerView.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QPalette>
#include <QSplitter>

MainWindow::MainWindow(QWidget* parent, ViewController::Options options) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(CommonConst::FMT_FORM_TITLE_DEFAULT);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgba(CommonConst::FROM_BACKGROUND_COLOR));
    setPalette(pal);
    setAutoFillBackground(true);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    m_videoListView = new VideoListView(m_splitter);
    auto* placeholder = new QLabel(m_splitter);
    placeholder->setObjectName(QStringLiteral("playerAreaPlaceholder"));
    placeholder->setAutoFillBackground(true);
    QPalette black = placeholder->palette();
    black.setColor(QPalette::Window, Qt::black);
    placeholder->setPalette(black);
    m_playerArea = placeholder;
    m_splitter->addWidget(m_videoListView);
    m_splitter->addWidget(placeholder);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({340, 940});
    setCentralWidget(m_splitter);

    m_controller = new ViewController(this, m_videoListView, options);
    if (options.withPlayer) {
        MoviePlayerView::PlayerFactory factory;
        if (options.playerFactory) factory = options.playerFactory;
        m_moviePlayerView = new MoviePlayerView(nullptr, std::move(factory));
        m_moviePlayerView->setObjectName(QStringLiteral("moviePlayerView"));
        setPlayerArea(m_moviePlayerView);
        m_playController = new PlayController(this, m_controller, m_videoListView, m_moviePlayerView);
    }
    buildMenus();
    resize(1280, 800);
    m_controller->startUp();
}

MainWindow::~MainWindow()
{
    // The player's side goes first (the player tells nobody any more), then
    // the controller: it waits for a running load and lets go of the list
    // before the widgets go.
    delete m_playController;
    m_playController = nullptr;
    delete m_controller;
    m_controller = nullptr;
}

void MainWindow::buildMenus()
{
    // Each command is wired on its own, so one that cannot be made leaves
    // the others working.
    menuBar()->setStyleSheet(QStringLiteral("QMenuBar { background: #1c1c1c; color: #e8e8e8; }"
                                            "QMenuBar::item:selected { background: #2f6fa8; }"));
    QMenu* file = menuBar()->addMenu(tr("File"));
    m_actOpen = file->addAction(tr("Open"));
    m_actOpen->setShortcut(QKeySequence::Open);
    connect(m_actOpen, &QAction::triggered, m_controller, &ViewController::showOpenDialog);
    file->addSeparator();
    m_actQuit = file->addAction(tr("Quit"));
    m_actQuit->setShortcut(QKeySequence::Quit);
    m_actQuit->setMenuRole(QAction::QuitRole);
    connect(m_actQuit, &QAction::triggered, this, &QWidget::close);

    QMenu* help = menuBar()->addMenu(tr("Help"));
    m_actAbout = help->addAction(tr("About KORVELTA REPLAY"));
    m_actAbout->setMenuRole(QAction::AboutRole);
    connect(m_actAbout, &QAction::triggered, m_controller, &ViewController::showAboutDialog);
}

void MainWindow::setPlayerArea(QWidget* area)
{
    if (!area || area == m_playerArea) return;
    const int index = m_playerArea ? m_splitter->indexOf(m_playerArea) : -1;
    if (index >= 0) {
        QWidget* old = m_splitter->replaceWidget(index, area);
        if (old) old->deleteLater();
    } else {
        m_splitter->addWidget(area);
    }
    m_splitter->setStretchFactor(1, 1);
    m_playerArea = area;
}
