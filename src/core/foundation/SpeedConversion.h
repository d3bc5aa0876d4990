#pragma once

#include <cmath>
#include <cstdint>

// The recorder writes speeds in whole km/h. Wherever miles an hour are shown
// (the speed meter and graph, the captions, the stopwatch) they are the same
// whole miles, rounded down.
namespace SpeedConversion {

inline constexpr double KMH_PER_MPH = 1.6093;

inline std::int32_t toMph(std::int32_t kmh)
{
    return static_cast<std::int32_t>(std::floor(double(kmh) / KMH_PER_MPH));
}

} // namespace SpeedConversion
