// The main window with its map, off the network, over a generated card: the
// load draws the markers once and the route of what plays, the car follows
// the play position with at most one page call a tick, marker clicks play
// their recordings, the map moves between its place, hidden and its own
// window, the quit saves its settings, the Google Earth button exports what
// plays; and a picture of the window shows the route.

#include "AppTestSupport.h"
#include "FakePlayerWindow.h"
#include "WebEngineTestSupport.h"
#include "app/catalog/VideoListView.h"
#include "app/mainwindow/MainWindow.h"
#include "app/mainwindow/PlayController.h"
#include "app/mainwindow/ViewController.h"
#include "app/map/GoogleEarthExport.h"
#include "app/map/MapController.h"
#include "app/player/CustomSliderCellMin.h"
#include "app/player/EXTextButton.h"
#include "app/player/MoviePlayerView.h"
#include "core/catalog/RecordingList.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"
#include "core/player/PlayMovieValueInfo.h"

#include <QPointer>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace apptest;
using CommonConst::ListType;
using CommonConst::PlayStatus;
using CommonConst::PlayType;

namespace {

struct Rig {
    QPointer<FakeMediaPlayer> media;
    std::unique_ptr<MainWindow> window;
    QStringList sent;

    Rig()
    {
        ViewController::Options o = fakePlayerOptions(media, 10000);
        o.withMap = true;
        window = std::make_unique<MainWindow>(nullptr, o);
        web()->setNetworkAllowed(false);
        web()->setVersionNoteFolder(QString());
        web()->setScriptObserver([this](const QString& s) { sent.append(s); });
        window->resize(1280, 800);
        window->show();
    }
    MapController* map() const { return window->mapController(); }
    WebMapView* web() const { return map()->webMapView(); }
    ViewController* controller() const { return window->controller(); }
    MoviePlayerView* player() const { return window->moviePlayerView(); }
    RecordingList& list() const { return window->videoListView()->list(); }
    int pageCount(const char* selector) const
    {
        return webtest::evaluate(
                   web()->page(),
                   QStringLiteral("document.querySelectorAll('%1').length").arg(QLatin1String(selector)))
            .toInt();
    }
    void clickMarker(const QString& key)
    {
        // The page's own click on the marker (the pane's table gives its place in the DOM).
        const int index = int(web()->model().markerList.keys().indexOf(key));
        QVERIFY(index >= 0);
        webtest::evaluate(web()->page(),
                          QStringLiteral("document.querySelectorAll('.kr-pin-box')[%1].click()").arg(index));
    }
    bool load(const QString& path)
    {
        // The page first: a page that loads while video paints may never finish.
        if (!QTest::qWaitFor([this] { return web()->isPageReady(); }, 30000)) return false;
        QSignalSpy finished(controller(), &ViewController::loadFinished);
        controller()->loadData(path, true, MovieType::Card);
        return finished.wait(20000);
    }
    int countSent(const QString& prefix) const
    {
        int n = 0;
        for (const QString& s : sent)
            n += int(s.count(prefix));
        return n;
    }
};

} // namespace

class TestMapWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        useTemporaryStore(m_dir.path());
        m_card = cardgen::writeCard(m_dir.filePath(QStringLiteral("card")), mixedCard());
    }
    void init() { resetSettings(); }

    void aLoadDrawsMarkersOnceTheRouteAndTheCarAndClicksPlay()
    {
        AlertLog alerts;
        Rig rig;
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_COMPARE(rig.player()->currentStatus(), PlayStatus::Play);

        // One marker per event, surveillance recording and trip chapter, sent once.
        const int markers = int(rig.web()->model().markerList.size());
        int chapters = 0;
        for (const auto& trip : rig.list().trips())
            chapters += int(trip->chapterCount());
        QCOMPARE(markers, int(rig.list().events().size() + rig.list().surveillances().size()) + chapters);
        QCOMPARE(rig.countSent(QStringLiteral("addMarker(")), markers);
        QTRY_COMPARE(rig.pageCount(".kr-pin"), markers);
        QCOMPARE(rig.pageCount(".kr-pin-event"), int(rig.list().events().size()));
        QCOMPARE(rig.pageCount(".kr-pin-surveillance"), int(rig.list().surveillances().size()));
        // The map is centred and zoomed on the first event, once.
        QVERIFY(rig.map()->isZoomedAndCentred());
        QTRY_COMPARE(rig.web()->currentZoom().value_or(-1), 15);

        // The first trip's route and the car.
        QTRY_COMPARE(rig.pageCount("path.kr-route"), 1);
        QVERIFY(rig.web()->model().polyList.size() > 10);
        QTRY_COMPARE(rig.pageCount(".kr-car"), 1);

        // While playing, every tick sends at most the car, and only when it moved.
        rig.player()->playSpeedSlider->setDoubleValue(5); // 10x: the car surely moves
        rig.player()->applyPlaySpeed();
        rig.sent.clear();
        QTest::qWait(600);
        QVERIFY(!rig.sent.isEmpty());
        for (int i = 0; i < rig.sent.size(); ++i) {
            QVERIFY2(rig.sent[i].startsWith(QLatin1String("drawMyCar(")), qPrintable(rig.sent[i]));
            if (i > 0) QVERIFY(rig.sent[i] != rig.sent[i - 1]);
        }
        QVERIFY(rig.sent.size() <= 600 / 33 + 2);
        rig.player()->pause();
        QTest::qWait(100);
        rig.sent.clear();
        rig.controller()->refreshDrivingInfo(false);
        QTest::qWait(300);
        QVERIFY2(rig.sent.isEmpty(), qPrintable(rig.sent.join(QLatin1Char('\n'))));

        // An event marker plays its event, with the window's route; it waits
        // at its start, and the car is there although the player was still
        // seeking when it became ready.
        rig.media->seeksTakeATurn = true;
        rig.clickMarker(QStringLiteral("E0"));
        QTRY_COMPARE(rig.player()->_valueInfo->_playType, PlayType::Event);
        QCOMPARE(rig.list().currentRow(ListType::Event), 0);
        QTRY_COMPARE(rig.pageCount("path.kr-route"), 1);
        QTRY_VERIFY(rig.countSent(QStringLiteral("drawMyCar(")) > 0);
        QVERIFY(rig.player()->currentStatus() != PlayStatus::Play);
        rig.media->seeksTakeATurn = false;
        // A surveillance marker plays its recording.
        rig.clickMarker(QStringLiteral("S0"));
        QTRY_COMPARE(rig.player()->_valueInfo->_playType, PlayType::Surveillance);
        // A chapter marker plays its trip from that chapter.
        rig.clickMarker(QStringLiteral("C1_2"));
        QTRY_COMPARE(rig.player()->_valueInfo->_playType, PlayType::Movie);
        QCOMPARE(rig.list().currentRow(ListType::Trip), 1);
        QTRY_COMPARE(rig.list().currentRow(ListType::TripChapter), 2);
        QVERIFY(rig.window->windowTitle().contains(
            rig.list().trip(1)->chapterDataList()[2]->_pathMp4.toLocalFile()));
        // Markers are not sent again by playing.
        QCOMPARE(rig.pageCount(".kr-pin"), markers);
        QVERIFY(alerts.alerts.isEmpty());
    }

    void theMapMovesBetweenItsPlaceHiddenAndItsOwnWindow()
    {
        AlertLog alerts;
        Rig rig;
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_COMPARE(rig.player()->currentStatus(), PlayStatus::Play);
        MapTitleView* title = rig.map()->mapTitleView();
        QTRY_VERIFY(rig.pageCount(".kr-pin") > 0);
        const int pins = rig.pageCount(".kr-pin");

        QWidget* list = rig.window->videoListView();
        const int listHeight = list->height();
        title->mapHideButton->click();
        QVERIFY(!rig.map()->emptyMapView()->isVisible());
        QTRY_VERIFY(list->height() > listHeight + 150);
        QVERIFY(title->mapShowButton->isVisible());
        QVERIFY(!title->lblMapTitle->isVisible());
        QVERIFY(rig.web()->model().mapViewHiddenFlg);
        title->mapShowButton->click();
        QVERIFY(rig.map()->emptyMapView()->isVisible());
        QVERIFY(rig.map()->mapView()->isVisible());
        QVERIFY(!rig.web()->model().mapViewHiddenFlg);

        // Its own window: the player keeps playing, the bar and the place go.
        title->mapWindowButton->click();
        NewWindowView* own = rig.map()->newWindowView();
        QTRY_VERIFY(own->isVisible());
        QCOMPARE(own->size(), QSize(480, 294));
        QVERIFY(rig.map()->mapView()->window() == own);
        QVERIFY(!title->isVisible());
        QTRY_VERIFY(list->height() > listHeight + 180);
        QCOMPARE(title->mapType, MapType::Window);
        QCOMPARE(rig.player()->currentStatus(), PlayStatus::Play);
        QVERIFY(own->windowFlags() & Qt::WindowStaysOnTopHint);
        // The page moved with it and still answers.
        QCOMPARE(rig.pageCount(".kr-pin"), pins);
        own->resize(600, 400);
        own->close();
        QTRY_VERIFY(rig.map()->mapView()->window() == rig.window.get());
        QVERIFY(title->isVisible());
        QTRY_COMPARE(list->height(), listHeight);
        QCOMPARE(title->mapType, MapType::Show);
        QVERIFY(title->mapHideButton->isVisible());
        title->mapWindowButton->click();
        QTRY_VERIFY(own->isVisible());
        QCOMPARE(own->size(), QSize(600, 400));
        own->close();
        QTRY_VERIFY(rig.map()->mapView()->window() == rig.window.get());
        QCOMPARE(rig.pageCount(".kr-pin"), pins);
    }

    void theQuitSavesZoomMapTypeAndBalloonsOfAShownRecording()
    {
        AlertLog alerts;
        Rig rig;
        // Nothing loaded: the map's settings are left alone.
        QTRY_VERIFY(rig.web()->isPageReady());
        rig.controller()->saveMapSettings();
        QVERIFY(!SettingsStore::open()->contains(UserDefaultUtil::KEY_MAP_TYPE_ID));

        QVERIFY(rig.load(m_card.moveDir));
        QTRY_COMPARE(rig.player()->currentStatus(), PlayStatus::Play);
        rig.web()->evaluate(QStringLiteral("setZoom(12); setMapTypeId('terrain'); setDispBalloon(false)"));
        QTRY_COMPARE(rig.web()->currentZoom().value_or(-1), 12);
        QTRY_COMPARE(rig.web()->currentMapTypeId(), QStringLiteral("terrain"));
        QTRY_VERIFY(!rig.web()->getDispBalloon());
        rig.controller()->saveMapSettings();
        auto s = SettingsStore::open();
        QCOMPARE(s->value(UserDefaultUtil::KEY_MAP_ZOOM).toInt(), 12);
        QCOMPARE(s->value(UserDefaultUtil::KEY_MAP_TYPE_ID).toString(), QStringLiteral("terrain"));
        QCOMPARE(s->value(UserDefaultUtil::KEY_MAP_DISP_BALOON).toBool(), false);
        QCOMPARE(UserDefaultUtil::mapZoom, 12);

        // Opening other data remembers the zoom and centres the new data again.
        rig.web()->evaluate(QStringLiteral("setZoom(9)"));
        QTRY_COMPARE(rig.web()->currentZoom().value_or(-1), 9);
        QVERIFY(rig.load(m_card.moveDir));
        QCOMPARE(SettingsStore::open()->value(UserDefaultUtil::KEY_MAP_ZOOM).toInt(), 9);
        QVERIFY(rig.map()->isZoomedAndCentred());
        QTRY_COMPARE(rig.web()->currentZoom().value_or(-1), 9);
    }

    void theGoogleEarthButtonExportsWhatPlays()
    {
        Rig rig;
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_COMPARE(rig.player()->currentStatus(), PlayStatus::Play);
        QVERIFY(rig.window->playController()->playEvent(0, false));
        QTRY_VERIFY(rig.player()->isReady());
        // The list no longer names it: the export still takes what plays.
        rig.list().resetCurrentRows();

        GoogleEarthExport* exporter = rig.map()->googleEarthExport();
        QStringList asked;
        QStringList answers{m_dir.filePath(QStringLiteral("bad:name.kmz")),
                            m_dir.filePath(QStringLiteral("event"))};
        exporter->askDestination = [&](const QString& folder) {
            asked.append(folder);
            return answers.isEmpty() ? QString() : answers.takeFirst();
        };
        QStringList launched;
        exporter->findProgram = [] {
            return std::optional<QString>(QStringLiteral("/opt/earth/google-earth-pro"));
        };
        exporter->launch = [&](const QString& program, const QString& file) {
            launched << program << file;
            return true;
        };
        QList<Alerts::Alert> shown;
        Alerts::setInterceptor([&](const Alerts::Alert& a) {
            shown.append(a);
            return Alerts::FIRST_BUTTON + 1; // "Yes"
        });
        QSignalSpy finished(exporter, &GoogleEarthExport::finished);
        rig.player()->googleEathButton->click();
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.first().first().toBool(), true);
        QCOMPARE(rig.player()->currentStatus(), PlayStatus::Pause);
        // The refused name was told and asked again; the written file was offered to Google Earth.
        QCOMPARE(asked.size(), 2);
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].message, QStringLiteral("The file name is not valid."));
        QCOMPARE(shown[1].message, QStringLiteral("Launch Google Earth now?"));
        const QString written = m_dir.filePath(QStringLiteral("event.kmz"));
        QCOMPARE(launched, (QStringList{QStringLiteral("/opt/earth/google-earth-pro"), written}));
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), written});
        QVERIFY(unzip.waitForFinished(20000));
        const QByteArray kml = unzip.readAllStandardOutput();
        QVERIFY(kml.contains("<name>Event</name>"));
        QVERIFY(kml.contains("<gx:Track>"));
        QCOMPARE(UserDefaultUtil::pathDirGoogleEarth, QUrl::fromLocalFile(m_dir.path()));

        // A write that fails is told, and Google Earth is not offered.
        shown.clear();
        launched.clear();
        answers = QStringList{m_dir.filePath(QStringLiteral("missing/folder.kmz"))};
        finished.clear();
        exporter->exportGoogleEarth();
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.first().first().toBool(), false);
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].message.startsWith(QStringLiteral("The route could not be exported.")));
        QVERIFY(launched.isEmpty());

        // Not installed: said so.
        shown.clear();
        answers = QStringList{m_dir.filePath(QStringLiteral("again.kmz"))};
        exporter->findProgram = [] { return std::optional<QString>(); };
        finished.clear();
        exporter->exportGoogleEarth();
        QVERIFY(finished.wait(20000));
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[1].message, QStringLiteral("Google Earth is not installed."));
        Alerts::setInterceptor({});
    }

    void aPictureOfTheWindowShowsTheRouteAndMarkersOffline()
    {
        AlertLog alerts;
        Rig rig;
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_COMPARE(rig.player()->currentStatus(), PlayStatus::Play);
        rig.player()->pause();
        QTRY_COMPARE(rig.pageCount("path.kr-route"), 1);
        QTRY_VERIFY(rig.pageCount(".kr-pin") > 0);
        // A close view of the route: centred on its middle.
        const auto& route = rig.web()->model().polyList;
        const GeoPoint middle = route[route.size() / 2];
        rig.web()->model().setCenter(middle.lat, middle.lng);
        rig.web()->model().setZoom(16);
        QTest::qWait(500);

        QImage shot;
        const QRect mapArea(rig.map()->mapView()->mapTo(rig.window.get(), QPoint()),
                            rig.map()->mapView()->size());
        // The page paints a moment after its last change.
        int routePixels = 0;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                shot = rig.window->grab().toImage().convertToFormat(QImage::Format_RGB32);
                routePixels = 0;
                for (int y = mapArea.top(); y <= mapArea.bottom(); ++y)
                    for (int x = mapArea.left(); x <= mapArea.right(); ++x) {
                        const QColor c = shot.pixelColor(x, y);
                        if (qAbs(c.red() - 0xff) < 24 && qAbs(c.green() - 0x6a) < 24 &&
                            qAbs(c.blue() - 0x2b) < 24)
                            ++routePixels;
                    }
                return routePixels > 200;
            }(),
            10000);
        QVERIFY(shot.save(QStringLiteral(KR_BINARY_DIR) + QStringLiteral("/mainwindow-map.png")));
        // The route lies inside the map, not elsewhere in the window.
        QVERIFY(mapArea.width() >= 300 && mapArea.height() >= 200);
    }

private:
    QTemporaryDir m_dir;
    cardgen::WrittenCard m_card;
};

KR_WEBENGINE_TEST_MAIN(TestMapWindow)
#include "tst_mapwindow.moc"
