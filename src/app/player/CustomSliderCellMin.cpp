#include "app/player/CustomSliderCellMin.h"

#include "core/player/PlaybackAdjust.h"
#include "app/player/PlayerImages.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {
constexpr double BAR_HEIGHT = 4.0;
constexpr double KNOB_SIZE = 10.0;
} // namespace

CustomSliderCellMin::CustomSliderCellMin(const QString& identifier, QWidget* parent) : QWidget(parent)
{
    m_barImage = PlayerImages::image(QStringLiteral("trackbar_back"));
    m_barActiveImage = PlayerImages::image(QStringLiteral("trackbar_active"));
    m_barOffImage = PlayerImages::image(QStringLiteral("trackbar_off"));
    m_knobImage = PlayerImages::image(QStringLiteral("trackbar_thumb_min"));
    setFocusPolicy(Qt::StrongFocus);
    setIdentifier(identifier);
}

CustomSliderCellMin::~CustomSliderCellMin()
{
    // The label lives in the window, which may outlast the slider.
    delete m_valLabel.data();
}

void CustomSliderCellMin::setIdentifier(const QString& identifier)
{
    m_identifier = identifier;
    if (identifier == bri)
        setToolTip(tr("Adjust brightness"));
    else if (identifier == vol)
        setToolTip(tr("Volume control"));
    else if (identifier == sp)
        setToolTip(tr("Play back speed"));
    else
        setToolTip(QString());
}

void CustomSliderCellMin::setRange(double minimum, double maximum)
{
    if (!(maximum > minimum))
        maximum = minimum;
    m_min = minimum;
    m_max = maximum;
    m_value = std::clamp(m_value, m_min, m_max);
    update();
}

void CustomSliderCellMin::setDoubleValue(double value)
{
    if (std::isnan(value))
        return;
    m_value = std::clamp(value, m_min, m_max);
    update();
}

int CustomSliderCellMin::integerValue() const
{
    return static_cast<int>(std::lround(m_value));
}

QRectF CustomSliderCellMin::barRect() const
{
    const double h = m_barOffImage.isNull() ? BAR_HEIGHT : m_barOffImage.deviceIndependentSize().height();
    return {2.0, (BAND_HEIGHT - h) / 2.0, std::max(0.0, width() - 4.0), h};
}

QRectF CustomSliderCellMin::knobRect() const
{
    const QSizeF k = m_knobImage.isNull() ? QSizeF(KNOB_SIZE, KNOB_SIZE) : m_knobImage.deviceIndependentSize();
    const double span = m_max - m_min;
    const double share = span > 0.0 ? (m_value - m_min) / span : 0.0;
    const double travel = std::max(0.0, width() - 4.0 - k.width());
    return {2.0 + travel * share, (BAND_HEIGHT - k.height()) / 2.0, k.width(), k.height()};
}

double CustomSliderCellMin::filledWidth() const
{
    const double span = m_max - m_min;
    if (span <= 0.0)
        return 0.0;
    return std::max(0.0, (width() - 8.0) * (m_value - m_min) / span);
}

QString CustomSliderCellMin::valueText() const
{
    if (m_identifier == bri)
        return PlaybackAdjust::brightnessValueText(m_value);
    if (m_identifier == vol)
        return PlaybackAdjust::volumeValueText(m_value);
    return {};
}

