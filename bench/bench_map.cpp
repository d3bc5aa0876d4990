// A one-hour trip (60 chapters of 60 s, 28 frames a second: 100,800 frame
// records) on the map and in Google Earth:
// - the route from loaded recordings to the page, until the page has drawn
//   it (its line exists with its points), off the network;
// - what one more loaded chapter costs once that route is on the page: its
//   points added to the end of the line drawn;
// - the KMZ export (document, KML text, zip, file beside the destination).
// And the markers of a card of 2,000 chapters (100 trips) as an open places
// them: built from the catalogue and written as the page's script.

#include "app/map/WebMapView.h"
#include "core/catalog/CardData.h"
#include "core/catalog/RecordingList.h"
#include "core/map/KmlUtil.h"
#include "core/map/MapOverlays.h"
#include "core/map/MapScript.h"
#include "core/map/MapRoute.h"
#include "core/recording/PictureData.h"

#include "CardGen.h"
#include "../tests/support/HourlyTrips.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct Trip {
    QTemporaryDir dir;
    std::shared_ptr<CardData> card;
    ChapterList chapters;
    std::size_t frames = 0;

    Trip()
    {
        cardgen::CardOptions o;
        cardgen::TripOptions trip;
        trip.chapters = 60;
        trip.chapterSeconds = 60;
        trip.format.realVideo = false;
        trip.drive.profile = cardgen::SpeedProfile::Highway;
        o.trips = {trip};
        const auto written = cardgen::writeCard(dir.path(), o);
        card = CardData::create();
        card->readCardData(written.moveDir);
        chapters = card->tripList().first()->chapterDataList();
        // The data is loaded before anything is timed, as the workers do.
        for (const auto& c : chapters) {
            const auto picture = c->loadPicture(true);
            if (picture && picture->video) frames += picture->video->getCameraFrames(0).size();
        }
    }
};

Trip& trip()
{
    static Trip t;
    return t;
}

// Runs the event loop until the page has answered a script sent after the route.
bool waitForPage(WebMapView& view, const char* script, QVariant* answer)
{
    bool done = false;
    view.page()->runJavaScript(QString::fromLatin1(script), [&](const QVariant& v) {
        if (answer) *answer = v;
        done = true;
    });
    QDeadlineTimer deadline(30000);
    while (!done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return done;
}

// Shows the page off the network, centred where the trip drives; false (the
// benchmark told) when it does not load.
bool showPage(WebMapView& view, benchmark::State& state)
{
    view.setNetworkAllowed(false);
    view.setVersionNoteFolder(QString());
    view.resize(360, 220);
    view.show();
    QDeadlineTimer deadline(30000);
    while (!view.isPageReady() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!view.isPageReady()) {
        state.SkipWithError("map page did not load");
        return false;
    }
    view.model().setCenter(-33.8688, 151.2093);
    return true;
}

void BM_OneHourRouteToThePage(benchmark::State& state)
{
    Trip& t = trip();
    WebMapView view(0);
    if (!showPage(view, state)) return;
    WebMapModel& model = view.model();
    model.setZoom(15); // the stored zoom a load centres at
    QVariant parts;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        model.polyList.clear();
        MapRoute::appendTripRoute(model.polyList, t.chapters);
        model.drawPolyline();
        // The page runs scripts in order: this answers once the route is drawn.
        if (!waitForPage(view, "document.querySelector('path.kr-route').getAttribute('d').length", &parts)) {
            state.SkipWithError("page did not answer");
            break;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        if (parts.toInt() < 10) state.SkipWithError("route not drawn");
    }
    state.counters["frames"] = double(t.frames);
    state.counters["points"] = double(model.polyList.size());
    state.counters["path_chars"] = parts.toDouble();
}
BENCHMARK(BM_OneHourRouteToThePage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_OneHourRouteGrowsByAChapter(benchmark::State& state)
{
    Trip& t = trip();
    WebMapView view(0);
    if (!showPage(view, state)) return;
    WebMapModel& model = view.model();
    model.setZoom(15);
    const ChapterList allButLast = t.chapters.mid(0, t.chapters.size() - 1);
    const ChapterList last = t.chapters.mid(t.chapters.size() - 1);
    std::size_t added = 0;
    for (auto _ : state) {
        // The route of every chapter but the last is on the page (not timed).
        model.polyList.clear();
        MapRoute::appendTripRoute(model.polyList, allButLast);
        model.drawPolyline();
        if (!waitForPage(view, "1", nullptr)) {
            state.SkipWithError("page did not answer");
            break;
        }
        QElapsedTimer clock;
        clock.start();
        const std::size_t drawn = model.polyList.size();
        MapRoute::appendTripRoute(model.polyList, last);
        model.extendPolyline(drawn);
        if (!waitForPage(view, "document.querySelector('path.kr-route').getAttribute('d').length", nullptr)) {
            state.SkipWithError("page did not answer");
            break;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        added = model.polyList.size() - drawn;
    }
    state.counters["points"] = double(model.polyList.size());
    state.counters["added"] = double(added);
}
BENCHMARK(BM_OneHourRouteGrowsByAChapter)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_OneHourKmzExport(benchmark::State& state)
{
    Trip& t = trip();
    const QString destination = t.dir.filePath(QStringLiteral("trip.kmz"));
    KmlUtil::Context context = KmlUtil::Context::current();
    for (auto _ : state) {
        const KmlUtil::ExportResult result = KmlUtil::outputTripKml(t.chapters, destination, context);
        if (!result.ok) state.SkipWithError(qPrintable(result.error));
    }
    state.counters["bytes"] = double(QFileInfo(destination).size());
}
BENCHMARK(BM_OneHourKmzExport)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_MarkersOfA2000ChapterCard(benchmark::State& state)
{
    QTemporaryDir dir;
    cardgen::CardOptions o;
    for (int t = 0; t < 100; ++t) {
        cardgen::TripOptions trip = testtrips::hourly(20, t, 2);
        if (t % 20 == 3) trip.drive.incidents = {{cardgen::Incident::Kind::GShock, 5000, true}};
        o.trips.push_back(trip);
    }
    const auto written = cardgen::writeCard(dir.path(), o);
    const auto card = CardData::create();
    card->readCardData(written.moveDir);
    RecordingList list;
    list.setData(card);
    qsizetype markers = 0;
    for (auto _ : state) {
        const MapOverlays::Markers built = MapOverlays::build(list);
        QString text;
        for (auto it = built.points.cbegin(); it != built.points.cend(); ++it)
            text += MapScript::addMarker(it.key(), it->lat, it->lng, it->msg, it->marker) + QLatin1Char(';');
        markers = built.points.size();
        benchmark::DoNotOptimize(text);
    }
    state.counters["markers"] = double(markers);
}
BENCHMARK(BM_MarkersOfA2000ChapterCard)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
