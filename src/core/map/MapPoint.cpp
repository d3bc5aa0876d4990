#include "core/map/MapPoint.h"

#include <cmath>

MapPoint MapPoint::eventMarker(double lat, double lng, const QString& msg, MarkerType marker, int eventIndex)
{
    MapPoint p;
    p.lat = lat;
    p.lng = lng;
    p.msg = msg;
    p.marker = marker;
    p.eventIndex = eventIndex;
    return p;
}

MapPoint MapPoint::tripMarker(double lat, double lng, const QString& msg, MarkerType marker, int tripIndex,
                              int chapterIndex)
{
    MapPoint p;
    p.lat = lat;
    p.lng = lng;
    p.msg = msg;
    p.marker = marker;
    p.tripIndex = tripIndex;
    p.chapterIndex = chapterIndex;
    return p;
}

double MapPosition::toDegrees(std::int32_t raw)
{
    // std::round takes halves away from zero.
    return std::round(double(raw) / 36000.0 * 1000000.0) / 1000000.0;
}

bool MapPosition::appendRoutePoint(std::vector<GeoPoint>& route, double lat, double lng)
{
    if (lat == 0.0 && lng == 0.0) return false;
    const GeoPoint p{lat, lng};
    const std::size_t n = route.size();
    if (n >= 1 && route[n - 1] == p) return false;
    if (n >= 2 && route[n - 2] == p) return false;
    route.push_back(p);
    return true;
}
