#include "core/map/KmlUtil.h"
#include "core/map/MapScript.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// The icons of the track styles live on Google Earth's own server.
const char* const ICON_BASE = "https://earth.google.com/images/kml-icons/track-directional/track-";

QString number(double value)
{
    return MapScript::number(value);
}

// A character XML 1.0 can carry at all (escaped or not).
bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// Keeps only what XML can carry; with escape, writes markup characters as entities.
QString xmlText(const QString& text, bool escape)
{
    QString out;
    out.reserve(text.size());
    const auto units = QStringView(text);
    for (qsizetype i = 0; i < units.size(); ++i) {
        const QChar c = units[i];
        if (c.isHighSurrogate() && i + 1 < units.size() && units[i + 1].isLowSurrogate()) {
            out += c;
            out += units[++i];
            continue;
        }
        if (c.isSurrogate() || !isXmlChar(c.unicode())) continue;
        if (escape) {
            switch (c.unicode()) {
            case u'&':
                out += QLatin1String("&amp;");
                continue;
            case u'<':
                out += QLatin1String("&lt;");
                continue;
            case u'>':
                out += QLatin1String("&gt;");
                continue;
            case u'"':
                out += QLatin1String("&quot;");
                continue;
            default:
                break;
            }
        }
        out += c;
    }
    return out;
}

QString escaped(const QString& text)
{
    return xmlText(text, true);
}

// A CDATA section that holds the text whole: each "]]>" inside it is split
// across two sections.
QString cdata(const QString& text)
{
    QString body = xmlText(text, false);
    body.replace(QLatin1String("]]>"), QLatin1String("]]]]><![CDATA[>"));
    return QLatin1String("<![CDATA[") + body + QLatin1String("]]>");
}

QString element(const char* name, const QString& content)
{
    const QLatin1String n(name);
    return QLatin1Char('<') + n + QLatin1Char('>') + content + QLatin1String("</") + n + QLatin1Char('>');
}

void appendPlacemark(QString& out, PlacemarkData& placemark, XmlData& document)
{
    out += QLatin1String("<Placemark>\n<Snippet maxLines=\"0\"></Snippet>\n");
    if (!placemark.Name.isEmpty()) out += element("name", escaped(placemark.Name)) + QLatin1Char('\n');
    if (!placemark.StyleUrl.isEmpty())
        out += element("styleUrl", escaped(placemark.StyleUrl)) + QLatin1Char('\n');
    if (!placemark.Description.isEmpty())
        out += element("description", cdata(placemark.Description)) + QLatin1Char('\n');
    if (placemark.Coordinates) {
        const CoordinatesData& c = *placemark.Coordinates;
        out += QLatin1String("<Point><coordinates>") + number(c.Longitude) + QLatin1Char(',') +
               number(c.Latitude) + QLatin1Char(',') + number(c.Altitude) +
               QLatin1String("</coordinates></Point>\n");
    }
    if (placemark.LookAt) out += KmlUtil::createLookAtText(*placemark.LookAt) + QLatin1Char('\n');
    if (placemark.TrackList && !placemark.TrackList->empty()) {
        const std::vector<TrackData>& tracks = *placemark.TrackList;
        out.reserve(out.size() + qsizetype(tracks.size()) * 80);
        out += QLatin1String("<gx:Track>\n");
        for (const TrackData& t : tracks)
            if (t.When)
                out += QLatin1String("<when>") + KmlUtil::timeText(*t.When) + QLatin1String("</when>\n");
        for (const TrackData& t : tracks) {
            out += QLatin1String("<gx:coord>");
            out += number(t.Longitude);
            out += QLatin1Char(' ');
            out += number(t.Latitude);
            out += QLatin1Char(' ');
            out += number(t.Altitude);
            out += QLatin1String("</gx:coord>\n");
        }
        out += QLatin1String("</gx:Track>\n");
        if (!document.LookAt) document.LookAt = KmlUtil::makeLookAt(tracks);
    }
    out += QLatin1String("</Placemark>\n");
}

} // namespace

QString LookAtData::altitudeModeText(StructAltitudeMode mode)
{
    switch (mode) {
    case StructAltitudeMode::relativeToGround:
        return QStringLiteral("relativeToGround");
    case StructAltitudeMode::absolute:
        return QStringLiteral("absolute");
    case StructAltitudeMode::clampToGround:
        break;
    }
    return QStringLiteral("clampToGround");
}

std::optional<LookAtData::StructAltitudeMode> LookAtData::altitudeModeFromText(const QString& text)
{
    for (const auto mode : {StructAltitudeMode::clampToGround, StructAltitudeMode::relativeToGround,
                            StructAltitudeMode::absolute})
        if (altitudeModeText(mode) == text) return mode;
    return std::nullopt;
}

QString KmlUtil::timeText(const QDateTime& instant)
{
    if (!instant.isValid()) return QString();
    // Civil date of a day count (proleptic Gregorian), much cheaper than a
    // formatter for the tens of thousands of samples of a long trip.
    const qint64 secs = instant.toSecsSinceEpoch();
    qint64 days = secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400);
    const qint64 second = secs - days * 86400;
    days += 719468;
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const qint64 doe = days - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const qint64 day = doy - (153 * mp + 2) / 5 + 1;
    const qint64 month = mp < 10 ? mp + 3 : mp - 9;
    const qint64 year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day),
                  static_cast<long long>(second / 3600), static_cast<long long>(second / 60 % 60),
                  static_cast<long long>(second % 60));
    return QString::fromLatin1(buf);
}

