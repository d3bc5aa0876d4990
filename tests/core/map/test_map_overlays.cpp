// What the map is given from a catalogue: markers with their keys, places
// and dates, the route of the loaded chapters, the car's place, and the
// files around the map (version note, Google Earth program).

#include "../catalog/CatalogFixture.h"
#include "core/catalog/RecordingList.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/map/MapOverlays.h"
#include "core/map/MapRoute.h"
#include "core/map/MapSupportFiles.h"
#include "core/recording/PictureData.h"

#include <QDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <thread>

using namespace catalogtest;

namespace {

struct Sample {
    qint64 key;
    std::int32_t lat;
    std::int32_t lng;
};

// Picture data of a recording made by hand (headings and enabled frames
// are worked out as for a read one).
std::shared_ptr<const PictureData> recording(const std::vector<Sample>& samples, quint64 span)
{
    auto video = std::make_shared<VideoInfo>();
    FrameTable table;
    for (const Sample& s : samples) {
        auto f = std::make_shared<VideoFrame>();
        f->_latitude = s.lat;
        f->_longitude = s.lng;
        f->camera = 0;
        table[s.key] = f;
    }
    video->_cameraFrames[0] = table;
    video->_timeSpan = span;
    video->completeTables();
    return std::make_shared<const PictureData>(video);
}

class MapOverlaysTest : public CatalogFixture {
protected:
    void TearDown() override { UserDefaultUtil::resetToInitialValues(); }
};

} // namespace

TEST_F(MapOverlaysTest, MarkersOfEventsSurveillanceAndChapters)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 0), tripOf(2, 2)};
    o.trips[0].drive.incidents = {{cardgen::Incident::Kind::GShock, 3000, true}};
    o.trips[1].drive.profile = cardgen::SpeedProfile::Parked;
    o.trips[1].drive.incidents = {{cardgen::Incident::Kind::Surveillance, 4000, true}};
    const cardgen::WrittenCard written = write(o);
    const auto card = load(written.moveDir);
    RecordingList list;
    list.setData(card);
    ASSERT_EQ(list.events().size(), 1);
    ASSERT_EQ(list.surveillances().size(), 1);

    UserDefaultUtil::timeZone = 3; // Perth, no summer time
    UserDefaultUtil::dateFormat = 1;
    const MapOverlays::Markers markers = MapOverlays::build(list);
    ASSERT_TRUE(markers.points.contains("E0"));
    const MapPoint* event = &*markers.points.constFind("E0");
    EXPECT_EQ(event->marker, MarkerType::EVENT);
    EXPECT_EQ(event->eventIndex, 0);
    EXPECT_EQ(event->msg, "15.03.2026 05:30:03");
    EXPECT_DOUBLE_EQ(event->lat, MapPosition::toDegrees(list.event(0)->_latitude));
    EXPECT_LT(event->lat, -33.0);
    // The map is centred on the first event.
    ASSERT_TRUE(markers.firstPoint);
    EXPECT_EQ(*markers.firstPoint, (GeoPoint{event->lat, event->lng}));

    ASSERT_TRUE(markers.points.contains("S0"));
    EXPECT_EQ(markers.points["S0"].marker, MarkerType::SURVEILLANCE);
    EXPECT_LT(markers.points["S0"].lat, -33.0);

    // Every chapter of the list's trips, keyed by trip and chapter row.
    for (int t = 0; t < list.trips().size(); ++t)
        for (int c = 0; c < list.trips()[t]->chapterCount(); ++c) {
            const QString key = MapOverlays::chapterKey(t, c);
            ASSERT_TRUE(markers.points.contains(key)) << key.toStdString();
            EXPECT_EQ(markers.points[key].tripIndex, t);
            EXPECT_EQ(markers.points[key].chapterIndex, c);
            EXPECT_EQ(markers.points[key].marker, MarkerType::NORMAL);
        }
    EXPECT_EQ(markers.points["C0_1"].msg, "15.03.2026 05:30:20");

    // An index outside the zone table labels in Sydney time.
    UserDefaultUtil::timeZone = 9;
    UserDefaultUtil::summerTime = true;
    EXPECT_EQ(MapOverlays::build(list).points["E0"].msg, "15.03.2026 08:30:03");
    // No recording was read to place them.
    for (const auto& trip : list.trips())
        for (const auto& chapter : trip->chapterDataList())
            EXPECT_FALSE(chapter->hasPicture());
}

