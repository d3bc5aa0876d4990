#pragma once

#include "core/foundation/CommonConst.h"

#include <QString>
#include <cstdint>
#include <vector>

// The kind of a map marker; the raw value is the number the map page receives.
enum class MarkerType : int { NORMAL = 1, EVENT = 2, SURVEILLANCE = 3, ADVENTURE = 4 };

// A bare position in degrees (route points: a long route holds many).
struct GeoPoint {
    double lat = 0.0;
    double lng = 0.0;
    bool operator==(const GeoPoint&) const = default;
};

// One point of the map: a marker with its balloon text and the recording it
// stands for, or the car with its icon and GPS state.
struct MapPoint {
    double lat = 0.0;
    double lng = 0.0;
    IconId icon = IconId::None;
    bool isGps = false;
    QString msg;
    MarkerType marker = MarkerType::NORMAL;
    int tripIndex = -1;
    int chapterIndex = -1;
    int eventIndex = -1;

    // An event or surveillance recording's marker.
    static MapPoint eventMarker(double lat, double lng, const QString& msg, MarkerType marker,
                                int eventIndex);
    // A trip chapter's (or adventure chapter's) marker.
    static MapPoint tripMarker(double lat, double lng, const QString& msg, MarkerType marker, int tripIndex,
                               int chapterIndex);
    void clear() { *this = MapPoint{}; }
};

namespace MapPosition {

// A recorder coordinate (1/36000 degree) in degrees rounded to six
// decimals, halves away from zero.
double toDegrees(std::int32_t raw);

// Appends a route point unless it is 0/0 (no position) or repeats the last
// or the second-last point (a route that moves back and forth between two
// positions adds nothing). True when it was appended.
bool appendRoutePoint(std::vector<GeoPoint>& route, double lat, double lng);

} // namespace MapPosition
