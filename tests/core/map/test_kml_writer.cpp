// The KML writer: whole documents byte for byte, the style block, the
// derived camera view, UTC times, and texts that XML cannot take as they are.

#include "core/map/KmlUtil.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

QDateTime utc(qint64 secs)
{
    return QDateTime::fromSecsSinceEpoch(secs, QTimeZone::utc());
}

constexpr qint64 T0 = 1773523800; // 2026-03-14T21:30:00Z

PlacemarkData point()
{
    PlacemarkData p;
    p.Name = QStringLiteral("15-03-2026 08:30:00");
    p.Coordinates = CoordinatesData{151.2093, -33.8688, 0.0};
    LookAtData view;
    view.TimeStamp = utc(T0);
    view.Longitude = 151.2093;
    view.Latitude = -33.8688;
    view.Altitude = 0.0;
    view.Heading = 0.0;
    view.Tilt = 0.0;
    view.Range = 1000.0;
    p.LookAt = view;
    return p;
}

PlacemarkData route(std::vector<TrackData> tracks)
{
    PlacemarkData p;
    p.Name = QStringLiteral("MyCar");
    p.StyleUrl = QStringLiteral("#track_style");
    p.Description = QStringLiteral("Trip<br><br>a]]>b");
    p.TrackList = std::move(tracks);
    return p;
}

FolderData folder(const QString& name, std::vector<PlacemarkData> placemarks)
{
    FolderData f;
    f.Name = name;
    f.PlacemarkList = std::move(placemarks);
    return f;
}

const char* const HEAD =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\" "
    "xmlns:kml=\"http://www.opengis.net/kml/2.2\" xmlns:atom=\"http://www.w3.org/2005/Atom\">\n"
    "<Document>\n";

} // namespace

TEST(KmlWriter, WritesATripDocumentByteForByte)
{
    XmlData xml;
    xml.Name = QStringLiteral("Trip & <Route>");
    xml.FolderList = std::vector<FolderData>{
        folder(QStringLiteral("Chapter"), {point()}),
        folder(QStringLiteral("Route"),
               {route({{utc(T0), 151.25, -33.5, 0.0}, {utc(T0 + 5), 151.5, -33.75, 0.0}})}),
    };
    const QString expected =
        QLatin1String(HEAD) +
        QStringLiteral(
            "<name>Trip &amp; &lt;Route&gt;</name>\n"
            "<!-- LookAt -->\n"
            "<LookAt>\n"
            "<gx:TimeSpan><begin>2026-03-14T21:30:00Z</begin><end>2026-03-14T21:30:05Z</end></gx:TimeSpan>\n"
            "<longitude>151.375</longitude>\n"
            "<latitude>-33.625</latitude>\n"
            "<altitude>0.0</altitude>\n"
            "<heading>0.0</heading>\n"
            "<tilt>0.0</tilt>\n"
            "<range>42500.0</range>\n"
            "<altitudeMode>clampToGround</altitudeMode>\n"
            "</LookAt>\n"
            "<!-- Style -->\n") +
        KmlUtil::styleText() +
        QStringLiteral("<!-- Folder -->\n"
                       "<Folder>\n"
                       "<name>Chapter</name>\n"
                       "<Placemark>\n"
                       "<Snippet maxLines=\"0\"></Snippet>\n"
                       "<name>15-03-2026 08:30:00</name>\n"
                       "<Point><coordinates>151.2093,-33.8688,0.0</coordinates></Point>\n"
                       "<LookAt>\n"
                       "<gx:TimeStamp><when>2026-03-14T21:30:00Z</when></gx:TimeStamp>\n"
                       "<longitude>151.2093</longitude>\n"
                       "<latitude>-33.8688</latitude>\n"
                       "<altitude>0.0</altitude>\n"
                       "<heading>0.0</heading>\n"
                       "<tilt>0.0</tilt>\n"
                       "<range>1000.0</range>\n"
                       "<altitudeMode>clampToGround</altitudeMode>\n"
                       "</LookAt>\n"
                       "</Placemark>\n"
                       "</Folder>\n"
                       "<Folder>\n"
                       "<name>Route</name>\n"
                       "<Placemark>\n"
                       "<Snippet maxLines=\"0\"></Snippet>\n"
                       "<name>MyCar</name>\n"
                       "<styleUrl>#track_style</styleUrl>\n"
                       "<description><![CDATA[Trip<br><br>a]]]]><![CDATA[>b]]></description>\n"
                       "<gx:Track>\n"
                       "<when>2026-03-14T21:30:00Z</when>\n"
                       "<when>2026-03-14T21:30:05Z</when>\n"
                       "<gx:coord>151.25 -33.5 0.0</gx:coord>\n"
                       "<gx:coord>151.5 -33.75 0.0</gx:coord>\n"
                       "</gx:Track>\n"
                       "</Placemark>\n"
                       "</Folder>\n"
                       "</Document>\n"
                       "</kml>\n");
    EXPECT_EQ(KmlUtil::createKmlText(xml).toStdString(), expected.toStdString());
}

TEST(KmlWriter, ANameAloneGivesTheBareTemplateWithPlaceholdersFilledOnce)
{
    XmlData xml;
    xml.Name = QStringLiteral("a");
    EXPECT_EQ(KmlUtil::createKmlText(xml),
              QLatin1String(HEAD) + QStringLiteral("<name>a</name>\n<!-- LookAt -->\n\n<!-- Style -->\n") +
                  KmlUtil::styleText() + QStringLiteral("<!-- Folder -->\n</Document>\n</kml>\n"));
    // A name that looks like a placeholder stays as it is.
    xml.Name = QStringLiteral("{3}{1}{0}");
    EXPECT_TRUE(
        KmlUtil::createKmlText(xml).contains(QStringLiteral("<name>{3}{1}{0}</name>\n<!-- LookAt -->\n\n")));
}

