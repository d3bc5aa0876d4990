#include "CardGen.h"

#include <algorithm>
#include <cmath>

namespace cardgen {
namespace {

// splitmix64: small, fast and the same on every platform (the standard
// library's distributions are not), so a seed always gives the same card.
struct Rng {
    quint64 s;
    explicit Rng(quint64 seed) : s(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}
    quint64 next()
    {
        quint64 z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uni() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double a, double b) { return a + (b - a) * uni(); }
    bool chance(double p) { return uni() < p; }
};

constexpr double G = 9.80665;
constexpr double PI = 3.14159265358979323846;
constexpr double METRES_PER_DEGREE = 111320.0;

enum class Phase { Stop, Accelerate, Cruise, Brake };

struct Car {
    double v = 0.0;       // m/s
    double heading = 0.0; // rad, 0 north, clockwise
    double yawRate = 0.0; // rad/s
    double lat = 0.0, lon = 0.0;
    Phase phase = Phase::Stop;
    double phaseLeft = 3.0; // s (Stop, Cruise)
    double accel = 0.0;     // m/s² the driver asks for
    double target = 0.0;    // m/s
    double turnLeft = 0.0;  // s of the current turn
    double retarget = 0.0;  // s until the highway target changes
};

double shapeAt(qint64 t, qint64 from, qint64 lengthMs)
{
    if (t < from || t >= from + lengthMs) return 0.0;
    return std::sin(PI * double(t - from) / double(lengthMs));
}

// One step of the driver and the car; returns the longitudinal acceleration.
double step(Car& c, const DriveOptions& o, Rng& rng, double dt)
{
    const double v0 = c.v;
    switch (o.profile) {
    case SpeedProfile::Parked:
        c.v = 0.0;
        c.yawRate = 0.0;
        break;
    case SpeedProfile::Constant:
        c.v = o.cruiseKmh / 3.6;
        c.yawRate = 0.0;
        break;
    case SpeedProfile::Highway: {
        c.retarget -= dt;
        if (c.retarget <= 0) {
            c.target = rng.range(95.0, 115.0) / 3.6;
            c.retarget = rng.range(8.0, 20.0);
            // A gentle bend now and then.
            c.yawRate = rng.chance(0.5) ? rng.range(-0.03, 0.03) : 0.0;
        }
        double a = std::clamp((c.target - c.v) * 0.25, -0.8, 0.8);
        c.v = std::max(0.0, c.v + a * dt);
        break;
    }
    case SpeedProfile::Urban:
        switch (c.phase) {
        case Phase::Stop:
            c.v = 0.0;
            c.yawRate = 0.0;
            c.phaseLeft -= dt;
            if (c.phaseLeft <= 0) {
                c.phase = Phase::Accelerate;
                c.accel = rng.chance(0.1) ? rng.range(2.9, 3.4) : rng.range(1.4, 2.2);
                c.target = std::max(15.0, o.cruiseKmh + rng.range(-10.0, 10.0)) / 3.6;
                if (rng.chance(0.45)) { // turn at the crossing
                    c.turnLeft = 5.0;
                    c.yawRate = (rng.chance(0.5) ? 1.0 : -1.0) * (PI / 2) / 5.0;
                }
            }
            break;
        case Phase::Accelerate:
            c.v = std::min(c.target, c.v + c.accel * dt);
            if (c.v >= c.target) {
                c.phase = Phase::Cruise;
                c.phaseLeft = rng.range(8.0, 25.0);
            }
            break;
        case Phase::Cruise:
            c.v = std::max(1.0, c.v + rng.range(-0.35, 0.35) * dt);
            c.phaseLeft -= dt;
            if (c.phaseLeft <= 0) {
                c.phase = Phase::Brake;
                c.accel = rng.chance(0.2) ? -rng.range(3.5, 4.2) : -rng.range(1.8, 2.8);
            }
            break;
        case Phase::Brake:
            c.v = std::max(0.0, c.v + c.accel * dt);
            if (c.v <= 0.0) {
                c.phase = Phase::Stop;
                c.phaseLeft = rng.range(5.0, 14.0);
            }
            break;
        }
        if (c.turnLeft > 0) {
            // Corners are taken slowly; once up to speed the car runs straight.
            c.turnLeft -= dt;
            if (c.turnLeft <= 0 || c.v > 7.0) {
                c.turnLeft = 0.0;
                c.yawRate = 0.0;
            }
        }
        break;
    }
    if (c.v > 0.1) c.heading += c.yawRate * dt;
    const double dist = c.v * dt;
    c.lat += dist * std::cos(c.heading) / METRES_PER_DEGREE;
    c.lon += dist * std::sin(c.heading) / (METRES_PER_DEGREE * std::cos(c.lat * PI / 180.0));
    return dt > 0 ? (c.v - v0) / dt : 0.0;
}

bool inOutage(const DriveOptions& o, qint64 t)
{
    if (t < o.gpsFixAfterMs) return true;
    for (const GpsOutage& g : o.gpsOutages)
        if (t >= g.fromMs && t < g.toMs) return true;
    return false;
}

} // namespace

std::vector<FrameSample> simulateDrive(const DriveOptions& o, qint64 durationMs, int fps, int soundPerSecond)
{
    std::vector<FrameSample> out;
    if (durationMs <= 0 || fps <= 0) return out;
    Rng rng(o.seed);
    Car car;
    car.lat = o.startLat;
    car.lon = o.startLon;
    car.heading = o.headingDeg * PI / 180.0;
    if (o.profile == SpeedProfile::Highway) {
        car.v = 100.0 / 3.6;
        car.target = car.v;
    }
    if (o.profile == SpeedProfile::Constant) car.v = o.cruiseKmh / 3.6;

    const qint64 seconds = (durationMs + 999) / 1000;
    out.reserve(size_t(seconds * (fps + std::max(0, soundPerSecond))));
    qint64 prevMs = 0;
    double accel = 0.0;
    qint64 lastFix = -1;
    qint32 fixLat = 0;
    qint32 fixLon = 0;
    for (qint64 s = 0; s < seconds; ++s) {
        int soundNext = 0;
        for (int j = 0; j < fps; ++j) {
            const qint64 t = s * 1000 + (qint64(j) * 1000) / fps;
            if (t >= durationMs) break;
            accel = step(car, o, rng, double(t - prevMs) / 1000.0);
            prevMs = t;

            FrameSample f;
            f.tripMs = t;
            f.unixTime = o.startTime + quint32(t / 1000);
            f.stamp = o.startStamp + quint32(t);
            f.hasPosition = !inOutage(o, t);
            f.gpsValid = f.hasPosition;
            f.gps2 = f.hasPosition;
            if (o.gpsFixEveryMs <= 0 || t / o.gpsFixEveryMs != lastFix) {
                lastFix = o.gpsFixEveryMs > 0 ? t / o.gpsFixEveryMs : 0;
                fixLat = qint32(std::lround(car.lat * 36000.0));
                fixLon = qint32(std::lround(car.lon * 36000.0));
            }
            f.latitude = fixLat;
            f.longitude = fixLon;
            const double kmh = car.v * 3.6;
            f.speedTenths = quint16(std::clamp(std::lround(kmh * 10.0), 0L, 65535L));
            f.engineRpm = quint16(car.v > 0.1 ? std::min(6000.0, 900.0 + kmh * 22.0) : 750.0);

            double gx = accel / G * 1000.0 + rng.range(-15.0, 15.0);
            double gy = car.v * car.yawRate / G * 1000.0 + rng.range(-15.0, 15.0);
            double gz = 1000.0 + rng.range(-25.0, 25.0);
            bool shock = false;
            for (const Incident& inc : o.incidents) {
                switch (inc.kind) {
                case Incident::Kind::GShock: {
                    const double k = shapeAt(t, inc.atMs, 500);
                    gx -= 1150.0 * k;
                    gy += 420.0 * k;
                    gz += 320.0 * k;
                    if (k > 0.2) shock = true;
                    break;
                }
                case Incident::Kind::Surveillance: {
                    const double k = shapeAt(t, inc.atMs, 400);
                    gx += 260.0 * k;
                    gy -= 180.0 * k;
                    break;
                }
                case Incident::Kind::SwitchPress:
                    if (t >= inc.atMs && t < inc.atMs + 1000) f.sw = 0x01;
                    break;
                }
            }
            f.gxMilli = int(std::lround(gx));
            f.gyMilli = int(std::lround(gy));
            f.gzMilli = int(std::lround(gz));

            if (shock)
                f.eventCode = 0x10; // G detection
            else if (o.speedLimitKmh > 0 && kmh > o.speedLimitKmh)
                f.eventCode = 0x14; // overspeed
            else if (f.gxMilli < -300)
                f.eventCode = 0x13; // hard braking
            else if (f.gxMilli > 280)
                f.eventCode = 0x12; // hard acceleration
            else if (std::abs(f.gyMilli) > 350)
                f.eventCode = 0x16; // swerve

            f.id = 0x55;
            f.channel = 1;
            f.frameSize = quint32(j == 0 ? rng.range(9000, 13000) : rng.range(2200, 4200));
            out.push_back(f);

            // Sound frames of this stretch follow the picture before them.
            const qint64 nextT = s * 1000 + (qint64(j + 1) * 1000) / fps;
            while (soundPerSecond > 0 && soundNext < soundPerSecond) {
                const qint64 st = s * 1000 + (qint64(soundNext) * 1000) / soundPerSecond;
                if (st >= nextT || st >= durationMs) break;
                FrameSample a = f;
                a.id = 0xAA;
                a.stamp = o.startStamp + quint32(st);
                a.tripMs = st;
                a.unixTime = o.startTime + quint32(st / 1000);
                a.frameSize = quint32(rng.range(360, 420));
                a.eventCode = 0x00;
                out.push_back(a);
                ++soundNext;
            }
        }
    }
    return out;
}

} // namespace cardgen