TEST_F(MapOverlaysTest, AMarkerThatTellsNoPlaceTakesTheOneBeforeIt)
{
    // Trips A (3 chapters) and B (2), and a recording made while parked (C, 4
    // chapters, each with a surveillance detection; only the third's record
    // tells a place of its own). Only A's last two chapters are in the index;
    // the movies of A's and B's first chapters and of C's all but the second
    // cannot be read.
    cardgen::CardOptions o;
    o.trips = {tripOf(3, 0), tripOf(2, 1), tripOf(4, 2)};
    o.trips[2].drive.profile = cardgen::SpeedProfile::Constant; // each chapter starts elsewhere
    const cardgen::WrittenCard w = write(o);
    writeBytes(w.moveDir + QStringLiteral("/VREC_MOV_MNG.DAT"),
               cardgen::buildVrecFile(1, {vrecEntry(w.trips[0].chapters[1]), vrecEntry(w.trips[0].chapters[2])}, {}));
    const std::int32_t ownLatitude = -34 * 36000;
    const std::int32_t ownLongitude = 150 * 36000;
    auto detection = [](const cardgen::WrittenMovie& m, std::int32_t latitude = 0, std::int32_t longitude = 0) {
        cardgen::FrameSample s = m.samples.front();
        s.kind = 0x12;
        s.stamp = m.firstStamp + 1000;
        s.stamp2 = m.firstStamp;
        s.unixTime += 1;
        s.latitude = latitude;
        s.longitude = longitude;
        return cardgen::encodeProtectEntry(s, m.recordingId, m.indexName, 0x01, 0x01);
    };
    const auto& parked = w.trips[2].chapters;
    writeBytes(w.moveDir + QStringLiteral("/MOV_PRCT.DAT"),
               cardgen::buildProtectFile(1, {},
                                         {detection(parked[0]), detection(parked[1]),
                                          detection(parked[2], ownLatitude, ownLongitude), detection(parked[3])},
                                         {}));
    for (const cardgen::WrittenMovie* m :
         {&w.trips[0].chapters[0], &w.trips[1].chapters[0], &parked[0], &parked[2], &parked[3]})
        writeBytes(m->path, QByteArray("not a movie"));
    const auto card = load(w.moveDir);
    RecordingList list;
    list.setData(card);
    ASSERT_EQ(list.trips().size(), 2);
    ASSERT_EQ(list.surveillances().size(), 4);

    const MapOverlays::Markers markers = MapOverlays::build(list);
    const auto at = [&](const char* key) { return markers.points.value(QString::fromLatin1(key)); };
    const auto place = [&](const char* key) { return GeoPoint{at(key).lat, at(key).lng}; };
    const auto placeOf = [](const cardgen::WrittenMovie& m) {
        return GeoPoint{MapPosition::toDegrees(m.samples.front().latitude),
                        MapPosition::toDegrees(m.samples.front().longitude)};
    };
    // Before any chapter tells its place there is none to take: no marker.
    EXPECT_FALSE(markers.points.contains(QStringLiteral("C0_0")));
    EXPECT_EQ(place("C0_1"), placeOf(w.trips[0].chapters[1]));
    EXPECT_EQ(place("C0_2"), placeOf(w.trips[0].chapters[2]));
    // The next trip's first chapter takes place and date of the last one
    // that told them, in the trip before.
    EXPECT_EQ(place("C1_0"), place("C0_2"));
    EXPECT_EQ(at("C1_0").msg, at("C0_2").msg);
    EXPECT_EQ(at("C1_0").tripIndex, 1);
    // A chapter whose recording is read tells its own place and date.
    EXPECT_EQ(place("C1_1"), placeOf(w.trips[1].chapters[1]));
    EXPECT_NE(at("C1_1").msg, at("C0_2").msg);

    // Detections: none before the first place; a readable chapter's own;
    // an unreadable one where its own record puts it; the next, with no
    // place of its own, where the last readable chapter starts (not where a
    // record put the one before), but with its own date.
    EXPECT_FALSE(markers.points.contains(QStringLiteral("S0")));
    EXPECT_EQ(place("S1"), placeOf(parked[1]));
    EXPECT_EQ(place("S2"), (GeoPoint{MapPosition::toDegrees(ownLatitude), MapPosition::toDegrees(ownLongitude)}));
    EXPECT_EQ(place("S3"), place("S1"));
    EXPECT_NE(at("S3").msg, at("S1").msg);
    EXPECT_EQ(at("S3").eventIndex, 3);
}

