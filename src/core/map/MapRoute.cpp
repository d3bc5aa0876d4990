#include "core/map/MapRoute.h"

#include "core/catalog/CardData.h"

#include "core/map/KmlUtil.h"
#include "core/recording/PictureData.h"
#include "core/recording/VrecMoveManagerInfo.h"

#include <algorithm>

namespace {

const VideoInfo* loadedVideo(const ChapterData& chapter)
{
    const std::shared_ptr<const PictureData> picture = chapter.loadPicture(false);
    return picture && picture->video ? picture->video.get() : nullptr;
}

} // namespace

qsizetype MapRoute::appendTripRoute(std::vector<GeoPoint>& route, const ChapterList& chapters, qsizetype from)
{
    for (qsizetype i = std::max<qsizetype>(from, 0); i < chapters.size(); ++i) {
        const std::shared_ptr<ChapterData>& chapter = chapters[i];
        if (!chapter) continue;
        if (!chapter->hasPicture()) {
            if (chapter->needsPictureData()) return i;
            continue;
        }
        const std::shared_ptr<const PictureData> picture = chapter->loadPicture(false);
        if (!picture || !picture->video) continue;
        for (const auto& [key, frame] : picture->video->getCameraFrames(0)) {
            if (!frame || !frame->ex.isFrameEnable) continue;
            if (frame->_latitude == 0 && frame->_longitude == 0) continue;
            MapPosition::appendRoutePoint(route, MapPosition::toDegrees(frame->_latitude),
                                          MapPosition::toDegrees(frame->_longitude));
        }
    }
    return chapters.size();
}

void MapRoute::appendFrames(std::vector<GeoPoint>& route, const FrameList& frames)
{
    for (const auto& frame : frames) {
        if (!frame || (frame->_latitude == 0 && frame->_longitude == 0)) continue;
        MapPosition::appendRoutePoint(route, MapPosition::toDegrees(frame->_latitude),
                                      MapPosition::toDegrees(frame->_longitude));
    }
}

std::vector<GeoPoint> MapRoute::windowRoute(const ChapterList& chapters, qint64 start, qint64 end)
{
    const auto position = [](qint64 v) { return std::int32_t(std::clamp<qint64>(v, 0, INT32_MAX)); };
    std::vector<GeoPoint> route;
    appendFrames(route, KmlUtil::getSortedFrames(chapters, position(start), position(end)));
    return route;
}

std::vector<GeoPoint> MapRoute::readWindowRoute(const ChapterList& chapters, qint64 start, qint64 end)
{
    const auto trip = !chapters.isEmpty() && chapters.first() ? chapters.first()->parent() : nullptr;
    const auto card = trip ? trip->parent() : nullptr;
    if (!card) return windowRoute(chapters, start, end);
    const CardReads::StopScope stopReads = card->stopReadsOnDispose();
    return windowRoute(chapters, start, end);
}

std::optional<MapRoute::CarPosition> MapRoute::carPosition(const PictureData* current,
                                                           const ChapterData* currentChapter,
                                                           std::int32_t offset, const ChapterList& playList)
{
    if (current && current->video) {
        const FrameTable& frames = current->video->getCameraFrames(0);
        auto it = frames.upper_bound(offset);
        if (it != frames.begin()) {
            const VideoFramePtr& frame = std::prev(it)->second;
            if (frame && frame->_latitude != 0 && frame->_longitude != 0)
                return CarPosition{frame->_latitude, frame->_longitude, frame->ex.direction, frame->gps};
        }
    }
    // Backwards over the earlier chapters of the trip whose recordings are
    // loaded: the last place the car was seen.
    if (currentChapter) {
        for (auto chapter = currentChapter->previousChapter(); chapter;
             chapter = chapter->previousChapter()) {
            const VideoInfo* video = loadedVideo(*chapter);
            if (!video) continue;
            const VideoFramePtr frame = video->frameAt(0, qint64(video->_timeSpan), true);
            if (frame && (frame->_latitude != 0 || frame->_longitude != 0))
                return CarPosition{frame->_latitude, frame->_longitude, IconId::North, false};
        }
    }
    // Forwards over the play list: the first place known.
    for (const auto& chapter : playList) {
        if (!chapter) continue;
        if (chapter->_vmmInfo) {
            if (chapter->_vmmInfo->_latitude != 0 || chapter->_vmmInfo->_longitude != 0)
                return CarPosition{chapter->_vmmInfo->_latitude, chapter->_vmmInfo->_longitude, IconId::North,
                                   false};
            continue;
        }
        if (const VideoInfo* video = loadedVideo(*chapter)) {
            const VideoFramePtr frame = video->frameAt(0, 0, false);
            if (frame && (frame->_latitude != 0 || frame->_longitude != 0))
                return CarPosition{frame->_latitude, frame->_longitude, IconId::North, false};
        }
    }
    return std::nullopt;
}
