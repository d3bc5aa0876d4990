#include "core/tools/LapStopwatch.h"

#include "core/foundation/SpeedConversion.h"
#include "core/player/PlayMovieValueInfo.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VideoInfo.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace {

std::shared_ptr<const VideoInfo> videoOf(const std::shared_ptr<ChapterData>& chapter)
{
    if (!chapter) return nullptr;
    // What the workers or the player have loaded; nothing is read here.
    const std::shared_ptr<const PictureData> picture = chapter->loadPicture(false);
    return picture ? picture->video : nullptr;
}

} // namespace

LapStopwatch::DistanceTable::DistanceTable(const FrameTable& frames)
{
    m_keys.reserve(frames.size());
    m_speeds.reserve(frames.size());
    m_before.reserve(frames.size() + 1);
    double sum = 0;
    qint64 previous = 0;
    m_before.push_back(0);
    for (const auto& [key, frame] : frames) {
        if (!frame) continue;
        m_keys.push_back(key);
        m_speeds.push_back(frame->speed);
        sum += double(key - previous) * frame->speed;
        m_before.push_back(sum);
        previous = key;
    }
}

double LapStopwatch::DistanceTable::at(qint64 offset) const
{
    // Every frame up to the offset counts whole; the first one after it
    // counts from the frame before it up to the offset.
    const auto next = std::upper_bound(m_keys.begin(), m_keys.end(), offset);
    const std::size_t i = std::size_t(next - m_keys.begin());
    if (i == m_keys.size()) return m_before.back();
    const qint64 previous = i == 0 ? 0 : m_keys[i - 1];
    return m_before[i] + double(offset - previous) * m_speeds[i];
}

QList<qint64> LapStopwatch::lapPositions() const
{
    QList<qint64> out;
    for (const Lap& lap : m_laps) out << lap.pos;
    return out;
}

void LapStopwatch::setChapters(const ChapterList& chapters)
{
    m_chapters = chapters;
    m_tables.assign(std::size_t(chapters.size()), std::nullopt);
}

void LapStopwatch::followPositions(const PlayMovieValueInfo& list)
{
    const auto moved = [&list](qint64 position) { return list.followedPosition(position); };
    m_start = moved(m_start);
    qint64 from = m_start;
    for (Lap& lap : m_laps) {
        const qint64 to = moved(lap.pos);
        if (to - from != lap.lapTimeSpan)
            lap = makeLap(from, to);
        else
            lap.pos = to;
        from = lap.pos;
    }
    m_stop = moved(m_stop);
    m_current = moved(m_current);
}

bool LapStopwatch::startStop()
{
    switch (m_status) {
    case StopWatchStatus::Ready:
        m_start = m_current;
        m_status = StopWatchStatus::Start;
        return true;
    case StopWatchStatus::Start:
        m_stop = m_current;
        m_status = StopWatchStatus::Stop;
        return true;
    case StopWatchStatus::Stop:
        return false;
    }
    return false;
}

bool LapStopwatch::lapReset()
{
    switch (m_status) {
    case StopWatchStatus::Start:
        if (int(m_laps.size()) >= LAP_MAX - 1) return false;
        m_laps.push_back(makeLap(lapBaseTime(), m_current));
        return true;
    case StopWatchStatus::Stop:
        reset();
        return true;
    case StopWatchStatus::Ready:
        return false;
    }
    return false;
}

bool LapStopwatch::previousLap()
{
    if (m_status != StopWatchStatus::Start || m_laps.empty()) return false;
    m_laps.pop_back();
    return true;
}

bool LapStopwatch::stop()
{
    return m_status == StopWatchStatus::Start && startStop();
}

void LapStopwatch::reset()
{
    m_start = 0;
    m_stop = 0;
    m_laps.clear();
    m_status = StopWatchStatus::Ready;
}

void LapStopwatch::clear()
{
    setChapters({});
    m_current = 0;
    reset();
}

qint64 LapStopwatch::lapBaseTime() const
{
    qint64 base = m_start;
    if (!m_laps.empty()) base = m_laps.back().pos;
    if (m_stop > 0) base = m_stop;
    return base;
}

LapStopwatch::Buttons LapStopwatch::buttons() const
{
    switch (m_status) {
    case StopWatchStatus::Ready:
        return {true, false, false};
    case StopWatchStatus::Start:
        return {true, int(m_laps.size()) < LAP_MAX - 1, !m_laps.empty()};
    case StopWatchStatus::Stop:
        return {false, true, false};
    }
    return {};
}

