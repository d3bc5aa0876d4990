#pragma once

#include <QString>

// The rules of the player's picture and sound controls: brightness offset for
// a brightness setting, volume and brightness ranges, the speed slider's rate
// table, the value labels shown while a slider is dragged, the frame step and
// the veil of the brightness overlay.
namespace PlaybackAdjust {

inline constexpr float VOLUME_MAX = 1.0f;
inline constexpr float VOLUME_MIN = 0.0f;
inline constexpr float VOLUME_SILENCE = 0.0f;
inline constexpr double GAMMA_MAX = 5.0;
inline constexpr double GAMMA_MIN = 0.1;
inline constexpr double GAMMA_DEFAULT = 1.0;
inline constexpr float PLAY_RATE_NOMAL = 1.0f;
inline constexpr float PLAY_RATE_SLOW = 0.5f;
// Up to this rate the movie plays by itself; above it the picture follows
// the clock by seeks and the sound is silent.
inline constexpr float SETTING_RATE_PLAY = 2.0f;
inline constexpr float SETTING_RATE_NOT_PLAYSOUND = 3.0f;

// Frame step when the movie's frame rate is unknown.
inline constexpr int DEFAULT_FRAME_STEP_MS = 35;

// The offset added to the picture's colours for a brightness setting:
// 0 at 1.0, 0.3 (g − 1) below it (−0.27 at 0.1), 0.1 (g − 1) above it
// (0.4 at 5.0). The setting is taken as it is (clamp it first).
double brightnessOffset(double gamma);

double clampGamma(double gamma);   // to [GAMMA_MIN, GAMMA_MAX]; NaN gives the default
float clampVolume(float volume);   // to [VOLUME_MIN, VOLUME_MAX]; NaN gives the minimum

struct PlaySpeed {
    float rate;
    const char* label; // untranslated text, context "MoviePlayerView"
};
// The rate and label of a speed-slider position (0 to 5; others are 1.0).
PlaySpeed playSpeedForPosition(int position);

// The rate the media player is given for a chosen rate: the rate itself up
// to 2.0, 0 above (the clock moves the picture by seeks then).
float mediaRateFor(float settingRate);

// Texts of the value label over the brightness and volume sliders.
QString brightnessValueText(double value); // one decimal: 1.96 gives "2.0"
QString volumeValueText(double value);     // value × 16, halves away from zero

// One frame in milliseconds: 1000 / rate truncated, or 35 when the rate is
// unknown (0, negative, not finite, or so high that the step would be 0).
int frameStepMs(double frameRate);

// The veil a brightness overlay lays over what lies below it.
struct Veil {
    enum class Colour { Clear, Black, White };
    Colour colour;
    double alpha; // 0 for Clear
};
Veil brightViewVeil(double alphVal);

} // namespace PlaybackAdjust
