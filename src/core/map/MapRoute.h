#pragma once

#include "core/catalog/ChapterData.h"
#include "core/map/MapPoint.h"
#include "core/recording/VideoInfo.h"

#include <cstdint>
#include <optional>
#include <vector>

class PictureData;

// Routes and the car's place on the map, from recordings that are already
// loaded: nothing here reads a movie.
namespace MapRoute {

// Appends the route of a trip's chapters (start-time order) from chapter
// `from` on: the enabled, positioned frames of camera 0 of each chapter
// whose recording is loaded. The walk ends at the first chapter still
// waiting for its recording (the workers load it and the walk goes on from
// there); a chapter whose recording could not be read is passed over.
// Returns the index of the chapter the walk ended at (the list's size when
// it reached the end).
qsizetype appendTripRoute(std::vector<GeoPoint>& route, const ChapterList& chapters, qsizetype from = 0);

// Appends the frames (an event's window) that have a latitude or a longitude.
void appendFrames(std::vector<GeoPoint>& route, const FrameList& frames);

// The route of an event's or surveillance recording's play window, from
// position start to position end (ms over the chapters). Reads the
// chapters' recordings that are not loaded yet: for any thread but the
// GUI thread.
std::vector<GeoPoint> windowRoute(const ChapterList& chapters, qint64 start, qint64 end);
// The same, as the map reads it on a worker while the window goes on: the
// reads of a catalogue that is closed meanwhile stop at once (a slow card
// holds up neither a close nor the quit).
std::vector<GeoPoint> readWindowRoute(const ChapterList& chapters, qint64 start, qint64 end);

// Where the car is drawn, in recorder units.
struct CarPosition {
    std::int32_t latitude = 0;
    std::int32_t longitude = 0;
    IconId icon = IconId::North;
    bool gps = false;
};

// The car at an offset (ms) of the chapter that plays: its frame there when
// that frame has both coordinates (with its heading and GPS state); else the
// last position of the nearest earlier chapter of its trip, else the first
// position found in the play list (from index records or loaded
// recordings), both drawn heading north without GPS. Nothing when no
// position is known at all.
std::optional<CarPosition> carPosition(const PictureData* current, const ChapterData* currentChapter,
                                       std::int32_t offset, const ChapterList& playList);

} // namespace MapRoute
