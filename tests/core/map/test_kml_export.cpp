// The route export over generated cards: KMZ files that real readers take
// (unzip, xmllint, GDAL's LIBKML driver), times as UTC instants whatever the
// viewer's zone, names in the viewer's zone, chapters without data passed
// over, and failures that leave an earlier file alone.

#include "../catalog/CatalogFixture.h"
#include "core/catalog/CardData.h"
#include "core/foundation/CommonConst.h"
#include "core/map/KmlUtil.h"
#include "core/recording/MoveProtectInfo.h"
#include "core/recording/PictureData.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace catalogtest;

namespace {

KmlUtil::Context contextIn(const QString& zone, bool summerTime)
{
    KmlUtil::Context c;
    c.event = QStringLiteral("Event");
    c.surveillance = QStringLiteral("Surveillance");
    c.route = QStringLiteral("Route");
    c.myCar = QStringLiteral("MyCar");
    c.trip = QStringLiteral("Trip");
    c.chapter = QStringLiteral("Chapter");
    c.sensingTime = QStringLiteral("Sensing time/date");
    c.recordingStart = QStringLiteral("Recording start time/date");
    c.recordingEnd = QStringLiteral("Recording end time/date");
    c.dateFormat = QStringLiteral("dd-MM-yyyy HH:mm:ss");
    c.timeZone = zone;
    c.summerTime = summerTime;
    return c;
}

struct ProcessResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ProcessResult run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    ProcessResult r;
    if (!p.waitForFinished(60000)) return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QStringList captures(const QString& text, const QString& pattern)
{
    QStringList out;
    auto it = QRegularExpression(pattern).globalMatch(text);
    while (it.hasNext())
        out.append(it.next().captured(1));
    return out;
}

QString utcText(quint32 unixTime)
{
    return QDateTime::fromSecsSinceEpoch(unixTime, QTimeZone::utc())
        .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

QStringList mapFolderEntries()
{
    return QDir(CommonConst::DIR_PATH_MAP()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
}

// True when no work folder made since `before` is left. Other test processes
// share the folder: a folder of theirs goes once their export ends.
bool noWorkFolderLeftSince(const QStringList& before)
{
    return pumpUntil(
        [&] {
            for (const QString& entry : mapFolderEntries())
                if (!before.contains(entry)) return false;
            return true;
        },
        5000);
}

class KmlExport : public CatalogFixture {
protected:
    void SetUp() override
    {
        CatalogFixture::SetUp();
        cardgen::CardOptions o;
        o.trips = {tripOf(3, 0, 10)};
        o.trips[0].drive.profile = cardgen::SpeedProfile::Constant;
        o.trips[0].drive.incidents = {{cardgen::Incident::Kind::GShock, 14000, true}};
        written = write(o);
        card = load(written.moveDir);
        ASSERT_EQ(card->tripList().size(), 1);
        chapters = card->tripList().first()->chapterDataList();
        ASSERT_EQ(chapters.size(), 3);
    }

    // The KML inside a KMZ, after the archive and the document were checked.
    QString readKmz(const QString& kmz)
    {
        const ProcessResult test = run(QStringLiteral("unzip"), {QStringLiteral("-t"), kmz});
        EXPECT_EQ(test.exitCode, 0) << test.out.toStdString();
        const ProcessResult names = run(QStringLiteral("unzip"), {QStringLiteral("-Z1"), kmz});
        const QStringList entries = QString::fromUtf8(names.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        EXPECT_EQ(entries.size(), 1);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{12}\\.kml$")).match(entries.value(0)).hasMatch());
        const ProcessResult body = run(QStringLiteral("unzip"), {QStringLiteral("-p"), kmz});
        const QString kml = dir.filePath(QStringLiteral("check.kml"));
        QFile f(kml);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(body.out);
        f.close();
        const ProcessResult lint = run(QStringLiteral("xmllint"), {QStringLiteral("--noout"), kml});
        EXPECT_EQ(lint.exitCode, 0) << lint.err.toStdString();
        return QString::fromUtf8(body.out);
    }

    // What GDAL's LIBKML reader (the one that knows gx:Track) finds: each
    // layer's feature count, and the number of points of the route's line.
    struct Layers {
        QMap<QString, int> features;
        int routePoints = 0;
    };
    Layers libkmlLayers(const QString& kmz)
    {
        const ProcessResult info =
            run(QStringLiteral("ogrinfo"),
                {QStringLiteral("--config"), QStringLiteral("OGR_SKIP"), QStringLiteral("KML"),
                 QStringLiteral("-ro"), QStringLiteral("-al"), kmz});
        EXPECT_EQ(info.exitCode, 0) << "ogrinfo (gdal-bin) is needed: " << info.err.toStdString();
        const QString text = QString::fromUtf8(info.out);
        EXPECT_TRUE(text.contains(QStringLiteral("using driver `LIBKML' successful")));
        Layers layers;
        const QStringList names = captures(text, QStringLiteral("Layer name: (.+)\n"));
        const QStringList counts = captures(text, QStringLiteral("Feature Count: (\\d+)"));
        for (int i = 0; i < names.size() && i < counts.size(); ++i)
            layers.features.insert(names[i], counts[i].toInt());
        const QString route = text.section(QStringLiteral("Layer name: Route"), 1);
        const QStringList lines = captures(route, QStringLiteral("LINESTRING[^(]*\\(([^)]*)\\)"));
        if (!lines.isEmpty()) layers.routePoints = int(lines.first().count(QLatin1Char(','))) + 1;
        return layers;
    }

    cardgen::WrittenCard written;
    std::shared_ptr<CardData> card;
    ChapterList chapters;
};

} // namespace

TEST_F(KmlExport, ATripIsWrittenWithUtcTimesAndNamesInTheViewersZone)
{
    const QString sydney = dir.filePath(QStringLiteral("sydney.kmz"));
    const QString perth = dir.filePath(QStringLiteral("perth.kmz"));
    const QString standard = dir.filePath(QStringLiteral("standard.kmz"));
    const QStringList before = mapFolderEntries();
    ASSERT_TRUE(
        KmlUtil::outputTripKml(chapters, sydney, contextIn(QStringLiteral("Australia/Sydney"), true)).ok);
    ASSERT_TRUE(
        KmlUtil::outputTripKml(chapters, perth, contextIn(QStringLiteral("Australia/Perth"), true)).ok);
    ASSERT_TRUE(
        KmlUtil::outputTripKml(chapters, standard, contextIn(QStringLiteral("Australia/Sydney"), false)).ok);

    const QString kml = readKmz(sydney);
    EXPECT_TRUE(kml.contains(QStringLiteral("<name>sydney</name>")));
    // Sydney keeps summer time in March: 21:30 UTC is 08:30 the next day.
    EXPECT_EQ(
        captures(kml, QStringLiteral(
                          "<Placemark>\n<Snippet maxLines=\"0\"></Snippet>\n<name>([^<]+)</name>\n<Point>")),
        (QStringList{"15-03-2026 08:30:00", "15-03-2026 08:30:10", "15-03-2026 08:30:20"}));
    EXPECT_TRUE(kml.contains(QStringLiteral("Recording start time/date<br>15-03-2026 08:30:00<br>")));
    EXPECT_EQ(
        captures(readKmz(perth), QStringLiteral("<name>(\\d\\d-03-2026 [^<]+)</name>\n<Point>")).value(0),
        "15-03-2026 05:30:00");
    EXPECT_EQ(
        captures(readKmz(standard), QStringLiteral("<name>(\\d\\d-03-2026 [^<]+)</name>\n<Point>")).value(0),
        "15-03-2026 07:30:00");

    // The track's times are the recorded instants in UTC, the same in every zone.
    const QStringList whens = captures(kml, QStringLiteral("<when>([^<]+)</when>\n"));
    ASSERT_GT(whens.size(), 20);
    EXPECT_EQ(whens.first(), utcText(written.trips[0].chapters[0].samples.front().unixTime));
    EXPECT_EQ(whens.last(), utcText(written.trips[0].chapters[2].samples.back().unixTime));
    EXPECT_TRUE(std::is_sorted(whens.begin(), whens.end()));
    EXPECT_EQ(captures(readKmz(perth), QStringLiteral("<when>([^<]+)</when>\n")), whens);
    EXPECT_EQ(kml.count(QStringLiteral("<gx:coord>")), whens.size());

    const Layers layers = libkmlLayers(sydney);
    EXPECT_EQ(layers.features.value(QStringLiteral("Chapter")), 3);
    EXPECT_EQ(layers.features.value(QStringLiteral("Route")), 1);
    EXPECT_EQ(layers.routePoints, whens.size());

    // No work folder is left behind.
    EXPECT_TRUE(noWorkFolderLeftSince(before));
}

TEST_F(KmlExport, AnEventWindowIsWrittenAroundItsMoment)
{
    const MoveProtectList records = card->moveProtectList();
    ASSERT_FALSE(records.isEmpty());
    const auto record = records.first();
    const ChapterWindow window = card->eventChapterList(*record);
    ASSERT_TRUE(window.chapters);
    const QString kmz = dir.filePath(QStringLiteral("event.kmz"));
    ASSERT_TRUE(KmlUtil::outputEventKml(*window.chapters, std::int32_t(window.minValue),
                                        std::int32_t(window.maxValue), *record, kmz,
                                        contextIn(QStringLiteral("Australia/Sydney"), true))
                    .ok);
    const QString kml = readKmz(kmz);
    EXPECT_TRUE(kml.contains(QStringLiteral(
        "<description><![CDATA[Event<br><br>Sensing time/date<br>15-03-2026 08:30:14<br>]]>")));
    const QStringList whens = captures(kml, QStringLiteral("<when>([^<]+)</when>\n"));
    ASSERT_FALSE(whens.isEmpty());
    // 12 s before the shock to 8 s after it (the card starts 14 s before it),
    // from the last place known at the window's start.
    EXPECT_GE(whens.first(), utcText(START + 1));
    EXPECT_LE(whens.first(), utcText(START + 3));
    EXPECT_GE(whens.last(), utcText(START + 21));
    EXPECT_LE(whens.last(), utcText(START + 22));
    const Layers layers = libkmlLayers(kmz);
    EXPECT_EQ(layers.features.value(QStringLiteral("Event")), 1);
    EXPECT_EQ(layers.features.value(QStringLiteral("Route")), 1);
    EXPECT_EQ(layers.routePoints, whens.size());

    // In another zone only the texts shown to the viewer move; the instants
    // stay the same.
    const QString perth = dir.filePath(QStringLiteral("event-perth.kmz"));
    ASSERT_TRUE(KmlUtil::outputEventKml(*window.chapters, std::int32_t(window.minValue),
                                        std::int32_t(window.maxValue), *record, perth,
                                        contextIn(QStringLiteral("Australia/Perth"), true))
                    .ok);
    const QString perthKml = readKmz(perth);
    EXPECT_TRUE(perthKml.contains(QStringLiteral("Sensing time/date<br>15-03-2026 05:30:14<br>")));
    EXPECT_EQ(captures(perthKml, QStringLiteral("<when>([^<]+)</when>\n")), whens);
}

TEST_F(KmlExport, AChapterWithoutDataIsPassedOver)
{
    ASSERT_TRUE(QFile::remove(chapters[1]->_pathMp4.toLocalFile()));
    const QString kmz = dir.filePath(QStringLiteral("gap.kmz"));
    ASSERT_TRUE(
        KmlUtil::outputTripKml(chapters, kmz, contextIn(QStringLiteral("Australia/Sydney"), true)).ok);
    const QStringList whens = captures(readKmz(kmz), QStringLiteral("<when>([^<]+)</when>\n"));
    ASSERT_FALSE(whens.isEmpty());
    EXPECT_EQ(whens.first(), utcText(START));
    EXPECT_EQ(whens.last(), utcText(written.trips[0].chapters[2].samples.back().unixTime));
    EXPECT_FALSE(whens.contains(utcText(START + 15)));
    // The missing recording was looked for once, not once per part of the document.
    EXPECT_EQ(chapters[1]->retryCntPictureData(), 1);
}

TEST_F(KmlExport, AFailedPackingLeavesTheEarlierFileAndAGoodOneReplacesIt)
{
    const QString kmz = dir.filePath(QStringLiteral("kept.kmz"));
    {
        QFile old(kmz);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier export");
    }
    const QStringList before = mapFolderEntries();
    // No zip program to be found.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.filePath(QStringLiteral("no-programs")).toUtf8());
    const KmlUtil::ExportResult failed =
        KmlUtil::outputTripKml(chapters, kmz, contextIn(QStringLiteral("Australia/Sydney"), true));
    qputenv("PATH", path);
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.error.isEmpty());
    QFile old(kmz);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "earlier export");
    old.close();

    // A folder that does not exist cannot take the file.
    EXPECT_FALSE(KmlUtil::outputTripKml(chapters, dir.filePath(QStringLiteral("none/x.kmz")),
                                        contextIn(QStringLiteral("Australia/Sydney"), true))
                     .ok);

    ASSERT_TRUE(
        KmlUtil::outputTripKml(chapters, kmz, contextIn(QStringLiteral("Australia/Sydney"), true)).ok);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_TRUE(old.readAll().startsWith("PK"));
    // Failed or not, no export leaves its work folder.
    EXPECT_TRUE(noWorkFolderLeftSince(before));
}

TEST(KmlExportName, RefusedCharactersOfAFileName)
{
    for (const char* bad :
         {"a:b", "a/b", "a\\b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", "a\tb", "a\nb", "a\x1f"})
        EXPECT_TRUE(KmlUtil::invalidFileNameCharacter(QString::fromLatin1(bad))) << bad;
    for (const char* good : {"route", "a\x07", "a\x08", "a\x0b\x0c", "trip 2026-03-15", ""})
        EXPECT_FALSE(KmlUtil::invalidFileNameCharacter(QString::fromLatin1(good))) << good;
    EXPECT_EQ(KmlUtil::randomString(0), "");
    const QString r = KmlUtil::randomString(12);
    EXPECT_EQ(r.size(), 12);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-zA-Z]{12}$")).match(r).hasMatch());
}

