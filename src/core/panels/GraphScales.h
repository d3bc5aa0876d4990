#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// The line graph's arithmetic: tick tables, scales, the mapping between
// x values and view positions, and the reduction of a series to the pixel
// columns it is drawn into. Positions are in view units with x from the left
// and y from the bottom (the widget flips y when it draws).
namespace GraphScales {

// Milliseconds in one unit of a tick value.
enum class GranularityType : std::int32_t { Second = 1000, Minute = 60000, Default = 1 };

struct XGranularity {
    GranularityType type = GranularityType::Second;
    std::int64_t granularity = 1; // tick step in units of type
    std::int64_t stepMs() const { return granularity * std::int64_t(type); }
    bool operator==(const XGranularity&) const = default;
};

// The x tick step for a window span in ms: steps that keep the number of
// ticks small for any span (up to about a dozen); an empty or negative span
// gets 1-second ticks.
XGranularity xGranularityForSpan(std::int64_t spanMs);

struct Scale {
    double min = 0.0;
    double max = 0.0;
    double step = 0.0; // tick step, a quarter of the range
    bool operator==(const Scale&) const = default;
};
// The G (left) scale from the largest G of the window; none: no G data.
Scale gScale(std::optional<double> largestG);
// The speed (right) scale from the largest speed of the window.
Scale speedScale(std::optional<int> largestSpeed);

struct Tick {
    double position = 0.0;
    double value = 0.0; // in units of the granularity type
};

// The x axis over [minX, maxX] drawn over width units.
class XMapping {
public:
    XMapping() = default;
    XMapping(std::int64_t minX, std::int64_t maxX, double width) : m_minX(minX), m_maxX(maxX), m_width(width) {}

    std::int64_t minX() const { return m_minX; }
    std::int64_t maxX() const { return m_maxX; }
    double width() const { return m_width; }
    // No x range or no width: nothing can be placed on it.
    bool isEmpty() const { return m_maxX <= m_minX || !(m_width > 0.0); }

    // The position of a value: 0 at or left of minX, width - 0.5 at or right
    // of maxX; 0 for an empty axis.
    double xForValue(std::int64_t value) const;
    // The value under a position (held to the view): minX plus the offset,
    // rounded up, never beyond maxX; minX for an empty axis. The inverse of
    // xForValue to within one unit, so a click lands where the line is drawn.
    std::int64_t valueForX(double position) const;

    // Ticks at minX, minX + step, ... up to maxX, values divided by the
    // unit's ms; an empty axis has only minX at 0.
    QList<Tick> ticks(const XGranularity& g) const;

private:
    std::int64_t m_minX = 0;
    std::int64_t m_maxX = 0;
    double m_width = 0.0;
};

// Ticks of a vertical scale over height units: min, min + step, ... while
// below max + step (the last may lie above max), positions capped at
// height - 0.5. A zero or non-finite step gives none.
QList<Tick> yTicks(const Scale& scale, double height);
// The vertical position of a value: 0 at or below min; not capped above max.
double yForValue(double value, const Scale& scale, double height);

// Tick texts: whole numbers for time and speed, "+0.38" for G.
QString xTickText(double value);
QString speedTickText(double value);
QString gTickText(double value);

// One point of a series on the x axis (ms) with its colour index.
struct SeriesPoint {
    std::int64_t x = 0;
    double y = 0.0;
    int color = 0;
};

// A stretch of a series drawn in one colour, in view positions.
struct ColoredRun {
    int color = 0;
    QList<QPointF> points;
};

// The series as stretches of one colour each (a segment takes the colour of
// the point where it ends; every stretch starts where the one before it
// ended), reduced to at most four points per pixel column (first, lowest,
// highest, last), so that drawing costs the same for any number of points.
std::vector<ColoredRun> seriesRuns(const std::vector<SeriesPoint>& points, const XMapping& x, const Scale& scale,
                                   double height);

// Reduces a polyline whose x only grows to the points that show in whole
// pixel columns: first, lowest, highest and last of each column, in order.
QList<QPointF> reduceToColumns(const QList<QPointF>& points);

// Where the event label goes (its left edge): centred on the event line,
// at least 5 units right of the start label (of the view's left edge when
// there is none) and 5 units left of the end label where it was drawn (the
// end label winning), and always inside the view.
double eventLabelX(double eventX, double textWidth, const std::optional<QRectF>& startLabel,
                   const std::optional<QRectF>& endLabel, double viewWidth);

} // namespace GraphScales
