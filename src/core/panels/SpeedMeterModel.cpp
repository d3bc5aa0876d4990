#include "core/panels/SpeedMeterModel.h"

#include "core/foundation/SpeedConversion.h"
#include "core/panels/SpeedUnit.h"

#include <algorithm>
#include <cmath>

double SpeedMeterModel::needleAngle(double speed, SpeedMeterType unit)
{
    const double kmh = unit == SpeedMeterType::MPH ? speed * SpeedConversion::KMH_PER_MPH : speed;
    return INI_NEEDLE_VAL - kmh * std::numbers::pi / 150.0;
}

SpeedReadout SpeedMeterModel::readoutOf(int speed)
{
    // Speeds reaching the meter are clamped to 0..180; the split itself
    // stays inside the ten digit pictures for any value.
    const int n = std::clamp(speed, 0, 999);
    SpeedReadout r;
    if (n > 99) r.digits[0] = std::int8_t(n / 100);
    if (n > 9) r.digits[1] = std::int8_t((n / 10) % 10);
    r.digits[2] = std::int8_t(n % 10);
    return r;
}

SpeedReadout SpeedMeterModel::noFixReadout()
{
    SpeedReadout r;
    r.digits[2] = SpeedReadout::HYPHEN;
    return r;
}

std::vector<SpeedReadout> SpeedMeterModel::readouts(double from, double to)
{
    const auto whole = [](double v) { return std::isfinite(v) ? int(std::clamp(std::floor(v), 0.0, 999.0)) : 0; };
    const int a = whole(from);
    const int b = whole(to);
    const int step = b >= a ? 1 : -1;
    std::vector<SpeedReadout> out;
    out.reserve(size_t(std::abs(b - a) + 1));
    for (int n = a;; n += step) {
        out.push_back(readoutOf(n));
        if (n == b) break;
    }
    return out;
}

SpeedMeterStep SpeedMeterModel::setSpeed(const Frame& frame, bool animated, const DurationTable& table)
{
    // The table is this call's: an animated change is timed by the chapter
    // that is playing now, not by the one before it.
    m_durInfo = table;
    m_gpsOn = frame.gps;
    const double old = m_realSpeed;
    m_realSpeed = SpeedUnit::displaySpeed(frame.speed, isSpeedType == SpeedMeterType::KMH);

    SpeedMeterStep step;
    step.gpsOn = m_gpsOn;
    step.unit = isSpeedType;
    if (!animated) {
        m_dispSpeed = m_realSpeed;
        updateMeter(&frame, false, step);
    } else if (m_realSpeed == old) {
        // The needle stays; the readout catches up with a fix that came back
        // (or shows that there is none).
        step.needleFrom = step.needleTo = m_currentNeedle;
        if (!m_gpsOn)
            step.readouts = {noFixReadout()};
        else if (!m_prevGps)
            step.readouts = {readoutOf(int(m_realSpeed))};
    } else {
        m_prevDispSpeed = m_dispSpeed;
        m_dispSpeed = m_realSpeed;
        updateMeter(&frame, true, step);
    }
    m_prevGps = m_gpsOn;
    return step;
}

SpeedMeterStep SpeedMeterModel::resetSpeed()
{
    m_gpsOn = false;
    m_realSpeed = 0.0;
    m_dispSpeed = 0.0;
    SpeedMeterStep step;
    step.gpsOn = false;
    step.unit = isSpeedType;
    updateMeter(nullptr, false, step);
    return step;
}

void SpeedMeterModel::updateMeter(const Frame* frame, bool animated, SpeedMeterStep& step)
{
    const double angle = needleAngle(m_dispSpeed, isSpeedType);
    double seconds = 0.0;
    if (!animated) {
        step.readouts = {m_gpsOn ? readoutOf(int(m_realSpeed)) : noFixReadout()};
    } else if (frame) {
        const auto found = m_durInfo.constFind(std::int32_t(frame->movieTimeStamp));
        if (found != m_durInfo.constEnd() && std::isfinite(found.value())) {
            seconds = std::clamp(found.value(), 0.0, MAX_ANIMATION_SECONDS);
            step.readouts = m_gpsOn ? readouts(m_prevDispSpeed, m_realSpeed)
                                    : std::vector<SpeedReadout>{noFixReadout()};
        } else if (!m_gpsOn) {
            step.readouts = {noFixReadout()};
        }
        // No timing for a frame with a fix: the needle jumps and the readout
        // keeps what it shows until the next timed change.
    }
    step.readoutSeconds = seconds;
    step.needleMoves = true;
    step.needleFrom = m_currentNeedle;
    step.needleTo = angle;
    step.needleSeconds = seconds;
    m_currentNeedle = angle;
}
