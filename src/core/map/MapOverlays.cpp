#include "core/map/MapOverlays.h"

#include "core/catalog/RecordingList.h"
#include "core/foundation/DateFormat.h"
#include "core/recording/PictureData.h"
#include "core/recording/VrecMoveManagerInfo.h"

namespace {

struct Found {
    std::int32_t latitude = 0;
    std::int32_t longitude = 0;
    QDateTime date;
    bool known = false;
};

// A chapter's start position and date from its index record, else from its
// recording when that is loaded already.
Found chapterStart(const ChapterData& chapter)
{
    if (chapter._vmmInfo)
        return {chapter._vmmInfo->_latitude, chapter._vmmInfo->_longitude, chapter._vmmInfo->_datetime, true};
    const std::shared_ptr<const PictureData> picture = chapter.loadPicture(false);
    if (picture && picture->video) {
        const VideoFramePtr frame = picture->video->frameAt(0, 0, false);
        if (frame) return {frame->_latitude, frame->_longitude, picture->video->firstTime, true};
    }
    return {};
}

QString dateText(const QDateTime& date)
{
    return date.isValid() ? Date::toViewerString(date, DateFormatTables::dateTimeFormats()) : QString();
}

// Where a marker stands: its own place, else (when it tells none) the place
// of the one before it, which it then passes on; none at 0/0.
std::optional<GeoPoint> placeOf(Found& at, Found& carried)
{
    if (at.known)
        carried = at;
    else
        at = carried;
    const GeoPoint p{MapPosition::toDegrees(at.latitude), MapPosition::toDegrees(at.longitude)};
    if (p.lat == 0.0 && p.lng == 0.0) return std::nullopt;
    return p;
}

void keep(MapOverlays::Markers& out, std::optional<GeoPoint>& first, const QString& key, const MapPoint& p)
{
    out.points.insert(key, p);
    if (!first) first = GeoPoint{p.lat, p.lng};
}

} // namespace

QString MapOverlays::chapterKey(int tripIndex, int chapterIndex)
{
    return TABID_CHAPTER + QString::number(tripIndex) + QLatin1Char('_') + QString::number(chapterIndex);
}

QString MapOverlays::eventKey(int index)
{
    return TABID_EVENT + QString::number(index);
}

QString MapOverlays::surveillanceKey(int index)
{
    return TABID_SURVEILLANCE + QString::number(index);
}

MapOverlays::Sources MapOverlays::sourcesOf(const RecordingList& list)
{
    return {list.events(), list.surveillances(), list.trips()};
}

MapOverlays::Markers MapOverlays::build(const RecordingList& list)
{
    return build(sourcesOf(list));
}

MapOverlays::Markers MapOverlays::build(const Sources& sources)
{
    Markers out;
    std::optional<GeoPoint> firstEvent, firstSurveillance, firstChapter;

    const MoveProtectList& events = sources.events;
    for (int i = 0; i < events.size(); ++i) {
        const auto& record = events[i];
        if (!record) continue;
        const double lat = MapPosition::toDegrees(record->_latitude);
        const double lng = MapPosition::toDegrees(record->_longitude);
        if (lat == 0.0 && lng == 0.0) continue;
        keep(out, firstEvent, eventKey(i),
             MapPoint::eventMarker(lat, lng, dateText(record->_datetime), MarkerType::EVENT, i));
    }

    // A surveillance recording is placed where its chapter starts. One whose
    // chapter tells nothing (none, not read yet, or unreadable) stands where
    // its own record says the car was parked, rather than where another
    // recording, perhaps of another day, was made; without a place of its
    // own it takes the place of the last one whose chapter told its start.
    const MoveProtectList& surveillances = sources.surveillances;
    Found carried;
    for (int i = 0; i < surveillances.size(); ++i) {
        const auto& record = surveillances[i];
        if (!record) continue;
        Found at;
        if (const auto chapter = record->eventChapter()) at = chapterStart(*chapter);
        const bool ownPlace = !at.known && (record->_latitude != 0 || record->_longitude != 0);
        const auto place = ownPlace ? std::optional<GeoPoint>(GeoPoint{MapPosition::toDegrees(record->_latitude),
                                                                       MapPosition::toDegrees(record->_longitude)})
                                    : placeOf(at, carried);
        if (!place) continue;
        keep(out, firstSurveillance, surveillanceKey(i),
             MapPoint::eventMarker(place->lat, place->lng, dateText(record->_datetime),
                                   MarkerType::SURVEILLANCE, i));
    }

    // Trip chapters in the order the list shows them; a chapter that tells
    // nothing repeats the one before it (of this or an earlier trip).
    carried = {};
    const TripList& trips = sources.trips;
    for (int t = 0; t < trips.size(); ++t) {
        if (!trips[t]) continue;
        const ChapterList chapters = trips[t]->chapterDataList();
        for (int c = 0; c < chapters.size(); ++c) {
            Found at = chapters[c] ? chapterStart(*chapters[c]) : Found{};
            const auto place = placeOf(at, carried);
            if (!place) continue;
            keep(out, firstChapter, chapterKey(t, c),
                 MapPoint::tripMarker(place->lat, place->lng, dateText(at.date), MarkerType::NORMAL, t, c));
        }
    }

    out.firstPoint = firstEvent ? firstEvent : firstSurveillance ? firstSurveillance : firstChapter;
    return out;
}

QList<std::pair<QString, MapPoint>> MapOverlays::chapterMarkers(const RecordingList& list,
                                                                const ChapterData& chapter)
{
    QList<std::pair<QString, MapPoint>> out;
    Found at = chapterStart(chapter);
    Found none;
    const auto place = at.known ? placeOf(at, none) : std::nullopt;
    if (!place) return out;
    const TripList& trips = list.trips();
    for (int t = 0; t < trips.size(); ++t) {
        if (!trips[t]) continue;
        const ChapterList chapters = trips[t]->chapterDataList();
        for (int c = 0; c < chapters.size(); ++c)
            if (chapters[c].get() == &chapter)
                out.append({chapterKey(t, c), MapPoint::tripMarker(place->lat, place->lng, dateText(at.date),
                                                                   MarkerType::NORMAL, t, c)});
    }
    const MoveProtectList& surveillances = list.surveillances();
    for (int i = 0; i < surveillances.size(); ++i) {
        const auto& record = surveillances[i];
        if (record && record->eventChapter().get() == &chapter)
            out.append({surveillanceKey(i),
                        MapPoint::eventMarker(place->lat, place->lng, dateText(record->_datetime),
                                              MarkerType::SURVEILLANCE, i)});
    }
    return out;
}
