// The catalogue's two background workers (picture data, thumbnails), their
// hand-off of results to the owner's thread, and disposal.
#include "core/catalog/CardData.h"

#include "core/foundation/CardReads.h"
#include "core/foundation/CommonConst.h"
#include "core/media/AVUtil.h"
#include "core/recording/PictureData.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QThread>

#include <cerrno>
#include <chrono>
#include <climits>
#include <list>

#ifdef Q_OS_UNIX
#include <signal.h>
#endif
#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

// ---------------------------------------------------------------------------
// Thumbnails
// ---------------------------------------------------------------------------

namespace {

const QString& thumbnailFolderPath()
{
    static const QString path =
        CommonConst::DIR_PATH_THUMB() + QString::number(QCoreApplication::applicationPid()) + QLatin1Char('/');
    return path;
}

const QString ENDED_PREFIX = QStringLiteral(".ended-");

// The folders that ended runs left behind go on a thread of their own, one
// file at a time, so that stopping it never waits for more than one.
class LeftFolderRemoval {
public:
    void start()
    {
        std::lock_guard lock(m_mutex);
        if (m_started) return;
        m_started = true;
        m_thread = std::thread([this] { CardData::removeLeftThumbnailFolders(m_stop); });
    }
    void stop()
    {
        std::lock_guard lock(m_mutex);
        m_stop.store(true);
        if (m_thread.joinable()) m_thread.join();
    }
    ~LeftFolderRemoval() { stop(); }

private:
    std::mutex m_mutex;
    bool m_started = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

LeftFolderRemoval& leftFolderRemoval()
{
    static LeftFolderRemoval removal;
    return removal;
}

bool processRuns(qint64 pid)
{
#ifdef Q_OS_UNIX
    return pid > 0 && pid <= qint64(INT_MAX) && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
#else
    Q_UNUSED(pid);
    return true; // left for the system's own clean-up of its temporary folder
#endif
}

// Removes the files under folder one at a time while neither the deadline
// has passed nor stop is set, then the folder when nothing is left; true
// when the folder is gone.
bool removeFolder(const QString& folder, const QDeadlineTimer& deadline, const std::atomic<bool>* stop)
{
    // A link goes itself; what it points at is nobody's to remove here.
    if (QFileInfo(folder).isSymLink()) return QFile::remove(folder);
    QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        if (deadline.hasExpired() || (stop && stop->load())) return false;
        QFile::remove(files.next());
    }
    return QDir(folder).removeRecursively();
}

} // namespace

const QString& CardData::thumbnailFolder()
{
    static const bool made = [] {
        QDir().mkpath(thumbnailFolderPath());
        // Removed when the application object goes, should the application
        // not remove it itself.
        qAddPostRoutine(&CardData::removeThumbnailFolder);
        leftFolderRemoval().start();
        return true;
    }();
    (void)made;
    return thumbnailFolderPath();
}

void CardData::removeThumbnailFolder()
{
    removeThumbnailFolder(std::chrono::milliseconds(END_REMOVAL_MSEC));
}

void CardData::removeThumbnailFolder(std::chrono::milliseconds budget)
{
    leftFolderRemoval().stop();
    const QString folder = QDir::cleanPath(thumbnailFolderPath());
    if (!QFileInfo::exists(folder) || removeFolder(folder, QDeadlineTimer(budget), nullptr)) return;
    // A slow disk: what is left goes with the next run, not at this one's end.
    const QString ended = CommonConst::DIR_PATH_THUMB() + ENDED_PREFIX +
                          QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-') +
                          QString::number(QDateTime::currentMSecsSinceEpoch());
    if (!QDir().rename(folder, ended)) QDir(folder).removeRecursively();
}

void CardData::removeLeftThumbnailFolders(const std::atomic<bool>& stop)
{
    const QDir root(CommonConst::DIR_PATH_THUMB());
    const QString own = QString::number(QCoreApplication::applicationPid());
    for (const QString& name : root.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        if (stop.load()) return;
        bool isNumber = false;
        const qint64 pid = name.toLongLong(&isNumber);
        const bool left = name.startsWith(ENDED_PREFIX) || (isNumber && name != own && !processRuns(pid));
        if (left) removeFolder(root.filePath(name), QDeadlineTimer::Forever, &stop);
    }
}

