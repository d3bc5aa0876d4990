#include "core/map/MapScript.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

QString MapScript::number(double value)
{
    if (std::isnan(value)) return QStringLiteral("NaN");
    if (std::isinf(value)) return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e'))) text += QStringLiteral(".0");
    return text;
}

QString MapScript::string(const QString& text)
{
    static const char hex[] = "0123456789abcdef";
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'"':
            out += QLatin1String("\\\"");
            continue;
        case u'\\':
            out += QLatin1String("\\\\");
            continue;
        case u'\n':
            out += QLatin1String("\\n");
            continue;
        case u'\r':
            out += QLatin1String("\\r");
            continue;
        case u'\t':
            out += QLatin1String("\\t");
            continue;
        default:
            break;
        }
        // Angle brackets and ampersands too, so that the text stays inert
        // even where a call text ends up inside markup.
        if (u < 0x20 || u >= 0x7f || u == u'<' || u == u'>' || u == u'&') {
            out += QLatin1String("\\u");
            for (int shift = 12; shift >= 0; shift -= 4)
                out += QLatin1Char(hex[(u >> shift) & 0xF]);
        } else {
            out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

namespace {

QString boolText(bool b)
{
    return b ? QStringLiteral("true") : QStringLiteral("false");
}

QString call(const char* name, const QString& args = QString())
{
    return QLatin1String(name) + QLatin1Char('(') + args + QLatin1Char(')');
}

} // namespace

QString MapScript::initialize()
{
    return call("initialize");
}

QString MapScript::movePosition(double lat, double lng)
{
    return call("movePosition", number(lat) + QLatin1Char(',') + number(lng));
}

QString MapScript::setZoom(int zoom)
{
    return call("setZoom", QString::number(zoom));
}
QString MapScript::setMapTypeId(const QString& id)
{
    return call("setMapTypeId", string(id));
}
QString MapScript::setDispBalloon(bool show)
{
    return call("setDispBalloon", boolText(show));
}

QString MapScript::setCenter(double lat, double lng)
{
    return call("setCenter", number(lat) + QLatin1Char(',') + number(lng));
}

QString MapScript::setLanguage(int language)
{
    return call("setLanguage", QString::number(language));
}

QString MapScript::addMarker(const QString& key, double lat, double lng, const QString& text, MarkerType kind)
{
    return call("addMarker", string(key) + QLatin1String(", ") + number(lat) + QLatin1String(", ") +
                                 number(lng) + QLatin1Char(',') + string(text) + QLatin1String(", ") +
                                 QString::number(int(kind)));
}

QString MapScript::drawMyCar(double lat, double lng, IconId icon, bool gps)
{
    return call("drawMyCar", number(lat) + QLatin1String(", ") + number(lng) + QLatin1String(", ") +
                                 QString::number(int(icon)) + QLatin1String(", ") + boolText(gps));
}

QString MapScript::addPolyPoint(double lat, double lng)
{
    return call("addPolyPoint", number(lat) + QLatin1String(", ") + number(lng));
}

QString MapScript::drawPolyline()
{
    return call("drawPolyline");
}
QString MapScript::removePolyLine()
{
    return call("removePolyLine");
}
QString MapScript::removeMarkerAll()
{
    return call("removeMarkerAll");
}
QString MapScript::removeMyCar()
{
    return call("removeMyCar");
}
QString MapScript::clearZoomAndCenter()
{
    return call("clearZoomAndCenter");
}

namespace {

// The points through addPolyPoint in one evaluation, then the closing call.
QString points(std::vector<GeoPoint>::const_iterator begin, std::vector<GeoPoint>::const_iterator end,
               const QString& closing)
{
    QString text;
    text.reserve(qsizetype(end - begin) * 24 + 96);
    text += QLatin1String("(function(p){for(var i=0;i<p.length;i+=2)addPolyPoint(p[i],p[i+1]);})([");
    for (auto p = begin; p != end; ++p) {
        if (p != begin) text += QLatin1Char(',');
        text += MapScript::number(p->lat);
        text += QLatin1Char(',');
        text += MapScript::number(p->lng);
    }
    text += QLatin1String("]);");
    text += closing;
    text += QLatin1Char(';');
    return text;
}

} // namespace

QString MapScript::extendPolyline()
{
    return call("extendPolyline");
}

QString MapScript::route(const std::vector<GeoPoint>& route)
{
    return points(route.cbegin(), route.cend(), drawPolyline());
}

QString MapScript::routeExtension(const std::vector<GeoPoint>& route, std::size_t from)
{
    const auto begin = route.cbegin() + qsizetype(std::min(from, route.size()));
    return points(begin, route.cend(), extendPolyline());
}
