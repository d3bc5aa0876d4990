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
#include <algorithm>

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

// The loads' own threads: a few (as many as one object runs jobs at once),
// so that reads from one card do not crowd each other out, and apart from
// the application's pool, whose jobs (a source being opened) must not wait
// behind slow reads. They go with the application, which waits for the
// reads in hand (a disposed catalogue's stop at their next read).
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
    return ask(chapter, true);
}

bool ChapterLoads::prefetch(const std::shared_ptr<ChapterData>& chapter)
{
    return ask(chapter, false);
}

bool ChapterLoads::ask(const std::shared_ptr<ChapterData>& chapter, bool wanted)
{
    // Loaded meanwhile (by a catalogue worker) counts as there, whether or
    // not a load asked for here has told its end yet.
    if (!chapter || isSettled(*chapter)) return false;
    ++m_asked;
    if (m_loading.contains(chapter.get())) {
        // Wanted now while waiting for its turn: its turn is taken from now.
        const auto waiting = std::find_if(m_waiting.begin(), m_waiting.end(),
                                          [&chapter](const Waiting& w) { return w.chapter == chapter; });
        if (wanted && waiting != m_waiting.end()) *waiting = {chapter, true, m_asked};
        return true;
    }
    m_loading.insert(chapter.get(), chapter);
    m_waiting.push_back({chapter, wanted, m_asked});
    startWaiting();
    return true;
}

ChapterList ChapterLoads::queued() const
{
    std::vector<Waiting> order = m_waiting;
    std::sort(order.begin(), order.end(), [](const Waiting& a, const Waiting& b) {
        return a.wanted != b.wanted ? a.wanted : a.asked > b.asked;
    });
    ChapterList out;
    for (const Waiting& w : order)
        out.append(w.chapter);
    return out;
}

void ChapterLoads::startWaiting()
{
    while (m_running < LOAD_THREADS && !m_waiting.empty()) {
        const ChapterList order = queued();
        const std::shared_ptr<ChapterData> next = order.first();
        std::erase_if(m_waiting, [&next](const Waiting& w) { return w.chapter == next; });
        start(next);
    }
}

void ChapterLoads::start(const std::shared_ptr<ChapterData>& chapter)
{
    ++m_running;
    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, chapter] {
        watcher->deleteLater();
        --m_running;
        m_loading.remove(chapter.get());
        startWaiting();
        Q_EMIT chapterLoaded(chapter);
    });
    watcher->setFuture(QtConcurrent::run(&loadThreads(), [chapter, stop = m_stop] {
        try {
            loadPictureData(chapter, *stop);
        } catch (...) {
            // A broken recording is a failed load, told like any other.
        }
    }));
}

bool ChapterLoads::isLoading(const std::shared_ptr<ChapterData>& chapter) const
{
    return chapter && !isSettled(*chapter) && m_loading.contains(chapter.get());
}
