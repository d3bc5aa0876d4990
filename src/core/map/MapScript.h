#pragma once

#include "core/map/MapPoint.h"

#include <QString>
#include <vector>

// The texts of the calls the application makes into the map page. Numbers
// are written as the shortest decimal text that reads back as the same
// double, with at least one digit after the point; texts (marker keys,
// balloon texts from the card, map type ids) as string literals that no
// character can break out of.
namespace MapScript {

// 1000 -> "1000.0", 132.6368 -> "132.6368", 0.00001 -> "1e-05".
QString number(double value);
// A double-quoted literal, ASCII only: quotes, backslashes, controls, "<",
// ">", "&" and every non-ASCII UTF-16 unit are written as escapes.
QString string(const QString& text);

QString initialize();
QString movePosition(double lat, double lng);
QString setZoom(int zoom);
QString setMapTypeId(const QString& id);
QString setDispBalloon(bool show);
QString setCenter(double lat, double lng);
QString setLanguage(int language);
QString addMarker(const QString& key, double lat, double lng, const QString& text, MarkerType kind);
QString drawMyCar(double lat, double lng, IconId icon, bool gps);
QString addPolyPoint(double lat, double lng);
QString drawPolyline();
QString removePolyLine();
QString removeMarkerAll();
QString removeMyCar();
QString clearZoomAndCenter();

// Adds the points sent since the last drawing to the end of the route on
// the page (our page's own call: a route that grows as its chapters load).
QString extendPolyline();

// A whole route as one text: every point through addPolyPoint, in order,
// then drawPolyline. One evaluation instead of one per point.
QString route(const std::vector<GeoPoint>& points);
// The points of a route from index `from` on, then extendPolyline: what a
// route that grew adds to the one drawn.
QString routeExtension(const std::vector<GeoPoint>& route, std::size_t from);

} // namespace MapScript
