#pragma once

#include "core/settings/CameraSettingValues.h"
#include "core/settings/SettingInfo.h"

#include <QSize>
#include <QStringList>
#include <QWidget>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class ValueStepper;

// The recorder's own settings, read from the card's SETINF.DAT and written
// back as GROUP.DAT: G-trigger level, cross level and angle, recording
// quality, four buzzers, parking surveillance (sensitivity, start delay,
// power mode, quick wake-up time), adventure mode with its file count, and
// clearing the Wi-Fi passwords.
//
// Each value with a slider is held three ways (slider, text field, stepper)
// and kept in step while the user edits; typed values are snapped onto the
// slider when editing ends. The two sensitivity sliders hold 1 - v (further
// right is more sensitive). Ranges and steps are CameraSettingValues'.
//
// Hosted in a ModalWindow of type CameraSetting; OK ends its run after a
// verified save, Cancel at once.
class CameraSettingDialog : public QWidget {
    Q_OBJECT
public:
    explicit CameraSettingDialog(QWidget* parent = nullptr);

    static QString windowTitleText();
    static constexpr QSize CONTENT_SIZE{590, 631};

    // The record read from the card (absent when it could not be read), and
    // the folder that receives GROUP.DAT (empty: none).
    std::optional<SettingInfo> settingInfo;
    QString defaultDirPath;

    void showDialog();
    void setupPopups();
    void resetControls();
    void loadControls();
    void setDtlSnsValue(double v);
    void setSurvSnsValue(double v);
    void setDtlCrsValue(int n);
    void setDtlAngleValue(int n);
    void updateAdventureReadout();
    void normalizeFields();
    void pwrModeChanged();
    void saveSettings();
    void closeDialog();

    // The controls' values as they would be saved (text fields as they read).
    CameraSettingValues values() const;

    QComboBox* cmbQuality = nullptr;
    QComboBox* cmbBuzzerAction = nullptr;
    QComboBox* cmbBuzzerOperation = nullptr;
    QComboBox* cmbBuzzerNoCard = nullptr;
    QComboBox* cmbBuzzerSurveillance = nullptr;
    QCheckBox* chkPassInit = nullptr;
    QSlider* sliDtlSns = nullptr;
    QLineEdit* txtDtlSns = nullptr;
    ValueStepper* steDtlSns = nullptr;
    QSlider* sliDtlCrs = nullptr;
    QLineEdit* txtDtlCrs = nullptr;
    ValueStepper* steDtlCrs = nullptr;
    QSlider* sliDtlAngle = nullptr;
    QLineEdit* txtDtlAngle = nullptr;
    ValueStepper* steDtlAngle = nullptr;
    QButtonGroup* MatrSurvMode = nullptr; // tag 0 on, 1 off
    QSlider* sliSurvSns = nullptr;
    QLineEdit* txtSurvSns = nullptr;
    ValueStepper* steSurvSns = nullptr;
    QComboBox* cmbSurvStartDelay = nullptr;
    QComboBox* cmbPwrMode = nullptr;
    QLineEdit* txtQuikWakeUpTime = nullptr;
    ValueStepper* steQuikWakeUpTime = nullptr;
    QButtonGroup* MatrAdvMode = nullptr; // tag 0 on, 1 off
    QSlider* sliMA = nullptr;
    QLabel* txtMAMemory = nullptr;
    QLabel* txtMATime = nullptr;
    QPushButton* btnDtlSnsNormal = nullptr;
    QPushButton* btnDtlSnsHigh = nullptr;
    QPushButton* btnSurvSnsNormal = nullptr;
    QPushButton* btnSurvSnsHigh = nullptr;
    QPushButton* btnResetAll = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    QStringList qualitys, buzzerActions, buzzerOperations, buzzerNoCards, buzzerSurveillances, survStartDelayNomal,
        survStartDelayQuick, pwrModes;

private:
    void buildControls();
    void connectControls();
    void applyValues(const CameraSettingValues& v);
    // The quick wake-up time can be edited only in the quick power mode.
    void enableQuickWakeUp(bool quick);
    // The end-of-editing rule of one text field.
    void endEditing(QLineEdit* field);
    void controlTextDidChange(QLineEdit* field);
};
