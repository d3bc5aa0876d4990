#pragma once

#include <cstdint>

// Speeds as the driving displays show them: the recorder's km/h, or miles
// per hour, each held to the top of its scale.
namespace SpeedUnit {

inline constexpr int MAX_SPEED = 180;     // km/h
inline constexpr int MAX_SPEED_MPH = 110; // MPH

// A frame's km/h in the display unit: whole km/h capped at 180, or whole
// miles an hour (SpeedConversion) capped at 110. The recorder never writes a negative
// speed, but a damaged record can: it reads as 0.
int displaySpeed(std::int32_t kmh, bool kmhUnit);

// The horizontal G force of a frame (gZ, gravity, is left out).
double horizontalG(double gx, double gy);

} // namespace SpeedUnit
