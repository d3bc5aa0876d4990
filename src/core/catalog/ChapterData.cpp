#include "core/catalog/ChapterData.h"

#include "core/catalog/CardData.h"
#include "core/catalog/TripData.h"
#include "core/foundation/CardReads.h"
#include "core/foundation/CommonConst.h"
#include "core/foundation/FileUtil.h"
#include "core/media/AVUtil.h"
#include "core/recording/AdvMoveProtectInfo.h"
#include "core/recording/FullTimeDataInfo.h"
#include "core/recording/PictureData.h"
#include "core/recording/VrecMoveManagerInfo.h"
#include "core/settings/SettingInfo.h"

#include <QFileInfo>
#include <algorithm>
#include <mutex>
#include <vector>

#include <chrono>

namespace {

qint32 fileNumberOf(const QUrl& url)
{
    return FileUtil::getFileNumber(url.fileName());
}

std::shared_ptr<const VrecMoveManagerInfo> vrecOf(const std::shared_ptr<TripData>& trip, const QUrl& url)
{
    if (!trip) return nullptr;
    const auto card = trip->parent();
    return card ? card->vrecRecordFor(trip->_tripName, fileNumberOf(url)) : nullptr;
}

std::shared_ptr<const AdvMoveProtectInfo> advOf(const std::shared_ptr<TripData>& trip, const QUrl& url)
{
    if (!trip) return nullptr;
    const auto card = trip->parent();
    return card ? card->advRecordFor(trip->_tripName, fileNumberOf(url)) : nullptr;
}

} // namespace

ChapterData::ChapterData(const QUrl& url) : ChapterData(nullptr, url, nullptr, nullptr) {}

ChapterData::ChapterData(const std::shared_ptr<TripData>& parent, const QUrl& url)
    : ChapterData(parent, url, vrecOf(parent, url), advOf(parent, url))
{
}

ChapterData::ChapterData(const std::shared_ptr<TripData>& parent, const QUrl& url,
                         std::shared_ptr<const VrecMoveManagerInfo> vmm, std::shared_ptr<const AdvMoveProtectInfo> adv)
    : _pathMove(url)
    , _pathMp4(url)
    , _vmmInfo(std::move(vmm))
    , _advInfo(std::move(adv))
    , _parent(parent)
    , _fileNumber(fileNumberOf(url))
    , _startTime(CommonConst::DEFAULT_DATE())
    , _startAdvTime(CommonConst::DEFAULT_DATE())
{
}

ChapterData::~ChapterData() = default;

bool ChapterData::followsFrom(qint32 earlier, qint32 later)
{
    if (later >= 2) return later - 1 == earlier;
    return earlier == 9999;
}

std::shared_ptr<ChapterData> ChapterData::previousChapter() const
{
    const auto trip = parent();
    return trip ? trip->neighbourOf(*this, -1) : nullptr;
}

std::shared_ptr<ChapterData> ChapterData::nextChapter() const
{
    const auto trip = parent();
    return trip ? trip->neighbourOf(*this, +1) : nullptr;
}

QDateTime ChapterData::startFrom(QDateTime& cache, const QDateTime* recordTime, bool read) const
{
    {
        std::lock_guard lock(_mutex);
        if (cache != CommonConst::DEFAULT_DATE()) return cache;
    }
    QDateTime found;
    if (recordTime) {
        found = *recordTime;
    } else {
        const auto picture = loadPicture(read);
        if (picture && picture->video) found = picture->video->firstTime;
    }
    if (!found.isValid()) return CommonConst::DEFAULT_DATE();
    std::lock_guard lock(_mutex);
    if (cache == CommonConst::DEFAULT_DATE()) cache = found;
    return cache;
}

QDateTime ChapterData::startTime() const
{
    return startFrom(_startTime, _vmmInfo ? &_vmmInfo->_datetime : nullptr, true);
}

QDateTime ChapterData::knownStartTime() const
{
    return startFrom(_startTime, _vmmInfo ? &_vmmInfo->_datetime : nullptr, false);
}

QDateTime ChapterData::startAdvTime() const
{
    return startFrom(_startAdvTime, _advInfo ? &_advInfo->_datetime : nullptr, true);
}

QDateTime ChapterData::knownStartAdvTime() const
{
    return startFrom(_startAdvTime, _advInfo ? &_advInfo->_datetime : nullptr, false);
}

namespace {
std::atomic<quint64>& lengthsCounter()
{
    static std::atomic<quint64> counter{1};
    return counter;
}
} // namespace

quint64 ChapterData::lengthsEpoch()
{
    return lengthsCounter().load();
}

