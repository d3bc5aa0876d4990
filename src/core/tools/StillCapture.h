#pragma once

#include "core/foundation/CommonConst.h"

#include <QtGlobal>
#include <optional>

// What a still capture decides without a window: how much to brighten the
// picture and how large to write its caption.
namespace StillCapture {

// The brightness offset (-1..1 of full scale, added to each colour) for the
// player's brightness value v: none at exactly 1.0; (v - 1) x 0.1 above,
// (v - 1) x 0.3 below, so 5.0 gives 0.4 and 0.1 gives -0.27.
std::optional<double> brightnessOffset(double v);

// Adds offset x 255 to the red, green and blue of 32-bit pixels 0xAARRGGBB
// (native order), clamped to 0..255; alpha is kept.
void applyBrightness(uchar* pixels, int width, int height, qsizetype bytesPerLine, double offset);

// The caption's point size: 20, or 8 for a long-recording chapter.
int captionPointSize(CommonConst::RecMode mode);

} // namespace StillCapture
