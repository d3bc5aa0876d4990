#include "core/panels/SpeedUnit.h"

#include "core/foundation/SpeedConversion.h"

#include <algorithm>
#include <cmath>

int SpeedUnit::displaySpeed(std::int32_t kmh, bool kmhUnit)
{
    const std::int32_t speed = std::max<std::int32_t>(kmh, 0);
    if (kmhUnit) return std::min<std::int32_t>(speed, MAX_SPEED);
    return std::min<std::int32_t>(SpeedConversion::toMph(speed), MAX_SPEED_MPH);
}

double SpeedUnit::horizontalG(double gx, double gy)
{
    const double g = std::sqrt(gx * gx + gy * gy);
    return std::isfinite(g) ? std::max(g, 0.0) : 0.0;
}
