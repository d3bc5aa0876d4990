#include "CardGen.h"
#include "core/media/AVUtil.h"
#include "core/tools/StillCapture.h"

#include <QTemporaryDir>
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

TEST(StillCapture, ThePictureIsTheFrameOnScreenAtTheTime)
{
    // 28 pictures a second: picture 42 starts at 1500 ms, picture 43 at
    // 1535.7 ms, which a player's position in whole milliseconds gives as 1535.
    QTemporaryDir dir;
    cardgen::MovieOptions o;
    o.durationSeconds = 3;
    const QString movie = cardgen::writeMovie(dir.filePath("m2026031508300001.MP4"), o).path;
    const auto at = [&](qint64 ms) { return AVUtil::rgbAt(movie, ms); };

    const auto shown = at(1510);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->timeMs, 1500);
    EXPECT_EQ(at(1534)->timeMs, 1500);
    EXPECT_EQ(at(1500)->timeMs, 1500);
    const auto next = at(1535);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->timeMs, 1535);
    EXPECT_EQ(at(1570)->timeMs, 1535);
    EXPECT_EQ(at(0)->timeMs, 0);
    EXPECT_EQ(at(-40)->timeMs, 0);
    EXPECT_EQ(at(60000)->timeMs, 2964); // past the end: the last picture

    // The pixels are those of the picture the time names, not of the next one.
    EXPECT_EQ(shown->pixels, at(1500)->pixels);
    EXPECT_NE(shown->pixels, next->pixels);
    EXPECT_EQ(shown->width, 320);
    EXPECT_EQ(shown->height, 180);
}
