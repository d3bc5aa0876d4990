#include "app/panels/GraphView.h"

#include "app/panels/PanelImages.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

using CommonConst::MouseStatus;
using namespace GraphScales;

GraphView::GraphView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("graphView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_left.scale = gScale(std::nullopt);
    m_right.scale = speedScale(std::nullopt);
}

void GraphView::invalidate()
{
    m_dirty = true;
    update();
}

void GraphView::setXRange(std::int64_t minX, std::int64_t maxX, const XGranularity& granularity)
{
    m_minX = minX;
    m_maxX = maxX;
    m_granularity = granularity;
    invalidate();
}

void GraphView::setLeftSeries(Series series)
{
    m_left = std::move(series);
    invalidate();
}

void GraphView::setRightSeries(Series series)
{
    m_right = std::move(series);
    invalidate();
}

void GraphView::setBorders(QList<std::int64_t> borders)
{
    m_borders = std::move(borders);
    invalidate();
}

void GraphView::setLegend(QList<QPair<QString, QColor>> legend)
{
    m_legend = std::move(legend);
    invalidate();
}

XMapping GraphView::mapping() const
{
    return XMapping(m_minX, m_maxX, width());
}

bool GraphView::hasGraph() const
{
    return m_left.points.size() >= 2 && !mapping().isEmpty();
}

QList<Tick> GraphView::xAxisTicks() const
{
    return mapping().ticks(m_granularity);
}

QList<Tick> GraphView::yLeftAxisTicks() const
{
    return yTicks(m_left.scale, height());
}

QList<Tick> GraphView::yRightAxisTicks() const
{
    return yTicks(m_right.scale, height());
}

QList<double> GraphView::borderPositions() const
{
    QList<double> out;
    if (!hasGraph()) return out;
    const XMapping x = mapping();
    for (std::int64_t b : m_borders)
        if (b >= 0) out.append(x.xForValue(b));
    return out;
}

QRect GraphView::stripAt(double x) const
{
    return QRect(int(std::floor(x)) - 2, 0, 5, height());
}

void GraphView::updateGraph()
{
    std::optional<double> x;
    if (hasGraph()) x = mapping().xForValue(selectValue);
    if (x == m_selectionX) return;
    if (m_selectionX) update(stripAt(*m_selectionX));
    if (x) update(stripAt(*x));
    m_selectionX = x;
}

void GraphView::resizeEvent(QResizeEvent* event)
{
    m_dirty = true;
    QWidget::resizeEvent(event);
    // The line keeps its value; its place follows the new width.
    m_selectionX.reset();
    if (hasGraph()) m_selectionX = mapping().xForValue(selectValue);
}

void GraphView::drawSeries(QPainter& p, const Series& series) const
{
    if (series.points.empty()) return;
    const double h = height();
    for (const ColoredRun& run : seriesRuns(series.points, mapping(), series.scale, h)) {
        const QColor color = series.colors.value(run.color, Qt::white);
        // A one-pixel pen takes the raster engine's fast line path; a wider
        // one strokes every zigzag of a dense window as a shape of its own.
        p.setPen(QPen(color, 1.0));
        QPolygonF line;
        line.reserve(run.points.size());
        // The arithmetic counts y upwards from the bottom.
        for (const QPointF& pt : run.points) line.append(QPointF(pt.x(), h - pt.y()));
        p.drawPolyline(line);
    }
}

