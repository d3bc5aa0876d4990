#include "catalog/CardData.h"

#include "foundation/CommonConst.h"
#include "foundation/FileUtil.h"
#include "media/AVUtil.h"
#include "recording/PictureData.h"
#include "recording/PictureDataUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

// Index files are small (a full card's recording manager is under a
// megabyte); anything past this is not an index the recorder wrote.
constexpr qint64 MAX_INDEX_FILE_BYTES = 32 * 1024 * 1024;

enum WindowKind { EventWindow = 0, SurveillanceWindow = 1, AdventureWindow = 2 };

QString nameKey(const QString& tripKey, qint32 number)
{
    return tripKey + QLatin1Char('#') + QString::number(number);
}

QString recordKey(const QString& fileName)
{
    return nameKey(FileUtil::isMovieFileName(fileName), FileUtil::getFileNumber(fileName));
}

// Reads a whole index file; nullopt when it is not a readable file.
std::optional<QByteArray> readIndexFile(const QString& path, qint64& bytesRead)
{
    const QFileInfo info(path);
    if (!info.isFile()) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray bytes = file.read(MAX_INDEX_FILE_BYTES);
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    bytesRead += bytes.size();
    return bytes;
}

// Number `later` directly follows `earlier` (9999 is followed by 1).
bool nextNumberFollows(qint32 earlier, qint32 later)
{
    return earlier < 9999 ? later == earlier + 1 : later == 1;
}

// The same test seen from the later number (0 counts as following 9999).
bool previousNumberLeads(qint32 earlier, qint32 later)
{
    return ChapterData::followsFrom(earlier, later);
}

// Trip order: by first chapter start; a trip without chapters first. Start
// times are worked out once per trip (they may read a recording).
void sortTrips(TripList& trips)
{
    std::vector<std::pair<std::optional<QDateTime>, std::shared_ptr<TripData>>> keyed;
    keyed.reserve(size_t(trips.size()));
    for (const auto& t : trips) {
        const auto first = t->firstChapter();
        keyed.emplace_back(first ? std::optional<QDateTime>(first->startTime()) : std::nullopt, t);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        if (!a.first) return bool(b.first);
        if (!b.first) return false;
        return *a.first < *b.first;
    });
    for (qsizetype i = 0; i < trips.size(); ++i) trips[i] = keyed[size_t(i)].second;
}

// Movie files grouped by trip key, the first file of a key and number
// winning; keys in character order.
std::map<QString, QStringList> groupByKey(const QStringList& files)
{
    std::map<QString, QStringList> groups;
    std::map<QString, QSet<qint32>> numbers;
    for (const QString& file : files) {
        const QString name = QFileInfo(file).fileName();
        const QString key = FileUtil::isMovieFileName(name);
        const qint32 number = FileUtil::getFileNumber(name);
        QSet<qint32>& seen = numbers[key];
        if (seen.contains(number)) continue;
        seen.insert(number);
        groups[key].append(file);
    }
    return groups;
}

// Cuts one key's files (any order) into runs of consecutive file numbers.
QList<QStringList> runsOf(QStringList files)
{
    std::stable_sort(files.begin(), files.end(), &CardData::compareFileNumber);
    QList<QStringList> runs;
    qint32 previous = 0;
    for (const QString& file : files) {
        const qint32 number = FileUtil::getFileNumber(QFileInfo(file).fileName());
        if (runs.isEmpty() || number != previous + 1) runs.append(QStringList());
        runs.last().append(file);
        previous = number;
    }
    return runs;
}

} // namespace

// ---------------------------------------------------------------------------
// Life
// ---------------------------------------------------------------------------

CardData::CardData() = default;

std::shared_ptr<CardData> CardData::create()
{
    return std::shared_ptr<CardData>(new CardData());
}

