#include "app/map/MapController.h"

#include "app/map/GoogleEarthExport.h"
#include "app/shell/HostWindow.h"
#include "app/shell/PlayerPane.h"
#include "core/catalog/CardData.h"
#include "core/catalog/RecordingList.h"
#include "core/catalog/TripData.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/map/MapOverlays.h"
#include "core/map/MapRoute.h"
#include "core/map/MapScript.h"
#include "core/player/PlayMovieValueInfo.h"

#include <QEvent>
#include <QFutureWatcher>
#include <QLayout>
#include <QTimer>
#include <QWindow>
#include <QtConcurrent/QtConcurrentRun>

using CommonConst::ListType;
using CommonConst::PlayStatus;
using CommonConst::PlayType;

MapController::MapController(HostWindow* window, PlayerPane* player, PlayRoad* playRoad)
    : QObject(window), m_window(window), m_player(player), m_playRoad(playRoad)
{
    QWidget* slot = window->mapSlot();
    m_titleView = new MapTitleView(slot);
    m_emptyMapView = new EmptyMapView(slot);
    slot->layout()->addWidget(m_titleView);
    slot->layout()->addWidget(m_emptyMapView);
    // Hidden, the map gives its height back to the list above it.
    slot->layout()->setSizeConstraint(QLayout::SetMinAndMaxSize);
    slot->show();

    m_titleView->delegate = this;
    m_newWindow = new NewWindowView(window);
    m_newWindow->delegate = this;
    window->addFloatingWindow(m_newWindow);
    m_export = new GoogleEarthExport(window, player, this);
    window->setMap(this);
    // The browser engine takes longer to start than the whole window: the
    // window is shown first.
    window->installEventFilter(this);
}

MapController::~MapController()
{
    m_window->setMap(nullptr);
    if (m_mapView) m_mapView->mapWebView()->delegate = nullptr;
    m_titleView->delegate = nullptr;
    m_newWindow->delegate = nullptr;
    // The map goes with the main window, wherever it is shown now.
    if (m_mapView && m_mapView->parentWidget() != m_emptyMapView) m_emptyMapView->attach(m_mapView);
}

bool MapController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Show) {
        m_window->removeEventFilter(this);
        if (QWindow* handle = m_window->windowHandle(); handle && !m_mapView) handle->installEventFilter(this);
    } else if (event->type() == QEvent::Expose && watched == m_window->windowHandle() &&
               m_window->windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        // After this exposure has been drawn.
        QTimer::singleShot(0, this, &MapController::buildMap);
    }
    return false;
}

void MapController::buildMap()
{
    if (m_mapView) return;
    const Settings settings = m_settings.value_or(Settings{UserDefaultUtil::mapDispBaloon, UserDefaultUtil::mapTypeId,
                                                           UserDefaultUtil::language, int(UserDefaultUtil::mapZoom)});
    m_mapView = new MapView(settings.language, nullptr);
    m_emptyMapView->attach(m_mapView);
    m_mapView->mapWebView()->delegate = this;
    WebMapModel& model = m_mapView->mapWebView()->model();
    model.mapDispBalloon = settings.dispBalloon;
    model.mapTypeId = settings.mapTypeId;
    model.mapLanguage = settings.language;
    model.mapZoom = settings.zoom;
}

MapView* MapController::mapView()
{
    buildMap();
    return m_mapView;
}

WebMapView* MapController::webMapView()
{
    return mapView()->mapWebView();
}

// ---- settings and page ----

void MapController::applySettings(bool dispBalloon, const QString& mapTypeId, int language, int zoom)
{
    m_settings = Settings{dispBalloon, mapTypeId, language, zoom};
    if (!m_mapView) return;
    WebMapModel& model = m_mapView->mapWebView()->model();
    model.mapDispBalloon = dispBalloon;
    model.mapTypeId = mapTypeId;
    model.mapLanguage = language;
    model.mapZoom = zoom;
}

bool MapController::loadPage()
{
    // A map built now loads its page by itself.
    if (!m_mapView) {
        buildMap();
        return true;
    }
    return webMapView()->loadPage();
}

