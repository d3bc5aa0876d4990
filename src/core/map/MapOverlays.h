#pragma once

#include "core/catalog/CardData.h"
#include "core/map/MapPoint.h"

#include <QList>
#include <QMap>
#include <QString>
#include <optional>

class ChapterData;
class RecordingList;

// The markers of an opened catalogue: one per event, per surveillance
// recording and per trip chapter with a position, labelled with its date in
// the viewer's format, zone and summer-time choice. Built from what the
// load read (index records) and from recordings the workers have already
// loaded; no movie is read here.
namespace MapOverlays {

inline const QString TABID_CHAPTER = QStringLiteral("C");
inline const QString TABID_EVENT = QStringLiteral("E");
inline const QString TABID_SURVEILLANCE = QStringLiteral("S");

QString chapterKey(int tripIndex, int chapterIndex);
QString eventKey(int index);
QString surveillanceKey(int index);

struct Markers {
    QMap<QString, MapPoint> points;
    // Where the map is centred: the first event marker, else the first
    // surveillance marker, else the first trip chapter's.
    std::optional<GeoPoint> firstPoint;
};

// What the markers are built from: the list's events, surveillance
// recordings and trips, copied on the GUI thread so that another thread can
// build from them while the list changes (records and chapters themselves
// may be read from any thread).
struct Sources {
    MoveProtectList events;
    MoveProtectList surveillances;
    TripList trips;
};
Sources sourcesOf(const RecordingList& list);

Markers build(const Sources& sources);
Markers build(const RecordingList& list);

// The markers placed where a chapter starts, now that its recording is
// loaded (for a chapter that had no index record): the trip chapter's, and
// those of the surveillance recordings made in it, which stood in until then
// at the place their own record tells. None while it still tells no place.
QList<std::pair<QString, MapPoint>> chapterMarkers(const RecordingList& list, const ChapterData& chapter);

} // namespace MapOverlays
