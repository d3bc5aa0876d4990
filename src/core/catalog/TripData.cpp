#include "core/catalog/TripData.h"

#include "core/catalog/CardData.h"
#include "core/foundation/FileUtil.h"
#include "core/recording/AdvMoveProtectInfo.h"
#include "core/recording/MoveProtectInfo.h"

#include <algorithm>

TripData::TripData(const std::shared_ptr<CardData>& parent, const QString& tripName)
    : _tripName(tripName), _parent(parent)
{
}

TripData::~TripData() = default;

std::shared_ptr<TripData> TripData::create(const std::shared_ptr<CardData>& parent, const QStringList& fileList,
                                           const QString& tripName)
{
    std::shared_ptr<TripData> trip(new TripData(parent, tripName));
    trip->reloadChapters(fileList);
    return trip;
}

void TripData::reloadChapters(const QStringList& fileList)
{
    ChapterList chapters;
    chapters.reserve(fileList.size());
    const auto self = shared_from_this();
    for (const QString& path : fileList)
        chapters.append(std::make_shared<ChapterData>(self, QUrl::fromLocalFile(path)));
    std::lock_guard lock(_mutex);
    _chapterDataList = std::move(chapters);
    _isSort.store(false);
    noteIndexes();
}

void TripData::noteIndexes()
{
    for (qsizetype i = 0; i < _chapterDataList.size(); ++i) _chapterDataList[i]->_indexInTrip.store(i);
}

std::shared_ptr<ChapterData> TripData::neighbourOf(const ChapterData& chapter, qsizetype offset) const
{
    std::lock_guard lock(_mutex);
    qsizetype at = chapter._indexInTrip.load();
    if (at < 0 || at >= _chapterDataList.size() || _chapterDataList[at].get() != &chapter) {
        at = -1;
        for (qsizetype i = 0; i < _chapterDataList.size(); ++i)
            if (_chapterDataList[i].get() == &chapter) at = i;
        if (at < 0) return nullptr;
    }
    const qsizetype other = at + offset;
    return other >= 0 && other < _chapterDataList.size() ? _chapterDataList[other] : nullptr;
}

bool TripData::compareChapterStartTime(const std::shared_ptr<ChapterData>& a, const std::shared_ptr<ChapterData>& b)
{
    return a->startTime() < b->startTime();
}

void TripData::sortChapters()
{
    // Start times may need the recordings read; work them out before taking
    // the lock (a chapter asks its trip for neighbours while it loads).
    ChapterList chapters = chapterDataList();
    if (isSort() || chapters.size() < 2) return;
    std::vector<std::pair<QDateTime, std::shared_ptr<ChapterData>>> keyed;
    keyed.reserve(size_t(chapters.size()));
    for (const auto& c : chapters) keyed.emplace_back(c->startTime(), c);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (qsizetype i = 0; i < chapters.size(); ++i) chapters[i] = keyed[size_t(i)].second;
    std::lock_guard lock(_mutex);
    _chapterDataList = std::move(chapters);
    _isSort.store(true);
    noteIndexes();
}

ChapterList TripData::chapterDataList() const
{
    std::lock_guard lock(_mutex);
    return _chapterDataList;
}

qsizetype TripData::chapterCount() const
{
    std::lock_guard lock(_mutex);
    return _chapterDataList.size();
}

std::shared_ptr<ChapterData> TripData::firstChapter() const
{
    std::lock_guard lock(_mutex);
    return _chapterDataList.isEmpty() ? nullptr : _chapterDataList.first();
}

void TripData::clearChapters()
{
    std::lock_guard lock(_mutex);
    _chapterDataList.clear();
}

std::shared_ptr<ChapterData> TripData::chapterNamed(const QString& fileName) const
{
    const QString key = FileUtil::isMovieFileName(fileName);
    if (!_tripName.startsWith(key)) return nullptr;
    if (key != _tripName) return nullptr;
    const qint32 number = FileUtil::getFileNumber(fileName);
    for (const auto& chapter : chapterDataList())
        if (chapter->fileNumber() == number) return chapter;
    return nullptr;
}

std::shared_ptr<ChapterData> TripData::isProtected(const MoveProtectInfo& record) const
{
    return chapterNamed(record._fileName);
}

std::shared_ptr<ChapterData> TripData::isAdvProtected(const AdvMoveProtectInfo& record) const
{
    return chapterNamed(record._fileName);
}
