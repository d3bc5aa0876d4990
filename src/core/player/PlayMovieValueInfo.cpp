#include "core/player/PlayMovieValueInfo.h"

#include "core/recording/AdvMoveProtectInfo.h"
#include "core/recording/MoveProtectInfo.h"
#include "core/recording/PictureDataUtil.h"

#include <algorithm>
#include <cstdint>

namespace {

// Positions are handed to the chapter arithmetic as 32-bit numbers.
std::int32_t toPosition(qint64 v)
{
    return std::int32_t(std::clamp<qint64>(v, INT32_MIN, INT32_MAX));
}

} // namespace

PlayMovieValueInfo::PlayMovieValueInfo(const CardData& card, const std::shared_ptr<MoveProtectInfo>& protectInfo)
    : _protectInfo(protectInfo)
{
    if (!protectInfo) {
        _eventValue = -1;
        return;
    }
    const bool surveillance = protectInfo->_detect == MoveProtectInfo::DetectStatus::SURV;
    _playType = surveillance ? CommonConst::PlayType::Surveillance : CommonConst::PlayType::Event;
    const ChapterWindow window =
        surveillance ? card.surveillanceChapterList(*protectInfo) : card.eventChapterList(*protectInfo);
    if (!window.chapters) {
        _eventValue = -1;
        return;
    }
    _chapterDataList = *window.chapters;
    _eventValue = window.eventValue;
    _minValue = window.minValue;
    _maxValue = std::max(window.maxValue, window.minValue);
    setCurrentValue(_minValue);
}

PlayMovieValueInfo::PlayMovieValueInfo(const ChapterList& chapterList, CardData::ActiveType kind)
    : _playType(kind == CardData::ActiveType::AdventureRec ? CommonConst::PlayType::Adventure
                                                             : CommonConst::PlayType::Movie),
      _chapterDataList(chapterList),
      _maxValue(PictureDataUtil::totalLength(chapterList))
{
}

qint64 PlayMovieValueInfo::lowerBound() const
{
    qint64 low = _minValue;
    if (_startValueStopwatch) low = std::max(low, *_startValueStopwatch);
    if (_startValueMovieCut) low = std::max(low, *_startValueMovieCut);
    return low;
}

qint64 PlayMovieValueInfo::upperBound() const
{
    qint64 high = _maxValue;
    if (_endValueMovieCut) high = std::min(high, *_endValueMovieCut);
    return high;
}

void PlayMovieValueInfo::setCurrentValue(qint64 v)
{
    const qint64 low = lowerBound();
    const qint64 high = upperBound();
    const qint64 next = low > high ? high : std::clamp(v, low, high);
    if (next == _currentValue) return;
    _currentIndex.reset();
    _currentFrame.reset();
    _currentValue = next;
}

qsizetype PlayMovieValueInfo::chapterIndexOf(qint64 position) const
{
    qsizetype index = 0;
    std::int32_t offset = 0;
    PictureDataUtil::chapterIndex(_chapterDataList, toPosition(position), index, offset);
    return index;
}

void PlayMovieValueInfo::fillCurrentCaches()
{
    qsizetype index = 0;
    std::int32_t offset = 0;
    PictureDataUtil::chapterIndex(_chapterDataList, toPosition(_currentValue), index, offset);
    _currentIndex = index;
    _currentFrame = offset;
}

qsizetype PlayMovieValueInfo::currentIndex()
{
    if (!_currentIndex || !_currentFrame) fillCurrentCaches();
    return *_currentIndex;
}

qint32 PlayMovieValueInfo::currentFrame()
{
    if (!_currentIndex || !_currentFrame) fillCurrentCaches();
    return *_currentFrame;
}

qsizetype PlayMovieValueInfo::startFrameIndex()
{
    if (!_startFrameIndex) _startFrameIndex = chapterIndexOf(lowerBound());
    return *_startFrameIndex;
}

qsizetype PlayMovieValueInfo::endFrameIndex()
{
    if (!_endFrameIndex) _endFrameIndex = chapterIndexOf(upperBound());
    return *_endFrameIndex;
}

std::shared_ptr<ChapterData> PlayMovieValueInfo::currentChapter()
{
    const qsizetype index = currentIndex();
    if (index < 0 || index >= _chapterDataList.size()) return nullptr;
    return _chapterDataList[index];
}

void PlayMovieValueInfo::setStopwatchStart(std::optional<qint64> start)
{
    _startValueStopwatch = start;
    _startValue.reset();
    _startFrameIndex.reset();
}

void PlayMovieValueInfo::setMovieCut(std::optional<qint64> start, std::optional<qint64> end)
{
    _startValue.reset();
    _endValue.reset();
    _startFrameIndex.reset();
    _endFrameIndex.reset();
    _startValueMovieCut = start;
    _endValueMovieCut = end;
}
