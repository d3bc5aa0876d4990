// The map pane's state and the calls it makes: drawing asked for before the
// page is there, a page replaced by a reload, the car's change test, the
// starting view and the route points.

#include "core/map/MapScript.h"
#include "core/map/WebMapModel.h"

#include <gtest/gtest.h>

namespace {

struct Pane {
    QStringList sent;
    WebMapModel model{[this](const QString& s) { sent.append(s); }, true};

    int count(const QString& prefix) const
    {
        int n = 0;
        for (const QString& s : sent)
            n += int(s.count(prefix));
        return n;
    }
};

} // namespace

TEST(WebMapModel, DrawingBeforeThePageIsSentOnceWhenItLoadsAndAgainOnANewPage)
{
    Pane pane;
    pane.model.markerList.insert(
        QStringLiteral("E0"), MapPoint::eventMarker(-33.0, 151.0, QStringLiteral("a"), MarkerType::EVENT, 0));
    pane.model.markerList.insert(
        QStringLiteral("S0"),
        MapPoint::eventMarker(-33.1, 151.1, QStringLiteral("b"), MarkerType::SURVEILLANCE, 0));
    pane.model.addMarkers();
    pane.model.addPolyPoint(-33.0, 151.0);
    pane.model.addPolyPoint(-33.2, 151.2);
    pane.model.drawPolyline();
    pane.model.drawMyCar(-33.2, 151.2, IconId::North, true);
    pane.model.flgCar = true;
    EXPECT_TRUE(pane.sent.isEmpty()); // no page yet: nothing is lost on it

    pane.model.onPageLoaded();
    ASSERT_FALSE(pane.sent.isEmpty());
    EXPECT_EQ(pane.sent.first(), "initialize()");
    EXPECT_EQ(pane.count(QStringLiteral("addMarker(")), 2);
    EXPECT_EQ(pane.count(QStringLiteral("drawPolyline()")), 1);
    EXPECT_EQ(pane.count(QStringLiteral("drawMyCar(")), 1);

    // A refresh draws the car again but neither the route nor the markers.
    pane.sent.clear();
    pane.model.refreshMap();
    EXPECT_EQ(pane.sent, QStringList{MapScript::drawMyCar(-33.2, 151.2, IconId::North, true)});

    // A reloaded page is empty: everything is drawn on it once more, once.
    pane.sent.clear();
    pane.model.pageLoadStarted();
    pane.model.addMarkers();
    EXPECT_TRUE(pane.sent.isEmpty());
    pane.model.onPageLoaded();
    EXPECT_EQ(pane.count(QStringLiteral("addMarker(")), 2);
    EXPECT_EQ(pane.count(QStringLiteral("drawPolyline()")), 1);
    EXPECT_EQ(pane.count(QStringLiteral("drawMyCar(")), 1);

    // Removals empty the pane too: a later page shows none of it.
    pane.model.removeMarkerAll();
    pane.model.removePolyLine();
    pane.model.removeMyCar();
    pane.sent.clear();
    pane.model.onPageLoaded();
    EXPECT_EQ(pane.count(QStringLiteral("addMarker(")), 0);
    EXPECT_EQ(pane.count(QStringLiteral("drawPolyline()")), 0);
    EXPECT_EQ(pane.count(QStringLiteral("drawMyCar(")), 0);
    // ... and a cleared centre (0/0) starts the page at its starting centre.
    EXPECT_TRUE(pane.sent.contains(QStringLiteral("movePosition(-29.4944,132.6368)")));
}

TEST(WebMapModel, TheCarIsSentOnlyWhenItChanges)
{
    Pane pane;
    pane.model.onPageLoaded();
    pane.sent.clear();
    pane.model.drawMyCar(-33.5, 151.5, IconId::East, true);
    pane.model.drawMyCar(-33.5, 151.5, IconId::East, true);
    EXPECT_EQ(pane.sent.size(), 1);
    pane.model.drawMyCar(-33.5, 151.5, IconId::East, false);
    pane.model.drawMyCar(-33.5, 151.5, IconId::PlaybackBrake, false);
    pane.model.drawMyCar(-33.5, 151.6, IconId::PlaybackBrake, false);
    EXPECT_EQ(pane.sent.size(), 4);
    // A centre at the car's place does not count as a move.
    pane.model.setCenter(-33.7, 151.7);
    pane.sent.clear();
    pane.model.drawMyCar(-33.7, 151.7, IconId::PlaybackBrake, false);
    EXPECT_TRUE(pane.sent.isEmpty());
}

