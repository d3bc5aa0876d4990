#include "core/foundation/UserDefaultUtil.h"

#include "core/foundation/SettingsStore.h"
#include "core/foundation/SettingsValue.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString UserDefaultUtil::pathBackup = UserDefaultUtil::documentsPath();
QUrl UserDefaultUtil::pathDirGoogleEarth = UserDefaultUtil::documentsUrl();

QString UserDefaultUtil::documentsPath()
{
    static const QString path = [] {
        QString p = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (p.isEmpty()) p = QDir::homePath();
        return p;
    }();
    return path;
}

QUrl UserDefaultUtil::documentsUrl()
{
    QString p = documentsPath();
    if (!p.endsWith(QLatin1Char('/'))) p += QLatin1Char('/');
    return QUrl::fromLocalFile(p);
}

void UserDefaultUtil::load()
{
    const SettingsStore::Store& s = *SettingsStore::open();
    using namespace SettingsValue;

    dateFormat = 0;
    if (s.contains(KEY_DATE_FORMAT)) dateFormat = integerOf(s.value(KEY_DATE_FORMAT)) == 1 ? 1 : 0;

    timeZone = 0;
    if (s.contains(KEY_TIME_ZONE)) {
        const qint64 tz = integerOf(s.value(KEY_TIME_ZONE));
        timeZone = (tz >= 0 && tz <= 6) ? static_cast<std::uint8_t>(tz) : 0;
    }

    if (s.contains(KEY_SUMMER_TIME)) summerTime = boolOf(s.value(KEY_SUMMER_TIME));
    if (s.contains(KEY_SPEED_METER)) speedMeter = boolOf(s.value(KEY_SPEED_METER));

    if (s.contains(KEY_PATH_BACKUP)) {
        const auto path = stringOf(s.value(KEY_PATH_BACKUP));
        pathBackup = (path && QFileInfo(*path).isDir()) ? *path : documentsPath();
    }
    if (s.contains(KEY_PATH_SELECT_FILE))
        pathSelectFile = stringOf(s.value(KEY_PATH_SELECT_FILE)).value_or(documentsPath());

    if (s.contains(KEY_MAP_ZOOM)) mapZoom = integerOf(s.value(KEY_MAP_ZOOM));
    if (s.contains(KEY_MAP_DISP_BALOON)) mapDispBaloon = boolOf(s.value(KEY_MAP_DISP_BALOON));

    // A map type that is not text falls back to its default; the keys after
    // it are read as usual.
    if (s.contains(KEY_MAP_TYPE_ID))
        mapTypeId = stringOf(s.value(KEY_MAP_TYPE_ID)).value_or(QStringLiteral("roadmap"));

    if (s.contains(KEY_VIEWER_VOLUME)) viewerVolume = static_cast<float>(doubleOf(s.value(KEY_VIEWER_VOLUME)));
    if (s.contains(KEY_VIEWER_IS_MUTE)) viewerIsMute = boolOf(s.value(KEY_VIEWER_IS_MUTE));
    if (s.contains(KEY_VIEWER_GAMMA)) viewerGamma = doubleOf(s.value(KEY_VIEWER_GAMMA));
    if (s.contains(KEY_DISP_SPEED_METER)) dispSpeedMeter = boolOf(s.value(KEY_DISP_SPEED_METER));
    if (s.contains(KEY_DISP_CIRCLE_CHART)) dispCircleChart = boolOf(s.value(KEY_DISP_CIRCLE_CHART));

    if (s.contains(KEY_DISP_CIRCLE_CHART_MAX_G)) {
        const double g = doubleOf(s.value(KEY_DISP_CIRCLE_CHART_MAX_G));
        dispCircleChartMaxG = 0;
        for (std::uint8_t i = 0; i < 6; ++i) {
            if (g == CIRCLE_CHART_MAX_G[i]) {
                dispCircleChartMaxG = i;
                break;
            }
        }
    }

    if (s.contains(KEY_PATH_DIR_CUT)) pathDirCut = stringOf(s.value(KEY_PATH_DIR_CUT)).value_or(documentsPath());
    if (s.contains(KEY_EXP_DLG_DATE_TIME)) expDlgDateTime = boolOf(s.value(KEY_EXP_DLG_DATE_TIME));
    if (s.contains(KEY_EXP_DLG_SPEED)) expDlgSpeed = boolOf(s.value(KEY_EXP_DLG_SPEED));
    if (s.contains(KEY_EXP_DLG_ACCELERATION)) expDlgAcceleration = boolOf(s.value(KEY_EXP_DLG_ACCELERATION));
    if (s.contains(KEY_EXP_DLG_POINT)) expDlgPoint = boolOf(s.value(KEY_EXP_DLG_POINT));
    if (s.contains(KEY_PATH_DIR_CAP)) pathDirCap = stringOf(s.value(KEY_PATH_DIR_CAP)).value_or(documentsPath());
    if (s.contains(KEY_PATH_DIR_GOOGLE_EARTH))
        pathDirGoogleEarth = urlOf(s.value(KEY_PATH_DIR_GOOGLE_EARTH)).value_or(documentsUrl());
    if (s.contains(KEY_FIRST_LAUNCH)) firstLaunch = boolOf(s.value(KEY_FIRST_LAUNCH));
}

bool UserDefaultUtil::readDateFormat()
{
    const auto s = SettingsStore::open();
    return s->contains(KEY_DATE_FORMAT) && SettingsValue::integerOf(s->value(KEY_DATE_FORMAT)) == 1;
}

std::uint8_t UserDefaultUtil::readTimeZone()
{
    const auto s = SettingsStore::open();
    if (!s->contains(KEY_TIME_ZONE)) return 0;
    const qint64 tz = SettingsValue::integerOf(s->value(KEY_TIME_ZONE));
    return (tz >= 1 && tz <= 6) ? static_cast<std::uint8_t>(tz) : 0;
}

bool UserDefaultUtil::readSummerTime()
{
    const auto s = SettingsStore::open();
    return s->contains(KEY_SUMMER_TIME) ? SettingsValue::boolOf(s->value(KEY_SUMMER_TIME)) : summerTime.load();
}

bool UserDefaultUtil::readSpeedMeter()
{
    const auto s = SettingsStore::open();
    return s->contains(KEY_SPEED_METER) ? SettingsValue::boolOf(s->value(KEY_SPEED_METER)) : speedMeter.load();
}

void UserDefaultUtil::resetToInitialValues()
{
    dateFormat = 0;
    timeZone = 0;
    summerTime = false;
    speedMeter = true;
    pathBackup = documentsPath();
    pathSelectFile.clear();
    mapZoom = 15;
    mapDispBaloon = true;
    mapTypeId = QStringLiteral("roadmap");
    viewerVolume = 1.0f;
    viewerIsMute = false;
    viewerGamma = 1.0;
    dispSpeedMeter = true;
    dispCircleChart = true;
    dispCircleChartMaxG = 0;
    pathDirCut.clear();
    expDlgDateTime = expDlgSpeed = expDlgAcceleration = expDlgPoint = false;
    pathDirCap.clear();
    pathDirGoogleEarth = documentsUrl();
    firstLaunch = false;
    language = 0;
    mapWindowSize = QSize(480, 294);
}
