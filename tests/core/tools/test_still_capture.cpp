#include "core/tools/StillCapture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

TEST(StillCapture, BrightnessFollowsThePlayersValue)
{
    EXPECT_FALSE(StillCapture::brightnessOffset(1.0));
    EXPECT_NEAR(*StillCapture::brightnessOffset(5.0), 0.4, 1e-12);
    EXPECT_NEAR(*StillCapture::brightnessOffset(0.1), -0.27, 1e-12);
    EXPECT_NEAR(*StillCapture::brightnessOffset(2.0), 0.1, 1e-12);

    // Colours move and clamp; alpha stays.
    std::array<std::uint32_t, 3> px{0xFF102030u, 0x80F0F0F0u, 0xFF000000u};
    StillCapture::applyBrightness(reinterpret_cast<uchar*>(px.data()), 3, 1, 12, 0.1);
    EXPECT_EQ(px[0], 0xFF2A3A4Au); // +26 (0.1 x 255 rounded)
    EXPECT_EQ(px[1], 0x80FFFFFFu);
    EXPECT_EQ(px[2], 0xFF1A1A1Au);
    StillCapture::applyBrightness(reinterpret_cast<uchar*>(px.data()), 3, 1, 12, -0.27);
    EXPECT_EQ(px[2], 0xFF000000u);

    EXPECT_EQ(StillCapture::captionPointSize(CommonConst::RecMode::LongRec), 8);
    EXPECT_EQ(StillCapture::captionPointSize(CommonConst::RecMode::HighQuality), 20);
}
