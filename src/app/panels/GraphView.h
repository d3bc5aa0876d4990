#pragma once

#include "core/foundation/CommonConst.h"
#include "core/panels/GraphScales.h"

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QWidget>
#include <optional>

// A two-series line graph over one x axis: dotted grid lines at the x ticks
// and the left scale's ticks, white axes on the bottom and left, each series
// as a polyline whose stretches may change colour, red vertical border lines,
// a legend box in the top-left corner, and the yellow selection line. It
// draws no tick texts (its owner does, from the tick lists).
//
// Everything but the selection line is drawn once per change of data or
// size into a picture reduced to the pixel columns it covers, so a window of
// any length costs the same to show and moving the selection line repaints
// only the two strips it leaves and enters.
//
// Pressing, dragging and releasing on the graph reports the x value under
// the pointer with the mouse phase; the line itself moves only when the
// owner sets selectValue and calls updateGraph(). GUI thread only.
class GraphView : public QWidget {
    Q_OBJECT
public:
    // The legend box: its left and top margin, width, row height, and where
    // a row's colour swatch and title go.
    static constexpr double LEGEND_X = 5.0;
    static constexpr double LEGEND_WIDTH = 80.0;
    static constexpr double LEGEND_ROW = 18.0;
    static constexpr double LEGEND_SWATCH_FROM = 10.0;
    static constexpr double LEGEND_SWATCH_TO = 20.0;
    static constexpr double LEGEND_TITLE_X = 30.0;

    struct Series {
        std::vector<GraphScales::SeriesPoint> points; // colour: index into colors
        QList<QColor> colors;
        GraphScales::Scale scale;
    };

    explicit GraphView(QWidget* parent = nullptr);

    // The x axis: [minX, maxX] with ticks every granularity.
    void setXRange(std::int64_t minX, std::int64_t maxX, const GraphScales::XGranularity& granularity);
    void setLeftSeries(Series series);
    void setRightSeries(Series series);
    // x values of the red border lines (negative: none).
    void setBorders(QList<std::int64_t> borders);
    void setLegend(QList<QPair<QString, QColor>> legend);

    std::int64_t selectValue = 0;
    // Places the selection line at selectValue (none while the graph has
    // fewer than two points or no x range).
    void updateGraph();

    GraphScales::XMapping mapping() const;
    const GraphScales::XGranularity& granularity() const { return m_granularity; }
    QList<GraphScales::Tick> xAxisTicks() const;
    QList<GraphScales::Tick> yLeftAxisTicks() const;
    QList<GraphScales::Tick> yRightAxisTicks() const;
    // Positions of the border lines that are drawn.
    QList<double> borderPositions() const;
    std::optional<double> selectionPosition() const { return m_selectionX; }
    const Series& leftSeries() const { return m_left; }
    const Series& rightSeries() const { return m_right; }

    // Drops the drawn picture (the next paint draws everything again).
    void invalidate();

Q_SIGNALS:
    void selectValueChanged(std::int64_t value, CommonConst::MouseStatus status);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void report(double x, CommonConst::MouseStatus status);
    void renderCache();
    void drawSeries(QPainter& p, const Series& series) const;
    bool hasGraph() const;
    QRect stripAt(double x) const;

    std::int64_t m_minX = 0;
    std::int64_t m_maxX = 0;
    GraphScales::XGranularity m_granularity;
    Series m_left;
    Series m_right;
    QList<std::int64_t> m_borders;
    QList<QPair<QString, QColor>> m_legend;
    std::optional<double> m_selectionX;
    QPixmap m_cache;
    bool m_dirty = true;
};