namespace {

struct HandFrame {
    qint64 key;
    std::int32_t lat;
    std::int32_t lng;
    QDateTime time;
};

// A chapter of no card whose recording is the given frames (headings and
// new-point marks worked out as for a read one); its frames are handed back.
std::shared_ptr<ChapterData> handMadeChapter(const std::vector<HandFrame>& frames,
                                             std::vector<VideoFramePtr>* made = nullptr)
{
    auto video = std::make_shared<VideoInfo>();
    FrameTable table;
    for (const HandFrame& f : frames) {
        auto frame = std::make_shared<VideoFrame>();
        frame->_latitude = f.lat;
        frame->_longitude = f.lng;
        frame->setTime(f.time);
        frame->gps = true;
        table[f.key] = frame;
    }
    video->_cameraFrames[0] = table;
    video->_timeSpan = quint64(frames.empty() ? 0 : frames.back().key);
    video->completeTables();
    if (made)
        for (const auto& [key, frame] : video->getCameraFrames(0)) made->push_back(frame);
    auto chapter = std::make_shared<ChapterData>(QUrl::fromLocalFile(QStringLiteral("/nowhere/hand.MP4")));
    chapter->storePicture(std::make_shared<const PictureData>(video));
    return chapter;
}

QDateTime utc(quint32 unixTime)
{
    return QDateTime::fromSecsSinceEpoch(unixTime, QTimeZone::utc());
}

} // namespace