CardData::~CardData()
{
    {
        std::lock_guard lock(_wakeMutex);
        _isDispose.store(true);
    }
    _wake.notify_all();
    stopWorkers();
    releaseRecordChapters(_advMoveProtectList);
    if (_relay) {
        if (QThread::currentThread() == _relay->thread())
            delete _relay;
        else
            _relay->deleteLater();
    }
}

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------

void CardData::readCardData(const QUrl& url)
{
    readCardData(url.isLocalFile() ? url.toLocalFile() : url.toString());
}

void CardData::readCardData(const QString& path)
{
    if (_isDispose.load() || _isRead.exchange(true)) return;
    if (path.isEmpty()) return;

    QString source = path;
    if (!source.endsWith(QLatin1Char('/')) && QFileInfo(source).isDir()) source += QLatin1Char('/');
    const FileUtil::FolderAndName place = FileUtil::getFolderName(source);
    if (place.folder.isEmpty()) return;

    const auto self = shared_from_this();
    {
        std::lock_guard lock(_listMutex);
        _tripList.clear();
        _tripList_tab.clear();
        _moveProtectList.clear();
        _vrecList.clear();
        _advMoveProtectList.clear();
    }

    const QString upper = place.fileName.toUpper();
    const bool indexFile = upper == CommonConst::FILE_NAME_VREC || upper == CommonConst::FILE_NAME_PRCT ||
                           upper == CommonConst::FILE_NAME_ADVP;
    if (!place.fileName.isEmpty() && !indexFile) {
        const auto trip = TripData::create(self, {path}, QString());
        std::lock_guard lock(_listMutex);
        _tripList.append(trip);
        _tripList_tab.append(trip);
        _openSourcePath = path;
        return;
    }

    const QString vrecPath = FileUtil::combinePath(place.folder, CommonConst::FILE_NAME_VREC);
    const QString prctPath = FileUtil::combinePath(place.folder, CommonConst::FILE_NAME_PRCT);
    const QString advPath = FileUtil::combinePath(place.folder, CommonConst::FILE_NAME_ADVP);

    // Sorted enumeration: which of two files of the same name wins must not
    // depend on the file system.
    const std::map<QString, QStringList> groups = groupByKey(FileUtil::checkCardFolder(path));

    readVrecMoveManager(vrecPath);
    if (readMoveProtect(prctPath, MoveProtectInfo::DetectStatus::G) &&
        readMoveProtect(prctPath, MoveProtectInfo::DetectStatus::SURV))
        readMoveProtect(prctPath, MoveProtectInfo::DetectStatus::SW);
    readAdvMoveProtect(advPath);

    {
        std::lock_guard lock(_listMutex);
        auto byTime = [](const auto& a, const auto& b) { return a->_datetime < b->_datetime; };
        std::stable_sort(_moveProtectList.begin(), _moveProtectList.end(), byTime);
        std::stable_sort(_advMoveProtectList.begin(), _advMoveProtectList.end(), byTime);
        // Chapters pick their records from these (the last record of a name wins).
        for (const auto& r : std::as_const(_vrecList)) _vrecByName.insert(recordKey(r->_fileName), r);
        for (const auto& r : std::as_const(_advMoveProtectList)) _advByName.insert(recordKey(r->_fileName), r);
    }

    TripList trips;
    for (const auto& [key, files] : groups)
        for (const QStringList& run : runsOf(files)) trips.append(TripData::create(self, run, key));
    {
        std::lock_guard lock(_listMutex);
        _tripList = trips;
        _openSourcePath = path;
    }
    finishLoad();
}