TEST_F(MapOverlaysTest, RouteAndCarComeFromLoadedRecordingsOnly)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(3, 0)};
    write(o);
    const auto card = load(moveDir());
    const ChapterList chapters = card->tripList().first()->chapterDataList();
    ASSERT_EQ(chapters.size(), 3);
    // Chapter 0 drives east; chapter 1 starts without a fix; chapter 2 waits for the workers.
    chapters[0]->storePicture(recording({{0, 36000, 72000}, {500, 36000, 72036}, {900, 36000, 72072}}, 1000));
    chapters[1]->storePicture(recording({{0, 0, 0}, {500, 36036, 72108}}, 1000));

    std::vector<GeoPoint> route;
    MapRoute::appendTripRoute(route, chapters);
    ASSERT_EQ(route.size(), 4u);
    EXPECT_EQ(route.front(), (GeoPoint{1.0, 2.0}));
    EXPECT_EQ(route.back(), (GeoPoint{1.001, 2.003}));
    EXPECT_FALSE(chapters[2]->hasPicture());

    // A chapter that cannot be read for good is passed over; the walk goes on.
    QFile::remove(chapters[2]->_pathMp4.toLocalFile());
    for (int i = 0; i < ChapterData::MAX_RETRY_CNT_PICTUREDATA; ++i)
        chapters[2]->loadPicture(true);
    ASSERT_FALSE(chapters[2]->needsPictureData());
    route.clear();
    MapRoute::appendTripRoute(route, ChapterList{chapters[2], chapters[0]});
    EXPECT_EQ(route.size(), 3u);

    // The car: its own frame with heading and GPS state ...
    const auto own =
        MapRoute::carPosition(chapters[1]->loadPicture(false).get(), chapters[1].get(), 600, chapters);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->latitude, 36036);
    EXPECT_TRUE(own->gps);
    EXPECT_NE(own->icon, IconId::None);
    // ... else the last place of the chapter before, heading north without GPS ...
    const auto before =
        MapRoute::carPosition(chapters[1]->loadPicture(false).get(), chapters[1].get(), 100, chapters);
    ASSERT_TRUE(before);
    EXPECT_EQ(before->longitude, 72072);
    EXPECT_EQ(before->icon, IconId::North);
    EXPECT_FALSE(before->gps);
    // ... else the first place the play list knows (the first chapter's index record).
    const auto first = MapRoute::carPosition(nullptr, nullptr, 0, chapters);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->latitude, chapters[0]->_vmmInfo->_latitude);
    EXPECT_FALSE(MapRoute::carPosition(nullptr, nullptr, 0, {}));
}

