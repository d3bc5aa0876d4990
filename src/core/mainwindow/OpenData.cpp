#include "core/mainwindow/OpenData.h"

#include "core/recording/PictureData.h"
#include "core/recording/VideoInfo.h"

namespace OpenData {

FirstRecording checkFirstRecording(const CardData& card)
{
    const TripList trips = card.tripList();
    if (trips.isEmpty()) return FirstRecording::NoTrip;
    const auto first = trips.first() ? trips.first()->firstChapter() : nullptr;
    // A first trip without chapters is not checked; playing it decides.
    if (!first) return FirstRecording::Ok;
    const auto picture = first->loadPicture(true);
    if (!picture || !picture->video || picture->video->_fileVersion != KNOWN_FORMAT)
        return FirstRecording::Unreadable;
    return FirstRecording::Ok;
}

Load Generations::begin(const QString& path, MovieType kind)
{
    Load load;
    load.generation = ++m_latest;
    load.card = CardData::create();
    load.path = path;
    load.kind = kind;
    return load;
}

} // namespace OpenData