TEST(WebMapModel, TheStartingViewIsTheOverviewUntilDataIsCentred)
{
    {
        // In the pane with nothing shown: the overview zoom.
        Pane pane;
        pane.model.mapZoom = 15;
        pane.model.onPageLoaded();
        EXPECT_EQ(pane.sent.last(), "setLanguage(0)");
        EXPECT_TRUE(pane.sent.contains("setZoom(2)"));
        EXPECT_EQ(pane.count(QStringLiteral("setCenter(")), 0);
    }
    {
        // Hidden or detached: the stored zoom.
        Pane pane;
        pane.model.mapZoom = 15;
        pane.model.mapViewHiddenFlg = true;
        pane.model.onPageLoaded();
        EXPECT_FALSE(pane.sent.contains("setZoom(2)"));
        EXPECT_TRUE(pane.sent.contains("setZoom(15)"));
    }
    for (const bool bothAway : {false, true}) {
        // Only a point away from the start in both coordinates moves the centre.
        Pane pane;
        pane.model.currentPoint.lng = 140.0;
        if (bothAway) pane.model.currentPoint.lat = -30.0;
        pane.model.mapViewHiddenFlg = true;
        pane.model.onPageLoaded();
        EXPECT_EQ(pane.count(QStringLiteral("setCenter(")), bothAway ? 1 : 0);
        EXPECT_EQ(pane.sent.contains("setCenter(-30.0,140.0)"), bothAway);
    }
    {
        // Data centred before the page loaded keeps its centre and zoom.
        Pane pane;
        pane.model.setCenter(-33.8688, 151.2093);
        pane.model.centredOnData = true;
        pane.model.onPageLoaded();
        EXPECT_TRUE(pane.sent.contains("setCenter(-33.8688,151.2093)"));
        EXPECT_FALSE(pane.sent.contains("setCenter(-29.4944,132.6368)"));
        EXPECT_FALSE(pane.sent.contains("setZoom(2)"));
    }
    {
        // A balloon setting changed since the pane was made is applied.
        Pane pane;
        pane.model.mapDispBalloon = false;
        pane.model.onPageLoaded();
        EXPECT_EQ(pane.count(QStringLiteral("setDispBalloon(false)")), 2);
    }
}

TEST(WebMapModel, RoutePointsSkipNoPositionAndBackAndForth)
{
    EXPECT_DOUBLE_EQ(MapPosition::toDegrees(1), 0.000028);
    EXPECT_DOUBLE_EQ(MapPosition::toDegrees(-1), -0.000028);
    EXPECT_DOUBLE_EQ(MapPosition::toDegrees(36000 * 151), 151.0);
    EXPECT_DOUBLE_EQ(MapPosition::toDegrees(-1219171), -33.865861);

    std::vector<GeoPoint> route;
    const GeoPoint a{1.0, 2.0}, b{3.0, 4.0}, c{5.0, 6.0};
    for (const GeoPoint& p : {a, b, a, b, c, c})
        MapPosition::appendRoutePoint(route, p.lat, p.lng);
    EXPECT_EQ(route, (std::vector<GeoPoint>{a, b, c}));
    EXPECT_FALSE(MapPosition::appendRoutePoint(route, 0.0, 0.0));
    EXPECT_TRUE(MapPosition::appendRoutePoint(route, 0.0, 7.0));
}

TEST(WebMapModel, AMarkerClickFindsOnlyKnownKeys)
{
    Pane pane;
    pane.model.markerList.insert(QStringLiteral("C1_2"),
                                 MapPoint::tripMarker(1, 2, QString(), MarkerType::NORMAL, 1, 2));
    ASSERT_NE(pane.model.marker(QStringLiteral("C1_2")), nullptr);
    EXPECT_EQ(pane.model.marker(QStringLiteral("C1_2"))->chapterIndex, 2);
    EXPECT_EQ(pane.model.marker(QStringLiteral("C9_9")), nullptr);
    pane.model.removeMarkerAll();
    EXPECT_EQ(pane.model.marker(QStringLiteral("C1_2")), nullptr);
}
