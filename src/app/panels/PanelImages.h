#pragma once

#include <QColor>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

// The driving-data panel's pictures, drawn in code as vector shapes and
// kept once made: the GPS state ("parts_gps_on", "parts_gps_off"), the unit
// plates ("parts_kmh", "parts_MPH"), the circle chart's scale buttons
// ("button_05g" .. "button_30g", each with "_click"), and the panel's
// toggle buttons ("toggle_on", "toggle_off"). An unknown name gives a null
// pixmap.
namespace PanelImages {

QPixmap image(const QString& name, const QSize& size);

// The scale button's picture name of a full scale in g (0.5 .. 3.0).
QString scopeImageName(double fullScaleG, bool pressed);

// The panel's colours.
namespace Colors {
inline const QColor background{17, 19, 22};
inline const QColor frame{85, 85, 85}; // the panel's frame (dark grey)
inline const QColor speed{224, 92, 92};
inline const QColor speedGpsOff{128, 128, 128};
inline const QColor g{255, 149, 0}; // orange
inline const QColor grid{128, 128, 128};
inline const QColor eventLine{255, 0, 0};
inline const QColor text{255, 255, 255};
inline const QColor dimText{150, 156, 164};
inline const QColor selection{255, 255, 0};
inline const QColor accent{47, 111, 168};
inline const QColor gpsOn{66, 205, 110};
} // namespace Colors

// The size of the chart's and legend's texts (in device-independent pixels,
// the unit the rest of the panel is laid out in).
constexpr int TEXT_PIXELS = 12;

// A picture the size of a widget to draw its unchanging parts into, filled
// with a colour; the pixmap is kept when its size is still right.
void prepareCanvas(QPixmap& pixmap, const QSize& size, qreal dpr, const QColor& fill);

// One position of the meter's readout as a seven-segment digit: 0..9, a
// hyphen (10) or blank (-1, only the unlit segments).
void drawDigit(QPainter& painter, const QRectF& cell, int digit, const QColor& lit, const QColor& unlit);

} // namespace PanelImages