void ChapterData::keepTimeStamp(quint32 stamp) const
{
    if (_timeStamp.exchange(stamp) != stamp) lengthsCounter().fetch_add(1);
}

void ChapterData::keepTimeSpan(qint64 span) const
{
    if (_frameTimeSpan.exchange(span) != span) lengthsCounter().fetch_add(1);
}

quint32 ChapterData::timeStamp() const
{
    const quint32 known = _timeStamp.load();
    if (known != 0) return known;
    if (_vmmInfo) {
        keepTimeStamp(_vmmInfo->_timeStamp);
        return _vmmInfo->_timeStamp;
    }
    const auto picture = loadPicture(true);
    if (picture && picture->video) {
        const VideoFramePtr frame = picture->video->frameAt(0, 0, true);
        const quint32 stamp = frame ? frame->_timeStamp : 0;
        keepTimeStamp(stamp);
        return stamp;
    }
    return 0;
}

qint64 ChapterData::ownTimeSpan() const
{
    const auto picture = loadPicture(true);
    if (picture && picture->video) {
        const quint64 span = picture->video->_timeSpan;
        keepTimeSpan(qint64(std::min<quint64>(span, quint64(INT32_MAX))));
    }
    return _frameTimeSpan.load();
}

qint64 ChapterData::timeSpan() const
{
    const auto next = nextChapter();
    if (next && next->_vmmInfo && followsFrom(_fileNumber, next->_fileNumber)) {
        const qint64 span = qint64(next->timeStamp()) - qint64(timeStamp());
        // A next chapter stamped before this one (the recorder's clock was
        // reset) says nothing about this chapter's length.
        if (span >= 0) {
            keepTimeSpan(span);
            return span;
        }
    }
    return ownTimeSpan();
}

quint32 ChapterData::knownTimeStamp() const
{
    if (const quint32 known = _timeStamp.load(); known != 0) return known;
    if (_vmmInfo) return _vmmInfo->_timeStamp;
    const auto picture = loadPicture(false);
    if (!picture || !picture->video) return 0;
    const VideoFramePtr frame = picture->video->frameAt(0, 0, true);
    return frame ? frame->_timeStamp : 0;
}

std::optional<qint64> ChapterData::recordsTimeSpan() const
{
    const auto next = nextChapter();
    if (!next || !next->_vmmInfo || !followsFrom(_fileNumber, next->_fileNumber)) return std::nullopt;
    const quint32 start = knownTimeStamp();
    const qint64 span = qint64(next->knownTimeStamp()) - qint64(start);
    if (start == 0 || span < 0) return std::nullopt;
    return span;
}

bool ChapterData::isTimeSpanFromRecords() const
{
    return recordsTimeSpan().has_value();
}

qint64 ChapterData::knownTimeSpan() const
{
    if (const std::optional<qint64> span = recordsTimeSpan()) {
        keepTimeSpan(*span);
        return *span;
    }
    const auto picture = loadPicture(false);
    if (picture && picture->video) {
        const quint64 span = picture->video->_timeSpan;
        keepTimeSpan(qint64(std::min<quint64>(span, quint64(INT32_MAX))));
    }
    return _frameTimeSpan.load();
}

std::shared_ptr<const PictureData> ChapterData::storePicture(std::shared_ptr<const PictureData> picture) const
{
    std::lock_guard lock(_mutex);
    return storeLocked(std::move(picture));
}

namespace {

// Every picture data a chapter stored, for as long as it lives, whichever
// catalogue it came from (one closed meanwhile too).
struct StoredPictures {
    std::mutex mutex;
    std::vector<std::weak_ptr<const PictureData>> pictures;
    std::size_t pruneAt = 64;

    static StoredPictures& all()
    {
        static StoredPictures stored;
        return stored;
    }
    void add(const std::shared_ptr<const PictureData>& picture)
    {
        std::lock_guard lock(mutex);
        pictures.push_back(picture);
        if (pictures.size() < pruneAt) return;
        std::erase_if(pictures, [](const std::weak_ptr<const PictureData>& p) { return p.expired(); });
        pruneAt = std::max<std::size_t>(64, pictures.size() * 2);
    }
};

} // namespace

std::vector<std::shared_ptr<const PictureData>> ChapterData::livePictures()
{
    StoredPictures& stored = StoredPictures::all();
    std::lock_guard lock(stored.mutex);
    std::vector<std::shared_ptr<const PictureData>> out;
    for (const auto& p : stored.pictures)
        if (auto picture = p.lock()) out.push_back(std::move(picture));
    return out;
}

