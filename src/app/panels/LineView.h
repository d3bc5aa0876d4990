#pragma once

#include "core/foundation/CommonConst.h"

#include <QPixmap>
#include <QWidget>
#include <optional>

class DrivingInfoModel;
class GraphView;

// The speed and G chart of the driving-data panel: the graph inside fixed
// margins, the window's start and end times above it (and the event's
// time over its red line), the tick values on three sides, the unit of the
// time ticks and a legend. The user presses and drags on the graph to
// choose a moment; the chart remembers the offset and tells its owner the
// mouse phase. GUI thread only.
class LineView : public QWidget {
    Q_OBJECT
public:
    static constexpr int GRAPH_OFFSET_LEFT = 40;
    static constexpr int GRAPH_OFFSET_RIGHT = 30;
    static constexpr int GRAPH_OFFSET_TOP = 20;
    static constexpr int GRAPH_OFFSET_BOTTOM = 20;
    static inline const QString LEGEND_SECOND = QStringLiteral("[s]");
    static inline const QString LEGEND_MINUTE = QStringLiteral("[m]");

    explicit LineView(QWidget* parent = nullptr);

    GraphView* graphView() const { return m_graph; }

    // The chart of the panel's window: series, scales, ticks and labels.
    void setData(const DrivingInfoModel& model);
    // The selected offset in ms from the window start (moves the line).
    void setValue(std::int32_t offset);
    std::optional<std::int32_t> value() const { return m_value; }
    // Drops the drawn texts and graph (the next paint draws everything again).
    void invalidate();

    // The texts as drawn (tests check that they stay inside the chart).
    QRectF minLabelRect() const { return m_minRect; }
    QRectF maxLabelRect() const { return m_maxRect; }
    QRectF eventLabelRect() const { return m_eventRect; }
    QString minLabel() const { return m_minLabel; }
    QString maxLabel() const { return m_maxLabel; }
    QString eventLabel() const { return m_eventLabel; }

Q_SIGNALS:
    // A press, drag step or release on the graph; value() already holds its offset.
    void mouseStatusChanged(CommonConst::MouseStatus status);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutGraphView();
    void renderLabels();

    GraphView* m_graph = nullptr;
    std::optional<std::int32_t> m_value;
    QString m_minLabel;
    QString m_maxLabel;
    QString m_eventLabel;
    QRectF m_minRect;
    QRectF m_maxRect;
    QRectF m_eventRect;
    QPixmap m_labels;
    bool m_dirty = true;
};