std::optional<int> MapController::zoomToRemember()
{
    if (!m_isMapZoomAndCenter) return std::nullopt;
    const std::optional<int> zoom = webMapView()->currentZoom();
    if (!zoom) return std::nullopt;
    // The next data shown is centred and zoomed again.
    m_isMapZoomAndCenter = false;
    webMapView()->model().centredOnData = false;
    return zoom;
}

bool MapController::dispBalloon()
{
    return webMapView()->getDispBalloon();
}

std::optional<int> MapController::currentZoom()
{
    return webMapView()->currentZoom();
}

QString MapController::mapTypeId()
{
    return webMapView()->currentMapTypeId();
}

// ---- the catalogue ----

void MapController::clearForLoad()
{
    ++m_markerGeneration;
    m_markersPending = false;
    m_movedMarkers.clear();
    forgetRoute();
    WebMapModel& model = webMapView()->model();
    model.removePolyLine();
    model.removeMarkerAll();
    model.removeMyCar();
}

void MapController::showCatalogue(const std::shared_ptr<CardData>&)
{
    WebMapModel& model = webMapView()->model();
    model.clearZoomAndCenter();
    // A card's markers take the GUI thread tens of milliseconds to label:
    // they are built in the background from copies of the list's records
    // and trips, and shown unless something newer came since.
    const quint64 generation = ++m_markerGeneration;
    m_markersPending = true;
    m_movedMarkers.clear();
    auto* job = new QFutureWatcher<MapOverlays::Markers>(this);
    connect(job, &QFutureWatcherBase::finished, this, [this, job, generation] {
        job->deleteLater();
        if (generation == m_markerGeneration) showBuiltMarkers(job->result());
    });
    job->setFuture(QtConcurrent::run(
        [sources = MapOverlays::sourcesOf(m_window->recordingList())] { return MapOverlays::build(sources); }));
}

void MapController::showBuiltMarkers(const MapOverlays::Markers& markers)
{
    m_markersPending = false;
    WebMapModel& model = webMapView()->model();
    for (auto it = markers.points.cbegin(); it != markers.points.cend(); ++it)
        model.markerList.insert(it.key(), *it);
    for (auto it = m_movedMarkers.cbegin(); it != m_movedMarkers.cend(); ++it)
        model.markerList.insert(it.key(), *it);
    m_movedMarkers.clear();
    model.addMarkers();
    drawMapOverlay(markers.firstPoint);
}

void MapController::drawMapOverlay(const std::optional<GeoPoint>& first)
{
    if (m_isMapZoomAndCenter || !first || (first->lat == 0.0 && first->lng == 0.0)) return;
    WebMapModel& model = webMapView()->model();
    const int zoom = int(UserDefaultUtil::mapZoom);
    model.setCenter(first->lat, first->lng);
    model.setZoom(zoom);
    model.flgCar = true;
    model.refreshMap();
    model.setZoom(zoom);
    m_isMapZoomAndCenter = true;
    model.centredOnData = true;
}

void MapController::tripRouteDidLoad(const std::shared_ptr<ChapterData>& chapter)
{
    if (!chapter) return;
    // A chapter without an index record puts its markers in place once its
    // recording is known.
    if (!chapter->_vmmInfo) {
        const auto markers = MapOverlays::chapterMarkers(m_window->recordingList(), *chapter);
        if (!markers.isEmpty()) {
            WebMapModel& model = webMapView()->model();
            QStringList keys;
            for (const auto& [key, point] : markers) {
                model.markerList.insert(key, point);
                keys.append(key);
                // The build on its way may have read the chapter unloaded.
                if (m_markersPending) m_movedMarkers.insert(key, point);
            }
            model.addMarkers(keys);
        }
    }
    // The route of the trip or adventure that plays grows chapter by chapter;
    // a burst of loaded chapters adds to it once.
    const std::shared_ptr<PlayMovieValueInfo> info = playingTrip();
    if (!info || !info->_chapterDataList.contains(chapter) || m_routeRedrawPending) return;
    m_routeRedrawPending = true;
    QTimer::singleShot(50, this, [this] {
        m_routeRedrawPending = false;
        extendChaptersRoute();
    });
}

