#include "core/tools/StillCapture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace StillCapture {

std::optional<double> brightnessOffset(double v)
{
    if (!std::isfinite(v) || v == 1.0) return std::nullopt;
    return v >= 1.0 ? ((5.0 - v) * -0.25 + 1.0) * 0.4 : v * 0.3 + 0.7 - 1.0;
}

void applyBrightness(uchar* pixels, int width, int height, qsizetype bytesPerLine, double offset)
{
    if (pixels == nullptr || width <= 0 || height <= 0 || bytesPerLine < qsizetype(width) * 4) return;
    const int add = int(std::lround(std::clamp(offset, -1.0, 1.0) * 255.0));
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) table[std::size_t(i)] = std::uint8_t(std::clamp(i + add, 0, 255));
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(pixels + qsizetype(y) * bytesPerLine);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = row[x];
            row[x] = (p & 0xFF000000u) | (std::uint32_t(table[(p >> 16) & 0xFF]) << 16)
                     | (std::uint32_t(table[(p >> 8) & 0xFF]) << 8) | table[p & 0xFF];
        }
    }
}

int captionPointSize(CommonConst::RecMode mode)
{
    return mode == CommonConst::RecMode::LongRec ? 8 : 20;
}

} // namespace StillCapture
