#include "app/mainwindow/ViewController.h"

#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "app/shell/Alerts.h"
#include "app/mainwindow/AppAboutDialog.h"
#include "app/mainwindow/MainWindow.h"
#include "app/shell/ModalWindow.h"
#include "app/mainwindow/Reachability.h"
#include "app/mainwindow/UpdateChecker.h"
#include "app/settings/CameraSettingsRoad.h"
#include "core/mainwindow/WindowTitle.h"
#include "core/recording/PictureData.h"

#include <QDeadlineTimer>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

using ListType = CommonConst::ListType;

ViewController::ViewController(MainWindow* window, VideoListView* list, Options options)
    : QObject(window), m_window(window), m_list(list), m_options(options), m_cardData(CardData::create())
{
    m_videoTypeSelectDialog = new VideoTypeSelectDialog();
    m_updateChecker = new UpdateChecker(this);
    m_list->delegate = this;
    m_cameraSettings = std::make_unique<CameraSettingsRoad>(window, [this] { return confirmStopwatchDiscard(); });
    ModalWindow::setChildWindowLevelsHandler([this](bool raised) { applyChildWindowLevels(raised); });
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, &ViewController::applicationStateChanged);
}

ViewController::~ViewController()
{
    ModalWindow::setChildWindowLevelsHandler({});
    m_list->delegate = nullptr;
    // A load still reading is given up, not waited for: its catalogue stops
    // reading the card at its next read and the job ends by itself, holding
    // nothing of the window's (the application waits for it as it ends).
    if (m_loadPause) m_loadPause->giveUp();
    for (const auto& reading : std::as_const(m_reading))
        if (const auto card = reading.lock()) card->dispose();
    if (m_cardData) m_cardData->dispose();
    delete m_videoTypeSelectDialog;
}

void ViewController::startUp()
{
    // Without network only the map is affected: a retry timer loads its page
    // once the host answers.
    if (m_options.probeNetwork) {
        m_reachability = new MapReachability(MapReachability::DEFAULT_HOST, MapReachability::DEFAULT_PORT, this);
        m_reachability->setOnReachable([this] { return m_map == nullptr || m_map->loadPage(); });
        m_reachability->start();
    }
    UserDefaultUtil::load();
    if (m_map)
        m_map->applySettings(UserDefaultUtil::mapDispBaloon, UserDefaultUtil::mapTypeId, UserDefaultUtil::language,
                             int(UserDefaultUtil::mapZoom));
    if (m_player)
        m_player->applyStartupSettings(UserDefaultUtil::viewerVolume, UserDefaultUtil::viewerIsMute,
                                       UserDefaultUtil::viewerGamma);
    m_openedKind.reset();
    if (m_drivingInfo)
        m_drivingInfo->applyStartupSettings(UserDefaultUtil::speedMeter.load(), UserDefaultUtil::dispSpeedMeter,
                                            UserDefaultUtil::dispCircleChart);
    if (m_options.checkForUpdates) {
        connect(m_updateChecker, &UpdateChecker::updateAvailable, this,
                [this] { UpdateChecker::showUpdateAnnouncement(m_window); });
        m_updateChecker->checkForUpdates();
    }
    updateWindowTitle();
    if (!UserDefaultUtil::firstLaunch)
        QTimer::singleShot(0, this, &ViewController::showFirstLaunchViewerSettings);
}

void ViewController::showFirstLaunchViewerSettings()
{
    // Only a dialog the user has seen marks the first launch as done.
    const bool shown = m_viewerSettingsLauncher ? m_viewerSettingsLauncher() : runViewerSettingsDialog();
    if (!shown) return;
    UserDefaultUtil::firstLaunch = true;
    SettingsStore::open()->setValue(UserDefaultUtil::KEY_FIRST_LAUNCH, true);
}

void ViewController::refreshDrivingInfo(bool playing)
{
    if (m_drivingInfo) m_drivingInfo->refreshDrivingInfo(playing);
    if (m_map) m_map->refreshCar();
}