std::shared_ptr<const PictureData> ChapterData::storeLocked(std::shared_ptr<const PictureData> picture) const
{
    if (!_picture) {
        if (picture && picture->video) {
            _picture = std::move(picture);
            StoredPictures::all().add(_picture);
            lengthsCounter().fetch_add(1);
        } else if (picture) {
            _failedPicture = std::move(picture);
        }
    }
    return _picture ? _picture : _failedPicture;
}

bool ChapterData::hasPicture() const
{
    std::lock_guard lock(_mutex);
    return bool(_picture);
}

bool ChapterData::needsPictureData() const
{
    return !hasPicture() && _retryCntPictureData.load() < MAX_RETRY_CNT_PICTUREDATA;
}

std::shared_ptr<const PictureData> ChapterData::loadPicture(bool create) const
{
    {
        std::unique_lock lock(_mutex);
        for (;;) {
            if (_picture) return _picture;
            if (!create) return _failedPicture;
            if (!_reading) break;
            // A thread told to stop would only get what is stored.
            if (CardReads::stopRequested()) return _failedPicture;
            // A second read of the same movie from a slow card would only
            // double the wait: the read under way serves this call too. A
            // thread told to stop meanwhile stops waiting (the reader may
            // have no reason to stop).
            while (!_readEnded.wait_for(lock, std::chrono::milliseconds(50), [this] { return !_reading; }))
                if (CardReads::stopRequested()) return _failedPicture;
            if (!_lastReadStopped) return _picture ? _picture : _failedPicture;
        }
        // Count the attempt before making it; a chapter out of attempts keeps
        // its last failure without reading the file again.
        if (_retryCntPictureData.load() >= MAX_RETRY_CNT_PICTUREDATA) return _failedPicture;
        _retryCntPictureData.fetch_add(1);
        _reading = true;
    }
    // A reader that throws ends its read too (counted, nothing stored), so
    // that the threads waiting for it are let go.
    struct ThrownRead {
        const ChapterData& chapter;
        bool ended = false;
        ~ThrownRead()
        {
            if (!ended) chapter.endRead(nullptr, false);
        }
    } thrown{*this};
    // Read without the lock: a slow movie must not hold up the GUI thread
    // asking for what is already there.
    auto picture = std::make_shared<const PictureData>(
        _pathMove, PictureDataType::All, CommonConst::DEFAULT_DATE(), CommonConst::DEFAULT_DATE().addYears(4000),
        std::make_shared<FullTimeDataInfo>(), RecType::Melsi14Rec,
        SettingInfo().makeRecord(SettingInfo::DataType::FileInfo));
    thrown.ended = true;
    return endRead(std::move(picture), CardReads::stopRequested());
}

std::shared_ptr<const PictureData> ChapterData::endRead(std::shared_ptr<const PictureData> picture, bool stopped) const
{
    std::shared_ptr<const PictureData> result;
    {
        std::lock_guard lock(_mutex);
        _reading = false;
        _lastReadStopped = stopped;
        // Given up half-way, not unreadable: neither kept nor counted.
        if (stopped)
            _retryCntPictureData.fetch_sub(1);
        else
            storeLocked(std::move(picture));
        result = _picture ? _picture : _failedPicture;
    }
    _readEnded.notify_all();
    return result;
}

QString ChapterData::pathThumbnail() const
{
    std::lock_guard lock(_mutex);
    return _pathThumbnail;
}

void ChapterData::clearPathThumbnail()
{
    std::lock_guard lock(_mutex);
    _pathThumbnail.clear();
}

std::optional<QString> ChapterData::makeCutThumbnail(bool create)
{
    {
        std::lock_guard lock(_mutex);
        if (!_pathThumbnail.isEmpty()) return _pathThumbnail;
    }
    if (!create) return std::nullopt;
    ++_retryCntThumbnail;

    const QString movie = _pathMp4.toLocalFile();
    const QString& folder = CardData::thumbnailFolder();
    std::optional<QString> made = AVUtil::createThumbnail(movie, 1, folder);
    if (!made) return std::nullopt;

    std::shared_ptr<const PictureData> picture;
    {
        std::lock_guard lock(_mutex);
        picture = _picture;
    }
    if (picture && picture->video && picture->video->_isCutVideo) {
        // A trimmed movie's picture carries the caption band, in a file of its
        // own chapter (several trimmed movies may be on show at once).
        const QString cutName = QFileInfo(movie).completeBaseName() + QStringLiteral("_cut_thum.jpeg");
        made = AVUtil::createBandedThumbnail(movie, 1, folder, cutName);
        if (!made) return std::nullopt;
    }

    std::lock_guard lock(_mutex);
    if (_pathThumbnail.isEmpty()) _pathThumbnail = *made;
    return _pathThumbnail;
}
