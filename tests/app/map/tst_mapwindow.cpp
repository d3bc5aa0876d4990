// The main window with its map, off the network, over a generated card: the
// load draws the markers once and the route of what plays, the car follows
// the play position with at most one page call a tick, marker clicks play
// their recordings, the map moves between its place, hidden and its own
// window, the quit saves its settings, the Google Earth button exports what
// plays; and a picture of the window shows the route.

#include "../../support/HeldCardReads.h"
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
#include "app/player/MoviePlayerView.h"
#include "app/shell/EXTextButton.h"
#include "core/catalog/RecordingList.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"
#include "core/map/KmlUtil.h"
#include "core/map/MapRoute.h"
#include "core/map/MapScript.h"
#include "core/player/PlayMovieValueInfo.h"
#include "core/recording/CutVideoInfo.h"
#include "core/recording/CutVideoUtility.h"
#include "core/recording/PictureData.h"
#include "core/settings/SettingInfo.h"

#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QTranslator>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWindow>
#include <atomic>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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
        window->resize(1280, 800);
        window->show();
        // The map is built once the window is on screen.
        mapBuiltAfterShowing = !map()->isMapBuilt() && QTest::qWaitFor([this] { return map()->isMapBuilt(); }, 10000);
        web()->setNetworkAllowed(false);
        web()->setVersionNoteFolder(QString());
        web()->setScriptObserver([this](const QString& s) { sent.append(s); });
    }
    bool mapBuiltAfterShowing = false;
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

// A trimmed movie (a generated movie's pictures and the trim tool's udat
// box) and the movie it was made from, in the folder, as chapters of no
// card; nulls when they cannot be made.
std::pair<std::shared_ptr<ChapterData>, std::shared_ptr<ChapterData>> trimmedMovie(const QTemporaryDir& dir)
{
    cardgen::MovieOptions mo;
    mo.durationSeconds = 2;
    const auto source = cardgen::writeMovie(dir.filePath(QStringLiteral("src/m2026031508300001.MP4")), mo);
    const ChapterData sourceChapter(QUrl::fromLocalFile(source.path));
    const auto sourcePicture = sourceChapter.loadPicture(true);
    if (!sourcePicture || !sourcePicture->video) return {};
    const QByteArray fileInfo = SettingInfo().makeRecord(SettingInfo::DataType::FileInfo);
    const CutVideoKihonInfo kihon(*sourcePicture->video, 100, 1500, 1400, true, true, true, true);
    const QByteArray archive = CutVideoUtility::encodeKihonInfo(kihon);
    QFile movie(source.path);
    if (archive.isEmpty() || !movie.open(QIODevice::ReadOnly)) return {};
    const QByteArray video = movie.read(source.videoBytes);
    const QString path = dir.filePath(QStringLiteral("cut/TRIM.MP4"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return {};
    out.write(video + cardgen::buildBox("udat", fileInfo + archive));
    out.close();
    return {std::make_shared<ChapterData>(QUrl::fromLocalFile(path)),
            std::make_shared<ChapterData>(QUrl::fromLocalFile(source.path))};
}

// Translates the alerts' own "No" and "Yes", so that a button text made
// anywhere else shows as the English one.
class AlertButtonsTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        if (qstrcmp(context, "Alerts") != 0) return QString();
        if (qstrcmp(source, "No") == 0) return QStringLiteral("Nein");
        if (qstrcmp(source, "Yes") == 0) return QStringLiteral("Ja");
        return QString();
    }
    bool isEmpty() const override { return false; }
};