std::optional<QString> CardData::makeProtectThumbnailFile(bool create, MoveProtectInfo& record)
{
    const auto chapter = eventChapter(record);
    if (!chapter) return std::nullopt;
    auto stored = [&]() -> std::optional<QString> {
        const QString p = record.pathThumbnail();
        return p.isEmpty() ? std::nullopt : std::optional<QString>(p);
    };
    if (!create) return stored();

    const int attempt = record.addRetryCntThumbnail();
    const qint64 offset = qint64(record._timeStamp) - qint64(chapter->timeStamp());
    // An event stamped before its chapter has no picture in it.
    if (offset < 0) return stored();

    qint64 base = 1;
    const auto picture = chapter->loadPicture(true);
    if (picture && picture->video) {
        const VideoFramePtr frame = picture->video->frameAt(1, offset, true);
        const qint64 span = qint64(std::min<quint64>(picture->video->_timeSpan, quint64(INT32_MAX)));
        base = std::min<qint64>(span, frame ? qint64(frame->_movieTimeStamp) : 0) + 1;
    }
    // Each further attempt looks half a second earlier, never before the start.
    const qint64 at = std::max<qint64>(base - 500 * qint64(attempt), 0);
    const auto made = AVUtil::createThumbnail(chapter->_pathMp4.toLocalFile(), at, thumbnailFolder());

    std::lock_guard lock(_thumbMutex);
    if (record.pathThumbnail().isEmpty() && made) record.setPathThumbnail(*made);
    return stored();
}

std::optional<QString> CardData::makeEventThumbnail(bool create, MoveProtectInfo& record)
{
    return makeProtectThumbnailFile(create, record);
}

std::optional<QString> CardData::makeSurveillanceThumbnail(bool create, MoveProtectInfo& record)
{
    return makeProtectThumbnailFile(create, record);
}

bool CardData::makeProtectThumbnail(MoveProtectInfo& record)
{
    if (!eventChapter(record)) return false;
    if (record.retryCntThumbnail() > MAX_RETRY_CNT_THUMBNAIL - 1) return false;
    const bool surveillance = record._detect == MoveProtectInfo::DetectStatus::SURV;
    auto variant = [&](bool create) {
        return surveillance ? makeSurveillanceThumbnail(create, record) : makeEventThumbnail(create, record);
    };
    if (variant(false)) return false;
    return variant(true).has_value();
}

// ---------------------------------------------------------------------------
// Worker steps
// ---------------------------------------------------------------------------

std::shared_ptr<ChapterData> CardData::tryPicture(const std::shared_ptr<ChapterData>& chapter)
{
    if (!chapter || !chapter->needsPictureData()) return nullptr;
    chapter->loadPicture(true);
    return chapter->hasPicture() ? chapter : nullptr;
}

std::shared_ptr<ChapterData> CardData::loadNextPictureData()
{
    const ActiveType active = activeType();
    if (active == ActiveType::EventRec) {
        for (const auto& r : moveProtectList()) {
            if (_isDispose.load()) return nullptr;
            if (auto c = tryPicture(r->eventChapter())) return c;
        }
    } else {
        const TripList trips = active == ActiveType::AdventureRec ? advTripList() : tripListTab();
        for (const auto& t : trips) {
            if (!t->isActive()) continue;
            for (const auto& c : t->chapterDataList()) {
                if (_isDispose.load()) return nullptr;
                if (auto done = tryPicture(c)) return done;
            }
        }
    }
    for (const auto& t : tripList())
        for (const auto& c : t->chapterDataList()) {
            if (_isDispose.load()) return nullptr;
            if (auto done = tryPicture(c)) return done;
        }
    return nullptr;
}

std::shared_ptr<ChapterData> CardData::tryThumbnail(const std::shared_ptr<ChapterData>& chapter)
{
    if (!chapter || chapter->retryCntThumbnail() >= MAX_RETRY_CNT_THUMBNAIL || !chapter->pathThumbnail().isEmpty())
        return nullptr;
    return chapter->makeCutThumbnail(true) ? chapter : nullptr;
}

std::shared_ptr<ChapterData> CardData::makeNextThumbnail()
{
    auto chapters = [this](const TripList& trips, bool activeOnly) -> std::shared_ptr<ChapterData> {
        for (const auto& t : trips) {
            if (activeOnly && !t->isActive()) continue;
            for (const auto& c : t->chapterDataList()) {
                if (_isDispose.load()) return nullptr;
                if (auto done = tryThumbnail(c)) return done;
            }
        }
        return nullptr;
    };
    // The list rows of trips and adventures show their first chapter's picture.
    auto firstChapters = [this](const TripList& trips, bool activeOnly) -> std::shared_ptr<ChapterData> {
        for (const auto& t : trips) {
            if (activeOnly && !t->isActive()) continue;
            if (_isDispose.load()) return nullptr;
            if (auto done = tryThumbnail(t->firstChapter())) return done;
        }
        return nullptr;
    };
    auto records = [this]() -> std::shared_ptr<ChapterData> {
        for (const auto& r : moveProtectList()) {
            if (_isDispose.load()) return nullptr;
            if (makeProtectThumbnail(*r)) return r->eventChapter();
        }
        return nullptr;
    };

    std::shared_ptr<ChapterData> done;
    switch (activeType()) {
    case ActiveType::EventRec:
        done = records();
        break;
    case ActiveType::AdventureRec: {
        const TripList adv = advTripList();
        done = chapters(adv, false);
        if (!done) done = firstChapters(adv, false);
        break;
    }
    case ActiveType::MovieRec: {
        const TripList tab = tripListTab();
        done = chapters(tab, true);
        if (!done) done = firstChapters(tab, true);
        break;
    }
    }
    if (!done) done = chapters(tripList(), false);
    if (!done) done = records();
    if (!done) done = chapters(advTripList(), false);
    return done;
}

