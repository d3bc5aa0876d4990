// The map page driven from the pane, off the network: the map starts on
// every page load, draws route, markers and car once per page, keeps card
// texts as text, reports marker clicks and pushes its zoom, map type and
// balloon display back.

#include "WebEngineTestSupport.h"
#include "app/map/WebMapView.h"
#include "core/map/MapScript.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>

namespace {

struct Clicks : WebMapViewDelegate {
    QList<MapPoint> points;
    void markerClicked(const MapPoint& point) override { points.append(point); }
};

// Marker key and balloon text that would break a call or run script if
// they were put into the page unescaped.
const QString HOSTILE_KEY = QStringLiteral("E\"0\\'");
const QString HOSTILE_TEXT = QStringLiteral("a\"b\\c</script><img src=x onerror=\"window.pwned=1\">\nline2");

} // namespace

class TestWebMapView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }

    void thePageDrawsWhatThePaneHoldsAndKeepsCardTextsAsText()
    {
        WebMapView view(0);
        view.setNetworkAllowed(false);
        view.setVersionNoteFolder(m_dir.filePath(QStringLiteral("note")));
        QStringList sent;
        view.setScriptObserver([&sent](const QString& s) { sent.append(s); });
        Clicks clicks;
        view.delegate = &clicks;
        view.resize(360, 220);
        view.show();

        // Drawing asked for while the page loads reaches it once it has.
        WebMapModel& model = view.model();
        model.markerList.insert(HOSTILE_KEY,
                                MapPoint::eventMarker(-33.87, 151.21, HOSTILE_TEXT, MarkerType::EVENT, 4));
        model.markerList.insert(
            QStringLiteral("C0_0"),
            MapPoint::tripMarker(-33.86, 151.20, QStringLiteral("15.03.2026"), MarkerType::NORMAL, 0, 0));
        model.addMarkers();
        for (int i = 0; i < 50; ++i)
            model.addPolyPoint(-33.87 + i * 0.0004, 151.21 + i * 0.0003);
        model.drawPolyline();
        QSignalSpy loaded(&view, &WebMapView::pageLoaded);
        QVERIFY(loaded.wait(30000));
        QCOMPARE(loaded.first().first().toBool(), true);
        QCOMPARE(sent.value(0), QStringLiteral("initialize()"));
        model.setCenter(-33.865, 151.205);
        model.setZoom(14);
        model.drawMyCar(-33.868, 151.212, IconId::NorthEast, false);

        QWebEnginePage* page = view.page();
        QTRY_COMPARE(webtest::evaluate(page, "document.querySelectorAll('.kr-pin').length").toInt(), 2);
        QCOMPARE(webtest::evaluate(page, "document.querySelectorAll('path.kr-route').length").toInt(), 1);
        QVERIFY(webtest::evaluate(page, "document.querySelector('path.kr-route').getAttribute('d')")
                    .toString()
                    .size() > 10);
        // A route that grows is added to where it ends: the line drawn stays,
        // a piece from its end makes it longer.
        model.setZoom(12);
        const auto routeWidth = [page] {
            return webtest::evaluate(page, "(function () {"
                                           "  var left = Infinity, right = -Infinity;"
                                           "  document.querySelectorAll('path.kr-route, path.kr-route-part')"
                                           "    .forEach(function (p) {"
                                           "      var b = p.getBoundingClientRect();"
                                           "      left = Math.min(left, b.left); right = Math.max(right, b.right);"
                                           "    });"
                                           "  return right - left;"
                                           "})()")
                .toDouble();
        };
        const double shortRoute = routeWidth();
        const std::size_t drawn = model.polyList.size();
        for (int i = 50; i < 80; ++i)
            model.addPolyPoint(-33.87 + i * 0.0004, 151.21 + i * 0.0003);
        model.extendPolyline(drawn);
        QTRY_VERIFY2(routeWidth() > shortRoute * 1.3, qPrintable(QString::number(routeWidth())));
        QCOMPARE(webtest::evaluate(page, "document.querySelectorAll('path.kr-route').length").toInt(), 1);
        QCOMPARE(webtest::evaluate(page, "document.querySelectorAll('path.kr-route-part').length").toInt(), 1);
        QVERIFY(shortRoute > 20);
        model.setZoom(14);
        QCOMPARE(webtest::evaluate(page, "document.querySelectorAll('.kr-car.kr-car-nogps').length").toInt(),
                 1);
        // The arrow points where the frame's heading says, for each of the
        // sixteen headings, whichever way the car moved to get there.
        double lng = 151.212;
        const QMap<IconId, double>& compass = webtest::compassDegrees();
        QCOMPARE(compass.size(), 16);
        for (auto it = compass.cbegin(); it != compass.cend(); ++it) {
            const IconId icon = it.key();
            const double degrees = it.value();
            lng += 0.0005; // 46 m east each time
            model.drawMyCar(-33.868, lng, icon, false);
            const double shown = webtest::arrowHeading(page);
            QVERIFY2(qAbs(std::remainder(shown - degrees, 360.0)) < 0.5,
                     qPrintable(QStringLiteral("icon %1: %2 degrees").arg(int(icon)).arg(shown)));
        }
        model.drawMyCar(-33.868, 151.212, IconId::NorthEast, false);
        QVERIFY(qAbs(webtest::arrowHeading(page) - 45.0) < 0.5);

        // The hostile text is the balloon's text, nothing ran.
        webtest::evaluate(page, "document.querySelector('.kr-pin-event').parentNode"
                                ".dispatchEvent(new MouseEvent('mouseover', {bubbles: true}))");
        QTRY_COMPARE(webtest::evaluate(page, "(document.querySelector('.leaflet-tooltip') || {}).textContent")
                         .toString(),
                     HOSTILE_TEXT);
        QCOMPARE(webtest::evaluate(page, "String(window.pwned)").toString(), QStringLiteral("undefined"));
        QCOMPARE(webtest::evaluate(page, "document.querySelectorAll('img[src=x]').length").toInt(), 0);

        // A click on the marker reaches the delegate with the marker's point.
        webtest::evaluate(page, "document.querySelector('.kr-pin-event').parentNode.click()");
        QTRY_COMPARE(clicks.points.size(), 1);
        QCOMPARE(clicks.points.first().eventIndex, 4);
        QCOMPARE(clicks.points.first().msg, HOSTILE_TEXT);

        // A long balloon stays inside the map wherever its marker lies: by
        // the edges, right of the centre, at the top and the bottom.
        const QString outside = webtest::evaluate(page, QStringLiteral(R"((function () { try {
            var map = document.getElementById('map').getBoundingClientRect();
            var crs = L.CRS.EPSG3857, zoom = %1;
            window.removeMarkerAll();
            window.addMarker('ref', -33.865, 151.205, 'r', 0);
            var icon = document.querySelector('.kr-pin-box').getBoundingClientRect();
            var refPixel = crs.latLngToPoint(L.latLng(-33.865, 151.205), zoom);
            var refAt = L.point(icon.left - map.left + 12, icon.top - map.top + 31);
            var out = [];
            [[6, 110], [200, 110], [354, 110], [180, 36], [180, 216], [6, 216]].forEach(function (spot, i) {
                window.removeMarkerAll();
                var at = crs.pointToLatLng(refPixel.add(L.point(spot[0], spot[1]).subtract(refAt)), zoom);
                window.addMarker('k' + i, at.lat, at.lng, '15.03.2026 07:31:05 AM\nG-sensor  0.62 G  48 km/h', 1);
                document.querySelector('.kr-pin-box').dispatchEvent(new MouseEvent('mouseover', {bubbles: true}));
                var tip = document.querySelector('.leaflet-tooltip');
                var b = tip ? tip.getBoundingClientRect() : null;
                if (!b || b.left < map.left - 0.5 || b.top < map.top - 0.5 || b.right > map.right + 0.5 || b.bottom > map.bottom + 0.5)
                    out.push(spot + (b ? ': ' + [b.left - map.left, b.top - map.top, b.right - map.left,
                                                 b.bottom - map.top].join(',') : ': none'));
            });
            window.removeMarkerAll();
            return 'inside: ' + out.join('; ');
        } catch (e) { return String(e); } })())").arg(view.currentZoom().value_or(14))).toString();
        QCOMPARE(outside, QStringLiteral("inside: "));

        // The page tells its state; the pane never has to ask.
        QTRY_COMPARE(view.currentZoom().value_or(-1), 14);
        QTRY_COMPARE(view.bridge()->mapVersion(), QStringLiteral("Leaflet 1.9.4"));
        QCOMPARE(view.currentMapTypeId(), QStringLiteral("roadmap"));
        view.evaluate(MapScript::setMapTypeId(QStringLiteral("terrain")));
        QTRY_COMPARE(view.currentMapTypeId(), QStringLiteral("terrain"));
        view.evaluate(MapScript::setMapTypeId(QStringLiteral("satellite\");window.pwned=1;(\"")));
        QTRY_COMPARE(view.currentMapTypeId(), QStringLiteral("roadmap"));
        QVERIFY(view.getDispBalloon());
        view.evaluate(MapScript::setDispBalloon(false));
        QTRY_VERIFY(!view.getDispBalloon());
        QCOMPARE(webtest::evaluate(page, "String(window.pwned)").toString(), QStringLiteral("undefined"));

        // The version note was written once the page told its library.
        QFile note(m_dir.filePath(QStringLiteral("note/mv.txt")));
        QTRY_VERIFY(note.exists());
        QVERIFY(note.open(QIODevice::ReadOnly));
        QVERIFY(note.readAll().contains("Maps JavaScript API Version: Leaflet 1.9.4\n"));

        // A reloaded page is drawn afresh, once.
        QVERIFY(view.loadPage());
        QVERIFY(loaded.wait(30000));
        QTRY_COMPARE(webtest::evaluate(page, "document.querySelectorAll('.kr-pin').length").toInt(), 2);
        QCOMPARE(webtest::evaluate(page, "document.querySelectorAll('path.kr-route').length").toInt(), 1);
        QCOMPARE(webtest::evaluate(page, "document.querySelectorAll('.kr-car').length").toInt(), 0);
        model.flgCar = true;
        model.refreshMap();
        QTRY_COMPARE(webtest::evaluate(page, "document.querySelectorAll('.kr-car').length").toInt(), 1);

        // Removals clear the page.
        model.removeMarkerAll();
        model.removePolyLine();
        model.removeMyCar();
        QTRY_COMPARE(
            webtest::evaluate(page, "document.querySelectorAll('.kr-pin, .kr-car, path.kr-route').length")
                .toInt(),
            0);
        view.delegate = nullptr;
    }

    void linksLeaveThePageAlone()
    {
        WebMapView view(2);
        view.setNetworkAllowed(false);
        QSignalSpy loaded(&view, &WebMapView::pageLoaded);
        QVERIFY(loaded.wait(30000));
        QCOMPARE(view.url(), WebMapView::pageUrl(2));
        // A navigation away (a script, or a followed link) is refused.
        view.evaluate(QStringLiteral("window.location.href = 'https://example.com/'"));
        QTest::qWait(300);
        QCOMPARE(view.page()->url(), WebMapView::pageUrl(2));
        QCOMPARE(webtest::evaluate(view.page(), "document.documentElement.lang").toString(),
                 QStringLiteral("es"));
        // The page's own texts are the language's too.
        QCOMPARE(webtest::evaluate(view.page(), "document.title").toString(), QStringLiteral("Mapa"));
        const QString layers =
            webtest::evaluate(view.page(), "document.querySelector('.leaflet-control-layers').textContent")
                .toString();
        QVERIFY2(layers.contains(QStringLiteral("Relieve")) && layers.contains(QStringLiteral("Globos")),
                 qPrintable(layers));
    }

private:
    QTemporaryDir m_dir;
};

KR_WEBENGINE_TEST_MAIN(TestWebMapView)
#include "tst_webmapview.moc"
