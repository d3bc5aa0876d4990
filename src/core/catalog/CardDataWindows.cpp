// Which chapters play for an event, a surveillance recording or an adventure
// record, worked out once the load is complete and kept.
#include "core/catalog/CardData.h"

#include "core/foundation/FileUtil.h"
#include "core/recording/PictureDataUtil.h"

#include <algorithm>
#include <set>

namespace {

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

// A record stamped before its chapter, or past the end of its chapters'
// data (an unreadable last chapter, a stamp in a trip's last milliseconds),
// still plays the chapters its window found: the range is held inside the
// list, a range that would lie wholly beyond the data becomes an empty one
// where the data ends, and the record's mark lies in the range.
void holdInsideTheList(ChapterWindow& w, qint64 total)
{
    w.maxValue = std::clamp<qint64>(w.maxValue, 0, total);
    w.minValue = std::clamp<qint64>(w.minValue, 0, w.maxValue);
    w.eventValue = std::clamp<qint64>(w.eventValue, w.minValue, w.maxValue);
}

} // namespace

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
    // Signed: an event stamped before its chapter (or after its end) walks
    // on from there, and its values are held inside the list at the end.
    const qint64 offset = qint64(record._timeStamp) - qint64(chapter->timeStamp());
    const qint64 span = chapter->timeSpan();

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
    // A play position: each chapter before the event's starts the next one
    // millisecond later, which the recorder's stamps do not count (the
    // event's frame would otherwise be missed by a millisecond per chapter).
    const qint64 eventValue = PictureDataUtil::position(chapters, before.size(), 0) + offset;
    const qint64 total = PictureDataUtil::totalLength(chapters);
    w.chapters = chapters;
    w.eventValue = eventValue;
    w.minValue = std::max<qint64>(eventValue - EVENT_TIME_BEFORE, 0);
    w.maxValue = std::min<qint64>(eventValue + EVENT_TIME_AFTER, total);
    holdInsideTheList(w, total);
    return w;
}

ChapterWindow CardData::computeSurveillanceWindow(const MoveProtectInfo& record) const
{
    ChapterWindow w;
    const auto chapter = eventChapter(record);
    if (!chapter) return w;
    const qint64 offset = qint64(record._timeStamp) - qint64(chapter->timeStamp());
    const qint64 span = chapter->timeSpan();

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
    holdInsideTheList(w, total);
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