// ---------------------------------------------------------------------------
// Workers
// ---------------------------------------------------------------------------

// Receives the workers' wake-ups on the context's thread. The results
// themselves go through the catalogue's own locked queue.
// Qt hands a posted event to the receiving thread under locks that
// ThreadSanitizer cannot see (Qt itself is not instrumented), so the hand-off
// of the event object is announced to it here.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
static void announceHandOff(void* p) { __tsan_release(p); }
static void announceReceipt(void* p) { __tsan_acquire(p); }
#else
static void announceHandOff(void*) {}
static void announceReceipt(void*) {}
#endif

class CardDataRelay : public QObject {
public:
    explicit CardDataRelay(std::weak_ptr<CardData> card) : _card(std::move(card)) {}
    static constexpr QEvent::Type RESULTS = QEvent::User;

protected:
    // Only the workers send this object events, all of them wake-ups.
    void customEvent(QEvent* event) override
    {
        announceReceipt(event);
        if (const auto card = _card.lock()) card->deliverResults();
    }

private:
    const std::weak_ptr<CardData> _card;
};

void CardData::setDelegate(CardDataDelegate* delegate, QObject* context)
{
    std::lock_guard lock(_delegateMutex);
    _delegate = delegate;
    _context = context;
    if (context && !_relay) {
        _relay = new CardDataRelay(weak_from_this());
        _relay->moveToThread(context->thread());
    }
}

CardDataDelegate* CardData::delegate() const
{
    std::lock_guard lock(_delegateMutex);
    return _context ? _delegate : nullptr;
}

void CardData::post(const std::shared_ptr<ChapterData>& chapter, Report report)
{
    QObject* relay = nullptr;
    {
        std::lock_guard lock(_delegateMutex);
        relay = _relay;
    }
    if (!relay) return; // no delegate was ever given: results are dropped
    {
        std::lock_guard lock(_resultMutex);
        _results.emplace_back(chapter, int(report));
    }
    // The relay lives as long as the catalogue, which outlives its workers.
    auto* wakeUp = new QEvent(CardDataRelay::RESULTS);
    announceHandOff(wakeUp);
    QCoreApplication::postEvent(relay, wakeUp);
}

void CardData::deliverResults()
{
    std::vector<std::pair<std::shared_ptr<ChapterData>, int>> results;
    {
        std::lock_guard lock(_resultMutex);
        results.swap(_results);
    }
    for (const auto& [chapter, report] : results) {
        // A disposed catalogue's results are dropped, as are those of one
        // whose context (and so delegate) is gone.
        if (isDisposed()) return;
        CardDataDelegate* d = delegate();
        if (!d) return;
        if (Report(report) == Report::TripRoute)
            d->tripRouteDidLoad(chapter);
        else
            d->chapterPicturesDidLoad(chapter);
    }
}

namespace {

// Disposals under way: each ends a catalogue's workers and empties it on a
// thread of its own, holding the catalogue (and so all its workers touch)
// until they have ended. Finished ones are joined when the next one starts;
// waitForDisposals() joins the rest, and so does the application object as
// it goes (a joinable thread destroyed at exit ends the process).
class Disposals {
public:
    Disposals()
    {
        if (QCoreApplication::instance()) qAddPostRoutine(&joinAtApplicationEnd);
    }
    template <typename Job>
    void start(Job job)
    {
        std::lock_guard lock(_mutex);
        joinFinished();
        auto done = std::make_shared<std::atomic<bool>>(false);
        _running.push_back({std::thread([job = std::move(job), done]() mutable {
                                job();
                                done->store(true);
                            }),
                            done});
    }
    void waitForAll()
    {
        for (;;) {
            std::list<Entry> all;
            {
                std::lock_guard lock(_mutex);
                all.swap(_running);
            }
            if (all.empty()) return;
            for (Entry& e : all) e.thread.join();
        }
    }
    ~Disposals() { waitForAll(); }

private:
    static void joinAtApplicationEnd();

