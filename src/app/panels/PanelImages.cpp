#include "app/panels/PanelImages.h"

#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace PanelImages {

namespace {

QFont pixelFont(double pixels, bool bold = false)
{
    QFont font;
    font.setPixelSize(int(std::lround(pixels)));
    font.setBold(bold);
    return font;
}

void drawGps(QPainter& p, const QSizeF& size, bool on)
{
    const QColor ink = on ? Colors::gpsOn : QColor(110, 110, 110);
    const QRectF frame(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);
    p.setPen(QPen(ink, 1.0));
    p.setBrush(on ? QColor(66, 205, 110, 40) : QColor(255, 255, 255, 10));
    p.drawRoundedRect(frame, 4.0, 4.0);

    // A satellite: a body with two panels, turned a little.
    const double s = size.height() * 0.55;
    const QPointF c(frame.left() + size.height() * 0.55, frame.center().y());
    p.save();
    p.translate(c);
    p.rotate(-35.0);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(QRectF(-s * 0.18, -s * 0.18, s * 0.36, s * 0.36));
    p.drawRect(QRectF(-s * 0.75, -s * 0.12, s * 0.45, s * 0.24));
    p.drawRect(QRectF(s * 0.30, -s * 0.12, s * 0.45, s * 0.24));
    p.restore();
    if (!on) {
        p.setPen(QPen(QColor(200, 70, 70), 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(c.x() - s * 0.5, c.y() + s * 0.5), QPointF(c.x() + s * 0.5, c.y() - s * 0.5));
    }
    p.setPen(ink);
    p.setFont(pixelFont(size.height() * 0.5, true));
    const QRectF textRect(c.x() + s * 0.6, frame.top(), frame.right() - c.x() - s * 0.6 - 2.0, frame.height());
    p.drawText(textRect, Qt::AlignCenter, QStringLiteral("GPS"));
}

void drawUnitPlate(QPainter& p, const QSizeF& size, const QString& unit)
{
    p.setPen(Colors::dimText);
    p.setFont(pixelFont(size.height() * 0.8));
    p.drawText(QRectF(QPointF(0, 0), size), Qt::AlignRight | Qt::AlignVCenter, unit);
}

void drawScopeButton(QPainter& p, const QSizeF& size, double g, bool pressed)
{
    const QRectF frame(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);
    p.setPen(QPen(pressed ? Colors::g : QColor(120, 120, 120), 1.0));
    p.setBrush(pressed ? QColor(255, 149, 0, 70) : QColor(255, 255, 255, 18));
    p.drawRoundedRect(frame, size.height() / 2.0, size.height() / 2.0);
    p.setPen(pressed ? Colors::text : Colors::dimText);
    p.setFont(pixelFont(size.height() * 0.6, true));
    p.drawText(frame, Qt::AlignCenter, QString::number(g, 'f', 1) + QStringLiteral("G"));
}

void drawToggle(QPainter& p, const QSizeF& size, bool on)
{
    const QRectF frame(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);
    p.setPen(QPen(on ? Colors::accent.lighter(130) : QColor(85, 85, 85), 1.0));
    QLinearGradient fill(frame.topLeft(), frame.bottomLeft());
    if (on) {
        fill.setColorAt(0.0, Colors::accent.lighter(120));
        fill.setColorAt(1.0, Colors::accent.darker(115));
    } else {
        fill.setColorAt(0.0, QColor(44, 47, 52));
        fill.setColorAt(1.0, QColor(30, 32, 36));
    }
    p.setBrush(fill);
    p.drawRoundedRect(frame, 4.0, 4.0);
}

bool draw(QPainter& p, const QString& name, const QSizeF& size)
{
    if (name == QLatin1String("parts_gps_on") || name == QLatin1String("parts_gps_off")) {
        drawGps(p, size, name.endsWith(QLatin1String("_on")));
        return true;
    }
    if (name == QLatin1String("parts_kmh")) {
        drawUnitPlate(p, size, QStringLiteral("km/h"));
        return true;
    }
    if (name == QLatin1String("parts_MPH")) {
        drawUnitPlate(p, size, QStringLiteral("MPH"));
        return true;
    }
    if (name == QLatin1String("toggle_on") || name == QLatin1String("toggle_off")) {
        drawToggle(p, size, name.endsWith(QLatin1String("_on")));
        return true;
    }
    static const QString scopes[] = {QStringLiteral("05"), QStringLiteral("10"), QStringLiteral("15"),
                                     QStringLiteral("20"), QStringLiteral("25"), QStringLiteral("30")};
    for (int i = 0; i < 6; ++i) {
        const QString base = QStringLiteral("button_") + scopes[i] + QLatin1Char('g');
        if (name == base || name == base + QStringLiteral("_click")) {
            drawScopeButton(p, size, 0.5 * (i + 1), name != base);
            return true;
        }
    }
    return false;
}

} // namespace

QString scopeImageName(double fullScaleG, bool pressed)
{
    const int tenths = int(std::lround(fullScaleG * 10.0));
    return QStringLiteral("button_%1g%2")
        .arg(tenths, 2, 10, QLatin1Char('0'))
        .arg(pressed ? QStringLiteral("_click") : QString());
}

QPixmap image(const QString& name, const QSize& size)
{
    if (size.isEmpty()) return {};
    static QHash<QString, QPixmap> cache;
    const qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    const QString key = name + QLatin1Char('@') + QString::number(size.width()) + QLatin1Char('x')
                      + QString::number(size.height()) + QLatin1Char('@') + QString::number(dpr);
    if (const auto it = cache.constFind(key); it != cache.constEnd()) return it.value();
    QPixmap pixmap(size * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const bool known = draw(p, name, QSizeF(size));
    p.end();
    if (!known) return {};
    cache.insert(key, pixmap);
    return pixmap;
}

void prepareCanvas(QPixmap& pixmap, const QSize& size, qreal dpr, const QColor& fill)
{
    const QSize pixels = (QSizeF(size) * dpr).toSize();
    if (pixmap.size() != pixels || pixmap.devicePixelRatio() != dpr) {
        pixmap = QPixmap(pixels);
        pixmap.setDevicePixelRatio(dpr);
    }
    pixmap.fill(fill);
}

void drawDigit(QPainter& painter, const QRectF& cell, int digit, const QColor& lit, const QColor& unlit)
{
    // Segments a (top), b, c (right), d (bottom), e, f (left), g (middle).
    static constexpr int masks[11] = {63, 6, 91, 79, 102, 109, 125, 7, 127, 111, 64};
    const int mask = digit >= 0 && digit <= 10 ? masks[digit] : 0;
    const double w = cell.width();
    const double h = cell.height();
    const double t = std::max(1.5, w * 0.2);
    const double gap = 0.7;
    const auto horizontal = [&](double y) {
        const double x0 = t / 2 + gap, x1 = w - t / 2 - gap;
        return QPolygonF({{x0, y}, {x0 + t / 2, y - t / 2}, {x1 - t / 2, y - t / 2}, {x1, y}, {x1 - t / 2, y + t / 2},
                          {x0 + t / 2, y + t / 2}});
    };
    const auto vertical = [&](double x, double y0, double y1) {
        y0 += gap;
        y1 -= gap;
        return QPolygonF({{x, y0}, {x + t / 2, y0 + t / 2}, {x + t / 2, y1 - t / 2}, {x, y1}, {x - t / 2, y1 - t / 2},
                          {x - t / 2, y0 + t / 2}});
    };
    const double left = t / 2, right = w - t / 2, top = t / 2, middle = h / 2, bottom = h - t / 2;
    const QPolygonF segments[7] = {horizontal(top),
                                   vertical(right, top, middle),
                                   vertical(right, middle, bottom),
                                   horizontal(bottom),
                                   vertical(left, middle, bottom),
                                   vertical(left, top, middle),
                                   horizontal(middle)};
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(cell.topLeft());
    // A slight slant, as a car's display has.
    painter.translate(h * 0.06, 0);
    painter.shear(-0.08, 0);
    painter.setPen(Qt::NoPen);
    for (int s = 0; s < 7; ++s) {
        painter.setBrush((mask & (1 << s)) ? lit : unlit);
        painter.drawPolygon(segments[s]);
    }
    painter.restore();
}

} // namespace PanelImages
