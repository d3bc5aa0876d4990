#pragma once

#include "app/map/MapViews.h"
#include "app/map/WebMapView.h"
#include "app/shell/MainWindowViews.h"
#include "core/map/MapOverlays.h"

#include <QFutureWatcher>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <deque>
#include <optional>
#include <vector>

class GoogleEarthExport;
class HostWindow;
class PlayerPane;
class PlayMovieValueInfo;

// The main window's side of the map: the title bar and the map under the
// list, the detached window, the catalogue's markers, the route of what
// plays, the car at the play position, marker clicks and the Google Earth
// export. The map itself (a browser engine, slow to start) is built once
// the main window has first been shown, or earlier when something asks for
// it; it draws what it holds when its page has loaded. GUI thread only.
class MapController : public QObject,
                      public MapViewInterface,
                      public WebMapViewDelegate,
                      public MapTitleViewDelegate,
                      public NewWindowViewDelegate {
    Q_OBJECT
public:
    // Without a player (and its play road) the map shows the catalogue only;
    // both outlive the map.
    MapController(HostWindow* window, PlayerPane* player, PlayRoad* playRoad);
    ~MapController() override;

    MapTitleView* mapTitleView() const { return m_titleView; }
    EmptyMapView* emptyMapView() const { return m_emptyMapView; }
    // The map container and its pane, built on first use.
    MapView* mapView();
    WebMapView* webMapView();
    bool isMapBuilt() const { return m_mapView != nullptr; }
    // Builds the map container and its pane (once) with the settings last
    // applied, else the stored ones.
    void buildMap();
    NewWindowView* newWindowView() const { return m_newWindow; }
    GoogleEarthExport* googleEarthExport() const { return m_export; }

    // ---- MapViewInterface ----
    void applySettings(bool dispBalloon, const QString& mapTypeId, int language, int zoom) override;
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
    void fullScreenDidChange(bool fullScreen) override;
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

protected:
    // The main window's first showing, then its first exposure: the map is
    // built right after the window has been drawn.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Centres and zooms the map on the first marker of a load, once.
    void drawMapOverlay(const std::optional<GeoPoint>& first);
    // Puts the markers built for the catalogue in the map, with the ones its
    // loaded chapters moved meanwhile over them, and centres the map.
    void showBuiltMarkers(const MapOverlays::Markers& markers);
    // What plays when it is a trip or an adventure (their routes follow the loads), else null.
    std::shared_ptr<PlayMovieValueInfo> playingTrip() const;
    // The route of loaded chapters, replacing the one drawn.
    void drawChaptersRoute(const ChapterList& chapters);
    // Adds what chapters loaded since add to the route of what plays.
    void extendChaptersRoute();
    // The route drawn now is no longer a trip's that grows, and an event's
    // route or a route text on its way is not drawn.
    void forgetRoute();
    // Sends the route text of points (the whole route, or what it grew by)
    // once it is written: in the background, as an hour's route takes the
    // GUI thread tens of milliseconds to write. Texts go in the order asked.
    void sendRouteText(std::vector<GeoPoint> points, bool extension);
    void sendWrittenRouteTexts();

    HostWindow* m_window;
    QPointer<PlayerPane> m_player;
    PlayRoad* m_playRoad;
    MapTitleView* m_titleView = nullptr;
    EmptyMapView* m_emptyMapView = nullptr;
    QPointer<MapView> m_mapView;
    struct Settings {
        bool dispBalloon = true;
        QString mapTypeId;
        int language = 0;
        int zoom = 15;
    };
    std::optional<Settings> m_settings;
    NewWindowView* m_newWindow = nullptr;
    GoogleEarthExport* m_export = nullptr;
    bool m_isMapZoomAndCenter = false;
    bool m_routeRedrawPending = false;
    // The trip whose route is drawn and grows as its chapters load, and its
    // first chapter the route has not taken in yet.
    ChapterList m_routeChapters;
    qsizetype m_routeNext = 0;
    // Counts the routes asked for: an event's route read in the background
    // is drawn only when no other was asked for since.
    quint64 m_routeGeneration = 0;
    // Route texts being written, oldest first.
    std::deque<QFutureWatcher<QString>*> m_routeTexts;
    // Counts the catalogues shown and cleared: markers built in the
    // background are shown only when no other load, clearing or showing came
    // since they were asked for.
    quint64 m_markerGeneration = 0;
    bool m_markersPending = false;
    // The markers chapters that loaded while the catalogue's markers were
    // being built have put in place: newer than those the build read.
    QMap<QString, MapPoint> m_movedMarkers;
};
