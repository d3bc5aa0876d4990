#pragma once

#include <QHash>
#include <array>
#include <cstdint>
#include <numbers>
#include <vector>

enum class SpeedMeterType { KMH = 0, MPH = 1 };

// One picture of the meter's three-position readout (hundreds, tens, ones).
struct SpeedReadout {
    static constexpr std::int8_t BLANK = -1;
    static constexpr std::int8_t HYPHEN = 10;
    std::array<std::int8_t, 3> digits{BLANK, BLANK, BLANK};
    bool operator==(const SpeedReadout&) const = default;
};

// What the meter's picture does after a call: the needle turns from one
// angle to another (at once when the time is 0), and the readout steps
// through its pictures spread evenly over a time, keeping the last.
struct SpeedMeterStep {
    // The needle gets a new movement that replaces the one under way (false:
    // the needle goes on as it was).
    bool needleMoves = false;
    double needleFrom = 0.0; // radians, counter-clockwise from upright
    double needleTo = 0.0;
    double needleSeconds = 0.0;
    std::vector<SpeedReadout> readouts; // empty: the readout stays as it is
    double readoutSeconds = 0.0;
    bool gpsOn = false;
    SpeedMeterType unit = SpeedMeterType::MPH;
};

// The speedometer's state: which speed it shows, where the needle points,
// whether the GPS has a fix, and how a new frame moves it. While a movie
// plays the needle and the readout travel to a new speed over the time the
// speed-run table gives for the frame (at most a second); otherwise they
// jump. GUI thread only.
class SpeedMeterModel {
public:
    // Seconds from a frame's movie time stamp until the recorded speed next
    // changes (built per chapter by SpeedRunTable).
    using DurationTable = QHash<std::int32_t, double>;

    struct Frame {
        std::int32_t speed = 0; // km/h as recorded
        bool gps = true;
        std::uint32_t movieTimeStamp = 0;
    };

    // 0 km/h points 108 degrees left of upright; the needle turns 1.2
    // degrees clockwise per km/h, so 90 km/h is upright and 180 km/h 108
    // degrees right.
    static constexpr double INI_NEEDLE_VAL = 0.6 * std::numbers::pi;
    static constexpr double MAX_ANIMATION_SECONDS = 1.0;

    // The angle for a speed given in the display unit.
    static double needleAngle(double speed, SpeedMeterType unit);
    // The readout of a whole speed: leading positions blank, inner zeros shown.
    static SpeedReadout readoutOf(int speed);
    // Blank, blank, hyphen: no GPS fix.
    static SpeedReadout noFixReadout();
    // Every whole value from floor(from) to floor(to), both included, in order.
    static std::vector<SpeedReadout> readouts(double from, double to);

    // The unit is the owner's: it takes effect at the next call.
    SpeedMeterType isSpeedType = SpeedMeterType::MPH;

    SpeedMeterStep setSpeed(const Frame& frame, bool animated, const DurationTable& table);
    // No movie: speed 0 without a fix, the needle at the zero angle.
    SpeedMeterStep resetSpeed();

    double realSpeed() const { return m_realSpeed; }
    double currentNeedle() const { return m_currentNeedle; }
    bool isGpsOn() const { return m_gpsOn; }

private:
    void updateMeter(const Frame* frame, bool animated, SpeedMeterStep& step);

    double m_realSpeed = 0.0;
    double m_dispSpeed = 0.0;
    double m_prevDispSpeed = 0.0;
    double m_currentNeedle = INI_NEEDLE_VAL;
    bool m_gpsOn = true;
    bool m_prevGps = false;
    DurationTable m_durInfo;
};
