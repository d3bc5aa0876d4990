#include "app/panels/DrivingInfoView.h"

#include "app/panels/CircleChartView.h"
#include "app/panels/LineView.h"
#include "app/panels/PanelImages.h"
#include "app/panels/SpeedMeterView.h"
#include "app/shell/EXTextButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int DISPLAY_SIZE = 168;
constexpr int SIDE_WIDTH = 70;
constexpr QSize TOGGLE_SIZE(62, 28);
constexpr QSize GPS_SIZE(58, 22);
// The speed meter button's title: the largest font that fits this width.
constexpr double TITLE_WIDTH = 57.0;
constexpr int TITLE_FONT_PIXELS = 17;

QWidget* holder(QWidget* parent, QWidget* content, const QString& name)
{
    auto* place = new QWidget(parent);
    place->setObjectName(name);
    place->setFixedWidth(DISPLAY_SIZE);
    auto* layout = new QVBoxLayout(place);
    layout->setContentsMargins(0, 0, 0, 0);
    content->setParent(place);
    layout->addWidget(content);
    return place;
}

} // namespace

DrivingInfoView::DrivingInfoView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("drivingInfoView"));
    setFixedHeight(PANEL_HEIGHT);
    setAttribute(Qt::WA_OpaquePaintEvent);

    lineChartView = new LineView(this);
    speedMeterView = new SpeedMeterView(this);
    circleChartView = new CircleChartView(this);
    speedMeter = holder(this, speedMeterView, QStringLiteral("speedMeter"));
    circleChart = holder(this, circleChartView, QStringLiteral("circleChart"));

    auto* side = new QWidget(this);
    side->setObjectName(QStringLiteral("drivingInfoButtons"));
    side->setFixedWidth(SIDE_WIDTH);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(4, 8, 4, 10);
    sideLayout->setSpacing(8);
    gpsImage = new QLabel(side);
    gpsImage->setObjectName(QStringLiteral("gpsImage"));
    gpsImage->setFixedSize(GPS_SIZE);
    gpsImage->setPixmap(PanelImages::image(QStringLiteral("parts_gps_off"), GPS_SIZE));
    gpsImage->setToolTip(tr("GPS"));
    speedMeterButton = makeToggle(QStringLiteral("speed"), tr("Speed"), tr("Show the speed meter"));
    circleChartButton = makeToggle(QStringLiteral("g"), QStringLiteral("G"), tr("Show the G-force chart"));
    sideLayout->addWidget(gpsImage, 0, Qt::AlignHCenter);
    sideLayout->addStretch(1);
    sideLayout->addWidget(speedMeterButton, 0, Qt::AlignHCenter);
    sideLayout->addWidget(circleChartButton, 0, Qt::AlignHCenter);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(1);
    layout->addWidget(lineChartView, 1);
    layout->addWidget(speedMeter, 0);
    layout->addWidget(circleChart, 0);
    layout->addWidget(side, 0);

    connect(speedMeterButton, &QAbstractButton::clicked, this, [this] {
        Q_EMIT drivingInfoDisplayChanged(DISPLAY_SPEED_METER);
        updateLayout(false);
    });
    connect(circleChartButton, &QAbstractButton::clicked, this, [this] {
        Q_EMIT drivingInfoDisplayChanged(DISPLAY_CIRCLE_CHART);
        updateLayout(false);
    });
    connect(lineChartView, &LineView::mouseStatusChanged, this, &DrivingInfoView::graphMouseStatusChanged);
}

EXTextButton* DrivingInfoView::makeToggle(const QString& id, const QString& title, const QString& tip)
{
    auto* button = new EXTextButton(this);
    button->setObjectName(id);
    button->setCheckable(true);
    button->setChecked(true);
    button->setText(title);
    button->setToolTip(tip);
    button->setFixedSize(TOGGLE_SIZE);
    button->setTitleColor(Qt::white);
    button->setImage(PanelImages::image(QStringLiteral("toggle_off"), TOGGLE_SIZE));
    button->setAlternateImage(PanelImages::image(QStringLiteral("toggle_on"), TOGGLE_SIZE));
    return button;
}

void DrivingInfoView::setSpeedMeterState(bool on)
{
    speedMeterButton->setChecked(on);
    speedMeter->setVisible(on);
}

void DrivingInfoView::setCircleChartState(bool on)
{
    circleChartButton->setChecked(on);
    circleChart->setVisible(on);
}

void DrivingInfoView::setupBorder()
{
    m_border = true;
    setupButtonTitles();
    updateLayout(true);
    update();
}

void DrivingInfoView::setupButtonTitles()
{
    // Only the speed meter's button: its title in white Arial, right-aligned,
    // a point smaller at a time until it fits.
    QFont font = speedMeterButton->font();
    font.setFamily(QStringLiteral("Arial"));
    for (int pixels = TITLE_FONT_PIXELS; pixels > 1; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetricsF(font).horizontalAdvance(speedMeterButton->text()) <= TITLE_WIDTH) break;
    }
    speedMeterButton->setFont(font);
    speedMeterButton->setTitleColor(Qt::white);
    speedMeterButton->setTitleAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void DrivingInfoView::setChapterList(const ChapterList& chapters)
{
    m_model.setChapterList(chapters);
    updateLayout(true);
}

void DrivingInfoView::setAccident(bool surveillance, const ChapterWindow& window)
{
    m_model.setAccident(surveillance, window);
    updateLayout(true);
}

void DrivingInfoView::setValue(std::int32_t value)
{
    if (m_model.setValue(value)) lineChartView->setData(m_model);
    lineChartView->setValue(m_model.chartValue());
}

void DrivingInfoView::chapterDidLoad(const std::shared_ptr<ChapterData>& chapter)
{
    if (m_model.chapterDidLoad(chapter)) lineChartView->setData(m_model);
    circleChartView->chapterDidLoad(chapter);
}

void DrivingInfoView::updateLayout(bool refresh)
{
    // A hidden panel hides its displays with it.
    speedMeter->setVisible(speedMeterButton->isChecked());
    circleChart->setVisible(circleChartButton->isChecked());
    // The selection line keeps its offset until the next position moves it.
    if (refresh) lineChartView->setData(m_model);
}

void DrivingInfoView::setGpsImage(bool gpsOn)
{
    if (gpsOn == m_gpsOn && !gpsImage->pixmap().isNull()) return;
    m_gpsOn = gpsOn;
    gpsImage->setPixmap(PanelImages::image(gpsOn ? QStringLiteral("parts_gps_on") : QStringLiteral("parts_gps_off"),
                                           GPS_SIZE));
}

void DrivingInfoView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // The 1-pixel gaps between the displays read as thin separators.
    p.fillRect(rect(), QColor(44, 46, 50));
    if (m_border) {
        p.setPen(PanelImages::Colors::frame);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}
