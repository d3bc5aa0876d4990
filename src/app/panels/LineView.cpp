#include "app/panels/LineView.h"

#include "app/panels/GraphView.h"
#include "app/panels/PanelImages.h"
#include "core/panels/DrivingInfoModel.h"

#include <QPaintEvent>
#include <QPainter>

using namespace GraphScales;

namespace {

QFont labelFont()
{
    QFont font;
    font.setPixelSize(PanelImages::TEXT_PIXELS);
    return font;
}

} // namespace

LineView::LineView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("lineChartView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumWidth(GRAPH_OFFSET_LEFT + GRAPH_OFFSET_RIGHT + 80);
    m_graph = new GraphView(this);
    m_graph->setLegend({{tr("Speed"), PanelImages::Colors::speed}, {QStringLiteral("G"), PanelImages::Colors::g}});
    connect(m_graph, &GraphView::selectValueChanged, this, [this](std::int64_t value, CommonConst::MouseStatus status) {
        // The value travels through the chart: the receiver reads it back.
        m_value = std::int32_t(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
        Q_EMIT mouseStatusChanged(status);
    });
    layoutGraphView();
}

void LineView::layoutGraphView()
{
    m_graph->setGeometry(GRAPH_OFFSET_LEFT, GRAPH_OFFSET_TOP,
                         std::max(0, width() - GRAPH_OFFSET_LEFT - GRAPH_OFFSET_RIGHT),
                         std::max(0, height() - GRAPH_OFFSET_TOP - GRAPH_OFFSET_BOTTOM));
}

void LineView::resizeEvent(QResizeEvent* event)
{
    layoutGraphView();
    m_dirty = true;
    QWidget::resizeEvent(event);
}

void LineView::setData(const DrivingInfoModel& model)
{
    GraphView::Series g;
    g.colors = {PanelImages::Colors::g};
    GraphView::Series speed;
    speed.colors = {PanelImages::Colors::speed, PanelImages::Colors::speedGpsOff};
    g.points.reserve(model.samples().size());
    speed.points.reserve(model.samples().size());
    for (const DrivingInfoModel::Sample& s : model.samples()) {
        g.points.push_back({s.offset, s.g, 0});
        speed.points.push_back({s.offset, double(s.speed), s.gpsOn ? 0 : 1});
    }
    g.scale = gScale(model.largestG());
    speed.scale = speedScale(model.largestSpeed());
    // The time axis is the panel's whole window, and the series lie on it
    // where their samples lie: a window whose recordings are not all loaded
    // (or cannot be read) shows its data in their place, with the position
    // line moving on through the gap, never stretched over the whole width.
    m_graph->setXRange(0, model.chartSpan(), xGranularityForSpan(model.chartSpan()));
    m_graph->setLeftSeries(std::move(g));
    m_graph->setRightSeries(std::move(speed));
    m_graph->setBorders({model.accidentLabel().offset});
    m_minLabel = model.minLabel().text;
    m_maxLabel = model.maxLabel().text;
    m_eventLabel = model.accidentLabel().offset >= 0 ? model.accidentLabel().text : QString();
    if (m_value) m_graph->selectValue = *m_value;
    m_graph->updateGraph();
    m_dirty = true;
    update();
}

void LineView::invalidate()
{
    m_dirty = true;
    m_graph->invalidate();
    update();
}

void LineView::setValue(std::int32_t offset)
{
    m_value = offset;
    m_graph->selectValue = offset;
    m_graph->updateGraph();
}

void LineView::renderLabels()
{
    m_dirty = false;
    PanelImages::prepareCanvas(m_labels, size(), devicePixelRatioF(), PanelImages::Colors::background);
    QPainter p(&m_labels);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(labelFont());
    const QFontMetricsF fm(p.font());
    const QRectF graph(m_graph->geometry());
    const double th = fm.height();
    // Text at its baseline: much cheaper than laying it out in a rectangle,
    // and a chapter change redraws all of it.
    const auto put = [&](const QRectF& r, Qt::Alignment align, const QString& text) {
        const double w = fm.horizontalAdvance(text);
        const double x = (align & Qt::AlignRight) ? r.right() - w
                       : (align & Qt::AlignHCenter) ? r.center().x() - w / 2.0
                                                    : r.left();
        p.drawText(QPointF(x, r.center().y() + (fm.ascent() - fm.descent()) / 2.0), text);
    };

    // Every text is white. Window times standing on the graph's top corners,
    // the event's between them.
    p.setPen(PanelImages::Colors::text);
    std::optional<QRectF> start;
    std::optional<QRectF> end;
    m_minRect = m_maxRect = m_eventRect = QRectF();
    if (!m_minLabel.isEmpty()) {
        m_minRect = QRectF(graph.left(), graph.top() - th, fm.horizontalAdvance(m_minLabel), th);
        put(m_minRect, Qt::AlignLeft | Qt::AlignVCenter, m_minLabel);
        start = m_minRect;
    }
    if (!m_maxLabel.isEmpty()) {
        const double tw = fm.horizontalAdvance(m_maxLabel);
        m_maxRect = QRectF(graph.right() - tw, graph.top() - th, tw, th);
        put(m_maxRect, Qt::AlignRight | Qt::AlignVCenter, m_maxLabel);
        end = m_maxRect;
    }
    if (!m_eventLabel.isEmpty()) {
        const QList<double> borders = m_graph->borderPositions();
        const double b = graph.left() + (borders.isEmpty() ? 0.0 : borders.front());
        const double tw = fm.horizontalAdvance(m_eventLabel);
        const double x = eventLabelX(b, tw, start, end, width());
        m_eventRect = QRectF(x, graph.top() - th, tw, th);
        put(m_eventRect, Qt::AlignCenter, m_eventLabel);
    }

    // Time ticks hanging under the graph (none on an axis without a range,
    // whose one tick has no place); G on the left and speed on the right,
    // each text's bottom 5 below its tick.
    const QList<Tick> timeTicks = m_graph->mapping().isEmpty() ? QList<Tick>() : m_graph->xAxisTicks();
    for (const Tick& t : timeTicks) {
        const QString text = xTickText(t.value);
        const double tw = fm.horizontalAdvance(text);
        put(QRectF(graph.left() + t.position - tw / 2.0, graph.bottom(), tw, th), Qt::AlignCenter, text);
    }
    for (const Tick& t : m_graph->yLeftAxisTicks()) {
        const QString text = gTickText(t.value);
        const double y = graph.bottom() - t.position;
        put(QRectF(0.0, y + 5.0 - th, graph.left() - 5.0, th), Qt::AlignRight | Qt::AlignVCenter, text);
    }
    for (const Tick& t : m_graph->yRightAxisTicks()) {
        const QString text = speedTickText(t.value);
        const double y = graph.bottom() - t.position;
        put(QRectF(graph.right(), y + 5.0 - th, GRAPH_OFFSET_RIGHT - 5.0, th), Qt::AlignRight | Qt::AlignVCenter,
            text);
    }

    // The time ticks' unit in the bottom-right corner.
    const QString unit = m_graph->granularity().type == GranularityType::Minute ? LEGEND_MINUTE
                       : m_graph->granularity().type == GranularityType::Second ? LEGEND_SECOND
                                                                                 : QString();
    put(QRectF(0.0, height() - th, width(), th), Qt::AlignRight | Qt::AlignVCenter, unit);
}

void LineView::paintEvent(QPaintEvent* event)
{
    if (m_dirty || m_labels.size() != size() * devicePixelRatioF()) renderLabels();
    QPainter p(this);
    const QRect dirty = event->rect();
    p.drawPixmap(dirty, m_labels, QRectF(QPointF(dirty.topLeft()) * devicePixelRatioF(),
                                         QSizeF(dirty.size()) * devicePixelRatioF()));
}
