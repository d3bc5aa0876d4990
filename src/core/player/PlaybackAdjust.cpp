#include "core/player/PlaybackAdjust.h"

#include <algorithm>
#include <cmath>

namespace PlaybackAdjust {

double brightnessOffset(double gamma)
{
    // The order of operations is kept as the picture filter has always
    // computed it, so stored settings keep their look.
    if (gamma == 1.0)
        return 0.0;
    if (gamma < 1.0)
        return gamma * 0.3 + 0.7 + (-1.0);
    return ((5.0 - gamma) * -0.25 + 1.0) * 0.4;
}

double clampGamma(double gamma)
{
    if (std::isnan(gamma))
        return GAMMA_DEFAULT;
    return std::clamp(gamma, GAMMA_MIN, GAMMA_MAX);
}

float clampVolume(float volume)
{
    if (std::isnan(volume))
        return VOLUME_MIN;
    return std::clamp(volume, VOLUME_MIN, VOLUME_MAX);
}

PlaySpeed playSpeedForPosition(int position)
{
    switch (position) {
    case 0:
        return {0.5f, "×0.5 time speed"};
    case 1:
        return {1.0f, "standard"};
    case 2:
        return {2.0f, "×2 times speed"};
    case 3:
        return {3.0f, "×3 times speed"};
    case 4:
        return {5.0f, "×5 times speed"};
    case 5:
        return {10.0f, "×10 times speed"};
    default:
        return {1.0f, "standard"};
    }
}

float mediaRateFor(float settingRate)
{
    return settingRate > SETTING_RATE_PLAY ? 0.0f : settingRate;
}

QString brightnessValueText(double value)
{
    return QString::asprintf("%.1f", value);
}

QString volumeValueText(double value)
{
    // std::lround rounds halves away from zero.
    return QString::number(std::lround(value * 16.0));
}

int frameStepMs(double frameRate)
{
    if (!std::isfinite(frameRate) || frameRate <= 0.0)
        return DEFAULT_FRAME_STEP_MS;
    const double step = std::trunc(1000.0 / frameRate);
    if (step < 1.0)
        return DEFAULT_FRAME_STEP_MS;
    // Bounded so that absurd rates cannot overflow the integer.
    return static_cast<int>(std::min(step, 60000.0));
}

Veil brightViewVeil(double a)
{
    if (a < 1.0)
        return {Veil::Colour::Black, (1.0 - a) * 0.25};
    if (a > 1.0)
        return {Veil::Colour::White, a * 0.3 * 0.25};
    return {Veil::Colour::Clear, 0.0};
}

} // namespace PlaybackAdjust
