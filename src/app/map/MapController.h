#pragma once

#include "app/mainwindow/MainWindowViews.h"
#include "app/map/MapViews.h"
#include "app/map/WebMapView.h"

#include <QObject>
#include <QPointer>

class GoogleEarthExport;
class MainWindow;
class MoviePlayerView;
class PlayMovieValueInfo;
class PlayController;
class VideoListView;
class ViewController;

// The main window's side of the map: the title bar and the map under the
// list, the detached window, the catalogue's markers, the route of what
// plays, the car at the play position, marker clicks and the Google Earth
// export. GUI thread only.
class MapController : public QObject,
                      public MapViewInterface,
                      public WebMapViewDelegate,
                      public MapTitleViewDelegate,
                      public NewWindowViewDelegate {
    Q_OBJECT
public:
    MapController(MainWindow* window, ViewController* controller, VideoListView* list,
                  MoviePlayerView* player, PlayController* playRoad);
    ~MapController() override;

    MapTitleView* mapTitleView() const { return m_titleView; }
    EmptyMapView* emptyMapView() const { return m_emptyMapView; }
    MapView* mapView() const { return m_mapView; }
    WebMapView* webMapView() const { return m_mapView ? m_mapView->mapWebView() : nullptr; }
    NewWindowView* newWindowView() const { return m_newWindow; }
    GoogleEarthExport* googleEarthExport() const { return m_export; }

    // ---- MapViewInterface ----
    void applySettings(bool dispBalloon, const QString& mapTypeId, int language) override;
    bool loadPage() override;
    std::optional<int> zoomToRemember() override;
    bool dispBalloon() override;
    void clearForLoad() override;
    void showCatalogue(const std::shared_ptr<CardData>& card) override;
    void tripRouteDidLoad(const std::shared_ptr<ChapterData>& chapter) override;
    void clearRouteAndCar() override;
    void drawTripRoute(const std::shared_ptr<TripData>& trip) override;
    void drawWindowRoute(const ChapterList& chapters, qint64 minValue, qint64 maxValue) override;
    void refreshCar() override;
    bool isZoomedAndCentred() const override { return m_isMapZoomAndCenter; }
    std::optional<int> currentZoom() override;
    QString mapTypeId() override;
    void exportGoogleEarth() override;

    // ---- WebMapViewDelegate: a marker was clicked ----
    void markerClicked(const MapPoint& point) override;
    // ---- MapTitleViewDelegate ----
    void mapTypeChanged(MapType type) override { detachMap(type); }
    // ---- NewWindowViewDelegate ----
    void newWindowWillShow(bool flag) override;
    void newWindowWillClose() override { attachMap(); }

    // The map's display modes.
    void detachMap(MapType type);
    void attachMap();

private:
    // Centres and zooms the map on the first marker of a load, once.
    void drawMapOverlay(const std::optional<GeoPoint>& first);
    // What plays when it is a trip or an adventure (their routes follow the loads), else null.
    std::shared_ptr<PlayMovieValueInfo> playingTrip() const;
    // The route of loaded chapters, replacing the one drawn.
    void drawChaptersRoute(const ChapterList& chapters);

    MainWindow* m_window;
    QPointer<ViewController> m_controller;
    VideoListView* m_list;
    QPointer<MoviePlayerView> m_player;
    QPointer<PlayController> m_playRoad;
    MapTitleView* m_titleView = nullptr;
    EmptyMapView* m_emptyMapView = nullptr;
    QPointer<MapView> m_mapView;
    NewWindowView* m_newWindow = nullptr;
    GoogleEarthExport* m_export = nullptr;
    bool m_isMapZoomAndCenter = false;
    bool m_routeRedrawPending = false;
};