TEST(KmlExportDocument, EdgesOfTheEventAndTripDocuments)
{
    const KmlUtil::Context context = contextIn(QStringLiteral("Australia/Sydney"), true);
    MoveProtectInfo record(QByteArrayView(), MoveProtectInfo::DetectStatus::G);
    record._datetime = utc(START + 14);
    record._latitude = -1219277;
    record._longitude = 0; // no place of its own
    const std::shared_ptr<ChapterData> drive = handMadeChapter(
        {{0, -1219277, 5443535, utc(START)}, {1000, -1219240, 5443500, utc(START + 1)},
         {2000, -1219200, 5443460, utc(START + 2)}});

    // An event at longitude (or latitude) 0 has no "Event" folder: the route is the only one.
    XmlData event = KmlUtil::makeEventXmlData({drive}, 0, 2000, record, QStringLiteral("e"), context);
    ASSERT_TRUE(event.FolderList);
    ASSERT_EQ(event.FolderList->size(), 1u);
    EXPECT_EQ(event.FolderList->front().Name, QStringLiteral("Route"));
    EXPECT_EQ(event.FolderList->front().PlacemarkList->front().TrackList->size(), 3u);

    // A window over a chapter whose movie is gone and one whose data hold no
    // recording: the chapters on either side keep all their frames.
    std::vector<VideoFramePtr> after;
    const std::shared_ptr<ChapterData> later = handMadeChapter(
        {{0, -1219100, 5443400, utc(START + 3)}, {1000, -1219000, 5443300, utc(START + 4)},
         {2000, -1218900, 5443200, utc(START + 5)}}, &after);
    const auto gone = std::make_shared<ChapterData>(QUrl::fromLocalFile(QStringLiteral("/nowhere/gone.MP4")));
    const auto bare = std::make_shared<ChapterData>(QUrl::fromLocalFile(QStringLiteral("/nowhere/bare.MP4")));
    bare->storePicture(std::make_shared<const PictureData>(nullptr));
    // Positions: 0..2000 the drive, one each for the two without data, then 2003..4003.
    const FrameList across = KmlUtil::getSortedFrames({drive, gone, bare, later}, 0, 4003);
    ASSERT_EQ(across.size(), 6u);
    EXPECT_EQ(across.back(), after.back());

    // A window whose every frame is disabled: a route without a track, and
    // no camera view for the document to frame.
    std::vector<VideoFramePtr> frames;
    const std::shared_ptr<ChapterData> standing = handMadeChapter(
        {{0, -1219277, 5443535, utc(START)}, {1000, -1219240, 5443500, utc(START + 1)}}, &frames);
    for (const auto& f : frames) f->ex.isFrameEnable = false;
    record._longitude = 5443535;
    XmlData still = KmlUtil::makeEventXmlData({standing}, 0, 1000, record, QStringLiteral("s"), context);
    ASSERT_EQ(still.FolderList->size(), 2u);
    EXPECT_EQ(still.FolderList->at(0).Name, QStringLiteral("Event"));
    EXPECT_TRUE(still.FolderList->at(1).PlacemarkList->front().TrackList->empty());
    const QString stillText = KmlUtil::createKmlText(still);
    EXPECT_FALSE(still.LookAt);
    EXPECT_TRUE(stillText.contains(QStringLiteral("<!-- LookAt -->\n\n<!-- Style -->"))) << stillText.toStdString();
    EXPECT_FALSE(stillText.contains(QStringLiteral("<gx:Track>")));

    // The 12-hour format names placemarks with AM or PM (08:30:14 in Sydney).
    KmlUtil::Context twelve = context;
    twelve.dateFormat = QStringLiteral("dd-MM-yyyy hh:mm:ss a");
    XmlData named = KmlUtil::makeEventXmlData({standing}, 0, 1000, record, QStringLiteral("n"), twelve);
    EXPECT_EQ(named.FolderList->at(0).PlacemarkList->front().Name, QStringLiteral("15-03-2026 08:30:14 AM"));
    twelve.timeZone = QStringLiteral("Pacific/Auckland");
    named = KmlUtil::makeEventXmlData({standing}, 0, 1000, record, QStringLiteral("n"), twelve);
    EXPECT_EQ(named.FolderList->at(0).PlacemarkList->front().Name, QStringLiteral("15-03-2026 10:30:14 AM"));

    // A frame whose date did not decode gives no sample: every place of the
    // track keeps its moment.
    const std::shared_ptr<ChapterData> undated = handMadeChapter(
        {{0, -1219277, 5443535, utc(START)}, {1000, -1219240, 5443500, QDateTime()},
         {2000, -1219200, 5443460, utc(START + 2)}});
    XmlData trip = KmlUtil::makeTripXmlData({undated}, QStringLiteral("t"), context);
    const QString tripText = KmlUtil::createKmlText(trip);
    EXPECT_FALSE(tripText.contains(QStringLiteral("<when></when>")));
    EXPECT_EQ(tripText.count(QStringLiteral("\n<when>")), 2);
    EXPECT_EQ(tripText.count(QStringLiteral("<gx:coord>")), 2);
}