TEST(MapSupportFiles, TheVersionNoteAndTheGoogleEarthProgram)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("data/KorveltaReplay"));
    ASSERT_TRUE(MapSupportFiles::writeVersionNote(folder, QDateTime::currentDateTime(),
                                                  QStringLiteral("1.0.0"), QStringLiteral("Leaflet 1.9.4")));
    ASSERT_TRUE(MapSupportFiles::writeVersionNote(folder, QDateTime::currentDateTime(),
                                                  QStringLiteral("1.0.1"), QStringLiteral("Leaflet 1.9.4")));
    QFile note(folder + QStringLiteral("/mv.txt"));
    ASSERT_TRUE(note.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(note.readAll()).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1], QStringLiteral("アプリケーション・バージョン: 1.0.1"));
    EXPECT_EQ(lines[2], QStringLiteral("Maps JavaScript API Version: Leaflet 1.9.4"));
    EXPECT_EQ(lines[3], QString());

    // A folder that cannot be made is told by its reason.
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& m) {
        if (type == QtWarningMsg) warnings.append(m);
    });
    EXPECT_FALSE(MapSupportFiles::writeVersionNote(dir.filePath(QStringLiteral("file/KorveltaReplay")),
                                                   QDateTime::currentDateTime(), QStringLiteral("1.0.1"),
                                                   QStringLiteral("Leaflet 1.9.4")));
    qInstallMessageHandler(previous);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].startsWith(QStringLiteral("folder generated failed: "))) << warnings[0].toStdString();
    EXPECT_FALSE(warnings[0].contains(dir.path())) << warnings[0].toStdString();
    EXPECT_GT(warnings[0].size(), QStringLiteral("folder generated failed: ").size() + 3);

    // Found through its desktop entry when it is not on the PATH.
    const QByteArray path = qgetenv("PATH");
    const QByteArray dataDirs = qgetenv("XDG_DATA_DIRS");
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("PATH", dir.filePath(QStringLiteral("bin")).toUtf8());
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("home")).toUtf8());
    qputenv("XDG_DATA_DIRS", dir.filePath(QStringLiteral("share")).toUtf8());
    EXPECT_FALSE(MapSupportFiles::findGoogleEarth());
    const QString program = dir.filePath(QStringLiteral("opt/google earth/google-earth-pro"));
    QDir().mkpath(QFileInfo(program).path());
    QFile exe(program);
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.write("#!/bin/sh\n");
    exe.close();
    exe.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(dir.filePath(QStringLiteral("share/applications")));
    QFile entry(dir.filePath(QStringLiteral("share/applications/google-earth-pro.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write(
        QStringLiteral("[Desktop Entry]\nName=Google Earth Pro\nExec=\"%1\" %f\n").arg(program).toUtf8());
    entry.close();
    const auto found = MapSupportFiles::findGoogleEarth();
    // Plain Google Earth goes before Google Earth Pro, though only its
    // desktop entry is found and Pro is on the PATH.
    QDir().mkpath(dir.filePath(QStringLiteral("bin")));
    ASSERT_TRUE(QFile::link(program, dir.filePath(QStringLiteral("bin/google-earth-pro"))));
    const QString plain = dir.filePath(QStringLiteral("opt/earth/google-earth"));
    QDir().mkpath(QFileInfo(plain).path());
    ASSERT_TRUE(QFile::copy(program, plain));
    QFile plainEntry(dir.filePath(QStringLiteral("share/applications/google-earth.desktop")));
    ASSERT_TRUE(plainEntry.open(QIODevice::WriteOnly));
    plainEntry.write(QStringLiteral("[Desktop Entry]\nName=Google Earth\nExec=%1 %f\n").arg(plain).toUtf8());
    plainEntry.close();
    const auto preferred = MapSupportFiles::findGoogleEarth();
    qputenv("PATH", path);
    qputenv("XDG_DATA_DIRS", dataDirs);
    qputenv("XDG_DATA_HOME", dataHome);
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, program);
    ASSERT_TRUE(preferred);
    EXPECT_EQ(*preferred, plain);
}

namespace {
using MapRouteSeveralThreads = CatalogFixture;
} // namespace