LapStopwatch::Lap LapStopwatch::makeLap(qint64 s, qint64 e)
{
    if (s >= e) return {s, 0, 0};
    // Where either end lies in a chapter without data the distance run is
    // not known: the lap shows 0, never a speed made of one end alone.
    const std::optional<double> from = knownDistance(s);
    const std::optional<double> to = knownDistance(e);
    if (!from || !to) return {e, e - s, 0};
    const double average = (*to - *from) / double(e - s);
    const double clamped = std::clamp(std::round(average), double(INT32_MIN), double(INT32_MAX));
    return {e, e - s, std::int32_t(clamped)};
}

const LapStopwatch::DistanceTable* LapStopwatch::tableOf(qsizetype index)
{
    std::optional<std::shared_ptr<const DistanceTable>>& cached = m_tables[std::size_t(index)];
    if (!cached) {
        // A chapter not loaded yet is looked at again next time.
        const auto video = videoOf(m_chapters[index]);
        if (!video) return nullptr;
        cached = std::make_shared<const DistanceTable>(video->getCameraFrames(0));
    }
    return cached->get();
}

double LapStopwatch::chapterDistance(qsizetype index)
{
    const std::shared_ptr<ChapterData>& chapter = m_chapters[index];
    if (!chapter || chapter->knownTimeSpan() < 1) return 0;
    const DistanceTable* table = tableOf(index);
    return table ? table->total() : 0;
}

std::optional<double> LapStopwatch::knownDistance(qint64 p)
{
    if (m_chapters.isEmpty()) return std::nullopt;
    qsizetype index = 0;
    std::int32_t offset = 0;
    PictureDataUtil::chapterIndex(m_chapters, std::int32_t(std::clamp<qint64>(p, INT32_MIN, INT32_MAX)), index,
                                  offset);
    // The chapter holding the position must have its data, or nothing is known.
    const DistanceTable* here = tableOf(index);
    if (!here) return std::nullopt;
    double sum = 0;
    for (qsizetype i = 0; i < index; ++i) sum += chapterDistance(i);
    return sum + here->at(offset);
}

double LapStopwatch::distance(qint64 p)
{
    return knownDistance(p).value_or(0);
}

QString LapStopwatch::timeText(qint64 ms)
{
    const qint64 t = std::max<qint64>(0, ms);
    return QString::asprintf("%02lld'%02lld\"%01lld", (t / 60000) % 3600, (t / 1000) % 60, (t % 1000) / 100);
}

QString LapStopwatch::emptyTimeText()
{
    return QStringLiteral("--'--\"-");
}

QString LapStopwatch::speedText(std::int32_t kmh, bool inKmh)
{
    return inKmh ? QStringLiteral("%1km/h").arg(kmh) : QStringLiteral("%1MPH").arg(SpeedConversion::toMph(kmh));
}

QString LapStopwatch::emptySpeedText(bool inKmh)
{
    return inKmh ? QStringLiteral("-km/h") : QStringLiteral("-MPH");
}

LapStopwatch::Row LapStopwatch::rowOf(const std::optional<Lap>& lap, bool kmh) const
{
    if (!lap) return {emptyTimeText(), emptySpeedText(kmh)};
    return {timeText(lap->lapTimeSpan), speedText(lap->aveSpeed, kmh)};
}

std::array<LapStopwatch::Row, LapStopwatch::LAP_MAX> LapStopwatch::rows(bool kmh)
{
    std::array<Row, LAP_MAX> out;
    std::size_t row = 0;
    for (; row < m_laps.size() && row < out.size(); ++row) out[row] = rowOf(m_laps[row], kmh);
    std::optional<Lap> last;
    if (m_status == StopWatchStatus::Start)
        last = makeLap(lapBaseTime(), m_current);
    else if (m_status == StopWatchStatus::Stop)
        last = makeLap(m_laps.empty() ? m_start : m_laps.back().pos, m_stop);
    if (last && row < out.size()) out[row++] = rowOf(last, kmh);
    for (; row < out.size(); ++row) out[row] = rowOf(std::nullopt, kmh);
    return out;
}

LapStopwatch::Row LapStopwatch::total(bool kmh)
{
    switch (m_status) {
    case StopWatchStatus::Start:
        return rowOf(makeLap(m_start, m_current), kmh);
    case StopWatchStatus::Stop:
        return rowOf(makeLap(m_start, m_stop), kmh);
    case StopWatchStatus::Ready:
        break;
    }
    return rowOf(std::nullopt, kmh);
}
