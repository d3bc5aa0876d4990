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
    takeKnownSpans();
    _eventValue = window.eventValue;
    _minValue = window.minValue;
    _maxValue = std::max(window.maxValue, window.minValue);
    setCurrentValue(_minValue);
}

PlayMovieValueInfo::PlayMovieValueInfo(const ChapterList& chapterList, CardData::ActiveType kind)
    : _playType(kind == CardData::ActiveType::AdventureRec ? CommonConst::PlayType::Adventure
                                                             : CommonConst::PlayType::Movie),
      _chapterDataList(chapterList)
{
    takeKnownSpans();
    _maxValue = totalLength();
}

std::vector<qint64> PlayMovieValueInfo::knownSpans() const
{
    std::vector<qint64> spans;
    spans.reserve(size_t(_chapterDataList.size()));
    for (const auto& chapter : _chapterDataList) spans.push_back(PictureDataUtil::chapterSpan(chapter));
    return spans;
}

qint64 PlayMovieValueInfo::chapterStart(qsizetype chapter) const
{
    qint64 start = 0;
    const qsizetype end = std::clamp<qsizetype>(chapter, 0, qsizetype(_spans.size()));
    for (qsizetype k = 0; k < end; ++k) start += _spans[size_t(k)] + 1;
    return start;
}

qint64 PlayMovieValueInfo::totalLength() const
{
    if (_spans.empty()) return 0;
    return chapterStart(qsizetype(_spans.size()) - 1) + _spans.back();
}

std::pair<qsizetype, qint64> PlayMovieValueInfo::placeIn(const std::vector<qint64>& spans, qint64 position)
{
    if (spans.empty()) return {0, 0};
    // As the play list's positions are handed around: 32-bit.
    qint64 rest = toPosition(position);
    for (size_t i = 0; i < spans.size(); ++i) {
        if (rest <= spans[i]) return {qsizetype(i), std::max<qint64>(rest, 0)};
        rest -= spans[i] + 1;
    }
    return {qsizetype(spans.size()) - 1, spans.back()};
}

void PlayMovieValueInfo::takeKnownSpans()
{
    // The count is read first: a change while the lengths are gathered is
    // then looked at again next time.
    _spansEpoch = ChapterData::lengthsEpoch();
    _spans = knownSpans();
    _spansBefore = _spans;
}

bool PlayMovieValueInfo::chapterLengthsChanged() const
{
    const quint64 epoch = ChapterData::lengthsEpoch();
    if (epoch == _spansEpoch) return false;
    if (knownSpans() != _spans) return true;
    _spansEpoch = epoch;
    return false;
}

bool PlayMovieValueInfo::followChapterLengths()
{
    if (!chapterLengthsChanged()) return false;
    const quint64 epoch = ChapterData::lengthsEpoch();
    std::vector<qint64> fresh = knownSpans();
    _spansEpoch = epoch;
    if (fresh == _spans) return false;
    _spansBefore = std::exchange(_spans, std::move(fresh));
    const auto moved = [this](qint64 position) { return followedPosition(position); };
    const auto movedIfSet = [&](std::optional<qint64>& position) {
        if (position) position = moved(*position);
    };
    if (_playType == CommonConst::PlayType::Movie || _playType == CommonConst::PlayType::Adventure) {
        _maxValue = totalLength();
    } else {
        _minValue = moved(_minValue);
        _maxValue = std::max(_minValue, moved(_maxValue));
        if (_eventValue && *_eventValue >= 0) _eventValue = moved(*_eventValue);
    }
    movedIfSet(_startValueStopwatch);
    // A trim range keeps its length: its end may lie past the list's end.
    if (_startValueMovieCut && _endValueMovieCut) {
        const qint64 length = *_endValueMovieCut - *_startValueMovieCut;
        _startValueMovieCut = moved(*_startValueMovieCut);
        _endValueMovieCut = *_startValueMovieCut + length;
    } else {
        movedIfSet(_startValueMovieCut);
        movedIfSet(_endValueMovieCut);
    }
    _currentValue = moved(_currentValue);
    _currentIndex.reset();
    _currentFrame.reset();
    _startValue.reset();
    _endValue.reset();
    _startFrameIndex.reset();
    _endFrameIndex.reset();
    setCurrentValue(_currentValue);
    return true;
}

qint64 PlayMovieValueInfo::followedPosition(qint64 position) const
{
    if (_spans.empty() || _spansBefore.size() != _spans.size()) return position;
    const auto [chapter, offset] = placeIn(_spansBefore, position);
    return chapterStart(chapter) + std::min(offset, _spans[size_t(chapter)]);
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
    return placeIn(_spans, position).first;
}

void PlayMovieValueInfo::fillCurrentCaches()
{
    const auto [index, offset] = placeIn(_spans, _currentValue);
    _currentIndex = index;
    _currentFrame = qint32(std::clamp<qint64>(offset, INT32_MIN, INT32_MAX));
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
