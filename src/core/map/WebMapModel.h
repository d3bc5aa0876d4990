#pragma once

#include "core/map/MapPoint.h"

#include <QMap>
#include <QString>
#include <functional>
#include <vector>

// What the map pane shows and when it tells the page: the route of what
// plays, the markers of the catalogue, the car, and the map settings. The
// page is driven only by call texts (MapScript) handed to the sink.
//
// The page can be replaced at any time (a reload after an offline start);
// a replaced page shows nothing. So the pane keeps everything it shows,
// drops calls while no page is loaded, and draws its whole state on every
// finished page load: nothing is drawn twice on one page and nothing is
// lost on a new one. GUI thread only.
class WebMapModel {
public:
    using Sink = std::function<void(const QString& script)>;

    static constexpr double INI_CENTER_LAT = -29.4944;
    static constexpr double INI_CENTER_LNG = 132.6368;
    static constexpr int INI_ZOOM = 2;

    // iniDispBalloon: the stored balloon setting when the pane is made.
    WebMapModel(Sink sink, bool iniDispBalloon);

    // ---- the page ----
    // A new page is loading: calls are dropped until it has loaded.
    void pageLoadStarted();
    // Every finished page load, online or not: starts the page's map at the
    // pane's point with its settings, then draws the route, the markers and
    // the car the pane holds.
    void onPageLoaded();
    bool isPageReady() const { return m_pageReady; }

    // ---- drawing ----
    // Centres the map and remembers the point.
    void setCenter(double lat, double lng);
    void setZoom(int zoom);
    // Draws the car; nothing is sent when position, icon and GPS state are
    // those drawn last.
    void drawMyCar(double lat, double lng, IconId icon, bool gps);
    // Appends a route point (MapPosition::appendRoutePoint); sends nothing.
    bool addPolyPoint(double lat, double lng);
    // Sends the route in polyList (replacing the one on the page).
    void drawPolyline();
    // Sends the points of polyList from index `from` on, added to the end of
    // the route on the page (a route that grew by them).
    void extendPolyline(std::size_t from);
    // Sends a route text written elsewhere from polyList (MapScript::route
    // of it, or routeExtension of what it grew by).
    void sendRoute(const QString& script) { send(script); }
    // Counts the finished page loads: a text written before a page loaded
    // is not sent to it (the page drew the whole route as it loaded).
    quint64 pageLoads() const { return m_pageLoads; }
    // Sends every marker of markerList, or the ones named.
    void addMarkers();
    void addMarkers(const QStringList& keys);
    // Draws the car again (after the map was centred on data) when flgCar is set.
    void refreshMap();
    // Removals: the page's and the pane's own list.
    void removePolyLine();
    void removeMarkerAll();
    void removeMyCar();
    void clearZoomAndCenter();

    // The marker stored under a key (the page's marker click), or null.
    const MapPoint* marker(const QString& key) const;

    // ---- state ----
    // The last centre and the car drawn last.
    MapPoint currentPoint;
    std::vector<GeoPoint> polyList;
    QMap<QString, MapPoint> markerList;
    // The car is to be drawn again on a new page (set once a car was drawn).
    bool flgCar = false;
    // The map is not in the main window's pane (hidden or in its own window).
    bool mapViewHiddenFlg = false;
    // The main window has centred the map on data.
    bool centredOnData = false;
    QString mapTypeId = QStringLiteral("roadmap");
    int mapZoom = 15;
    bool mapDispBalloon = true;
    int mapLanguage = 0;

private:
    void send(const QString& script);
    // The view a new page starts with: the overview of the starting centre
    // while the map sits in the pane and has not been centred on data, else
    // the pane's point at the stored zoom; then type, balloons, language.
    void applyInitialSettings();
    void sendMarkers(const QStringList& keys);

    Sink m_sink;
    bool m_iniDispBalloon;
    bool m_pageReady = false;
    quint64 m_pageLoads = 0;
};
