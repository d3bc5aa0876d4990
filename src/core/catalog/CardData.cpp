#include "core/catalog/CardData.h"

#include "core/foundation/CardReads.h"
#include "core/foundation/CommonConst.h"
#include "core/foundation/FileUtil.h"
#include "core/media/AVUtil.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"

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
        // The last owner may be a disposal thread; with the application gone
        // no event loop will ever delete the relay later.
        if (QThread::currentThread() == _relay->thread() || !QCoreApplication::instance())
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
    _isReading.store(true);
    {
        const CardReads::StopScope stopReads(_isDispose);
        readSource(path);
    }
    _isReading.store(false);
    // A dispose() during the read left the emptying to the reader.
    if (_isDispose.load()) clearLists();
}

void CardData::readSource(const QString& path)
{
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

    const bool indexFile = FileUtil::isManagementFileName(place.fileName);
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
    if (_isDispose.load()) return;

    readVrecMoveManager(vrecPath);
    if (readMoveProtect(prctPath, MoveProtectInfo::DetectStatus::G) &&
        readMoveProtect(prctPath, MoveProtectInfo::DetectStatus::SURV))
        readMoveProtect(prctPath, MoveProtectInfo::DetectStatus::SW);
    readAdvMoveProtect(advPath);
    if (_isDispose.load()) return;

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
    for (const auto& [key, files] : groups) {
        if (_isDispose.load()) return;
        for (const QStringList& run : runsOf(files)) trips.append(TripData::create(self, run, key));
    }
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
    return lockedCopy(_tripList);
}

TripList CardData::tripListTab() const
{
    return lockedCopy(_tripList_tab);
}

TripList CardData::advTripList() const
{
    return lockedCopy(_advTripList);
}

MoveProtectList CardData::moveProtectList() const
{
    return lockedCopy(_moveProtectList);
}

VrecList CardData::vrecList() const
{
    return lockedCopy(_vrecList);
}

AdvMoveProtectList CardData::advMoveProtectList() const
{
    return lockedCopy(_advMoveProtectList);
}

QString CardData::openSourcePath() const
{
    return lockedCopy(_openSourcePath);
}

bool CardData::workersRunning() const
{
    return _liveWorkers.load() > 0;
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
