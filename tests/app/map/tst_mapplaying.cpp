// The map beside the real player (libmpv) over a generated card with real
// movies: the page, reloaded as after an offline start while the movie
// plays, finishes loading and draws the markers, the route and the car
// again; a picture of it is left in the build folder.

#include "AppTestSupport.h"
#include "WebEngineTestSupport.h"
#include "app/catalog/VideoListView.h"
#include "app/mainwindow/MainWindow.h"
#include "app/mainwindow/ViewController.h"
#include "app/map/MapController.h"
#include "app/player/MoviePlayerView.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"
#include "core/player/MediaPlayer.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <clocale>

using namespace apptest;

class TestMapPlaying : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void thePageReloadedWhileAMoviePlaysDrawsEverythingAgain()
    {
        // libmpv reads numbers in the C locale only.
        std::setlocale(LC_NUMERIC, "C");
        QStandardPaths::setTestModeEnabled(true);
        QTemporaryDir dir;
        useTemporaryStore(dir.path());
        resetSettings();
        cardgen::CardOptions o;
        cardgen::TripOptions trip = tripOf(2, 0, 20);
        trip.format.realVideo = true;
        o.trips = {trip};
        o.videoCacheDir = dir.filePath(QStringLiteral("cache"));
        auto card = cardgen::writeCard(dir.filePath(QStringLiteral("card")), o);
        AlertLog alerts;
        ViewController::Options options;
        options.probeNetwork = false;
        options.checkForUpdates = false;
        options.loadDelayMs = 0;
        options.withMap = true;
        options.playerFactory = MoviePlayerView::mpvFactory({true});
        MainWindow window(nullptr, options);
        window.mapController()->webMapView()->setNetworkAllowed(false);
        window.resize(1280, 800);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY_WITH_TIMEOUT(window.mapController()->webMapView()->isPageReady(), 30000);
        QSignalSpy finished(window.controller(), &ViewController::loadFinished);
        window.controller()->loadData(card.moveDir, true, MovieType::Card);
        QVERIFY(finished.wait(30000));
        QTRY_VERIFY_WITH_TIMEOUT(window.moviePlayerView()->mediaPlayer()->currentTimeMs() > 800, 10000);
        WebMapView* web = window.mapController()->webMapView();
        QSignalSpy loaded(web, &WebMapView::pageLoaded);
        QVERIFY(web->loadPage());
        QVERIFY(loaded.wait(30000));
        QCOMPARE(loaded.first().first().toBool(), true);
        // The markers come from the background: all of them are on the page.
        QTRY_VERIFY(!web->model().markerList.isEmpty());
        QTRY_COMPARE(webtest::evaluate(web->page(), "document.querySelectorAll('.kr-pin').length").toInt(),
                     int(web->model().markerList.size()));
        QCOMPARE(webtest::evaluate(web->page(), "document.querySelectorAll('path.kr-route').length").toInt(),
                 1);
        QTRY_COMPARE(webtest::evaluate(web->page(), "document.querySelectorAll('.kr-car').length").toInt(),
                     1);
        QVERIFY(window.grab().save(QStringLiteral(KR_BINARY_DIR) +
                                   QStringLiteral("/mainwindow-map-playing.png")));
        QVERIFY(alerts.alerts.isEmpty());
    }
};
KR_WEBENGINE_TEST_MAIN(TestMapPlaying)
#include "tst_mapplaying.moc"