TEST_F(MapRouteSeveralThreads, AnEventsRouteReadOnAWorkerWhileTheCatalogueLoadsIsWhole)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(4, 0)};
    o.trips[0].drive.incidents = {{cardgen::Incident::Kind::GShock, 15000, true}};
    const auto w = write(o);
    const auto card = load(w.moveDir);
    ASSERT_EQ(card->moveProtectList().size(), 1);
    const ChapterWindow window = card->protectChapterList(*card->moveProtectList().first());
    ASSERT_TRUE(window.chapters);
    ASSERT_GE(window.chapters->size(), 2);
    // The map's read and the catalogue's workers read the same chapters at
    // once, while this (GUI) thread takes the workers' reports.
    Recorder recorder;
    card->setDelegate(&recorder, &recorder);
    card->startLoadThreads();
    std::vector<GeoPoint> read;
    std::thread reader([&] { read = MapRoute::readWindowRoute(*window.chapters, window.minValue, window.maxValue); });
    // (A chapter the map's read loaded first is not reported by the workers.)
    const ChapterList trip = card->tripList().first()->chapterDataList();
    const auto loaded = [](const std::shared_ptr<ChapterData>& c) { return c->hasPicture(); };
    EXPECT_TRUE(pumpUntil([&] { return std::all_of(trip.cbegin(), trip.cend(), loaded); }));
    reader.join();
    EXPECT_FALSE(read.empty());
    EXPECT_EQ(read, MapRoute::windowRoute(*window.chapters, window.minValue, window.maxValue));
    card->dispose();
    CardData::waitForDisposals();
}

namespace {
using MapMarkersSeveralThreads = CatalogFixture;
} // namespace

TEST_F(MapMarkersSeveralThreads, MarkersBuiltOnAWorkerFromTheListsCopiesWhileTheCatalogueLoads)
{
    // No chapter is in the index, and one recording cannot be read when the
    // card is opened: the build reads it while the catalogue's workers read
    // it again.
    cardgen::CardOptions o;
    o.trips = {tripOf(3, 0), tripOf(2, 2)};
    o.trips[0].drive.incidents = {{cardgen::Incident::Kind::GShock, 15000, true}};
    o.trips[1].drive.profile = cardgen::SpeedProfile::Parked;
    o.trips[1].drive.incidents = {{cardgen::Incident::Kind::Surveillance, 4000, true}};
    const auto w = write(o);
    writeBytes(w.moveDir + QStringLiteral("/VREC_MOV_MNG.DAT"), cardgen::buildVrecFile(1, {}, {}));
    QFile late(w.trips[0].chapters[1].path);
    ASSERT_TRUE(late.open(QIODevice::ReadOnly));
    const QByteArray bytes = late.readAll();
    late.close();
    writeBytes(late.fileName(), QByteArray("not a movie yet"));
    const auto card = load(w.moveDir);
    writeBytes(late.fileName(), bytes);
    RecordingList list;
    list.setData(card);
    ASSERT_EQ(list.events().size(), 1);
    ASSERT_EQ(list.surveillances().size(), 1);
    const MapOverlays::Sources sources = MapOverlays::sourcesOf(list);
    Recorder recorder;
    card->setDelegate(&recorder, &recorder);
    card->startLoadThreads();
    MapOverlays::Markers built;
    std::thread builder([&] { built = MapOverlays::build(sources); });
    // The list is emptied meanwhile: the build has its own copies.
    list.setData(nullptr);
    ChapterList chapters;
    for (const auto& trip : sources.trips)
        chapters += trip->chapterDataList();
    const auto loaded = [](const std::shared_ptr<ChapterData>& c) { return c->hasPicture(); };
    EXPECT_TRUE(pumpUntil([&] { return std::all_of(chapters.cbegin(), chapters.cend(), loaded); }));
    builder.join();
    // Whatever it found loaded, each marker is one of the card's, and the
    // event's stands where its record tells; built again, every chapter has
    // its marker.
    const MapOverlays::Markers whole = MapOverlays::build(sources);
    EXPECT_EQ(whole.points.size(), chapters.size() + 2);
    for (auto it = built.points.cbegin(); it != built.points.cend(); ++it) {
        ASSERT_TRUE(whole.points.contains(it.key())) << it.key().toStdString();
        EXPECT_EQ(it->marker, whole.points[it.key()].marker);
    }
    EXPECT_EQ(built.points.value(QStringLiteral("E0")).msg, whole.points.value(QStringLiteral("E0")).msg);
    EXPECT_TRUE(built.firstPoint);
    card->dispose();
    CardData::waitForDisposals();
}