std::shared_ptr<PlayMovieValueInfo> MapController::playingTrip() const
{
    if (!m_player) return nullptr;
    std::shared_ptr<PlayMovieValueInfo> info = m_player->playing();
    if (!info || (info->_playType != PlayType::Movie && info->_playType != PlayType::Adventure)) return nullptr;
    return info;
}

void MapController::drawChaptersRoute(const ChapterList& chapters)
{
    forgetRoute();
    WebMapModel& model = webMapView()->model();
    model.polyList.clear();
    m_routeNext = MapRoute::appendTripRoute(model.polyList, chapters);
    m_routeChapters = chapters;
    sendRouteText(model.polyList, false);
}

void MapController::extendChaptersRoute()
{
    const std::shared_ptr<PlayMovieValueInfo> playing = playingTrip();
    if (!playing) return;
    if (playing->_chapterDataList != m_routeChapters) {
        // Not the route drawn for it (none, or another's): drawn whole.
        drawChaptersRoute(playing->_chapterDataList);
        return;
    }
    // Only what the walk takes in from where it stopped goes to the page.
    WebMapModel& model = webMapView()->model();
    const std::size_t drawn = model.polyList.size();
    m_routeNext = MapRoute::appendTripRoute(model.polyList, m_routeChapters, m_routeNext);
    if (drawn < model.polyList.size())
        sendRouteText(std::vector<GeoPoint>(model.polyList.cbegin() + qsizetype(drawn), model.polyList.cend()), true);
}

void MapController::forgetRoute()
{
    m_routeChapters.clear();
    m_routeNext = 0;
    ++m_routeGeneration;
    for (QFutureWatcher<QString>* job : m_routeTexts) {
        job->disconnect(this);
        job->deleteLater();
    }
    m_routeTexts.clear();
}

void MapController::sendRouteText(std::vector<GeoPoint> points, bool extension)
{
    auto* job = new QFutureWatcher<QString>(this);
    // Written for the page on show: a page that loads meanwhile draws the
    // whole route itself.
    job->setProperty("pageLoads", webMapView()->model().pageLoads());
    m_routeTexts.push_back(job);
    connect(job, &QFutureWatcherBase::finished, this, &MapController::sendWrittenRouteTexts);
    job->setFuture(QtConcurrent::run([points = std::move(points), extension] {
        return extension ? MapScript::routeExtension(points, 0) : MapScript::route(points);
    }));
}

void MapController::sendWrittenRouteTexts()
{
    WebMapModel& model = webMapView()->model();
    while (!m_routeTexts.empty() && m_routeTexts.front()->isFinished()) {
        QFutureWatcher<QString>* job = m_routeTexts.front();
        m_routeTexts.pop_front();
        job->deleteLater();
        if (job->property("pageLoads").toULongLong() == model.pageLoads()) model.sendRoute(job->result());
    }
}

// ---- the play road ----

void MapController::clearRouteAndCar()
{
    forgetRoute();
    WebMapModel& model = webMapView()->model();
    model.removePolyLine();
    model.removeMyCar();
}

void MapController::drawTripRoute(const std::shared_ptr<TripData>& trip)
{
    if (trip) drawChaptersRoute(trip->chapterDataList());
}

void MapController::drawWindowRoute(const ChapterList& chapters, qint64 minValue, qint64 maxValue)
{
    forgetRoute();
    webMapView()->model().polyList.clear();
    // The window's recordings are read in the background (a slow card holds
    // up no window); the route is drawn when they have been, unless another
    // route was asked for meanwhile.
    const quint64 generation = m_routeGeneration;
    auto* job = new QFutureWatcher<std::vector<GeoPoint>>(this);
    connect(job, &QFutureWatcherBase::finished, this, [this, job, generation] {
        job->deleteLater();
        if (generation != m_routeGeneration) return;
        WebMapModel& model = webMapView()->model();
        model.polyList = job->result();
        model.drawPolyline();
    });
    job->setFuture(QtConcurrent::run(
        [chapters, minValue, maxValue] { return MapRoute::readWindowRoute(chapters, minValue, maxValue); }));
}

