#pragma once

#include "core/catalog/CardData.h"
#include "core/foundation/CommonConst.h"
#include "core/panels/DrivingInfoModel.h"

#include <QWidget>

class CircleChartView;
class EXTextButton;
class LineView;
class QLabel;
class SpeedMeterView;

// The driving-data panel under the video: from left to right the speed and
// G chart, the speed meter, the G-force circle chart, the GPS state and the
// two buttons that show or hide the meter and the circle chart (the chart
// takes the width they leave).
//
// The panel's own work is the chart: its window follows the play list and
// the position; the meter, the circle chart and the GPS picture are fed by
// the main window. GUI thread only.
class DrivingInfoView : public QWidget {
    Q_OBJECT
public:
    static constexpr int PANEL_HEIGHT = 175;
    static constexpr int DISPLAY_SPEED_METER = 0;
    static constexpr int DISPLAY_CIRCLE_CHART = 1;

    explicit DrivingInfoView(QWidget* parent = nullptr);

    // The toggle buttons' states, and the displays shown or hidden by them.
    void setSpeedMeterState(bool on);
    void setCircleChartState(bool on);
    // The frame, the buttons' titles, and the chart drawn once.
    void setupBorder();
    void setupButtonTitles();

    // A trip's or adventure recording's chapters (empty: the panel is emptied).
    void setChapterList(const ChapterList& chapters);
    // An event's or surveillance detection's window.
    void setAccident(bool surveillance, const ChapterWindow& window);
    // The playback position: the selection line, and the window when the
    // position left it.
    void setValue(std::int32_t value);
    std::int32_t value() const { return m_model.value(); }
    // Moves the panel's position without touching the chart (the main
    // window writes the dragged position back).
    void setPositionOnly(std::int32_t value) { m_model.setPositionOnly(value); }
    // A chapter's recording was loaded by the catalogue's worker.
    void chapterDidLoad(const std::shared_ptr<ChapterData>& chapter);
    // Shows and hides the displays by their buttons; with refresh the chart
    // is drawn from the model again.
    void updateLayout(bool refresh);

    void setGpsImage(bool gpsOn);
    bool gpsImageOn() const { return m_gpsOn; }

    const DrivingInfoModel& model() const { return m_model; }
    DrivingInfoModel& model() { return m_model; }

    LineView* lineChartView = nullptr;
    SpeedMeterView* speedMeterView = nullptr;
    CircleChartView* circleChartView = nullptr;
    QLabel* gpsImage = nullptr;
    EXTextButton* speedMeterButton = nullptr;
    EXTextButton* circleChartButton = nullptr;
    QWidget* speedMeter = nullptr;  // the meter's place
    QWidget* circleChart = nullptr; // the circle chart's place

Q_SIGNALS:
    // A display's button was pressed (its state is already the new one).
    void drivingInfoDisplayChanged(int display);
    // A mouse phase on the chart; the offset is the line chart's value().
    void graphMouseStatusChanged(CommonConst::MouseStatus status);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    EXTextButton* makeToggle(const QString& id, const QString& title, const QString& tip);

    DrivingInfoModel m_model;
    bool m_gpsOn = false;
    bool m_border = false;
};
