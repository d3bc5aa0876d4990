#include "app/player/ChapterLoads.h"

#include "core/catalog/CardData.h"
#include "core/catalog/ChapterData.h"
#include "core/catalog/TripData.h"
#include "core/foundation/CardReads.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent>
#include <climits>

namespace {

constexpr int LOAD_THREADS = 2;

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

// The loads' own threads: a few, so that reads from one card do not crowd
// each other out, and apart from the application's pool, whose jobs (a
// source being opened) must not wait behind slow reads. They go with the
// application, which waits for the reads in hand (a disposed catalogue's
// stop at their next read).
QThreadPool& loadThreads()
{
    static QPointer<QThreadPool> pool;
    if (!pool) {
        pool = new QThreadPool(QCoreApplication::instance());
        pool->setMaxThreadCount(LOAD_THREADS);
    }
    return *pool;
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
    // Loaded meanwhile (by a catalogue worker) counts as there, whether or
    // not a load asked for here has told its end yet.
    if (!chapter || isSettled(*chapter)) return false;
    if (m_loading.contains(chapter.get())) return true;
    m_loading.insert(chapter.get(), chapter);
    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, chapter] {
        watcher->deleteLater();
        m_loading.remove(chapter.get());
        Q_EMIT chapterLoaded(chapter);
    });
    // The latest asked for goes first: the chapter the user stopped at,
    // before the ones passed on the way.
    s_requests = s_requests < INT_MAX ? s_requests + 1 : 0;
    watcher->setFuture(QtConcurrent::task([chapter, stop = m_stop] {
                           try {
                               loadPictureData(chapter, *stop);
                           } catch (...) {
                               // A broken recording is a failed load, told like any other.
                           }
                       })
                           .onThreadPool(loadThreads())
                           .withPriority(s_requests)
                           .spawn());
    return true;
}

bool ChapterLoads::isLoading(const std::shared_ptr<ChapterData>& chapter) const
{
    return chapter && !isSettled(*chapter) && m_loading.contains(chapter.get());
}