TEST(KmlWriter, TheStyleBlockHoldsEighteenTrackStyles)
{
    const QString& styles = KmlUtil::styleText();
    EXPECT_TRUE(styles.startsWith(QStringLiteral(
        "<Style id=\"track_style\"><IconStyle><Icon>\n"
        "<href>https://earth.google.com/images/kml-icons/track-directional/track-0.png</href>\n"
        "</Icon></IconStyle>\n"
        "<LineStyle><color>73ff0000</color><width>6</width></LineStyle></Style>\n"
        "<Style id=\"track-none\"><IconStyle><scale>0.8</scale><heading>0</heading>\n"
        "<Icon><href>https://earth.google.com/images/kml-icons/track-directional/track-none.png</href></"
        "Icon>\n"
        "<hotSpot x=\"0.5\" y=\"0.5\" xunits=\"fraction\" yunits=\"fraction\" />\n"
        "</IconStyle></Style>\n"
        "<Style id=\"track-0\">")));
    EXPECT_EQ(styles.count(QStringLiteral("<Style id=")), 18);
    EXPECT_EQ(styles.count(QLatin1Char('\n')), 72);
    EXPECT_TRUE(styles.contains(QStringLiteral("<Style id=\"track-15\">")));
    EXPECT_TRUE(styles.endsWith(
        QStringLiteral("track-15.png</href></Icon>\n"
                       "<hotSpot x=\"0.5\" y=\"0.5\" xunits=\"fraction\" yunits=\"fraction\" />\n"
                       "</IconStyle></Style>\n")));
}

TEST(KmlWriter, TheDerivedViewFramesTheFirstTrackOnly)
{
    // Samples without times: coordinates only, and a view without a span.
    XmlData xml;
    xml.FolderList = std::vector<FolderData>{
        folder(QStringLiteral("R"), {route({{std::nullopt, 139.25, 35.5, 0.0}}),
                                     route({{utc(T0), 10.0, 10.0, 0.0}, {utc(T0 + 1), 20.0, 20.0, 0.0}})})};
    const QString text = KmlUtil::createKmlText(xml);
    EXPECT_TRUE(text.contains(QStringLiteral("<gx:coord>139.25 35.5 0.0</gx:coord>\n</gx:Track>")));
    ASSERT_TRUE(xml.LookAt);
    EXPECT_EQ(*xml.LookAt->Longitude, 139.25);
    EXPECT_EQ(*xml.LookAt->Range, 0.0); // one sample: no span
    EXPECT_FALSE(
        text.section(QStringLiteral("<!-- Style -->"), 0, 0).contains(QStringLiteral("gx:TimeSpan")));

    EXPECT_EQ(KmlUtil::createLookAtText(LookAtData{}),
              "<LookAt>\n<altitudeMode>clampToGround</altitudeMode>\n</LookAt>");
    EXPECT_FALSE(LookAtData::altitudeModeFromText(QStringLiteral("ClampToGround")));
    EXPECT_EQ(LookAtData::altitudeModeFromText(QStringLiteral("absolute")),
              LookAtData::StructAltitudeMode::absolute);
}

TEST(KmlWriter, TimesAreTheUtcInstant)
{
    EXPECT_EQ(KmlUtil::timeText(utc(T0)), "2026-03-14T21:30:00Z");
    EXPECT_EQ(KmlUtil::timeText(utc(0)), "1970-01-01T00:00:00Z");
    EXPECT_EQ(KmlUtil::timeText(utc(-1)), "1969-12-31T23:59:59Z");
    EXPECT_EQ(KmlUtil::timeText(utc(1709208000)), "2024-02-29T12:00:00Z");
    // The zone a moment is held in changes nothing.
    EXPECT_EQ(KmlUtil::timeText(utc(T0).toTimeZone(QTimeZone("Australia/Lord_Howe"))),
              "2026-03-14T21:30:00Z");
    EXPECT_EQ(KmlUtil::timeText(QDateTime()), "");
}

TEST(KmlWriter, TextsXmlCannotCarryAreMadeSafe)
{
    XmlData xml;
    xml.Name = QStringLiteral("a\x01<b>&\"c\" ]]> ") + QChar(0xDC00);
    PlacemarkData p = point();
    p.Name = QStringLiteral("</name><script/>");
    p.Description = QStringLiteral("x]]>y]]>]]>\x02z");
    xml.FolderList = std::vector<FolderData>{folder(QStringLiteral("F&F"), {p})};
    const QString text = KmlUtil::createKmlText(xml);
    EXPECT_TRUE(text.contains(QStringLiteral("<name>a&lt;b&gt;&amp;&quot;c&quot; ]]&gt; </name>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<name>&lt;/name&gt;&lt;script/&gt;</name>")));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("doc.kml")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
    file.close();
    QProcess xmllint;
    xmllint.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), file.fileName()});
    ASSERT_TRUE(xmllint.waitForFinished(30000)) << "xmllint (libxml2-utils) is needed";
    EXPECT_EQ(xmllint.exitCode(), 0) << xmllint.readAllStandardError().toStdString();
    // The description reads back whole.
    QProcess query;
    query.start(QStringLiteral("xmllint"),
                {QStringLiteral("--xpath"), QStringLiteral("string(//*[local-name()='description'])"),
                 file.fileName()});
    ASSERT_TRUE(query.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(query.readAllStandardOutput()).trimmed(), QStringLiteral("x]]>y]]>]]>z"));
}
