#include "core/tools/DataCaption.h"

#include "core/foundation/SpeedConversion.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/recording/VideoFrame.h"

#include <QCoreApplication>
#include <cmath>

CaptionSettings CaptionSettings::current()
{
    CaptionSettings s;
    s.dateFormat = dateFormatTypeFromRaw(UserDefaultUtil::dateFormat.load()).value_or(DateFormatType::DMYAMPM);
    s.timeZone = UserDefaultUtil::timeZone.load();
    s.summerTime = UserDefaultUtil::summerTime.load();
    s.speedKmh = UserDefaultUtil::speedMeter.load();
    return s;
}

namespace DataCaption {

namespace {
constexpr QChar kFullWidthColon(0xFF1A);
constexpr QChar kIdeographicSpace(0x3000);

QString label(QChar lead, const char* key)
{
    return lead + QCoreApplication::translate("FfmpegOperate", key) + kFullWidthColon;
}
} // namespace

QString strDate()
{
    return label(u' ', "time/date");
}
QString strSpeed()
{
    return label(kIdeographicSpace, "speed");
}
QString strAccel()
{
    return label(kIdeographicSpace, "acceleration");
}
QString strLat()
{
    return label(kIdeographicSpace, "latitude");
}
QString strLon()
{
    return label(kIdeographicSpace, "longitude");
}

QString degreesText(std::int32_t field)
{
    // std::round goes half away from zero.
    const double degrees = std::round(double(field) / 36000.0 * 1000000.0) / 1000000.0;
    return QString::asprintf("%.6f", degrees);
}

QString makeOverlayText(const VideoFrame& frame, CaptionSelection selection, const CaptionSettings& settings)
{
    QString text;
    if (selection.dateTime) {
        QString format = DateFormatTables::overlayDateTimeFormats()[settings.dateFormat];
        if (format.isEmpty()) format = QString::fromLatin1(FALLBACK_DATE_FORMAT);
        text += strDate()
                + Date::toString(frame.time(), format, DateFormatTypeUtil::timeZoneIdentifier(settings.timeZone),
                                 settings.summerTime);
    }
    if (selection.speed) {
        if (settings.speedKmh)
            text += strSpeed() + QString::number(frame.speed) + QLatin1String(SPEED_UNIT_KMH);
        else
            text += strSpeed() + QString::number(SpeedConversion::toMph(frame.speed)) + QLatin1String(SPEED_UNIT_MPH);
    }
    if (selection.acceleration)
        text += strAccel() + QString::asprintf("%.3f", std::hypot(frame.gX, frame.gY)) + QLatin1String(ACCEL_UNIT);
    if (selection.point)
        text += strLat() + degreesText(frame._latitude) + strLon() + degreesText(frame._longitude);
    return text;
}

} // namespace DataCaption