    struct Entry {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void joinFinished()
    {
        for (auto it = _running.begin(); it != _running.end();) {
            if (!it->done->load()) {
                ++it;
                continue;
            }
            it->thread.join();
            it = _running.erase(it);
        }
    }
    std::mutex _mutex;
    std::list<Entry> _running;
};

Disposals& disposals()
{
    static Disposals d;
    return d;
}

void Disposals::joinAtApplicationEnd()
{
    disposals().waitForAll();
    // A catalogue that ended on a disposal thread left its relay to this
    // thread's event loop, which runs no more.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void joinAll(std::vector<std::thread>& workers)
{
    for (std::thread& worker : workers) {
        // The workers never hold the catalogue, so they never end it; should
        // one ever do, it must not wait for itself.
        if (worker.get_id() == std::this_thread::get_id())
            worker.detach();
        else
            worker.join();
    }
}

} // namespace

void CardData::workerLoop(Step step, Report report, int niceness)
{
    // Counted down however the loop ends.
    struct Alive {
        std::atomic<int>& count;
        ~Alive() { count.fetch_sub(1); }
    } alive{_liveWorkers};
#ifdef __linux__
    // Below the GUI thread: the workers may fill every core without making
    // the window stutter.
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), niceness);
#else
    (void)niceness;
#endif
    // A dispose() stops the recording being read between two reads.
    const CardReads::StopScope stopReads(_isDispose);
    while (!_isDispose.load()) {
        std::shared_ptr<ChapterData> done;
        try {
            done = (this->*step)();
        } catch (...) {
            done = nullptr; // a broken recording must not end the worker
        }
        if (_isDispose.load()) break;
        if (done) {
            post(done, report);
            continue;
        }
        std::unique_lock lock(_wakeMutex);
        _wake.wait_for(lock, std::chrono::milliseconds(THREADED_SLEEP_MSEC), [this] { return _isDispose.load(); });
    }
}

void CardData::startLoadThreads()
{
    if (_isDispose.load()) {
        clearLists();
        return;
    }
    if (_started.exchange(true)) return;
    // The disposals register their end with the application here, before
    // any worker can register anything of its own.
    disposals();
    _liveWorkers.store(2);
    _pictureWorker = std::thread(&CardData::workerLoop, this, &CardData::loadNextPictureData, Report::TripRoute, 10);
    _thumbnailWorker =
        std::thread(&CardData::workerLoop, this, &CardData::makeNextThumbnail, Report::ChapterPictures, 5);
}

std::vector<std::thread> CardData::takeWorkers()
{
    std::vector<std::thread> workers;
    for (std::thread* worker : {&_pictureWorker, &_thumbnailWorker})
        if (worker->joinable()) workers.push_back(std::move(*worker));
    return workers;
}

void CardData::stopWorkers()
{
    std::vector<std::thread> workers = takeWorkers();
    joinAll(workers);
}

void CardData::dispose()
{
    {
        std::lock_guard lock(_wakeMutex);
        _isDispose.store(true);
    }
    _wake.notify_all();
    std::vector<std::thread> workers = takeWorkers();
    std::shared_ptr<CardData> self = weak_from_this().lock();
    if (workers.empty() || !self) {
        joinAll(workers);
        // A read still under way empties the catalogue itself when it ends.
        if (!_isReading.load()) clearLists();
        return;
    }
    // A worker may be in the middle of decoding a movie: the GUI thread does
    // not wait for that step, a disposal thread does.
    disposals().start([self = std::move(self), workers = std::move(workers)]() mutable {
        joinAll(workers);
        self->clearLists();
    });
}

void CardData::waitForDisposals()
{
    disposals().waitForAll();
}

void CardData::releaseOffThread(std::vector<std::shared_ptr<const PictureData>> held)
{
    if (held.empty()) return;
    disposals().start([held = std::move(held)]() mutable { held.clear(); });
}

void CardData::releaseRecordChapters(const AdvMoveProtectList& records)
{
    // An adventure chapter holds its record and the record its chapter: let
    // go of one side so that neither outlives the catalogue.
    for (const auto& r : records) r->setEventChapter(nullptr);
}

void CardData::clearLists()
{
    TripList trips, tab, adv;
    releaseRecordChapters(advMoveProtectList());
    {
        std::lock_guard lock(_listMutex);
        trips.swap(_tripList);
        tab.swap(_tripList_tab);
        adv.swap(_advTripList);
        _moveProtectList.clear();
        _advMoveProtectList.clear();
        _tripsByName.clear();
        _windows.clear();
    }
    for (const auto& list : {trips, tab, adv})
        for (const auto& t : list) t->clearChapters();
}
