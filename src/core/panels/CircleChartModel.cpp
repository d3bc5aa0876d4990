#include "core/panels/CircleChartModel.h"

#include "core/panels/LoadedFrames.h"
#include "core/recording/PictureDataUtil.h"

#include <algorithm>
#include <cmath>

using CommonConst::PlayStatus;
using CommonConst::PlayType;

namespace {

// A window whose stamps claim days of recording must not fill the GUI
// thread's memory: past this many points their spacing grows.
constexpr std::int64_t MAX_POINTS = 120000;

double finiteOrZero(double v)
{
    return std::isfinite(v) ? v : 0.0;
}

} // namespace

double CircleChartModel::fullScale(GScopeType type)
{
    return 0.5 * (int(type) + 1);
}

CircleChartModel::GScopeType CircleChartModel::nextScope(GScopeType type)
{
    return type == GScopeType::g30 ? GScopeType::g05 : GScopeType(int(type) + 1);
}

CircleChartModel::GScopeType CircleChartModel::scopeFromIndex(int index)
{
    return index >= 0 && index <= 5 ? GScopeType(index) : GScopeType::g05;
}

const std::array<CircleChartModel::TrailColor, 21>& CircleChartModel::colorTable()
{
    static const std::array<TrailColor, 21> table{{
        {-10000, 0, 0, 0},    {-9160, 61, 56, 96},   {-8330, 71, 62, 91},   {-7500, 81, 68, 86},
        {-6660, 91, 73, 81},  {-5830, 102, 79, 76},  {-5000, 112, 85, 71},  {-4160, 122, 90, 66},
        {-3330, 132, 96, 61}, {-2500, 142, 102, 56}, {-1660, 153, 108, 51}, {-1500, 163, 113, 45},
        {-1330, 173, 119, 40}, {-1160, 183, 125, 35}, {-1000, 193, 130, 30}, {-830, 204, 136, 25},
        {-660, 214, 142, 20}, {-500, 224, 147, 15},  {-330, 234, 153, 10},  {-160, 244, 159, 5},
        {0, 255, 165, 0},
    }};
    return table;
}

void CircleChartModel::reset(const ChapterList& chapters)
{
    m_recType = PlayType::Movie;
    m_chapters = chapters;
    m_currentIndex = -1;
    m_minValue = 0;
    m_maxValue = 0;
    update(0, PlayStatus::NotReady);
    m_isDispChanged = true;
}

void CircleChartModel::setChapterData(bool surveillance, const ChapterWindow& window)
{
    m_recType = surveillance ? PlayType::Surveillance : PlayType::Event;
    m_currentIndex = -1;
    if (window.chapters) {
        m_chapters = *window.chapters;
        m_minValue = std::int32_t(std::clamp<qint64>(window.minValue, 0, INT32_MAX));
        m_maxValue = std::int32_t(std::clamp<qint64>(window.maxValue, m_minValue, INT32_MAX));
    } else {
        m_chapters.clear();
        m_minValue = 0;
        m_maxValue = 1;
    }
    update(m_minValue, PlayStatus::NotReady);
    m_isDispChanged = true;
}

void CircleChartModel::update(std::int32_t value, PlayStatus status)
{
    m_markerValue = value;
    m_playStatus = status;
    const bool insideWindow = m_currentIndex >= 0 && value >= m_minValue && value <= m_maxValue;
    if (m_recType == PlayType::Movie && !m_chapters.isEmpty() && !insideWindow) {
        qsizetype index = 0;
        std::int32_t offset = 0;
        PictureDataUtil::chapterIndex(m_chapters, value, index, offset);
        if (index != m_currentIndex && index >= 0 && index < m_chapters.size()) {
            m_minValue = PictureDataUtil::position(m_chapters, index, 0);
            const qint64 span = PictureDataUtil::chapterSpan(m_chapters[index]);
            m_maxValue = std::int32_t(std::min<qint64>(qint64(m_minValue) + span, INT32_MAX));
            m_currentIndex = index;
            m_isDispChanged = true;
        }
    }
    lookUpMarker();
}

void CircleChartModel::lookUpMarker()
{
    m_markerG.reset();
    if (m_chapters.isEmpty()) return;
    if (const VideoFramePtr frame = LoadedFrames::frameAt(m_chapters, m_markerValue))
        m_markerG = G{finiteOrZero(frame->gX), finiteOrZero(frame->gY)};
}

bool CircleChartModel::chapterDidLoad(const std::shared_ptr<ChapterData>& chapter)
{
    if (!chapter || !m_chapters.contains(chapter)) return false;
    if (m_recType == PlayType::Movie
        && (m_currentIndex < 0 || m_currentIndex >= m_chapters.size() || m_chapters[m_currentIndex] != chapter))
        return false;
    if (m_recType == PlayType::Movie) {
        // Its length may be known only now.
        const qint64 span = PictureDataUtil::chapterSpan(chapter);
        m_maxValue = std::int32_t(std::min<qint64>(qint64(m_minValue) + span, INT32_MAX));
    }
    m_isDispChanged = true;
    lookUpMarker();
    return true;
}