const QString& KmlUtil::styleText()
{
    static const QString text = [] {
        QString s;
        s += QLatin1String("<Style id=\"track_style\"><IconStyle><Icon>\n<href>") + QLatin1String(ICON_BASE) +
             QLatin1String("0.png</href>\n</Icon></IconStyle>\n"
                           "<LineStyle><color>73ff0000</color><width>6</width></LineStyle></Style>\n");
        QStringList names{QStringLiteral("none")};
        for (int i = 0; i <= 15; ++i)
            names.append(QString::number(i));
        for (const QString& n : names) {
            s += QLatin1String("<Style id=\"track-") + n +
                 QLatin1String("\"><IconStyle><scale>0.8</scale><heading>0</heading>\n<Icon><href>") +
                 QLatin1String(ICON_BASE) + n +
                 QLatin1String(".png</href></Icon>\n"
                               "<hotSpot x=\"0.5\" y=\"0.5\" xunits=\"fraction\" yunits=\"fraction\" />\n"
                               "</IconStyle></Style>\n");
        }
        return s;
    }();
    return text;
}

QString KmlUtil::createLookAtText(const LookAtData& lookAt)
{
    QString out = QStringLiteral("<LookAt>\n");
    if (lookAt.TimeStamp)
        out += QLatin1String("<gx:TimeStamp><when>") + timeText(*lookAt.TimeStamp) +
               QLatin1String("</when></gx:TimeStamp>\n");
    if (lookAt.TimeStan && lookAt.TimeStan->Begin && lookAt.TimeStan->End)
        out += QLatin1String("<gx:TimeSpan><begin>") + timeText(*lookAt.TimeStan->Begin) +
               QLatin1String("</begin><end>") + timeText(*lookAt.TimeStan->End) +
               QLatin1String("</end></gx:TimeSpan>\n");
    const std::pair<const char*, const std::optional<double>*> fields[] = {
        {"longitude", &lookAt.Longitude}, {"latitude", &lookAt.Latitude}, {"altitude", &lookAt.Altitude},
        {"heading", &lookAt.Heading},     {"tilt", &lookAt.Tilt},         {"range", &lookAt.Range},
    };
    for (const auto& [name, value] : fields)
        if (*value) out += element(name, number(**value)) + QLatin1Char('\n');
    out += element("altitudeMode", LookAtData::altitudeModeText(lookAt.AltitudeMode));
    out += QLatin1String("\n</LookAt>");
    return out;
}

LookAtData KmlUtil::makeLookAt(const std::vector<TrackData>& tracks)
{
    LookAtData view;
    if (tracks.empty()) return view;
    double maxLat = -90.0, minLat = 90.0, maxLng = -180.0, minLng = 180.0;
    for (const TrackData& t : tracks) {
        maxLat = std::max(maxLat, t.Latitude);
        minLat = std::min(minLat, t.Latitude);
        maxLng = std::max(maxLng, t.Longitude);
        minLng = std::min(minLng, t.Longitude);
    }
    view.TimeStan = TimeSpanData{tracks.front().When, tracks.back().When};
    const double latSpan = maxLat - minLat;
    const double lngSpan = maxLng - minLng;
    const double centreLat = minLat + latSpan * 0.5;
    const double centreLng = minLng + lngSpan * 0.5;
    view.Range = std::max(170000.0 * latSpan,
                          std::cos(std::abs(centreLat) / 180.0 * std::numbers::pi) * lngSpan * 110000.0);
    view.Longitude = centreLng;
    view.Latitude = centreLat;
    view.Altitude = 0.0;
    view.Heading = 0.0;
    view.Tilt = 0.0;
    return view;
}

QString KmlUtil::createKmlText(XmlData& xml)
{
    QString folders;
    if (xml.FolderList) {
        for (FolderData& folder : *xml.FolderList) {
            folders += QLatin1String("<Folder>\n");
            if (!folder.Name.isEmpty()) folders += element("name", escaped(folder.Name)) + QLatin1Char('\n');
            if (folder.PlacemarkList)
                for (PlacemarkData& placemark : *folder.PlacemarkList)
                    appendPlacemark(folders, placemark, xml);
            folders += QLatin1String("</Folder>\n");
        }
    }
    // The view is taken after the folders: a track may have just made it.
    const QString lookAt = xml.LookAt ? createLookAtText(*xml.LookAt) : QString();
    QString out;
    out.reserve(folders.size() + styleText().size() + 512);
    out += QLatin1String(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\""
        " xmlns:kml=\"http://www.opengis.net/kml/2.2\" xmlns:atom=\"http://www.w3.org/2005/Atom\">\n"
        "<Document>\n<name>");
    out += escaped(xml.Name);
    out += QLatin1String("</name>\n<!-- LookAt -->\n");
    out += lookAt;
    out += QLatin1String("\n<!-- Style -->\n");
    out += styleText();
    out += QLatin1String("<!-- Folder -->\n");
    out += folders;
    out += QLatin1String("</Document>\n</kml>\n");
    return out;
}