void CardData::finishLoad()
{
    const auto self = shared_from_this();
    TripList trips = tripList();
    // Every chapter list is put in order here, once; nothing reorders it later.
    for (const auto& t : trips) t->sortChapters();
    sortTrips(trips);

    const MoveProtectList protects = moveProtectList();
    const AdvMoveProtectList advs = advMoveProtectList();
    QSet<QString> surveillance;
    for (const auto& r : protects)
        if (r->_detect == MoveProtectInfo::DetectStatus::SURV) surveillance.insert(recordKey(r->_fileName));
    QSet<QString> adventure;
    for (const auto& r : advs) adventure.insert(recordKey(r->_fileName));

    TripList tab;
    QStringList advFiles;
    for (const auto& t : trips) {
        bool hasSurveillance = false;
        for (const auto& c : t->chapterDataList()) {
            const QString key = nameKey(t->_tripName, c->fileNumber());
            if (surveillance.contains(key)) hasSurveillance = true;
            if (adventure.contains(key)) advFiles.append(c->_pathMp4.toLocalFile());
        }
        if (!hasSurveillance) tab.append(t);
    }

    TripList advTrips;
    for (const auto& [key, files] : groupByKey(advFiles))
        for (const QStringList& run : runsOf(files)) {
            auto trip = TripData::create(self, run, key);
            trip->sortChapters();
            advTrips.append(trip);
        }
    sortTrips(tab);
    sortTrips(advTrips);

    QHash<QString, TripList> byName;
    {
        TripList named = trips;
        std::stable_sort(named.begin(), named.end(), &CardData::compareTripName);
        for (const auto& t : named) byName[t->_tripName].append(t);
    }

    {
        std::lock_guard lock(_listMutex);
        _tripList = trips;
        _tripList_tab = tab;
        _advTripList = advTrips;
        _tripsByName = byName;
    }

    // The records' chapters and play windows are worked out now, while the
    // catalogue is still private to the load, and only read afterwards.
    std::map<std::pair<const void*, int>, ChapterWindow> windows;
    for (const auto& r : protects) {
        if (auto c = searchChapter(r->_fileName, false)) r->setEventChapter(c);
        if (r->_detect == MoveProtectInfo::DetectStatus::SURV)
            windows[{r.get(), SurveillanceWindow}] = computeSurveillanceWindow(*r);
        else
            windows[{r.get(), EventWindow}] = computeEventWindow(*r);
    }
    for (const auto& r : advs)
        if (auto c = searchChapter(r->_fileName, true)) r->setEventChapter(c);
    std::lock_guard lock(_listMutex);
    _windows = std::move(windows);
}

bool CardData::readVrecMoveManager(const QString& path)
{
    const auto bytes = readIndexFile(path, _indexBytesRead);
    if (!bytes) return false;
    const auto records = VrecMoveManagerInfo::readAll(*bytes);
    std::lock_guard lock(_listMutex);
    for (const auto& r : records) _vrecList.append(r);
    return true;
}

bool CardData::readMoveProtect(const QString& path, MoveProtectInfo::DetectStatus kind)
{
    const auto bytes = readIndexFile(path, _indexBytesRead);
    if (!bytes) return false;
    const auto records = MoveProtectInfo::readRegion(*bytes, kind);
    std::lock_guard lock(_listMutex);
    for (const auto& r : records) _moveProtectList.append(r);
    return true;
}

bool CardData::readAdvMoveProtect(const QString& path)
{
    const auto bytes = readIndexFile(path, _indexBytesRead);
    if (!bytes) return false;
    const auto records = AdvMoveProtectInfo::readAll(*bytes);
    std::lock_guard lock(_listMutex);
    for (const auto& r : records) {
        const bool taken = std::any_of(_advMoveProtectList.cbegin(), _advMoveProtectList.cend(),
                                       [&](const auto& e) { return e->_fileName == r->_fileName; });
        if (!taken) _advMoveProtectList.append(r);
    }
    return true;
}

// ---------------------------------------------------------------------------
// The catalogue
// ---------------------------------------------------------------------------

TripList CardData::tripList() const
{
    std::lock_guard lock(_listMutex);
    return _tripList;
}

TripList CardData::tripListTab() const
{
    std::lock_guard lock(_listMutex);
    return _tripList_tab;
}

TripList CardData::advTripList() const
{
    std::lock_guard lock(_listMutex);
    return _advTripList;
}

