#pragma once

#include "core/panels/SpeedMeterModel.h"

#include <QPixmap>
#include <QWidget>

class QVariantAnimation;

// The speedometer of the driving-data panel: a dial for the unit in use, a
// needle turning about the dial's centre, the unit plate and a three-digit
// readout. While a movie plays the needle turns and the digits count to a
// new speed over the time the chapter's speed-run table gives; otherwise
// both jump. Without a GPS fix the needle turns grey and the readout shows
// a hyphen. GUI thread only.
class SpeedMeterView : public QWidget {
    Q_OBJECT
public:
    explicit SpeedMeterView(QWidget* parent = nullptr);

    // The unit; shown from the next setSpeed() or resetSpeed().
    void setSpeedType(SpeedMeterType type) { m_model.isSpeedType = type; }
    SpeedMeterType speedType() const { return m_model.isSpeedType; }

    void setSpeed(const SpeedMeterModel::Frame& frame, bool animated, const SpeedMeterModel::DurationTable& table);
    void resetSpeed();

    // What the meter shows now (tests, and the panel's own checks).
    double needleAngle() const { return m_needle; }
    double needleTarget() const { return m_model.currentNeedle(); }
    SpeedReadout readout() const { return m_readout; }
    bool isGpsOn() const { return m_gpsOn; }
    SpeedMeterType shownUnit() const { return m_unit; }
    const SpeedMeterModel& model() const { return m_model; }

    QSize sizeHint() const override { return {165, 165}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void apply(const SpeedMeterStep& step);
    const QPixmap& dial();
    QRectF meterRect() const;
    QRectF digitStack() const;

    SpeedMeterModel m_model;
    double m_needle = SpeedMeterModel::INI_NEEDLE_VAL;
    SpeedReadout m_readout = SpeedMeterModel::noFixReadout();
    std::vector<SpeedReadout> m_readouts;
    bool m_gpsOn = false;
    SpeedMeterType m_unit = SpeedMeterType::MPH;
    QVariantAnimation* m_needleAnimation = nullptr;
    QVariantAnimation* m_readoutAnimation = nullptr;
    QPixmap m_dial;
    SpeedMeterType m_dialUnit = SpeedMeterType::KMH;
};