// One trip of the given chapters driven at a constant speed, so that its
// positions move away from where it starts.
cardgen::CardOptions constantTrip(int chapters)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(chapters, 0)};
    o.trips[0].drive.profile = cardgen::SpeedProfile::Constant;
    return o;
}

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

        // One marker per event, surveillance recording and trip chapter, sent
        // once (built in the background).
        int chapters = 0;
        for (const auto& trip : rig.list().trips())
            chapters += int(trip->chapterCount());
        const int markers = int(rig.list().events().size() + rig.list().surveillances().size()) + chapters;
        QTRY_COMPARE(int(rig.web()->model().markerList.size()), markers);
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
        // A map of 480 x 272 under the window's title bar.
        QCOMPARE(own->size(), QSize(480, 272));
        QCOMPARE(UserDefaultUtil::mapWindowSize, QSize(480, 294));
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
        // Back in its place, the pane keeps the hidden flag the detaching set.
        QVERIFY(rig.web()->model().mapViewHiddenFlg);
        title->mapWindowButton->click();
        QTRY_VERIFY(own->isVisible());
        QCOMPARE(own->size(), QSize(600, 400));

        // Full screen puts the detached map aside and brings it back, also
        // when it had been put away before (with the minimised window).
        rig.window->showFullScreen();
        QTRY_VERIFY(!own->isVisible());
        rig.window->showNormal();
        QTRY_VERIFY(own->isVisible());
        rig.controller()->windowWillMiniaturize();
        QVERIFY(!own->isVisible());
        rig.controller()->windowWillEnterFullScreen();
        rig.controller()->windowDidExitFullScreen();
        QVERIFY(own->isVisible());
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
        // The load's markers come from the background and centre the map
        // once: the user's zoom is the one after that.
        QTRY_VERIFY(rig.map()->isZoomedAndCentred());
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
        QTRY_VERIFY(rig.map()->isZoomedAndCentred());
        QTRY_COMPARE(rig.web()->currentZoom().value_or(-1), 9);
    }

    void theGoogleEarthButtonExportsWhatPlays()
    {
        Rig rig;
        GoogleEarthExport* exporter = rig.map()->googleEarthExport();
        QStringList asked;
        QStringList answers;
        exporter->askDestination = [&](const QString& folder) {
            asked.append(folder);
            return answers.isEmpty() ? QString() : answers.takeFirst();
        };
        QList<Alerts::Alert> shown;
        Alerts::setInterceptor([&](const Alerts::Alert& a) {
            shown.append(a);
            return Alerts::FIRST_BUTTON + 1; // "Yes"
        });
        QSignalSpy finished(exporter, &GoogleEarthExport::finished);
        // Asked while the first movie of a load is not yet ready to play:
        // nothing is asked, said, written or paused.
        bool exportedBeforeReady = false;
        const auto early = connect(rig.controller(), &ViewController::loadFinished, exporter, [&] {
            exportedBeforeReady = !rig.player()->isReady() && !rig.player()->_valueInfo->_chapterDataList.isEmpty();
            exporter->exportGoogleEarth();
        });
        QVERIFY(rig.load(m_card.moveDir));
        disconnect(early);
        QVERIFY(exportedBeforeReady);
        QTRY_COMPARE(rig.player()->currentStatus(), PlayStatus::Play);
        QVERIFY(asked.isEmpty());
        QVERIFY(shown.isEmpty());
        QVERIFY(finished.isEmpty());
        QVERIFY(!exporter->isRunning());

        QVERIFY(played(*rig.window, rig.window->playController()->playEvent(0, false)));
        QTRY_VERIFY(rig.player()->isReady());
        // The list no longer names it: the export still takes what plays.
        rig.list().resetCurrentRows();

        answers = QStringList{m_dir.filePath(QStringLiteral("bad:name.kmz")), m_dir.filePath(QStringLiteral("event"))};
        QStringList launched;
        exporter->findProgram = [] {
            return std::optional<QString>(QStringLiteral("/opt/earth/google-earth-pro"));
        };
        exporter->launch = [&](const QString& program, const QString& file) {
            launched << program << file;
            return true;
        };
        AlertButtonsTranslator translator;
        QCoreApplication::installTranslator(&translator);
        rig.player()->googleEathButton->click();
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.first().first().toBool(), true);
        QCOMPARE(rig.player()->currentStatus(), PlayStatus::Pause);
        // The refused name was told and asked again; the written file was offered to Google Earth.
        QCOMPARE(asked.size(), 2);
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].message, QStringLiteral("The file name is not valid."));
        QCOMPARE(shown[1].message, QStringLiteral("Launch Google Earth now?"));
        // The question's buttons are the alerts' own "No" and "Yes" (Escape answers "No").
        QCOMPARE(shown[1].buttons, (QStringList{QStringLiteral("Nein"), QStringLiteral("Ja")}));
        QCOMPARE(Alerts::escapeAnswer(shown[1]).value_or(-1), Alerts::FIRST_BUTTON);
        QCoreApplication::removeTranslator(&translator);
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

        // Installed, but it does not start: said so.
        shown.clear();
        answers = QStringList{m_dir.filePath(QStringLiteral("started.kmz"))};
        exporter->findProgram = [] {
            return std::optional<QString>(QStringLiteral("/opt/earth/google-earth-pro"));
        };
        exporter->launch = [](const QString&, const QString&) { return false; };
        finished.clear();
        exporter->exportGoogleEarth();
        QVERIFY(finished.wait(20000));
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[1].message, QStringLiteral("Google Earth could not be started."));
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

    void theMapIsBuiltAfterTheWindowShowsAndKeepsTheStoredZoomOnANewPage()
    {
        AlertLog alerts;
        SettingsStore::open()->setValue(UserDefaultUtil::KEY_MAP_ZOOM, 12);
        Rig rig;
        // The browser engine starts once the window is on screen.
        QVERIFY(rig.mapBuiltAfterShowing);
        QVERIFY(rig.load(m_card.moveDir));
        QTRY_COMPARE(rig.web()->currentZoom().value_or(-1), 12);
        // The page loaded again (the retry after an offline start) shows the stored zoom too.
        QSignalSpy loaded(rig.web(), &WebMapView::pageLoaded);
        QVERIFY(rig.web()->loadPage());
        QVERIFY(loaded.wait(30000));
        QCOMPARE(webtest::evaluate(rig.web()->page(), QStringLiteral("getZoom()")).toString(), QStringLiteral("12"));
    }

    void theWindowThatAppearsIsTheOneThatStaysWhenTheMapComesIn()
    {
        // Only on a display server (the test command's Xvfb; app.tst_mapwindow_xcb):
        // a native window made anew as the map's browser view comes in
        // disappears and appears again under a window manager.
        if (QGuiApplication::platformName() != QLatin1String("xcb")) QSKIP("needs a display server (run under Xvfb)");
        AlertLog alerts;
        QPointer<FakeMediaPlayer> media;
        ViewController::Options o = fakePlayerOptions(media, 10000);
        o.withMap = true;
        MainWindow window(nullptr, o);
        window.show();
        const QWindow* shown = window.windowHandle();
        const WId native = window.winId();
        QTRY_VERIFY_WITH_TIMEOUT(window.mapController()->isMapBuilt(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(window.mapController()->webMapView()->isPageReady(), 30000);
        QCOMPARE(window.windowHandle(), shown);
        QCOMPARE(window.winId(), native);
    }

    void aPlayingTripsRouteGrowsAsItsChaptersLoad()
    {
        AlertLog alerts;
        Rig rig;
        QTRY_VERIFY_WITH_TIMEOUT(rig.web()->isPageReady(), 30000);
        // A trip read here, with no workers: the test loads its chapters.
        QTemporaryDir dir;
        cardgen::CardOptions o = constantTrip(4);
        const cardgen::WrittenCard written = cardgen::writeCard(dir.filePath(QStringLiteral("card")), o);
        const auto card = CardData::create();
        card->readCardData(written.moveDir);
        const std::shared_ptr<TripData> trip = card->tripList().value(0);
        QVERIFY(trip);
        const ChapterList chapters = trip->chapterDataList();
        QCOMPARE(chapters.size(), 4);
        for (const auto& c : chapters)
            QVERIFY(!c->hasPicture());
        rig.player()->setValueInfo(std::make_shared<PlayMovieValueInfo>(chapters, CardData::ActiveType::MovieRec));
        const auto routeTexts = [&rig] {
            QStringList out;
            for (const QString& t : std::as_const(rig.sent))
                if (t.contains(QLatin1String("addPolyPoint("))) out.append(t);
            return out;
        };
        rig.sent.clear();
        rig.map()->clearRouteAndCar();
        rig.map()->drawTripRoute(trip);
        WebMapModel& model = rig.web()->model();
        QVERIFY(model.polyList.empty());
        QTRY_COMPARE(routeTexts().size(), 1); // no point yet
        // The first chapter: its points are added.
        QVERIFY(chapters[0]->loadPicture(true)->video);
        rig.sent.clear();
        rig.controller()->tripRouteDidLoad(chapters[0]);
        QTRY_COMPARE(routeTexts().size(), 1);
        const std::size_t first = model.polyList.size();
        QVERIFY(first > 10);
        QCOMPARE(routeTexts()[0], MapScript::routeExtension(model.polyList, 0));
        QTRY_COMPARE(rig.pageCount("path.kr-route"), 1);

        // The third before the second: nothing to add until the second is there.
        QVERIFY(chapters[2]->loadPicture(true)->video);
        rig.sent.clear();
        rig.controller()->tripRouteDidLoad(chapters[2]);
        QTest::qWait(150);
        QVERIFY(routeTexts().isEmpty());
        QCOMPARE(model.polyList.size(), first);

        // Two chapters reported at once: one addition, of their points and
        // the waiting third's, and nothing of what the page has already.
        QVERIFY(chapters[1]->loadPicture(true)->video);
        QVERIFY(chapters[3]->loadPicture(true)->video);
        rig.sent.clear();
        rig.controller()->tripRouteDidLoad(chapters[1]);
        rig.controller()->tripRouteDidLoad(chapters[3]);
        QTRY_COMPARE(routeTexts().size(), 1);
        QTest::qWait(100);
        QCOMPARE(routeTexts().size(), 1);
        QCOMPARE(routeTexts()[0], MapScript::routeExtension(model.polyList, first));
        QVERIFY(!routeTexts()[0].contains(QLatin1String("drawPolyline(")));
        // What was added up to is the trip's whole route, drawn as one line.
        std::vector<GeoPoint> whole;
        MapRoute::appendTripRoute(whole, chapters);
        QCOMPARE(model.polyList.size(), whole.size());
        QVERIFY(model.polyList == whole);
        QCOMPARE(rig.pageCount("path.kr-route"), 1);
        QCOMPARE(rig.pageCount("path.kr-route-part"), 1);

        // Routes are written in the background: one asked for and replaced
        // by another play before it was written is never drawn; the newer
        // is, whole, once.
        rig.sent.clear();
        rig.map()->clearRouteAndCar();
        rig.map()->drawTripRoute(trip);
        rig.map()->clearRouteAndCar();
        rig.map()->drawTripRoute(trip);
        QTRY_COMPARE(routeTexts().size(), 1);
        QTest::qWait(100);
        QCOMPARE(routeTexts(), QStringList{MapScript::route(whole)});

        // A trimmed movie's thumbnail made before its recording was read has
        // no caption band: it goes when the recording arrives, and the next
        // one made has the band.
        const auto [trimmed, untrimmed] = trimmedMovie(dir);
        QVERIFY(trimmed && untrimmed);
        const auto plain = trimmed->makeCutThumbnail(true);
        QVERIFY(plain);
        QVERIFY(!plain->endsWith(QLatin1String("_cut_thum.jpeg")));
        QVERIFY(trimmed->loadPicture(true)->video->_isCutVideo);
        rig.controller()->tripRouteDidLoad(trimmed);
        QVERIFY(trimmed->pathThumbnail().isEmpty());
        QVERIFY(trimmed->makeCutThumbnail(true).value_or(QString()).endsWith(QLatin1String("TRIM_cut_thum.jpeg")));
        // Another movie keeps its thumbnail.
        const auto kept = untrimmed->makeCutThumbnail(true);
        QVERIFY(kept);
        QVERIFY(untrimmed->loadPicture(true)->video);
        rig.controller()->tripRouteDidLoad(untrimmed);
        QCOMPARE(untrimmed->pathThumbnail(), *kept);
    }

    void aSurveillanceMarkerMovesToItsChapterOnceTheChapterIsRead()
    {
        AlertLog alerts;
        Rig rig;
        QTRY_VERIFY_WITH_TIMEOUT(rig.web()->isPageReady(), 30000);
        // A drive with a surveillance detection; no chapter is in the index,
        // and the detection's movie cannot be read when the card is opened.
        QTemporaryDir dir;
        cardgen::CardOptions o = constantTrip(2); // the detection lies away from the start
        o.trips[0].drive.incidents = {{cardgen::Incident::Kind::Surveillance, 4000, true}};
        const cardgen::WrittenCard w = cardgen::writeCard(dir.filePath(QStringLiteral("card")), o);
        QCOMPARE(w.events.size(), std::size_t(1));
        const cardgen::WrittenMovie& movie = w.trips[0].chapters[std::size_t(w.events[0].chapter)];
        const auto rewrite = [](const QString& path, const QByteArray& bytes) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
        };
        QVERIFY(rewrite(w.moveDir + QStringLiteral("/VREC_MOV_MNG.DAT"), cardgen::buildVrecFile(1, {}, {})));
        QFile original(movie.path);
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray bytes = original.readAll();
        original.close();
        QVERIFY(rewrite(movie.path, QByteArray("not a movie yet")));
        const auto card = CardData::create();
        card->readCardData(w.moveDir);
        rig.window->videoListView()->setData(card);
        QCOMPARE(rig.list().surveillances().size(), 1);
        const auto chapter = rig.list().surveillances()[0]->eventChapter();
        QVERIFY(chapter && !chapter->hasPicture());
        rig.map()->showCatalogue(card);
        const auto placeOf = [&rig] {
            const MapPoint p = rig.web()->model().markerList.value(QStringLiteral("S0"));
            return GeoPoint{p.lat, p.lng};
        };
        const GeoPoint recorded{MapPosition::toDegrees(w.events[0].at.latitude),
                                MapPosition::toDegrees(w.events[0].at.longitude)};
        QTRY_COMPARE(placeOf(), recorded);

        // The movie is read as the catalogue's workers read it, every read of
        // the card held meanwhile: the marker stands where the record says.
        QVERIFY(rewrite(movie.path, bytes));
        HeldCardReads held;
        std::thread worker([&chapter] { chapter->loadPicture(true); });
        QTRY_VERIFY(held.reads.load() >= 1);
        rig.controller()->refreshDrivingInfo(false);
        QCOMPARE(placeOf(), recorded);
        HeldCardReads::letGo();
        worker.join();
        QVERIFY(chapter->hasPicture());
        rig.sent.clear();
        rig.controller()->tripRouteDidLoad(chapter);
        const GeoPoint start{MapPosition::toDegrees(movie.samples.front().latitude),
                             MapPosition::toDegrees(movie.samples.front().longitude)};
        QVERIFY(!(start == recorded));
        QCOMPARE(placeOf(), start);
        QCOMPARE(rig.countSent(QStringLiteral("addMarker(")), 1);

        // Opened again: a chapter read while the markers are built, after the
        // build found it unread, keeps the place it has put its markers in.
        rig.map()->clearForLoad();
        QVERIFY(rewrite(movie.path, QByteArray("not a movie yet")));
        const auto again = CardData::create();
        again->readCardData(w.moveDir);
        rig.window->videoListView()->setData(again);
        const auto unread = rig.list().surveillances()[0]->eventChapter();
        QVERIFY(unread && !unread->hasPicture());
        rig.map()->showCatalogue(again);
        QVERIFY(QThreadPool::globalInstance()->waitForDone(20000));
        QVERIFY(rewrite(movie.path, bytes));
        QVERIFY(unread->loadPicture(true));
        rig.sent.clear();
        rig.controller()->tripRouteDidLoad(unread);
        QCOMPARE(placeOf(), start);
        QTRY_VERIFY(rig.countSent(QStringLiteral("addMarker(")) > 1);
        QCOMPARE(placeOf(), start);
        QVERIFY(alerts.alerts.isEmpty());
    }

    void anEventsRouteIsReadWhileTheWindowGoesOn()
    {
        AlertLog alerts;
        Rig rig;
        QTRY_VERIFY_WITH_TIMEOUT(rig.web()->isPageReady(), 30000);
        QTemporaryDir dir;
        cardgen::CardOptions o = constantTrip(2);
        const cardgen::WrittenCard written = cardgen::writeCard(dir.filePath(QStringLiteral("card")), o);
        const auto card = CardData::create();
        card->readCardData(written.moveDir);
        const ChapterList chapters = card->tripList().value(0)->chapterDataList();
        QCOMPARE(chapters.size(), 2);
        // The first chapter's movie is a pipe: reading it waits, as on a slow
        // card, until a helper lets it go after a while (and it then reads as
        // broken). The second chapter reads as usual.
        const QByteArray movie = QFile::encodeName(chapters[0]->_pathMp4.toLocalFile());
        QVERIFY(QFile::remove(QString::fromLocal8Bit(movie)));
        QCOMPARE(mkfifo(movie.constData(), 0600), 0);
        std::atomic<bool> done{false};
        std::thread release([&] {
            QThread::msleep(1500);
            while (!done.load()) {
                const int fd = ::open(movie.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) ::close(fd);
                QThread::msleep(10);
            }
        });
        QElapsedTimer clock;
        clock.start();
        rig.map()->drawWindowRoute(chapters, 0, 15000);
        const qint64 askMs = clock.elapsed();
        // Meanwhile the window answers, and no route is drawn yet.
        QCOMPARE(rig.pageCount("path.kr-route"), 0);
        const qint64 answeredMs = clock.elapsed();
        const bool arrived = QTest::qWaitFor([&] { return !rig.web()->model().polyList.empty(); }, 20000);
        const qint64 arrivedMs = clock.elapsed();
        // The route is the window's, as far as it could be read (read here
        // while the helper still lets the pipe go).
        const std::vector<GeoPoint> expected = MapRoute::windowRoute(chapters, 0, 15000);
        done.store(true);
        release.join();
        QVERIFY(arrived);
        QVERIFY2(askMs < 300, qPrintable(QString::number(askMs)));
        QVERIFY2(answeredMs < 1000, qPrintable(QString::number(answeredMs)));
        QVERIFY(arrivedMs >= 1400);
        QTRY_COMPARE(rig.pageCount("path.kr-route"), 1);
        QVERIFY(!expected.empty());
        QVERIFY(rig.web()->model().polyList == expected);

        // A route that arrives after another was asked for is not drawn.
        rig.map()->drawWindowRoute({chapters[1]}, 0, 10000);
        rig.map()->clearRouteAndCar();
        QTest::qWait(300);
        QVERIFY(rig.web()->model().polyList.empty());
        QCOMPARE(rig.pageCount("path.kr-route"), 0);
    }

    void theCarOfATripDrivingNorthWestPointsAsItsFramesSay()
    {
        AlertLog alerts;
        cardgen::CardOptions o = constantTrip(2);
        o.trips[0].drive.cruiseKmh = 60.0;
        o.trips[0].drive.headingDeg = 315.0;
        QTemporaryDir dir;
        const cardgen::WrittenCard written = cardgen::writeCard(dir.filePath(QStringLiteral("card")), o);
        Rig rig;
        QVERIFY(rig.load(written.moveDir));
        QTRY_COMPARE(rig.player()->currentStatus(), PlayStatus::Play);
        rig.player()->pause();
        QTRY_COMPARE(rig.pageCount(".kr-car"), 1);
        const std::shared_ptr<PlayMovieValueInfo> info = rig.player()->_valueInfo;
        const QMap<IconId, double>& compass = webtest::compassDegrees();
        int checked = 0, northWest = 0;
        for (qint64 position = 1500; position < 19000; position += 1700) {
            rig.player()->changeChapter(PlayStatus::Pause, position);
            QVERIFY(playerSettles(*rig.player()));
            rig.controller()->refreshDrivingInfo(false);
            const auto chapter = info->currentChapter();
            QVERIFY(chapter);
            const VideoFramePtr frame =
                chapter->loadPicture(false)->video->frameAt(0, info->currentFrame(), true);
            QVERIFY(frame);
            QVERIFY(compass.contains(frame->ex.direction));
            const double expected = compass.value(frame->ex.direction);
            // The frames of a car going north-west head west, north-west or north.
            QVERIFY2(expected >= 270.0 || expected == 0.0, qPrintable(QString::number(expected)));
            QTRY_VERIFY2(qAbs(std::remainder(webtest::arrowHeading(rig.web()->page()) - expected, 360.0)) < 0.5,
                         qPrintable(QStringLiteral("at %1: %2, frame %3")
                                        .arg(position)
                                        .arg(webtest::arrowHeading(rig.web()->page()))
                                        .arg(expected)));
            ++checked;
            if (expected == 315.0) ++northWest;
        }
        // The road's own heading among them (its small steps also give its
        // neighbours).
        QVERIFY2(northWest > 0, qPrintable(QStringLiteral("%1 of %2").arg(northWest).arg(checked)));
    }

private:
    QTemporaryDir m_dir;
    cardgen::WrittenCard m_card;
};

KR_WEBENGINE_TEST_MAIN(TestMapWindow)
#include "tst_mapwindow.moc"
