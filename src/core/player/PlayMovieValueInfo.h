#pragma once

#include "core/catalog/CardData.h"
#include "core/catalog/ChapterData.h"
#include "core/foundation/CommonConst.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class MoveProtectInfo;
class AdvMoveProtectInfo;

// What the player plays and where it stands: an ordered list of chapters and
// one position in milliseconds from the start of that list. Chapter i covers
// its start to its start + timeSpan, and the next chapter begins one
// millisecond later. Shared (by reference) between the movie player and its
// track bar; both read the fields and write the position through
// setCurrentValue(), which keeps it inside the bounds.
//
// GUI thread only.
class PlayMovieValueInfo {
public:
    // An empty list: Movie, positions 0 to 1, position 0.
    PlayMovieValueInfo() = default;
    // The window of chapters around an event or surveillance record (the
    // catalogue decides the window); position at its start. A record whose
    // window has no chapters gives an empty list with positions 0 to 1 and
    // event value -1.
    PlayMovieValueInfo(const CardData& card, const std::shared_ptr<MoveProtectInfo>& protectInfo);
    // A trip's or an adventure's chapters: Adventure when the catalogue's
    // active kind is AdventureRec, else Movie; positions 0 to the list's total
    // length, position 0.
    PlayMovieValueInfo(const ChapterList& chapterList, CardData::ActiveType kind);

    CommonConst::PlayType _playType = CommonConst::PlayType::Movie;
    ChapterList _chapterDataList;
    std::shared_ptr<MoveProtectInfo> _protectInfo;
    std::shared_ptr<AdvMoveProtectInfo> _advProtectInfo;

    // Read freely; written only through setCurrentValue().
    qint64 _currentValue = 0;
    std::optional<qsizetype> _currentIndex;
    std::optional<qint32> _currentFrame = 0;
    std::optional<qint64> _eventValue;
    qint64 _minValue = 0;
    qint64 _maxValue = 1;
    std::optional<qint64> _startValueStopwatch;
    std::optional<qint64> _startValueMovieCut;
    std::optional<qint64> _endValueMovieCut;
    std::optional<qint64> _startValue;
    std::optional<qint64> _endValue;
    std::optional<qsizetype> _startFrameIndex;
    std::optional<qsizetype> _endFrameIndex;

    // The bounds the position is held in: the largest of the minimum, the
    // stopwatch start and the trim start; the smaller of the maximum and the
    // trim end. When they cross, the upper bound wins.
    qint64 lowerBound() const;
    qint64 upperBound() const;

    // Holds v inside the bounds; a changed position drops the chapter caches.
    void setCurrentValue(qint64 v);
    qint64 currentValue() const { return _currentValue; }

    // The chapter under the position and the offset inside it.
    qsizetype currentIndex();
    qint32 currentFrame();
    // The chapter under the lower and the upper bound (cached until a bound changes).
    qsizetype startFrameIndex();
    qsizetype endFrameIndex();

    // The position where a chapter starts, as this list lays its chapters out.
    qint64 chapterStart(qsizetype chapter) const;

    // Chapter lengths are taken as known when the list is made (a chapter
    // whose recording was not read yet may count 0) and kept until asked to
    // follow them: then the list's end moves with them, and every position
    // held here stays at the same place of the same chapter. True when
    // anything moved. Positions held elsewhere must be taken from here again.
    bool followChapterLengths();
    // Whether following them would move anything; cheap while no chapter's
    // length can have changed since they were taken (asked at every tick).
    bool chapterLengthsChanged() const;
    // Where a position worked out with the lengths before the last follow
    // stands now: the same place of the same chapter (kept inside it).
    qint64 followedPosition(qint64 position) const;

    // The chapter under the position, or null when the list has none there.
    std::shared_ptr<ChapterData> currentChapter();

    // Bound writers: each drops the caches of its side.
    void setStopwatchStart(std::optional<qint64> start);
    void setMovieCut(std::optional<qint64> start, std::optional<qint64> end);

private:
    void fillCurrentCaches();
    qsizetype chapterIndexOf(qint64 position) const;
    // The chapter and the offset inside it, from the lengths given.
    static std::pair<qsizetype, qint64> placeIn(const std::vector<qint64>& spans, qint64 position);
    std::vector<qint64> knownSpans() const;
    qint64 totalLength() const;

    // Takes the lengths known now as the ones positions are worked out with.
    void takeKnownSpans();

    // The chapter lengths the positions were worked out with, and those
    // before the last follow.
    std::vector<qint64> _spans;
    std::vector<qint64> _spansBefore;
    // ChapterData::lengthsEpoch() when _spans were last compared with the
    // known lengths (0: never).
    mutable quint64 _spansEpoch = 0;
};