void CustomSliderCellMin::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_mouseTrackingArea = QRectF(0.0, 0.0, width(), BAND_HEIGHT);
    if (!m_barImage.isNull())
        painter.drawPixmap(m_mouseTrackingArea, m_barImage, QRectF(m_barImage.rect()));

    const QRectF bar = barRect();
    const QRectF filled(bar.x(), bar.y(), filledWidth(), bar.height());
    if (!m_barOffImage.isNull())
        painter.drawPixmap(bar, m_barOffImage, QRectF(m_barOffImage.rect()));
    else
        painter.fillRect(bar, QColor(74, 74, 74));
    if (filled.width() > 0.0) {
        if (!m_barActiveImage.isNull())
            painter.drawPixmap(filled, m_barActiveImage, QRectF(m_barActiveImage.rect()));
        else
            painter.fillRect(filled, QColor(95, 200, 255));
    }

    const QRectF knob = knobRect();
    if (!m_knobImage.isNull()) {
        painter.drawPixmap(knob, m_knobImage, QRectF(m_knobImage.rect()));
    } else {
        painter.setBrush(QColor(232, 232, 232));
        painter.setPen(QColor(138, 138, 138));
        painter.drawEllipse(knob.adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

double CustomSliderCellMin::valueAt(double x) const
{
    const double k = knobRect().width();
    const double travel = width() - 4.0 - k;
    const double share = travel > 0.0 ? std::clamp((x - 2.0 - k / 2.0) / travel, 0.0, 1.0) : 0.0;
    return m_min + share * (m_max - m_min);
}

double CustomSliderCellMin::snapped(double value) const
{
    if (!m_tickValuesOnly || m_ticks < 2 || m_max <= m_min)
        return value;
    const double step = (m_max - m_min) / (m_ticks - 1);
    return m_min + std::round((value - m_min) / step) * step;
}

void CustomSliderCellMin::userSetValue(double value)
{
    const double next = std::clamp(snapped(value), m_min, m_max);
    m_value = next;
    update();
    Q_EMIT valueChanged(m_value);
}

void CustomSliderCellMin::showValueLabel()
{
    if (!hasValueLabel()) {
        if (m_valLabel && m_valLabel->isVisible())
            m_valLabel->hide();
        return;
    }
    // The label floats in the window, not in the slider's row: a row only
    // as high as its buttons would cut it down to a sliver.
    QWidget* host = window();
    if (host == this)
        return;
    if (m_valLabel && m_valLabel->parentWidget() != host)
        m_valLabel->setParent(host);
    if (!m_valLabel) {
        m_valLabel = new QLabel(host);
        QFont font = m_valLabel->font();
        font.setPixelSize(10);
        m_valLabel->setFont(font);
        m_valLabel->setAutoFillBackground(true);
        QPalette palette = m_valLabel->palette();
        // Light gray: two thirds white.
        palette.setColor(QPalette::Window, QColor(170, 170, 170));
        palette.setColor(QPalette::WindowText, Qt::black);
        m_valLabel->setPalette(palette);
        m_valLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    m_valLabel->setText(valueText());
    m_valLabel->adjustSize();
    placeValueLabel();
    m_valLabel->show();
    m_valLabel->raise();
}

void CustomSliderCellMin::placeValueLabel()
{
    // Directly above the slider's left end; below it when the window has no
    // room above, and never past the window's right edge.
    QWidget* host = m_valLabel->parentWidget();
    const QPoint topLeft = mapTo(host, QPoint(0, 0));
    const QSize size = m_valLabel->size();
    int y = topLeft.y() - size.height();
    if (y < 0)
        y = topLeft.y() + height();
    const int x = std::clamp(topLeft.x(), 0, std::max(0, host->width() - size.width()));
    m_valLabel->move(x, y);
    m_valLabel->raise();
}

void CustomSliderCellMin::mousePressEvent(QMouseEvent* event)
{
    m_mouseTrackingArea = QRectF(0.0, 0.0, width(), BAND_HEIGHT);
    if (event->button() != Qt::LeftButton || !m_mouseTrackingArea.contains(event->position())) {
        event->ignore();
        return;
    }
    m_tracking = true;
    userSetValue(valueAt(event->position().x()));
    showValueLabel();
    event->accept();
}

void CustomSliderCellMin::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_tracking) {
        event->ignore();
        return;
    }
    userSetValue(valueAt(event->position().x()));
    if (hasValueLabel() && m_valLabel && m_valLabel->isVisible()) {
        m_valLabel->setText(valueText());
        m_valLabel->adjustSize();
        placeValueLabel();
    }
    event->accept();
}

void CustomSliderCellMin::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_tracking) {
        event->ignore();
        return;
    }
    m_tracking = false;
    if (m_valLabel && m_valLabel->isVisible())
        m_valLabel->hide();
    event->accept();
}

void CustomSliderCellMin::keyPressEvent(QKeyEvent* event)
{
    const double step = (m_tickValuesOnly && m_ticks >= 2) ? (m_max - m_min) / (m_ticks - 1) : (m_max - m_min) / 20.0;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        userSetValue(m_value - step);
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        userSetValue(m_value + step);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}