void ViewController::saveMapSettings()
{
    if (!m_map || !m_player || !m_player->isReadyToPlay()) return;
    const auto store = SettingsStore::open();
    if (m_map->isZoomedAndCentred()) {
        // A zoom the page never told ends the saving here.
        const std::optional<int> zoom = m_map->currentZoom();
        if (!zoom) return;
        UserDefaultUtil::mapZoom = *zoom;
        store->setValue(UserDefaultUtil::KEY_MAP_ZOOM, *zoom);
        UserDefaultUtil::mapDispBaloon = m_map->dispBalloon();
        store->setValue(UserDefaultUtil::KEY_MAP_DISP_BALOON, UserDefaultUtil::mapDispBaloon);
    }
    UserDefaultUtil::mapTypeId = m_map->mapTypeId();
    store->setValue(UserDefaultUtil::KEY_MAP_TYPE_ID, UserDefaultUtil::mapTypeId);
}

void ViewController::addFloatingWindow(QWidget* window)
{
    if (window) m_floating.append(window);
}

void ViewController::setChildWindowLevels(bool raised)
{
    // Counted with every other modal run, so that a run inside a run keeps
    // the windows lowered until the outer one ends.
    ModalWindow::setChildWindowLevels(raised);
}

void ViewController::applyChildWindowLevels(bool raised)
{
    for (const auto& w : std::as_const(m_floating)) {
        if (!w) continue;
        if (!raised) {
            if (!(w->windowFlags() & Qt::WindowStaysOnTopHint)) continue;
            const bool visible = w->isVisible();
            w->setWindowFlag(Qt::WindowStaysOnTopHint, false);
            if (visible) w->show();
            m_lowered.insert(w);
        } else if (m_lowered.remove(w)) {
            const bool visible = w->isVisible();
            w->setWindowFlag(Qt::WindowStaysOnTopHint, true);
            if (visible) w->show();
        }
    }
}

void ViewController::pauseForDialog()
{
    if (m_player && m_player->isReadyToPlay()) m_player->pause();
}

void ViewController::showOpenDialog()
{
    pauseForDialog();
    m_videoTypeSelectDialog->delegate = this;
    ModalWindow::runDialog(m_window, m_videoTypeSelectDialog, ModalWindow::Type::OpenForm,
                           VideoTypeSelectDialog::windowTitleText(), VideoTypeSelectDialog::CONTENT_SIZE);
    m_window->activateWindow();
}

void ViewController::showAboutDialog()
{
    pauseForDialog();
    AppAboutDialog about;
    ModalWindow::runDialog(m_window, &about, ModalWindow::Type::Etc, AppAboutDialog::windowTitleText(),
                           AppAboutDialog::CONTENT_SIZE);
    m_window->activateWindow();
}

void ViewController::updateWindowTitle()
{
    const WindowTitleState state = m_player ? m_player->windowTitleState() : WindowTitleState{};
    m_window->setWindowTitle(windowTitle(state));
}

bool ViewController::confirmStopwatchDiscard()
{
    if (!m_stopWatch || m_stopWatch->isReady()) return true;
    const int answer =
        Alerts::confirm(m_window, tr("The Stopwatch measurement result will be deleted. Proceed?"),
                        {Alerts::buttonCancel(), Alerts::buttonOk()});
    if (answer != Alerts::FIRST_BUTTON + 1) return false;
    m_stopWatch->reset();
    return true;
}

