#include "app/panels/SpeedMeterView.h"

#include "app/panels/PanelImages.h"
#include "core/panels/SpeedUnit.h"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <cmath>

namespace {

// A point at radius r and angle a (radians, counter-clockwise from upright).
QPointF polar(const QPointF& c, double r, double a)
{
    return {c.x() - r * std::sin(a), c.y() - r * std::cos(a)};
}

double toDegrees(double radians)
{
    return radians * 180.0 / std::numbers::pi;
}

} // namespace

SpeedMeterView::SpeedMeterView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("speedMeterView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_needleAnimation = new QVariantAnimation(this);
    m_needleAnimation->setObjectName(QStringLiteral("needleAnimation"));
    m_needleAnimation->setEasingCurve(QEasingCurve::Linear);
    connect(m_needleAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_needle = v.toDouble();
        update();
    });
    m_readoutAnimation = new QVariantAnimation(this);
    m_readoutAnimation->setObjectName(QStringLiteral("readoutAnimation"));
    m_readoutAnimation->setEasingCurve(QEasingCurve::Linear);
    connect(m_readoutAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        if (m_readouts.empty()) return;
        // The pictures share the time evenly; the last one stays.
        const auto n = qsizetype(m_readouts.size());
        const qsizetype i = std::clamp<qsizetype>(qsizetype(std::floor(v.toDouble() * double(n))), 0, n - 1);
        if (m_readout == m_readouts[size_t(i)]) return;
        m_readout = m_readouts[size_t(i)];
        update();
    });
    resetSpeed();
}

void SpeedMeterView::setSpeed(const SpeedMeterModel::Frame& frame, bool animated,
                              const SpeedMeterModel::DurationTable& table)
{
    apply(m_model.setSpeed(frame, animated, table));
}

void SpeedMeterView::resetSpeed()
{
    apply(m_model.resetSpeed());
}

void SpeedMeterView::apply(const SpeedMeterStep& step)
{
    const bool changed = m_gpsOn != step.gpsOn || m_unit != step.unit;
    m_gpsOn = step.gpsOn;
    m_unit = step.unit;
    if (step.needleMoves) {
        // Each movement replaces the one under way: after a jump (a pause,
        // a seek) the needle stands where it was sent.
        m_needleAnimation->stop();
        const int ms = int(std::lround(step.needleSeconds * 1000.0));
        if (ms > 0) {
            m_needleAnimation->setStartValue(step.needleFrom);
            m_needleAnimation->setEndValue(step.needleTo);
            m_needleAnimation->setDuration(ms);
            m_needle = step.needleFrom;
            m_needleAnimation->start();
            update();
        } else if (m_needle != step.needleTo) {
            m_needle = step.needleTo;
            update();
        }
    }
    if (!step.readouts.empty()) {
        m_readoutAnimation->stop();
        m_readouts = step.readouts;
        const int ms = int(std::lround(step.readoutSeconds * 1000.0));
        if (ms > 0 && m_readouts.size() > 1) {
            m_readoutAnimation->setStartValue(0.0);
            m_readoutAnimation->setEndValue(1.0);
            m_readoutAnimation->setDuration(ms);
            m_readoutAnimation->start();
            m_readout = m_readouts.front();
            update();
        } else if (m_readout != m_readouts.back()) {
            m_readout = m_readouts.back();
            update();
        }
    }
    if (changed) update();
}

QRectF SpeedMeterView::meterRect() const
{
    const double side = std::min(width(), height());
    return {(width() - side) / 2.0, (height() - side) / 2.0, side, side};
}

QRectF SpeedMeterView::digitStack() const
{
    // Three digits side by side, centred, 5 up from the meter's bottom.
    const QRectF box = meterRect();
    const double R = box.width() / 2.0;
    const double cellW = R * 0.16;
    const double cellH = R * 0.27;
    return {box.center().x() - 1.5 * cellW, box.bottom() - 5.0 - cellH, 3.0 * cellW, cellH};
}

void SpeedMeterView::resizeEvent(QResizeEvent* event)
{
    m_dial = QPixmap();
    QWidget::resizeEvent(event);
}

