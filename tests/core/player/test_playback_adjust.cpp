#include "core/player/PlaybackAdjust.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace PlaybackAdjust;

TEST(PlaybackAdjust, BrightnessOffsetIsZeroAtTheNeutralSettingAndReachesItsEnds)
{
    EXPECT_EQ(brightnessOffset(1.0), 0.0);
    EXPECT_NEAR(brightnessOffset(0.1), -0.27, 1e-12);
    EXPECT_NEAR(brightnessOffset(5.0), 0.4, 1e-12);
    EXPECT_NEAR(brightnessOffset(0.5), -0.15, 1e-12);
    EXPECT_NEAR(brightnessOffset(3.0), 0.2, 1e-12);
    // Continuous through the neutral setting.
    EXPECT_NEAR(brightnessOffset(0.999999), 0.0, 1e-6);
    EXPECT_NEAR(brightnessOffset(1.000001), 0.0, 1e-6);
}

TEST(PlaybackAdjust, SettingsOutsideTheirRangesAreClampedFirst)
{
    EXPECT_EQ(clampGamma(0.0), 0.1);
    EXPECT_EQ(clampGamma(9.0), 5.0);
    EXPECT_EQ(clampGamma(std::numeric_limits<double>::quiet_NaN()), 1.0);
    EXPECT_NEAR(brightnessOffset(clampGamma(-3.0)), -0.27, 1e-12);
    EXPECT_EQ(clampVolume(1.5f), 1.0f);
    EXPECT_EQ(clampVolume(-0.1f), 0.0f);
    EXPECT_EQ(clampVolume(std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

TEST(PlaybackAdjust, SpeedPositionsSelectTheRateTable)
{
    const float rates[] = {0.5f, 1.0f, 2.0f, 3.0f, 5.0f, 10.0f};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(playSpeedForPosition(i).rate, rates[i]) << i;
    EXPECT_STREQ(playSpeedForPosition(0).label, "×0.5 time speed");
    EXPECT_STREQ(playSpeedForPosition(5).label, "×10 times speed");
    EXPECT_EQ(playSpeedForPosition(-1).rate, 1.0f);
    EXPECT_EQ(playSpeedForPosition(6).rate, 1.0f);
    EXPECT_STREQ(playSpeedForPosition(42).label, "standard");
}

TEST(PlaybackAdjust, RatesAboveTwoLeaveTheMediaPlayerStill)
{
    EXPECT_EQ(mediaRateFor(0.5f), 0.5f);
    EXPECT_EQ(mediaRateFor(2.0f), 2.0f);
    EXPECT_EQ(mediaRateFor(3.0f), 0.0f);
    EXPECT_EQ(mediaRateFor(5.0f), 0.0f);
    EXPECT_EQ(mediaRateFor(10.0f), 0.0f);
}

TEST(PlaybackAdjust, SliderValueLabels)
{
    EXPECT_EQ(brightnessValueText(1.96), QStringLiteral("2.0"));
    EXPECT_EQ(brightnessValueText(1.0), QStringLiteral("1.0"));
    EXPECT_EQ(volumeValueText(1.0), QStringLiteral("16"));
    EXPECT_EQ(volumeValueText(0.03), QStringLiteral("0"));
    EXPECT_EQ(volumeValueText(0.5), QStringLiteral("8"));
    EXPECT_EQ(volumeValueText(0.53125), QStringLiteral("9")); // 8.5 rounds away from zero
}

TEST(PlaybackAdjust, FrameStepFollowsTheFrameRate)
{
    EXPECT_EQ(frameStepMs(28.0), 35);
    EXPECT_EQ(frameStepMs(30.0), 33);
    EXPECT_EQ(frameStepMs(29.97), 33);
    EXPECT_EQ(frameStepMs(0.0), 35);
    EXPECT_EQ(frameStepMs(-5.0), 35);
    EXPECT_EQ(frameStepMs(std::numeric_limits<double>::infinity()), 35);
    EXPECT_EQ(frameStepMs(std::numeric_limits<double>::quiet_NaN()), 35);
    EXPECT_EQ(frameStepMs(5000.0), 35);
    EXPECT_EQ(frameStepMs(1e-300), 60000);
}

TEST(PlaybackAdjust, BrightViewVeil)
{
    EXPECT_EQ(brightViewVeil(1.0).colour, Veil::Colour::Clear);
    const Veil darker = brightViewVeil(0.5);
    EXPECT_EQ(darker.colour, Veil::Colour::Black);
    EXPECT_DOUBLE_EQ(darker.alpha, 0.125);
    const Veil black = brightViewVeil(0.0);
    EXPECT_DOUBLE_EQ(black.alpha, 0.25);
    const Veil lighter = brightViewVeil(2.0);
    EXPECT_EQ(lighter.colour, Veil::Colour::White);
    EXPECT_DOUBLE_EQ(lighter.alpha, 0.15);
    EXPECT_DOUBLE_EQ(brightViewVeil(5.0).alpha, 0.375);
}
