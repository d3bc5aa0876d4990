#include "core/map/WebMapModel.h"

#include "core/map/MapScript.h"

#include <QStringList>

WebMapModel::WebMapModel(Sink sink, bool iniDispBalloon)
    : m_sink(std::move(sink)), m_iniDispBalloon(iniDispBalloon)
{
    currentPoint.lat = INI_CENTER_LAT;
    currentPoint.lng = INI_CENTER_LNG;
    mapDispBalloon = iniDispBalloon;
}

void WebMapModel::send(const QString& script)
{
    // A page that is still loading would lose the call (or run it on the
    // page it replaces); the finished load draws the whole state instead.
    if (m_pageReady && m_sink) m_sink(script);
}

void WebMapModel::pageLoadStarted()
{
    m_pageReady = false;
}

void WebMapModel::onPageLoaded()
{
    m_pageReady = true;
    ++m_pageLoads;
    send(MapScript::initialize());
    // A cleared point (0/0) is no place to show: the starting centre is.
    const bool cleared = currentPoint.lat == 0.0 && currentPoint.lng == 0.0;
    send(MapScript::movePosition(cleared ? INI_CENTER_LAT : currentPoint.lat,
                                 cleared ? INI_CENTER_LNG : currentPoint.lng));
    send(MapScript::setZoom(mapZoom));
    send(MapScript::setMapTypeId(mapTypeId));
    send(MapScript::setDispBalloon(mapDispBalloon));
    applyInitialSettings();
    if (!polyList.empty()) drawPolyline();
    if (!markerList.isEmpty()) addMarkers();
    if (flgCar)
        send(MapScript::drawMyCar(currentPoint.lat, currentPoint.lng, currentPoint.icon, currentPoint.isGps));
}

void WebMapModel::applyInitialSettings()
{
    const bool overview = !mapViewHiddenFlg && !centredOnData;
    // A point is taken as one of its own only when it lies away from the
    // start in both coordinates.
    if (currentPoint.lat != INI_CENTER_LAT && currentPoint.lng != INI_CENTER_LNG) {
        if (overview)
            send(MapScript::setCenter(INI_CENTER_LAT, INI_CENTER_LNG));
        else
            send(MapScript::setCenter(currentPoint.lat, currentPoint.lng));
    }
    send(MapScript::setMapTypeId(mapTypeId));
    if (mapZoom != INI_ZOOM) send(MapScript::setZoom(overview ? INI_ZOOM : mapZoom));
    if (mapDispBalloon != m_iniDispBalloon) send(MapScript::setDispBalloon(mapDispBalloon));
    send(MapScript::setLanguage(mapLanguage));
}

void WebMapModel::setCenter(double lat, double lng)
{
    send(MapScript::setCenter(lat, lng));
    currentPoint.lat = lat;
    currentPoint.lng = lng;
}

void WebMapModel::setZoom(int zoom)
{
    send(MapScript::setZoom(zoom));
}

void WebMapModel::drawMyCar(double lat, double lng, IconId icon, bool gps)
{
    if (lat == currentPoint.lat && lng == currentPoint.lng && icon == currentPoint.icon &&
        gps == currentPoint.isGps)
        return;
    send(MapScript::drawMyCar(lat, lng, icon, gps));
    currentPoint.lat = lat;
    currentPoint.lng = lng;
    currentPoint.icon = icon;
    currentPoint.isGps = gps;
}

bool WebMapModel::addPolyPoint(double lat, double lng)
{
    return MapPosition::appendRoutePoint(polyList, lat, lng);
}

void WebMapModel::drawPolyline()
{
    send(MapScript::route(polyList));
}

void WebMapModel::extendPolyline(std::size_t from)
{
    if (from < polyList.size()) send(MapScript::routeExtension(polyList, from));
}

void WebMapModel::addMarkers()
{
    sendMarkers(markerList.keys());
}

void WebMapModel::addMarkers(const QStringList& keys)
{
    sendMarkers(keys);
}

void WebMapModel::sendMarkers(const QStringList& keys)
{
    // All of them in one evaluation: a card holds hundreds of chapters.
    QString text;
    for (const QString& key : keys) {
        const auto it = markerList.constFind(key);
        if (it == markerList.cend()) continue;
        text += MapScript::addMarker(key, it->lat, it->lng, it->msg, it->marker);
        text += QLatin1Char(';');
    }
    if (!text.isEmpty()) send(text);
}

void WebMapModel::refreshMap()
{
    // Route and markers are on the page already (or will be drawn when it
    // loads); only the car is drawn again, without the change test.
    if (flgCar)
        send(MapScript::drawMyCar(currentPoint.lat, currentPoint.lng, currentPoint.icon, currentPoint.isGps));
}

void WebMapModel::removePolyLine()
{
    send(MapScript::removePolyLine());
    polyList.clear();
}

void WebMapModel::removeMarkerAll()
{
    send(MapScript::removeMarkerAll());
    markerList.clear();
}

void WebMapModel::removeMyCar()
{
    send(MapScript::removeMyCar());
    currentPoint.clear();
    // A cleared car stays off the page until one is drawn again.
    flgCar = false;
}

void WebMapModel::clearZoomAndCenter()
{
    send(MapScript::clearZoomAndCenter());
}

const MapPoint* WebMapModel::marker(const QString& key) const
{
    const auto it = markerList.constFind(key);
    return it == markerList.cend() ? nullptr : &*it;
}