const QPixmap& SpeedMeterView::dial()
{
    if (!m_dial.isNull() && m_dialUnit == m_unit) return m_dial;
    m_dialUnit = m_unit;
    PanelImages::prepareCanvas(m_dial, size(), devicePixelRatioF(), PanelImages::Colors::background);
    QPainter p(&m_dial);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF box = meterRect();
    const QPointF c = box.center();
    const double R = box.width() / 2.0;

    // Bezel and face.
    QRadialGradient bezel(c, R);
    bezel.setColorAt(0.86, QColor(70, 75, 83));
    bezel.setColorAt(0.93, QColor(36, 39, 44));
    bezel.setColorAt(1.0, QColor(18, 20, 23));
    p.setPen(Qt::NoPen);
    p.setBrush(bezel);
    p.drawEllipse(c, R - 1.0, R - 1.0);
    QRadialGradient face(c - QPointF(0, R * 0.25), R);
    face.setColorAt(0.0, QColor(36, 41, 48));
    face.setColorAt(1.0, QColor(10, 12, 15));
    p.setBrush(face);
    p.drawEllipse(c, R - 5.0, R - 5.0);

    const bool kmh = m_unit == SpeedMeterType::KMH;
    const int top = kmh ? SpeedUnit::MAX_SPEED : SpeedUnit::MAX_SPEED_MPH;
    const int minor = 5;
    const int major = kmh ? 20 : 10;
    const int warnFrom = kmh ? 140 : 90;
    const double tickOuter = R - 9.0;

    // The high range, then the scale's base line.
    const auto arc = [&](double r, double fromSpeed, double toSpeed, const QPen& pen) {
        const double a0 = SpeedMeterModel::needleAngle(fromSpeed, m_unit);
        const double a1 = SpeedMeterModel::needleAngle(toSpeed, m_unit);
        const QRectF rect(c.x() - r, c.y() - r, 2 * r, 2 * r);
        // Qt's arcs start at three o'clock and run counter-clockwise.
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawArc(rect, int(std::lround((toDegrees(a0) + 90.0) * 16.0)),
                  int(std::lround(toDegrees(a1 - a0) * 16.0)));
    };
    arc(tickOuter - 2.0, warnFrom, top, QPen(QColor(214, 60, 52, 190), 4.0, Qt::SolidLine, Qt::FlatCap));
    arc(tickOuter, 0, top, QPen(QColor(150, 155, 162), 1.0));

    for (int v = 0; v <= top; v += minor) {
        const double a = SpeedMeterModel::needleAngle(v, m_unit);
        const bool isMajor = v % major == 0;
        const bool isMid = !isMajor && v % (major / 2) == 0;
        const double length = isMajor ? 9.0 : isMid ? 6.0 : 3.5;
        p.setPen(QPen(isMajor ? QColor(240, 240, 240) : QColor(170, 175, 182), isMajor ? 2.0 : 1.0,
                      Qt::SolidLine, Qt::FlatCap));
        p.drawLine(polar(c, tickOuter, a), polar(c, tickOuter - length, a));
        if (isMajor) {
            QFont font;
            font.setPixelSize(std::max(7, int(R * 0.115)));
            font.setWeight(QFont::DemiBold);
            p.setFont(font);
            p.setPen(v >= warnFrom ? QColor(240, 110, 100) : QColor(225, 228, 232));
            // Three-digit values sit a little farther in, where there is room.
            const double inset = length + R * (v >= 100 ? 0.17 : 0.13);
            const QPointF at = polar(c, tickOuter - inset, a);
            const QRectF label(at.x() - 14.0, at.y() - 7.0, 28.0, 14.0);
            p.drawText(label, Qt::AlignCenter, QString::number(v));
        }
    }

    // The readout's window in the dial's open bottom.
    const QRectF stack = digitStack();
    const QRectF window = stack.adjusted(-5.0, -3.0, 5.0, 3.0);
    p.setPen(QPen(QColor(52, 57, 64), 1.0));
    p.setBrush(QColor(6, 8, 10));
    p.drawRoundedRect(window, 3.0, 3.0);

    // The unit plate in the bottom-right corner.
    const QSize plate(int(R * 0.5), std::max(9, int(R * 0.16)));
    const QPixmap unit = PanelImages::image(kmh ? QStringLiteral("parts_kmh") : QStringLiteral("parts_MPH"), plate);
    p.drawPixmap(QPointF(box.right() - 3.0 - plate.width(), box.bottom() - 10.0 - plate.height()), unit);
    return m_dial;
}

void SpeedMeterView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, dial());
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF box = meterRect();
    const QPointF c = box.center();
    const double R = box.width() / 2.0;

    // The readout.
    const QRectF stack = digitStack();
    const double cellW = stack.width() / 3.0;
    const QColor lit = m_gpsOn ? QColor(236, 246, 255) : QColor(200, 200, 200);
    const QColor unlit(255, 255, 255, 11);
    for (int i = 0; i < 3; ++i) {
        const QRectF cell(stack.left() + i * cellW + 1.0, stack.top(), cellW - 2.0, stack.height());
        PanelImages::drawDigit(p, cell, m_readout.digits[size_t(i)], lit, unlit);
    }

    // The needle, turning about the centre.
    p.save();
    p.translate(c);
    p.rotate(-toDegrees(m_needle));
    const double tip = R - 12.0;
    const double tail = R * 0.18;
    QPainterPath needle;
    needle.moveTo(-3.2, tail);
    needle.lineTo(-1.0, -tip);
    needle.lineTo(1.0, -tip);
    needle.lineTo(3.2, tail);
    needle.closeSubpath();
    QLinearGradient fill(-3.0, 0, 3.0, 0);
    if (m_gpsOn) {
        fill.setColorAt(0.0, QColor(255, 120, 70));
        fill.setColorAt(1.0, QColor(215, 50, 30));
    } else {
        fill.setColorAt(0.0, QColor(150, 150, 150));
        fill.setColorAt(1.0, QColor(100, 100, 100));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(needle);
    p.restore();
    QRadialGradient hub(c - QPointF(1.5, 1.5), 8.0);
    hub.setColorAt(0.0, QColor(95, 100, 108));
    hub.setColorAt(1.0, QColor(28, 30, 34));
    p.setBrush(hub);
    p.setPen(QPen(QColor(12, 12, 12), 1.0));
    p.drawEllipse(c, 7.0, 7.0);
}