MoveProtectList CardData::moveProtectList() const
{
    std::lock_guard lock(_listMutex);
    return _moveProtectList;
}

VrecList CardData::vrecList() const
{
    std::lock_guard lock(_listMutex);
    return _vrecList;
}

AdvMoveProtectList CardData::advMoveProtectList() const
{
    std::lock_guard lock(_listMutex);
    return _advMoveProtectList;
}

QString CardData::openSourcePath() const
{
    std::lock_guard lock(_listMutex);
    return _openSourcePath;
}

bool CardData::workersRunning() const
{
    return _started.load() && !_isDispose.load();
}

std::shared_ptr<const VrecMoveManagerInfo> CardData::vrecRecordFor(const QString& tripKey, qint32 fileNumber) const
{
    std::lock_guard lock(_listMutex);
    return _vrecByName.value(nameKey(tripKey, fileNumber));
}

std::shared_ptr<const AdvMoveProtectInfo> CardData::advRecordFor(const QString& tripKey, qint32 fileNumber) const
{
    std::lock_guard lock(_listMutex);
    return _advByName.value(nameKey(tripKey, fileNumber));
}

bool CardData::compareTripName(const std::shared_ptr<TripData>& a, const std::shared_ptr<TripData>& b)
{
    return QString::compare(a->_tripName, b->_tripName, Qt::CaseSensitive) < 0;
}

bool CardData::compareFileNumber(const QString& a, const QString& b)
{
    return FileUtil::getFileNumber(QFileInfo(a).fileName()) < FileUtil::getFileNumber(QFileInfo(b).fileName());
}

// ---------------------------------------------------------------------------
// Chapters of records and play windows
// ---------------------------------------------------------------------------

TripList CardData::tripsNamed(const QString& key) const
{
    std::lock_guard lock(_listMutex);
    return _tripsByName.value(key);
}

std::shared_ptr<ChapterData> CardData::searchChapter(const QString& fileName, bool /*adventure*/) const
{
    // Trips whose name begins with the record's key: with 12-character keys
    // (or the empty key of a single movie) that is the trips of that name.
    const QString key = FileUtil::isMovieFileName(fileName);
    const TripList candidates = tripsNamed(key);
    for (const auto& t : candidates) {
        if (!t->_tripName.startsWith(key)) continue;
        if (auto c = t->chapterNamed(fileName)) return c;
    }
    return nullptr;
}

std::shared_ptr<ChapterData> CardData::eventChapter(const MoveProtectInfo& record) const
{
    if (auto c = record.eventChapter()) return c;
    auto found = searchChapter(record._fileName, false);
    if (found) const_cast<MoveProtectInfo&>(record).setEventChapter(found);
    return found;
}

std::shared_ptr<ChapterData> CardData::advChapter(const AdvMoveProtectInfo& record) const
{
    if (auto c = record.eventChapter()) return c;
    auto found = searchChapter(record._fileName, true);
    if (found) const_cast<AdvMoveProtectInfo&>(record).setEventChapter(found);
    return found;
}

std::optional<ChapterWindow> CardData::storedWindow(const void* record, int kind) const
{
    std::lock_guard lock(_listMutex);
    const auto it = _windows.find({record, kind});
    if (it == _windows.end()) return std::nullopt;
    return it->second;
}

ChapterWindow CardData::eventChapterList(const MoveProtectInfo& record) const
{
    if (auto w = storedWindow(&record, EventWindow)) return *w;
    return computeEventWindow(record);
}

ChapterWindow CardData::surveillanceChapterList(const MoveProtectInfo& record) const
{
    if (auto w = storedWindow(&record, SurveillanceWindow)) return *w;
    return computeSurveillanceWindow(record);
}

