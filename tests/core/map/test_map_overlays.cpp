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
#include <gtest/gtest.h>

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
    qputenv("PATH", path);
    qputenv("XDG_DATA_DIRS", dataDirs);
    qputenv("XDG_DATA_HOME", dataHome);
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, program);
}
