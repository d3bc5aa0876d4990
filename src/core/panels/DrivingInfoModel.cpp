#include "core/panels/DrivingInfoModel.h"

#include "core/foundation/DateFormat.h"
#include "core/panels/LoadedFrames.h"
#include "core/panels/SpeedUnit.h"
#include "core/recording/PictureDataUtil.h"

#include <algorithm>

using CommonConst::PlayType;

namespace {

// A chapter whose stamps claim days of recording (a recorder clock that
// jumped) must not make the GUI thread walk millions of positions: past this
// many samples the step grows instead.
constexpr std::int64_t MAX_SAMPLES = 24000;

} // namespace

DrivingInfoModel::DrivingInfoModel()
    : m_timeText([](const QDateTime& time) { return Date::toViewerString(time, DateFormatTables::timeFormats()); })
{
}

void DrivingInfoModel::setChapterList(const ChapterList& chapters)
{
    m_playType = PlayType::Movie;
    m_chapters = chapters;
    m_accidentValue = 0;
    m_currentIndex = -1;
    m_value = 0;
    // An empty list (the displays cleared) keeps the window it had; the
    // chart shows nothing of it.
    if (!m_chapters.isEmpty()) setWindowToChapter(0);
    rebuild();
}

void DrivingInfoModel::setAccident(bool surveillance, const ChapterWindow& window)
{
    m_playType = surveillance ? PlayType::Surveillance : PlayType::Event;
    m_currentIndex = -1;
    if (window.chapters) {
        m_chapters = *window.chapters;
        m_accidentValue = std::int32_t(std::clamp<qint64>(window.eventValue, -1, INT32_MAX));
        m_minValue = std::int32_t(std::clamp<qint64>(window.minValue, 0, INT32_MAX));
        m_maxValue = std::int32_t(std::clamp<qint64>(window.maxValue, m_minValue, INT32_MAX));
    } else {
        m_chapters.clear();
        m_accidentValue = -1;
        m_minValue = 0;
        m_maxValue = 1;
    }
    m_value = m_minValue;
    rebuild();
}

void DrivingInfoModel::setWindowToChapter(qsizetype index)
{
    m_minValue = PictureDataUtil::position(m_chapters, index, 0);
    const qint64 span = PictureDataUtil::chapterSpan(m_chapters[index]);
    m_maxValue = std::int32_t(std::min<qint64>(qint64(m_minValue) + span, INT32_MAX));
    m_currentIndex = index;
}

bool DrivingInfoModel::setValue(std::int32_t value)
{
    m_value = value;
    if (m_playType != PlayType::Movie && m_playType != PlayType::Adventure) return false;
    if (m_chapters.isEmpty()) return false;
    // Outside is decided against the window itself, not against labels
    // that a missing frame may have left out.
    const qint64 offset = qint64(value) - m_minValue;
    if (offset >= 0 && offset <= span()) return false;
    qsizetype index = 0;
    std::int32_t inChapter = 0;
    PictureDataUtil::chapterIndex(m_chapters, value, index, inChapter);
    if (index < 0 || index >= m_chapters.size()) return false;
    const qsizetype oldIndex = m_currentIndex;
    const std::int32_t oldMin = m_minValue;
    const std::int32_t oldMax = m_maxValue;
    // The same chapter whose length became known since: the window grows
    // with it; otherwise (a position past the last chapter) nothing changes.
    setWindowToChapter(index);
    if (index == oldIndex && m_minValue == oldMin && m_maxValue == oldMax) return false;
    rebuild();
    return true;
}

bool DrivingInfoModel::windowHolds(const std::shared_ptr<ChapterData>& chapter) const
{
    if (!chapter) return false;
    if (m_playType == PlayType::Movie || m_playType == PlayType::Adventure)
        return m_currentIndex >= 0 && m_currentIndex < m_chapters.size() && m_chapters[m_currentIndex] == chapter;
    return m_chapters.contains(chapter);
}

bool DrivingInfoModel::chapterDidLoad(const std::shared_ptr<ChapterData>& chapter)
{
    if (!windowHolds(chapter)) return false;
    if (m_playType == PlayType::Movie || m_playType == PlayType::Adventure) setWindowToChapter(m_currentIndex);
    rebuild();
    return true;
}

void DrivingInfoModel::rebuild()
{
    ++m_generation;
    m_samples.clear();
    m_minLabel = {};
    m_maxLabel = {};
    m_accidentLabel = {-1, {}};
    if (m_chapters.isEmpty()) return;

    const auto timeAt = [this](std::int32_t position) -> QString {
        const VideoFramePtr frame = LoadedFrames::frameAt(m_chapters, position);
        return frame && frame->time().isValid() && m_timeText ? m_timeText(frame->time()) : QString();
    };
    if (qint64(m_maxValue) - m_minValue >= 2) {
        m_minLabel = {0, timeAt(m_minValue)};
        m_maxLabel = {span(), timeAt(m_maxValue)};
        // An event whose moment has no frame (or lies before the list) gets
        // neither label nor line.
        if (m_playType == PlayType::Event && m_accidentValue >= 0) {
            const QString text = timeAt(m_accidentValue);
            if (!text.isEmpty()) m_accidentLabel = {m_accidentValue - m_minValue, text};
        }
    }

    const std::int64_t spanMs = span();
    std::int64_t step = spanMs < DATA_SPACE_CUT ? SHORT_STEP : LONG_STEP;
    step = std::max<std::int64_t>(step, (spanMs + MAX_SAMPLES - 1) / MAX_SAMPLES);
    m_samples.reserve(size_t(spanMs / step + 1));
    LoadedFrames frames(m_chapters);
    for (std::int64_t p = m_minValue; p <= m_maxValue; p += step) {
        const VideoFramePtr frame = frames.frameAt(std::int32_t(p));
        if (!frame) continue;
        m_samples.push_back({std::int32_t(p - m_minValue), SpeedUnit::displaySpeed(frame->speed, m_speedKmh),
                             SpeedUnit::horizontalG(frame->gX, frame->gY), frame->gps});
    }
}

std::optional<double> DrivingInfoModel::largestG() const
{
    if (m_samples.empty()) return std::nullopt;
    double g = m_samples.front().g;
    for (const Sample& s : m_samples) g = std::max(g, s.g);
    return g;
}

std::optional<int> DrivingInfoModel::largestSpeed() const
{
    if (m_samples.empty()) return std::nullopt;
    int v = m_samples.front().speed;
    for (const Sample& s : m_samples) v = std::max(v, s.speed);
    return v;
}
