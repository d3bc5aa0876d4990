#include "core/player/VideoSurfaceGeometry.h"

#include <gtest/gtest.h>

using namespace VideoSurfaceGeometry;

namespace {
void expectRect(const QRectF& actual, double x, double y, double w, double h)
{
    EXPECT_NEAR(actual.x(), x, 1e-9);
    EXPECT_NEAR(actual.y(), y, 1e-9);
    EXPECT_NEAR(actual.width(), w, 1e-9);
    EXPECT_NEAR(actual.height(), h, 1e-9);
}
} // namespace

TEST(VideoSurfaceGeometry, ScaleTypesExistOnlyForOneToFive)
{
    EXPECT_FALSE(scaleType(0));
    EXPECT_FALSE(scaleType(6));
    ASSERT_TRUE(scaleType(3));
    EXPECT_EQ(*scaleType(3), ScaleType::Scale_x3);
}

TEST(VideoSurfaceGeometry, AWideViewIsPillarboxedAndATallOneLetterboxed)
{
    expectRect(fittedRect(QSizeF(1000, 360)), (1000 - 640) / 2.0, 0, 640, 360);
    expectRect(fittedRect(QSizeF(320, 400)), 0, (400 - 180) / 2.0, 320, 180);
    expectRect(fittedRect(QSizeF(0, 0)), 0, 0, 0, 0);
}

TEST(VideoSurfaceGeometry, UnzoomedPictureIsTheFittedRectangle)
{
    const Layout l = layout(QSizeF(800, 450), ScaleType::Scale_x1, std::nullopt, QPointF(), false);
    expectRect(l.picture, 0, 0, 800, 450);
    EXPECT_FALSE(l.selectionShown);
    EXPECT_FALSE(l.captionStripShown);
}

TEST(VideoSurfaceGeometry, ChoosingShowsAWindowOfOneScaleOfThePictureAroundTheCursor)
{
    const QSizeF view(960, 540);
    const Layout l = layout(view, ScaleType::Scale_x3, std::nullopt, QPointF(480, 270), false);
    EXPECT_TRUE(l.selectionShown);
    expectRect(l.selectionWindow, 480 - 160, 270 - 90, 320, 180);
    expectRect(l.picture, 0, 0, 960, 540); // not magnified yet
}

TEST(VideoSurfaceGeometry, TheZoomCentreStopsAtThePictureEdge)
{
    const QSizeF view(960, 540);
    const QRectF fitted = fittedRect(view);
    const QPointF corner = clampZoomCentre(QPointF(-50, 900), fitted, view, 3);
    EXPECT_DOUBLE_EQ(corner.x(), 160.0);
    EXPECT_DOUBLE_EQ(corner.y(), 540.0 - 90.0);
    // Pillarboxed: the bounds follow the picture, not the view.
    const QSizeF wide(1200, 540);
    const QRectF f2 = fittedRect(wide);
    const QPointF left = clampZoomCentre(QPointF(0, 270), f2, wide, 2);
    EXPECT_DOUBLE_EQ(left.x(), 120.0 + 240.0);
    const QPointF right = clampZoomCentre(QPointF(1200, 270), f2, wide, 2);
    EXPECT_DOUBLE_EQ(right.x(), 1200.0 - 360.0);
}

TEST(VideoSurfaceGeometry, ZoomedPictureIsMagnifiedAboutTheChosenPoint)
{
    const QSizeF view(960, 540);
    const QRectF fitted = fittedRect(view);
    const QPointF zp = zoomPointForClick(QPointF(240, 135), fitted, view, 3);
    // (240,135) lies inside the allowed area for ×3 (160..800, 90..450).
    EXPECT_DOUBLE_EQ(zp.x(), 0.25);
    EXPECT_DOUBLE_EQ(zp.y(), 0.25);
    const Layout l = layout(view, ScaleType::Scale_x3, zp, QPointF(), false);
    EXPECT_FALSE(l.selectionShown);
    expectRect(l.picture, 480 - 0.25 * 2880, 270 - 0.25 * 1620, 2880, 1620);
    // The chosen picture point sits at the view's centre.
    const QPointF mapped(l.picture.left() + zp.x() * l.picture.width(), l.picture.top() + zp.y() * l.picture.height());
    EXPECT_DOUBLE_EQ(mapped.x(), 480.0);
    EXPECT_DOUBLE_EQ(mapped.y(), 270.0);
    // The magnified picture never leaves a gap inside the fitted rectangle.
    EXPECT_TRUE(l.picture.contains(l.fitted));
}

TEST(VideoSurfaceGeometry, ChangingTheFactorClampsTheClickForTheSmallerWindow)
{
    const QSizeF view(960, 540);
    const QRectF fitted = fittedRect(view);
    const QPointF click(200, 100);
    const QPointF at2 = zoomPointForClick(click, fitted, view, 2);
    const QPointF at4 = zoomPointForClick(click, fitted, view, 4);
    EXPECT_DOUBLE_EQ(at2.x(), 0.25);    // 240 / 960
    EXPECT_DOUBLE_EQ(at2.y(), 0.25);    // 135 / 540
    EXPECT_DOUBLE_EQ(at4.x(), 200.0 / 960.0);
    EXPECT_DOUBLE_EQ(at4.y(), 100.0 / 540.0);
}

TEST(VideoSurfaceGeometry, TrimmedMoviesGetABlackBandOverTheCaptions)
{
    const Layout l = layout(QSizeF(1920, 1080), ScaleType::Scale_x1, std::nullopt, QPointF(), true);
    EXPECT_TRUE(l.captionStripShown);
    expectRect(l.captionStrip, 0, 1050, 1920, 30);
    const QPointF origin = trimLabelOrigin(l.picture);
    EXPECT_DOUBLE_EQ(origin.x(), 5.0);
    EXPECT_DOUBLE_EQ(origin.y(), 5.0);
}
