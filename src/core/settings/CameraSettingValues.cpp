#include "core/settings/CameraSettingValues.h"

#include <QLocale>
#include <cmath>

namespace {

double roundToHundredths(double v)
{
    return std::round(v * 100.0) / 100.0;
}

// The value of an item that holds hundredths of G, in G; nothing when absent
// or not decimal.
std::optional<double> hundredthsOf(std::int32_t stored)
{
    if (stored < 0) return std::nullopt;
    return stored / 100.0;
}

bool within(double v, double low, double high)
{
    return low <= v && v <= high;
}

} // namespace

bool CameraSettingValues::load(const SettingInfo& info)
{
    if (const auto v = hundredthsOf(info.getGTrgLevel()); v && within(*v, sensitivityMin(), sensitivityMax()))
        dtlSns = *v;
    if (const int cross = info.getGTrgCross(); cross != -1 && within(cross, CROSS_MIN, CROSS_MAX)) dtlCrs = cross;
    std::int32_t isAuto = -1, angle = -2;
    info.getModAngle(isAuto, angle);
    if (isAuto != -1 && angle != -2 && within(angle, ANGLE_MIN, ANGLE_MAX)) dtlAngle = angle;
    if (const int q = info.getQualityMode(); q >= 0 && q < QUALITY_COUNT) quality = q;

    const int levels[4] = {info.getBuzzAction(), info.getBuzzOperation(), info.getBuzzNoCard(), info.getBuzzSurv()};
    for (int i = 0; i < 4; ++i)
        if (levels[i] >= 0 && levels[i] < BUZZER_LEVEL_COUNT) buzzers[std::size_t(i)] = levels[i];

    std::int32_t on = -1, off = -1, mode = -1;
    info.getSurvRec(on, off, mode);
    if (on != -1 && off != -1 && mode != -1) {
        if (off == 1) {
            survOn = false;
            pwrMode = 0;
        } else if (on == 1) {
            survOn = true;
            pwrMode = mode == 1 ? 1 : 0;
        }
    }
    if (const auto v = hundredthsOf(info.getSurvGSensorX()); v && within(*v, sensitivityMin(), sensitivityMax()))
        survSns = *v;
    if (const int delay = info.getSurvAccOffTime(); delay == 1 || delay == 2) survStartDelay = delay - 1;
    if (const int t = info.getOpeTime(); t >= 0 && within(t, QUICK_WAKE_UP_MIN, QUICK_WAKE_UP_MAX))
        quickWakeUpTime = t;

    std::int32_t advOnValue = -1, advOffValue = -1;
    info.getAdvMode(advOnValue, advOffValue);
    if (advOnValue != -1 && advOffValue != -1) {
        if (advOffValue == 1)
            advOn = false;
        else if (advOnValue == 1)
            advOn = true;
    }
    if (const int files = info.getRecFileCnt(); files >= 0)
        fileCount = within(files, FILE_COUNT_MIN, FILE_COUNT_MAX) ? files : FILE_COUNT_MAX;

    // A record without a device type is not a foreign one: only a type the
    // dialog does not know is.
    const int device = info.getDeviceType();
    return device == -1 || device == 0 || device == 1;
}

SettingInfo CameraSettingValues::toSettingInfo() const
{
    SettingInfo s;
    s.setGTrgLevel(int(std::lround(dtlSns * 100.0)));
    s.setGTrgCross(dtlCrs);
    s.setModAngle(false, dtlAngle);
    s.setBuzzAction(buzzers[Action]);
    s.setBuzzOperation(buzzers[Operation]);
    s.setBuzzNoCard(buzzers[NoCard]);
    s.setBuzzSurv(buzzers[Surveillance]);
    s.setQualityMode(quality);
    s.setSurvRec(survOn, !survOn, pwrMode);
    s.setSurvGSensorX(int(std::lround(survSns * 100.0)));
    if (pwrMode == 1) s.setOpeTime(quickWakeUpTime);
    s.setSurvAccOffTime(survStartDelay + 1);
    s.setSurvAccOnTime(survStartDelay + 1);
    s.setAdvMode(advOn, !advOn);
    s.setRecFileCnt(fileCount);
    if (passInit) s.clearWifiPass();
    return s;
}

QString CameraSettingValues::sensitivityText(double v)
{
    return QString::asprintf("%0.2f", roundToHundredths(v));
}

double CameraSettingValues::snapSensitivity(double v)
{
    if (std::isnan(v)) return sensitivityMin();
    const double steps = std::round((v * 100.0 - SENSITIVITY_MIN_HUNDREDTHS) / SENSITIVITY_STEP_HUNDREDTHS);
    const double hundredths = std::clamp(SENSITIVITY_MIN_HUNDREDTHS + steps * SENSITIVITY_STEP_HUNDREDTHS,
                                         double(SENSITIVITY_MIN_HUNDREDTHS), double(SENSITIVITY_MAX_HUNDREDTHS));
    return hundredths / 100.0;
}

int CameraSettingValues::snapCross(double v)
{
    if (std::isnan(v)) return CROSS_MIN;
    return int(std::clamp(std::round(v), double(CROSS_MIN), double(CROSS_MAX)));
}

int CameraSettingValues::snapAngle(double v)
{
    if (std::isnan(v)) return 0;
    return int(std::clamp(std::round(v), double(ANGLE_MIN), double(ANGLE_MAX)));
}

int CameraSettingValues::clampQuickWakeUp(double v)
{
    if (std::isnan(v) || v >= QUICK_WAKE_UP_MAX) v = QUICK_WAKE_UP_MAX;
    if (v < QUICK_WAKE_UP_MIN) v = QUICK_WAKE_UP_MIN;
    return int(std::trunc(v));
}

std::optional<double> CameraSettingValues::parseNumber(const QString& text)
{
    // "1,5" is not a number here (the C locale would read it as 15).
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = c.toDouble(text, &ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

QString CameraSettingValues::memoryText(int files)
{
    return QString::asprintf("%0.2f", roundToHundredths(files * 36 * 0.0009765625));
}

std::optional<int> CameraSettingValues::recordingMinutes(int files, int quality)
{
    static constexpr int secondsPerFile[QUALITY_COUNT] = {40, 52, 79};
    if (quality < 0 || quality >= QUALITY_COUNT) return std::nullopt;
    return int(std::lround(files * double(secondsPerFile[quality]) / 60.0));
}