void ViewController::resetForLoad()
{
    if (m_player) {
        m_player->setAutoPlay(false);
        m_player->setLoadingTextVisible(false);
        m_player->closeMovie(false);
        m_player->setSaveButtonEnabled(false, QString());
    }
    if (m_map) m_map->clearForLoad();
    m_openedKind.reset();
    m_list->resetCurrentRows();
    // Whatever load was running is given up: its completion will find a
    // newer generation and drop its catalogue.
    m_generations.invalidate();
    if (m_loadPause) m_loadPause->giveUp();
    m_loadPause.reset();
    m_loadPath.clear();
    m_loadKind.reset();
    m_isLoading = false;
    // A catalogue still being read is disposed by its own completion, once
    // its reader has let go of it.
    if (!m_reading.contains(m_cardData.get())) m_cardData->dispose();
    m_cardData = CardData::create();
    m_list->setData(m_cardData);
    refreshDrivingInfo(false);
}

void ViewController::loadData(const QString& path, bool autoPlay, MovieType kind)
{
    if (m_map) {
        if (const auto zoom = m_map->zoomToRemember()) {
            UserDefaultUtil::mapZoom = *zoom;
            UserDefaultUtil::mapDispBaloon = m_map->dispBalloon();
            const auto store = SettingsStore::open();
            store->setValue(UserDefaultUtil::KEY_MAP_ZOOM, *zoom);
            store->setValue(UserDefaultUtil::KEY_MAP_DISP_BALOON, UserDefaultUtil::mapDispBaloon);
        }
    }
    resetForLoad();
    OpenData::Load load = m_generations.begin(path, kind);
    m_cardData = load.card;
    m_loadPath = path;
    m_loadKind = kind;
    m_isLoading = true;
    if (m_player) {
        const bool wasOn = m_player->autoPlay();
        m_player->setAutoPlay(autoPlay);
        if (autoPlay && !wasOn) m_player->play();
        m_player->setLoadingTextVisible(true);
    }
    startLoad(load);
}

void ViewController::reopenData(const QString& path)
{
    // The clean-up works on backup folders only.
    loadData(path, false, m_openedKind.value_or(MovieType::Backup));
}

void ViewController::startLoad(const OpenData::Load& load)
{
    m_reading.insert(load.card.get(), load.card);
    auto* watcher = new QFutureWatcher<OpenData::FirstRecording>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, load] {
        watcher->deleteLater();
        loadDidFinish(load, watcher->result());
    });
    // The job owns its catalogue and path only; it never sees the window.
    const std::shared_ptr<CardData> card = load.card;
    const QString path = load.path;
    const int delayMs = m_options.loadDelayMs;
    m_loadPause = std::make_shared<LoadPause>();
    const std::shared_ptr<LoadPause> pause = m_loadPause;
    watcher->setFuture(QtConcurrent::run([card, path, delayMs, pause] {
        // A load given up (the window closing) stops reading at once.
        const CardReads::StopScope stopReads = card->stopReadsOnDispose();
        // Given up during the pause (a reset, another source, a delete
        // under it, the window closing): the source is not read at all.
        if (!pause->wait(delayMs) || card->isDisposed()) return OpenData::FirstRecording::NoTrip;
        card->readCardData(path);
        if (card->isDisposed()) return OpenData::FirstRecording::NoTrip; // nobody is told
        return OpenData::checkFirstRecording(*card);
    }));
}

bool ViewController::LoadPause::wait(int ms)
{
    std::unique_lock lock(m_mutex);
    if (ms > 0) m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_givenUp; });
    return !m_givenUp;
}

void ViewController::LoadPause::giveUp()
{
    {
        std::lock_guard lock(m_mutex);
        m_givenUp = true;
    }
    m_changed.notify_all();
}