void MapController::refreshCar()
{
    PlayerPane* player = m_player;
    if (!player || player->playStatus() == PlayStatus::NotReady) return;
    if (player->isChangingChapter()) return;
    const std::shared_ptr<PlayMovieValueInfo> info = player->playing();
    const std::shared_ptr<ChapterData> chapter = info->currentChapter();
    if (!chapter) return;
    // The recording that plays is loaded; nothing else is read here.
    const std::shared_ptr<const PictureData> picture = chapter->loadPicture(false);
    if (!picture) return;
    const auto car =
        MapRoute::carPosition(picture.get(), chapter.get(), info->currentFrame(), info->_chapterDataList);
    if (!car || (car->latitude == 0 && car->longitude == 0)) return;
    WebMapModel& model = webMapView()->model();
    model.drawMyCar(MapPosition::toDegrees(car->latitude), MapPosition::toDegrees(car->longitude), car->icon,
                    car->gps);
    model.flgCar = true;
}

void MapController::fullScreenDidChange(bool fullScreen)
{
    // The detached map steps aside in full screen and comes back after it.
    if (m_titleView->mapType != MapType::Window || !m_mapView || m_mapView->window() != m_newWindow) return;
    if (fullScreen)
        m_newWindow->hide();
    else
        m_newWindow->show();
}

void MapController::exportGoogleEarth()
{
    m_export->exportGoogleEarth();
}

// ---- marker clicks ----

void MapController::markerClicked(const MapPoint& point)
{
    if (PlayRoad* road = m_playRoad) {
        switch (point.marker) {
        case MarkerType::NORMAL:
            road->playChapter(ListType::TripChapter, point.tripIndex, point.chapterIndex, true);
            break;
        case MarkerType::ADVENTURE:
            road->playChapter(ListType::AdvChapter, point.tripIndex, point.chapterIndex, true);
            break;
        case MarkerType::EVENT:
            if (point.eventIndex >= 0) road->playChapter(ListType::Event, point.eventIndex, 0, true);
            break;
        case MarkerType::SURVEILLANCE:
            if (point.eventIndex >= 0) road->playChapter(ListType::Surveillance, point.eventIndex, 0, true);
            break;
        }
    }
    m_window->updateWindowTitle();
}

// ---- display modes ----

void MapController::detachMap(MapType type)
{
    PlayerPane* player = m_player;
    const PlayStatus status = player ? player->playStatus() : PlayStatus::NotReady;
    if (status == PlayStatus::Play) player->pause();
    WebMapModel& model = webMapView()->model();
    switch (type) {
    case MapType::Show:
        m_emptyMapView->show();
        mapView()->show();
        model.mapViewHiddenFlg = false;
        break;
    case MapType::Window:
        m_titleView->hide();
        m_emptyMapView->hide();
        m_window->mapSlot()->hide();
        m_newWindow->setContentView(mapView());
        model.mapViewHiddenFlg = true;
        m_newWindow->showWindow();
        model.mapViewHiddenFlg = true;
        break;
    case MapType::Hidden:
        mapView()->hide();
        m_emptyMapView->hide();
        model.mapViewHiddenFlg = true;
        break;
    }
    if (!player) return;
    if (status == PlayStatus::Stop)
        player->stop();
    else if (status == PlayStatus::Play)
        player->play();
}

void MapController::attachMap()
{
    m_window->mapSlot()->show();
    m_titleView->show();
    m_emptyMapView->show();
    m_emptyMapView->attach(mapView());
    // Set directly: the bar's buttons are still those of the shown map. The
    // pane's hidden flag is left as the detaching set it.
    m_titleView->mapType = MapType::Show;
}

void MapController::newWindowWillShow(bool)
{
    m_window->refreshDrivingInfo(false);
}