void GraphView::renderCache()
{
    m_dirty = false;
    PanelImages::prepareCanvas(m_cache, size(), devicePixelRatioF(), PanelImages::Colors::background);
    QPainter p(&m_cache);
    // Lines are drawn hard, on whole pixels; only the legend is smoothed.
    p.setRenderHint(QPainter::Antialiasing, false);
    const double w = width();
    const double h = height();

    // Grid: the thinnest hard line there is (half a point drawn without
    // smoothing fills one device pixel), one pixel on and one off, at the x
    // ticks and the left scale's ticks. A thinner pen would be drawn faint
    // instead; a cosmetic pen counts its dashes in device pixels.
    QPen grid(PanelImages::Colors::grid, 0.0);
    grid.setCosmetic(true);
    grid.setDashPattern({1.0, 1.0});
    grid.setDashOffset(0.0);
    grid.setCapStyle(Qt::FlatCap);
    p.setPen(grid);
    if (hasGraph())
        for (const Tick& t : xAxisTicks())
            if (t.position > 0.0) p.drawLine(QPointF(std::floor(t.position) + 0.5, 0.0), QPointF(std::floor(t.position) + 0.5, h));
    for (const Tick& t : yLeftAxisTicks())
        if (t.position > 0.0) {
            const double y = std::floor(h - t.position) + 0.5;
            p.drawLine(QPointF(0.0, y), QPointF(w, y));
        }

    // Axes.
    p.setPen(QPen(Qt::white, 1.0));
    p.drawLine(QPointF(0.0, h - 0.5), QPointF(w, h - 0.5));
    p.drawLine(QPointF(0.5, 0.0), QPointF(0.5, h));

    // Series: G on the left scale, speed on the right.
    p.save();
    p.setClipRect(QRectF(0, 0, w, h));
    drawSeries(p, m_left);
    drawSeries(p, m_right);
    p.restore();

    // Border lines (the event's moment).
    p.setPen(QPen(PanelImages::Colors::eventLine, 1.0));
    for (double x : borderPositions()) p.drawLine(QPointF(std::floor(x) + 0.5, 0.0), QPointF(std::floor(x) + 0.5, h));

    // Legend: a half-black box in the top-left corner, first entry on top.
    if (!m_legend.isEmpty()) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        const QRectF box(LEGEND_X, LEGEND_X, LEGEND_WIDTH, LEGEND_ROW * double(m_legend.size()));
        p.fillRect(box, QColor(0, 0, 0, 128));
        QFont font;
        font.setPixelSize(PanelImages::TEXT_PIXELS);
        p.setFont(font);
        for (qsizetype i = 0; i < m_legend.size(); ++i) {
            const double y = box.top() + LEGEND_ROW * double(i);
            p.setPen(QPen(m_legend[i].second, 2.0, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(LEGEND_SWATCH_FROM, y + LEGEND_ROW / 2.0), QPointF(LEGEND_SWATCH_TO, y + LEGEND_ROW / 2.0));
            p.setPen(PanelImages::Colors::text);
            p.drawText(QRectF(LEGEND_TITLE_X, y, LEGEND_WIDTH, LEGEND_ROW), Qt::AlignLeft | Qt::AlignVCenter,
                       m_legend[i].first);
        }
    }
}

void GraphView::paintEvent(QPaintEvent* event)
{
    if (m_dirty || m_cache.size() != size() * devicePixelRatioF()) renderCache();
    QPainter p(this);
    const QRect dirty = event->rect();
    p.drawPixmap(dirty, m_cache, QRectF(QPointF(dirty.topLeft()) * devicePixelRatioF(),
                                        QSizeF(dirty.size()) * devicePixelRatioF()));
    if (m_selectionX) {
        const double x = std::floor(*m_selectionX) + 0.5;
        p.setPen(QPen(PanelImages::Colors::selection, 1.0));
        p.drawLine(QPointF(x, 0.0), QPointF(x, height()));
    }
}

void GraphView::report(double x, MouseStatus status)
{
    const double clamped = std::isfinite(x) ? std::clamp(x, 0.0, double(width())) : 0.0;
    Q_EMIT selectValueChanged(mapping().valueForX(clamped), status);
}

void GraphView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        qDebug("GraphView mouseDown");
        report(event->position().x(), MouseStatus::MouseDown);
    }
    QWidget::mousePressEvent(event);
}

void GraphView::mouseMoveEvent(QMouseEvent* event)
{
    const bool dragged = event->buttons() & Qt::LeftButton;
    if (dragged) {
        qDebug("GraphView mouseDraggead start");
        report(event->position().x(), MouseStatus::MouseDragged);
    }
    QWidget::mouseMoveEvent(event);
    if (dragged) qDebug("GraphView mouseDraggead end");
}

void GraphView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        qDebug("GraphView mouseUp");
        report(event->position().x(), MouseStatus::MouseUp);
    }
    QWidget::mouseReleaseEvent(event);
}