void ViewController::loadDidFinish(const OpenData::Load& load, OpenData::FirstRecording result)
{
    m_reading.remove(load.card.get());
    if (!m_generations.isLatest(load) || load.card != m_cardData) {
        // A newer load (or a reset) replaced this one: its catalogue is
        // nobody's any more.
        load.card->dispose();
        finishPendingCloses();
        return;
    }
    if (m_player) m_player->setLoadingTextVisible(false);
    const auto finish = [this] {
        m_isLoading = false;
        updateWindowTitle();
        Q_EMIT loadFinished();
    };
    if (m_cardData->isDisposed()) {
        finish();
        return;
    }

    switch (result) {
    case OpenData::FirstRecording::NoTrip:
        Alerts::warning(m_window, tr("Unable to locate the file."));
        if (m_player) m_player->setSaveButtonEnabled(false, QString());
        finish();
        return;
    case OpenData::FirstRecording::Unreadable:
        if (m_player) m_player->closeMovie(false);
        m_list->list().isSelectRowChanging = false;
        Alerts::warning(m_window, tr("Unable to read the selected file."));
        finish();
        return;
    case OpenData::FirstRecording::Ok:
        break;
    }

    m_cardData->setDelegate(this, this);
    m_cardData->startLoadThreads();
    m_list->setData(m_cardData);
    refreshDrivingInfo(false);
    if (m_map) m_map->showCatalogue(m_cardData);
    m_openedKind = load.kind;
    // A missing movie has reset the display and told the user already.
    if (!showFirstRecording() && m_cardData == load.card) {
        Alerts::warning(m_window, tr("Unable to locate the file."));
        if (m_player) m_player->setSaveButtonEnabled(false, QString());
    }
    finish();
}

bool ViewController::showFirstRecording()
{
    if (m_playRoad) return m_playRoad->playFirstRecording();
    return selectListRow(ListType::Trip, 0) || selectListRow(ListType::Surveillance, 0);
}

bool ViewController::selectListRow(ListType type, int row)
{
    if (m_list->list().isSelectRowChanging) return false;
    RecordingList& list = m_list->list();
    if (row < 0 || row >= list.rowCount(type)) return false;
    m_list->list().isSelectRowChanging = true;
    switch (type) {
    case ListType::Trip:
        m_list->resetCurrentRows();
        m_list->selectRow(row, ListType::Trip, false);
        m_list->selectRow(0, ListType::TripChapter, false);
        m_cardData->setActiveType(CardData::ActiveType::MovieRec);
        break;
    case ListType::Adventure:
        m_list->resetCurrentRows();
        m_list->selectRow(row, ListType::Adventure, false);
        m_list->selectRow(0, ListType::AdvChapter, false);
        m_cardData->setActiveType(CardData::ActiveType::AdventureRec);
        break;
    case ListType::Event:
    case ListType::Surveillance:
        m_list->resetCurrentRows();
        m_cardData->setActiveType(CardData::ActiveType::EventRec);
        break;
    case ListType::TripChapter:
    case ListType::AdvChapter:
        break;
    }
    const bool ok = m_list->selectRow(row, type, true);
    m_list->list().isSelectRowChanging = false;
    return ok;
}

bool ViewController::videoListDidSelect(ListType listType, int row)
{
    if (m_playRoad) return m_playRoad->playListRow(listType, row);
    if (!confirmStopwatchDiscard()) return false;
    return selectListRow(listType, row);
}

void ViewController::tripRouteDidLoad(const std::shared_ptr<ChapterData>& chapter)
{
    // A trimmed movie's thumbnail made before its recording was read lacks
    // the caption band: the worker makes it again.
    if (chapter) {
        const std::shared_ptr<const PictureData> picture = chapter->loadPicture(false);
        if (picture && picture->video && picture->video->_isCutVideo) chapter->clearPathThumbnail();
    }
    if (m_map) m_map->tripRouteDidLoad(chapter);
    if (m_drivingInfo) m_drivingInfo->chapterDidLoad(chapter);
    scheduleListReload();
}

void ViewController::chapterPicturesDidLoad(const std::shared_ptr<ChapterData>&)
{
    scheduleListReload();
}

void ViewController::scheduleListReload()
{
    // Workers report chapter by chapter; one rebuild per burst is enough.
    if (m_reloadPending) return;
    m_reloadPending = true;
    QTimer::singleShot(50, this, [this] {
        m_reloadPending = false;
        m_list->reloadList();
    });
}
