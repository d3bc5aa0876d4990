#pragma once

#include "core/settings/SettingInfo.h"

#include <QString>
#include <array>
#include <optional>

// What the camera-settings dialog shows, as plain values: the ranges and
// steps of its sliders and steppers, the conversions between the recorder's
// items and the controls, and the rules that snap a typed value onto a
// slider. The dialog is a view over this.
//
// The two sensitivities are held in G (hundredths of G on the card). Their
// sliders hold 1 - v, their text is snapped to the slider tick closest to v,
// and the surveillance value is range-checked against the slider: so range
// and ticks are symmetric about 0.5, which makes v and 1 - v snap and check
// alike.
struct CameraSettingValues {
    // ---- ranges (inclusive) and steps ----
    static constexpr int SENSITIVITY_MIN_HUNDREDTHS = 5;  // 0.05 G
    static constexpr int SENSITIVITY_MAX_HUNDREDTHS = 95; // 0.95 G
    static constexpr int SENSITIVITY_STEP_HUNDREDTHS = 1; // every 0.01 G is a tick
    static constexpr int CROSS_MIN = 1, CROSS_MAX = 5;
    static constexpr int ANGLE_MIN = -45, ANGLE_MAX = 45; // degrees, ticks every degree
    static constexpr int QUICK_WAKE_UP_MIN = 1, QUICK_WAKE_UP_MAX = 99;
    static constexpr int FILE_COUNT_MIN = 10, FILE_COUNT_MAX = 1000, FILE_COUNT_STEP = 10;
    static constexpr int QUALITY_COUNT = 3, BUZZER_LEVEL_COUNT = 3, START_DELAY_COUNT = 2, POWER_MODE_COUNT = 2;

    // ---- presets and defaults ----
    static constexpr double SENSOR_NORMAL = 0.5, SENSOR_HIGH = 0.45;
    static constexpr double SUR_SENSOR_NORMAL = 0.3, SUR_SENSOR_HIGH = 0.2;
    static constexpr int QUIK_WAKEUP_TIME = 30;

    enum Buzzer { Action, Operation, NoCard, Surveillance };

    double dtlSns = SENSOR_NORMAL; // G-trigger level, G
    int dtlCrs = 1;                // cross level 1..5
    int dtlAngle = 0;
    int quality = 1;                     // 0 high quality, 1 standard, 2 extended time
    std::array<int, 4> buzzers{1, 1, 1, 1}; // 0 low, 1 high, 2 off
    bool survOn = true;
    double survSns = SUR_SENSOR_NORMAL; // surveillance sensitivity, G
    int survStartDelay = 0;             // index: 0 means 1, 1 means 2
    int pwrMode = 0;                    // 0 normal wake-up, 1 quick wake-up
    int quickWakeUpTime = QUIK_WAKEUP_TIME;
    bool advOn = true;
    int fileCount = 100;
    bool passInit = false; // clear the Wi-Fi passwords on save

    // Puts every value that the card's record holds, decodes and lies in its
    // control's range into place; the others stay as they are. False when
    // the record holds a device type the dialog does not know (other than 0
    // or 1; no device type at all is fine); the values are loaded all the
    // same.
    bool load(const SettingInfo& info);
    // The record OK writes: a new model holding only the dialog's items.
    SettingInfo toSettingInfo() const;

    // ---- conversions and snapping ----
    static double sensitivityMin() { return SENSITIVITY_MIN_HUNDREDTHS / 100.0; }
    static double sensitivityMax() { return SENSITIVITY_MAX_HUNDREDTHS / 100.0; }
    // "%0.2f" of v rounded to hundredths.
    static QString sensitivityText(double v);
    // The sensitivity tick closest to v (ends included).
    static double snapSensitivity(double v);
    static int snapCross(double v);
    static int snapAngle(double v);
    // Lowered to the maximum, raised to the minimum, truncated toward zero.
    static int clampQuickWakeUp(double v);
    // The whole text as a decimal number in the C locale.
    static std::optional<double> parseNumber(const QString& text);
    // The adventure read-outs: memory in units of 1024 MB ("%0.2f") for
    // files of 36 MB, and minutes of recording for the quality index
    // (nothing for an unknown index).
    static QString memoryText(int files);
    static std::optional<int> recordingMinutes(int files, int quality);
};
