#include "app/player/ChapterLoads.h"

#include "core/catalog/CardData.h"
#include "core/catalog/ChapterData.h"
#include "core/catalog/TripData.h"
#include "core/foundation/CardReads.h"

#include <QFutureWatcher>
#include <QtConcurrent>

namespace {

void loadPictureData(const std::shared_ptr<ChapterData>& chapter, const std::atomic<bool>& ownStop)
{
    const std::shared_ptr<TripData> trip = chapter->parent();
    const std::shared_ptr<CardData> card = trip ? trip->parent() : nullptr;
    if (card) {
        const CardReads::StopScope stopReads = card->stopReadsOnDispose();
        chapter->loadPicture(true);
    } else {
        const CardReads::StopScope stopReads(ownStop);
        chapter->loadPicture(true);
    }
}

} // namespace

ChapterLoads::ChapterLoads(QObject* parent) : QObject(parent) {}

ChapterLoads::~ChapterLoads()
{
    // The jobs end by themselves; their watchers go with this object, and
    // with them the news of their end.
    m_stop->store(true);
}

bool ChapterLoads::isSettled(const ChapterData& chapter)
{
    return chapter.hasPicture() || !chapter.needsPictureData();
}

bool ChapterLoads::request(const std::shared_ptr<ChapterData>& chapter)
{
    if (!chapter) return false;
    if (m_loading.contains(chapter.get())) return true;
    if (isSettled(*chapter)) return false;
    m_loading.insert(chapter.get(), chapter);
    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, chapter] {
        watcher->deleteLater();
        m_loading.remove(chapter.get());
        Q_EMIT chapterLoaded(chapter);
    });
    watcher->setFuture(QtConcurrent::run([chapter, stop = m_stop] {
        try {
            loadPictureData(chapter, *stop);
        } catch (...) {
            // A broken recording is a failed load, told like any other.
        }
    }));
    return true;
}

bool ChapterLoads::isLoading(const std::shared_ptr<ChapterData>& chapter) const
{
    return chapter && m_loading.contains(chapter.get());
}
