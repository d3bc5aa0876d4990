#pragma once

#include <QPixmap>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <QLabel>

// The player's small horizontal sliders (brightness, volume, play speed),
// drawn from images. Clicks count only in the 10-point band at the top of
// the control; while the brightness or volume slider is dragged a small label
// above its left end, floating in the window, shows the value. The identifier tells which slider it is
// and gives it its tool tip.
class CustomSliderCellMin : public QWidget {
    Q_OBJECT
public:
    static inline const QString bri = QStringLiteral("bright");
    static inline const QString vol = QStringLiteral("volume");
    static inline const QString sp = QStringLiteral("speed");
    static constexpr double BAND_HEIGHT = 10.0;

    explicit CustomSliderCellMin(const QString& identifier = QString(), QWidget* parent = nullptr);
    ~CustomSliderCellMin() override;

    QString identifier() const { return m_identifier; }
    void setIdentifier(const QString& identifier);

    void setRange(double minimum, double maximum);
    double minValue() const { return m_min; }
    double maxValue() const { return m_max; }
    // Sets the value without an action (as the player does).
    void setDoubleValue(double value);
    double doubleValue() const { return m_value; }
    int integerValue() const;
    // n tick marks over the range; with tickValuesOnly the value snaps to them.
    void setNumberOfTickMarks(int count) { m_ticks = count; }
    void setAllowsTickMarkValuesOnly(bool on) { m_tickValuesOnly = on; }

    // Geometry, in the control's coordinates.
    QRectF mouseTrackingArea() const { return m_mouseTrackingArea; }
    QRectF barRect() const;
    QRectF knobRect() const;
    // Width of the filled part of the bar: (width − 8) × the value's share.
    double filledWidth() const;

    // The floating value label (none before the first drag).
    QLabel* valueLabel() const { return m_valLabel; }
    // The label text for the current value; empty for sliders without one.
    QString valueText() const;

    QSize sizeHint() const override { return {100, 16}; }

Q_SIGNALS:
    // The user moved the slider (mouse or keyboard).
    void valueChanged(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    double valueAt(double x) const;
    double snapped(double value) const;
    void userSetValue(double value);
    void showValueLabel();
    void placeValueLabel();
    bool hasValueLabel() const { return m_identifier == bri || m_identifier == vol; }

    QString m_identifier;
    QPixmap m_barImage;
    QPixmap m_barActiveImage;
    QPixmap m_barOffImage;
    QPixmap m_knobImage;
    QRectF m_mouseTrackingArea;
    QPointer<QLabel> m_valLabel;
    double m_min = 0.0;
    double m_max = 1.0;
    double m_value = 0.0;
    int m_ticks = 0;
    bool m_tickValuesOnly = false;
    bool m_tracking = false;
};