void CircleChartModel::rebuildCache()
{
    m_isDispChanged = false;
    m_positions.clear();
    m_values.clear();
    if (m_chapters.isEmpty()) return;
    const std::int64_t span = std::int64_t(m_maxValue) - m_minValue;
    const std::int64_t step = std::max<std::int64_t>(FRAME_G_PLOT, (span + MAX_POINTS - 1) / MAX_POINTS);
    m_positions.reserve(size_t(std::max<std::int64_t>(0, span / step + 1)));
    m_values.reserve(m_positions.capacity());
    LoadedFrames frames(m_chapters);
    for (std::int64_t p = m_minValue; p < m_maxValue; p += step) {
        const VideoFramePtr frame = frames.frameAt(std::int32_t(p));
        if (!frame) continue;
        m_positions.push_back(std::int32_t(p));
        m_values.push_back({finiteOrZero(frame->gX), finiteOrZero(frame->gY)});
    }
}

size_t CircleChartModel::cachedPointCount()
{
    if (m_isDispChanged) rebuildCache();
    return m_positions.size();
}

QPointF CircleChartModel::pointForG(double gx, double gy, const Geometry& g) const
{
    const double divisor = g.maxG != 0.0 && std::isfinite(g.maxG) ? g.maxG : 1.0;
    double x = finiteOrZero(gx) / divisor;
    double y = finiteOrZero(gy) / divisor;
    const double r = std::sqrt(x * x + y * y);
    const double s = fullScale(m_scope);
    if (r > s) {
        x = x * s / r;
        y = y * s / r;
    }
    const double cx = g.width * 0.5;
    const double cy = g.height * 0.5;
    return {g.width * G_CIRCLE_IMAGE_RATE * 0.5 / s * x + cx, cy - g.height * G_CIRCLE_IMAGE_RATE * 0.5 / s * y};
}

size_t CircleChartModel::lowerIndex(std::int64_t position) const
{
    return size_t(std::lower_bound(m_positions.begin(), m_positions.end(), position,
                                   [](std::int32_t a, std::int64_t b) { return std::int64_t(a) < b; })
                  - m_positions.begin());
}

std::vector<QPointF> CircleChartModel::placed(size_t begin, size_t end, const Geometry& geometry) const
{
    std::vector<QPointF> out;
    out.reserve(end > begin ? end - begin : 0);
    for (size_t i = begin; i < end; ++i) out.push_back(pointForG(m_values[i].gx, m_values[i].gy, geometry));
    return out;
}

CircleChartModel::Drawing CircleChartModel::drawing(const Geometry& geometry)
{
    Drawing out;
    if (m_chapters.isEmpty()) return out;
    if (m_isDispChanged) rebuildCache();
    if (m_markerG) out.dot = pointForG(m_markerG->gx, m_markerG->gy, geometry);
    if (m_playStatus == PlayStatus::NotReady) return out;

    const auto& table = colorTable();
    if (m_playStatus == PlayStatus::Play) {
        const std::int64_t end = m_markerValue;
        std::int64_t c = end + table.front().key;
        std::optional<QPointF> last;
        for (size_t row = 0; row < table.size(); ++row) {
            Band band{int(row), {}};
            if (last) band.points.append(*last);
            const std::int64_t hi = std::max(c, end + table[row].key);
            const size_t from = lowerIndex(c);
            const size_t to = lowerIndex(hi);
            for (const QPointF& p : placed(from, to, geometry)) band.points.append(p);
            if (to > from) {
                last = band.points.last();
                c = std::int64_t(m_positions[to - 1]) + 1;
            }
            if (row + 1 == table.size() && !band.points.isEmpty() && out.dot) band.points.append(*out.dot);
            if (band.points.size() >= 2) out.bands.push_back(std::move(band));
        }
        return out;
    }

    // Paused: the window up to the position; stopped: the whole window.
    const std::int64_t end = m_playStatus == PlayStatus::Pause ? std::int64_t(m_markerValue) : m_maxValue;
    const size_t from = lowerIndex(m_minValue);
    const size_t to = lowerIndex(end);
    Band band{int(table.size() - 1), {}};
    if (to > from) {
        const std::vector<QPointF> points = placed(from, to, geometry);
        if (m_positions.size() < size_t(TIME_CHANGE_G_PLOT)) {
            for (const QPointF& p : points) band.points.append(p);
        } else {
            // A long window is thinned: of every 30 points the one farthest
            // from the point drawn last, once a point after the group shows
            // that the group is complete.
            band.points.append(points.front());
            size_t group = 1;
            while (group + size_t(FRAME_G_PLOT) < points.size()) {
                const QPointF anchor = band.points.last();
                size_t best = group;
                double bestDistance = -1.0;
                for (size_t i = group; i < group + size_t(FRAME_G_PLOT); ++i) {
                    const QPointF d = points[i] - anchor;
                    const double distance = d.x() * d.x() + d.y() * d.y();
                    if (distance > bestDistance) {
                        bestDistance = distance;
                        best = i;
                    }
                }
                band.points.append(points[best]);
                group += size_t(FRAME_G_PLOT);
            }
        }
    }
    if (!band.points.isEmpty() && out.dot) band.points.append(*out.dot);
    out.still = StillTrail{m_minValue, end, band.points.size()};
    if (band.points.size() >= 2) out.bands.push_back(std::move(band));
    return out;
}