ChapterWindow CardData::advChapterLookup(const AdvMoveProtectInfo& record) const
{
    // An adventure run can hold thousands of records; its window is worked
    // out when first asked for (from the fixed lists) and then kept.
    if (auto w = storedWindow(&record, AdventureWindow)) return *w;
    ChapterWindow w = computeAdvWindow(record);
    std::lock_guard lock(_listMutex);
    if (_isDispose.load()) return w;
    return _windows.try_emplace({&record, int(AdventureWindow)}, w).first->second;
}

ChapterWindow CardData::protectChapterList(const MoveProtectInfo& record) const
{
    return record._detect == MoveProtectInfo::DetectStatus::SURV ? surveillanceChapterList(record)
                                                                   : eventChapterList(record);
}

ChapterWindow CardData::computeEventWindow(const MoveProtectInfo& record) const
{
    ChapterWindow w;
    const auto chapter = eventChapter(record);
    if (!chapter) return w;
    // Signed: an event stamped before its chapter (or after its end) lies
    // outside it and has no window.
    const qint64 offset = qint64(record._timeStamp) - qint64(chapter->timeStamp());
    const qint64 span = chapter->timeSpan();
    if (offset < 0 || offset > span) return w;

    ChapterList before;
    qint64 timeBefore = offset;
    auto current = chapter;
    for (auto candidate = chapter->previousChapter(); candidate; candidate = candidate->previousChapter()) {
        if (timeBefore > EVENT_TIME_BEFORE - 1) break;
        if (!nextNumberFollows(candidate->fileNumber(), current->fileNumber())) break;
        before.prepend(candidate);
        timeBefore += candidate->timeSpan();
        current = candidate;
    }
    ChapterList after;
    qint64 timeAfter = span - offset;
    current = chapter;
    for (auto candidate = chapter->nextChapter(); candidate; candidate = candidate->nextChapter()) {
        if (timeAfter > EVENT_TIME_AFTER - 1) break;
        if (!previousNumberLeads(current->fileNumber(), candidate->fileNumber())) break;
        after.append(candidate);
        timeAfter += candidate->timeSpan();
        current = candidate;
    }

    ChapterList chapters = before;
    chapters.append(chapter);
    chapters.append(after);
    const qint64 eventValue = qint64(record._timeStamp) - qint64(chapters.first()->timeStamp());
    const qint64 total = PictureDataUtil::totalLength(chapters);
    if (eventValue < 0 || eventValue > total) return w;
    w.chapters = chapters;
    w.eventValue = eventValue;
    w.minValue = std::max<qint64>(eventValue - EVENT_TIME_BEFORE, 0);
    w.maxValue = std::min<qint64>(eventValue + EVENT_TIME_AFTER, total);
    return w;
}

ChapterWindow CardData::computeSurveillanceWindow(const MoveProtectInfo& record) const
{
    ChapterWindow w;
    const auto chapter = eventChapter(record);
    if (!chapter) return w;
    const qint64 offset = qint64(record._timeStamp) - qint64(chapter->timeStamp());
    const qint64 span = chapter->timeSpan();
    if (offset < 0 || offset > span) return w;

    ChapterList chapters{chapter};
    qint64 timeAfter = span - offset;
    auto current = chapter;
    for (auto candidate = chapter->nextChapter(); candidate; candidate = candidate->nextChapter()) {
        if (timeAfter > SURVEILLANCE_TIME_AFTER - 1) break;
        if (!nextNumberFollows(current->fileNumber(), candidate->fileNumber())) break;
        chapters.append(candidate);
        timeAfter += candidate->timeSpan();
        current = candidate;
    }
    const qint64 total = PictureDataUtil::totalLength(chapters);
    w.chapters = chapters;
    w.eventValue = offset;
    w.minValue = offset;
    w.maxValue = std::min<qint64>(offset + SURVEILLANCE_TIME_AFTER, total);
    return w;
}

