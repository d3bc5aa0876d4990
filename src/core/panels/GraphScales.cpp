#include "core/panels/GraphScales.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace GraphScales {

namespace {

// No table or tick list here needs more; it also bounds any loop over a
// hand-made granularity.
constexpr int MAX_TICKS = 1000;

constexpr std::int64_t HOUR_MS = 3'600'000;

} // namespace

XGranularity xGranularityForSpan(std::int64_t spanMs)
{
    using G = GranularityType;
    struct Row {
        std::int64_t below;
        G type;
        std::int64_t granularity;
    };
    static constexpr Row rows[] = {
        {11'000, G::Second, 1},      {16'000, G::Second, 2},      {24'000, G::Second, 3},
        {32'000, G::Second, 4},      {40'000, G::Second, 5},      {80'000, G::Second, 10},
        {100'000, G::Second, 15},    {130'000, G::Second, 20},    {195'000, G::Second, 30},
        {260'000, G::Second, 40},    {325'000, G::Second, 50},    {390'000, G::Second, 60},
        {455'000, G::Second, 60},    {520'000, G::Second, 80},    {600'000, G::Second, 90},
        {960'000, G::Minute, 2},     {2'400'000, G::Minute, 5},   {4'800'000, G::Minute, 10},
        {9'600'000, G::Minute, 20},  {14'400'000, G::Minute, 30}, {28'800'000, G::Minute, 60},
    };
    if (spanMs < 0) return {G::Second, 1};
    for (const Row& row : rows)
        if (spanMs < row.below) return {row.type, row.granularity};
    // Longer still: whole hours, about eight ticks.
    const std::int64_t hours = (spanMs + 8 * HOUR_MS - 1) / (8 * HOUR_MS);
    return {G::Minute, 60 * hours};
}

Scale gScale(std::optional<double> largestG)
{
    if (!largestG || !std::isfinite(*largestG) || *largestG <= 0.5) return {0.1, 0.5, 0.1};
    const double g = *largestG;
    double max = 0.0;
    for (double top : {1.0, 1.5, 2.0, 2.5, 3.0})
        if (g <= top) {
            max = top;
            break;
        }
    if (max == 0.0) max = std::ceil(g * 2.0) / 2.0;
    return {0.0, max, max * 0.25};
}

Scale speedScale(std::optional<int> largestSpeed)
{
    double max = 40.0;
    if (largestSpeed && *largestSpeed >= 0 && *largestSpeed <= 200) {
        for (int top : {40, 80, 120, 160, 200})
            if (*largestSpeed <= top) {
                max = top;
                break;
            }
    }
    return {0.0, max, max * 0.25};
}

double XMapping::xForValue(std::int64_t value) const
{
    if (isEmpty() || value <= m_minX) return 0.0;
    const double x = double(value - m_minX) * m_width / double(m_maxX - m_minX);
    return std::min(x, m_width - 0.5);
}

std::int64_t XMapping::valueForX(double position) const
{
    if (isEmpty()) return m_minX;
    const double p = std::isfinite(position) ? std::clamp(position, 0.0, m_width) : 0.0;
    const double range = double(m_maxX - m_minX);
    // Rounded up, less a hair so that the position of a value maps back to it.
    const double offset = std::ceil(p / m_width * range - 1e-6);
    return m_minX + std::int64_t(std::clamp(offset, 0.0, range));
}

QList<Tick> XMapping::ticks(const XGranularity& g) const
{
    const std::int64_t step = g.stepMs();
    const double divisor = double(std::int64_t(g.type));
    QList<Tick> out;
    if (step <= 0) return out;
    if (isEmpty()) {
        out.append({0.0, double(m_minX) / divisor});
        return out;
    }
    for (std::int64_t k = 0; k < MAX_TICKS; ++k) {
        const std::int64_t v = m_minX + k * step;
        if (v > m_maxX || v < m_minX) break;
        out.append({xForValue(v), double(v) / divisor});
    }
    return out;
}

double yForValue(double value, const Scale& scale, double height)
{
    if (!(scale.min < scale.max) || !(scale.min < value)) return 0.0;
    return height * (value - scale.min) / (scale.max - scale.min);
}

QList<Tick> yTicks(const Scale& scale, double height)
{
    QList<Tick> out;
    const double step = scale.step;
    if (step == 0.0 || !std::isfinite(step) || !std::isfinite(scale.min) || !std::isfinite(scale.max)) return out;
    // A hair inside the limit, so that max itself ends the list when the
    // steps land on it (0.1 .. 0.5 by 0.1 is five ticks, not six).
    const double limit = scale.max + step - step * 1e-9;
    for (int k = 0; k < MAX_TICKS; ++k) {
        // Each value afresh, so that no rounding error piles up.
        const double v = std::fma(double(k), step, scale.min);
        if (step > 0 ? !(v < limit) : !(v > limit)) break;
        double position = 0.0;
        if (scale.max != scale.min) position = height * (v - scale.min) / (scale.max - scale.min);
        out.append({std::min(position, height - 0.5), v});
    }
    return out;
}

QString xTickText(double value)
{
    return std::isfinite(value) ? QString::number(qint64(std::trunc(value))) : QString();
}

QString speedTickText(double value)
{
    return xTickText(value);
}

QString gTickText(double value)
{
    if (!std::isfinite(value)) return QStringLiteral("+-.--");
    // Two decimals, halves rounded up (0.375 reads +0.38).
    const double rounded = std::floor(value * 100.0 + 0.5) / 100.0;
    return QStringLiteral("+") + QString::number(rounded, 'f', 2);
}

QList<QPointF> reduceToColumns(const QList<QPointF>& points)
{
    if (points.size() <= 4) return points;
    QList<QPointF> out;
    out.reserve(std::min<qsizetype>(points.size(), 4 * 2048));
    qsizetype begin = 0;
    while (begin < points.size()) {
        const double column = std::floor(points[begin].x());
        qsizetype end = begin + 1;
        qsizetype low = begin;
        qsizetype high = begin;
        while (end < points.size() && std::floor(points[end].x()) == column) {
            if (points[end].y() < points[low].y()) low = end;
            if (points[end].y() > points[high].y()) high = end;
            ++end;
        }
        const qsizetype last = end - 1;
        // The four kept points in the order they were drawn.
        qsizetype keep[4] = {begin, std::min(low, high), std::max(low, high), last};
        qsizetype previous = -1;
        for (qsizetype k : keep) {
            if (k == previous) continue;
            out.append(points[k]);
            previous = k;
        }
        begin = end;
    }
    return out;
}

std::vector<ColoredRun> seriesRuns(const std::vector<SeriesPoint>& points, const XMapping& x, const Scale& scale,
                                   double height)
{
    std::vector<ColoredRun> runs;
    if (points.empty()) return runs;
    const auto at = [&](const SeriesPoint& p) { return QPointF(x.xForValue(p.x), yForValue(p.y, scale, height)); };
    ColoredRun run{points.front().color, {at(points.front())}};
    for (size_t i = 1; i < points.size(); ++i) {
        const QPointF point = at(points[i]);
        if (points[i].color != run.color) {
            const QPointF joint = run.points.last();
            if (run.points.size() > 1) {
                run.points = reduceToColumns(run.points);
                runs.push_back(std::move(run));
            }
            run = ColoredRun{points[i].color, {joint}};
        }
        run.points.append(point);
    }
    if (run.points.size() > 1) {
        run.points = reduceToColumns(run.points);
        runs.push_back(std::move(run));
    }
    return runs;
}

double eventLabelX(double eventX, double textWidth, const std::optional<QRectF>& startLabel,
                   const std::optional<QRectF>& endLabel, double viewWidth)
{
    // A start label that was not drawn still keeps the text 5 units in.
    double x = std::max(eventX - textWidth / 2.0, (startLabel ? startLabel->right() : 0.0) + 5.0);
    if (endLabel) x = std::min(x, endLabel->left() - textWidth - 5.0);
    return std::clamp(x, 0.0, std::max(0.0, viewWidth - textWidth));
}

} // namespace GraphScales