ChapterWindow CardData::computeAdvWindow(const AdvMoveProtectInfo& record) const
{
    ChapterWindow w;
    w.eventValue = -1;
    const auto own = advChapter(record);
    if (!own) return w;

    // The records of the key by number, each number's first record in list order.
    const QString key = FileUtil::isMovieFileName(record._fileName);
    QHash<int, std::pair<qsizetype, const AdvMoveProtectInfo*>> byNumber;
    const AdvMoveProtectList all = advMoveProtectList();
    for (qsizetype i = 0; i < all.size(); ++i) {
        const auto& r = all[i];
        if (FileUtil::isMovieFileName(r->_fileName) == key && !byNumber.contains(r->chapterNo()))
            byNumber.insert(r->chapterNo(), {i, r.get()});
    }
    // The first record in list order among the numbers that qualify.
    auto firstOf = [&](std::initializer_list<int> numbers, auto&& qualifies) -> const AdvMoveProtectInfo* {
        std::pair<qsizetype, const AdvMoveProtectInfo*> best{-1, nullptr};
        for (int n : numbers) {
            if (!qualifies(n)) continue;
            const auto it = byNumber.constFind(n);
            if (it != byNumber.constEnd() && (best.first < 0 || it->first < best.first)) best = *it;
        }
        return best.second;
    };

    // A run of records covering every number of a key is a ring: each record
    // is visited once.
    std::set<const AdvMoveProtectInfo*> visited{&record};
    ChapterList before;
    int number = record.chapterNo();
    for (;;) {
        const int later = number;
        const AdvMoveProtectInfo* r =
            firstOf({later - 1, 9999, 0}, [&](int earlier) { return nextNumberFollows(earlier, later); });
        if (!r || !visited.insert(r).second) break;
        if (auto c = advChapter(*r)) before.prepend(c);
        number = r->chapterNo();
    }
    ChapterList after;
    number = record.chapterNo();
    for (;;) {
        const int earlier = number;
        const AdvMoveProtectInfo* r =
            firstOf({earlier + 1, 0, 1}, [&](int later) { return previousNumberLeads(earlier, later); });
        if (!r || !visited.insert(r).second) break;
        if (auto c = advChapter(*r)) after.append(c);
        number = r->chapterNo();
    }
    ChapterList chapters = before;
    chapters.append(own);
    chapters.append(after);
    w.chapters = chapters;
    w.minValue = 0;
    w.maxValue = PictureDataUtil::totalLength(chapters);
    return w;
}

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

} // namespace

const QString& CardData::thumbnailFolder()
{
    static const bool made = [] {
        QDir().mkpath(thumbnailFolderPath());
        // Removed when the application object goes, should the application
        // not remove it itself.
        qAddPostRoutine(&CardData::removeThumbnailFolder);
        return true;
    }();
    (void)made;
    return thumbnailFolderPath();
}

void CardData::removeThumbnailFolder()
{
    QDir(thumbnailFolderPath()).removeRecursively();
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

void CardData::workerLoop(Step step, Report report, int niceness)
{
#ifdef __linux__
    // Below the GUI thread: the workers may fill every core without making
    // the window stutter.
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), niceness);
#else
    (void)niceness;
#endif
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
    _pictureWorker = std::thread(&CardData::workerLoop, this, &CardData::loadNextPictureData, Report::TripRoute, 10);
    _thumbnailWorker =
        std::thread(&CardData::workerLoop, this, &CardData::makeNextThumbnail, Report::ChapterPictures, 5);
}

void CardData::stopWorkers()
{
    for (std::thread* worker : {&_pictureWorker, &_thumbnailWorker}) {
        if (!worker->joinable()) continue;
        // The workers never hold the catalogue, so they never end it; should
        // one ever do, it must not wait for itself.
        if (worker->get_id() == std::this_thread::get_id())
            worker->detach();
        else
            worker->join();
    }
}

void CardData::dispose()
{
    {
        std::lock_guard lock(_wakeMutex);
        _isDispose.store(true);
    }
    _wake.notify_all();
    stopWorkers();
    clearLists();
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
