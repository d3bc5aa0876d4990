#include "app/settings/CameraSettingDialog.h"

#include "app/settings/ValueStepper.h"
#include "app/shell/Alerts.h"
#include "app/shell/ModalWindow.h"
#include "core/settings/CameraSettingsFile.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <cmath>

using Values = CameraSettingValues;

namespace {

constexpr int FIELD_WIDTH = 52;
// The label column of every group, so that the groups' sliders line up.
constexpr int LABEL_WIDTH = 150;
// Between the controls of a row, as between the grid's columns: a row laid
// inside the grid would otherwise put its controls edge to edge.
constexpr int ROW_SPACING = 6;

QHBoxLayout* makeRow()
{
    auto* row = new QHBoxLayout();
    row->setSpacing(ROW_SPACING);
    return row;
}

QSlider* makeSlider(QWidget* parent, const char* name, int min, int max, int tickInterval)
{
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(min, max);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval(tickInterval);
    s->setMinimumWidth(110);
    return s;
}

QLineEdit* makeField(QWidget* parent, const char* name)
{
    auto* f = new QLineEdit(parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setFixedWidth(FIELD_WIDTH);
    f->setAlignment(Qt::AlignRight);
    return f;
}

ValueStepper* makeStepper(QWidget* parent, const char* name, double min, double max, double increment)
{
    auto* s = new ValueStepper(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(min, max);
    s->setIncrement(increment);
    return s;
}

QButtonGroup* makeOnOff(QWidget* parent, QHBoxLayout* row, const char* name)
{
    auto* group = new QButtonGroup(parent);
    group->setObjectName(QString::fromLatin1(name));
    auto* on = new QRadioButton(CameraSettingDialog::tr("On"), parent);
    auto* off = new QRadioButton(CameraSettingDialog::tr("Off"), parent);
    group->addButton(on, 0);
    group->addButton(off, 1);
    row->addWidget(on);
    row->addSpacing(ROW_SPACING);
    row->addWidget(off);
    row->addStretch(1);
    return group;
}

QGridLayout* groupGrid(QGroupBox* box)
{
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(10, 4, 10, 6);
    grid->setHorizontalSpacing(ROW_SPACING);
    grid->setVerticalSpacing(4);
    grid->setColumnMinimumWidth(0, LABEL_WIDTH);
    return grid;
}

void fillOnce(QComboBox* box, QStringList& list, const QStringList& titles)
{
    if (box->count() != 0) return;
    list = titles;
    box->addItems(list);
}

// The sensitivity a slider shows: it holds 1 - v in hundredths.
double sensitivityOf(const QSlider* slider)
{
    return 1.0 - slider->value() / 100.0;
}

// A sensitivity in its three controls.
void showSensitivity(QSlider* slider, QLineEdit* field, ValueStepper* stepper, double v)
{
    const QSignalBlocker block(slider);
    slider->setValue(int(std::lround((1.0 - v) * 100.0)));
    field->setText(Values::sensitivityText(v));
    stepper->setValue(v);
}

void showInteger(QSlider* slider, QLineEdit* field, ValueStepper* stepper, int n)
{
    const QSignalBlocker block(slider);
    slider->setValue(n);
    field->setText(QString::number(n));
    stepper->setValue(n);
}

// The end of editing of a slider's field: a number is snapped onto the
// slider, anything else gives the slider's value back to the field.
void endSensitivityEditing(QSlider* slider, QLineEdit* field, ValueStepper* stepper)
{
    if (const auto parsed = Values::parseNumber(field->text()))
        showSensitivity(slider, field, stepper, Values::snapSensitivity(*parsed));
    else
        field->setText(Values::sensitivityText(sensitivityOf(slider)));
}

void endIntegerEditing(QSlider* slider, QLineEdit* field, ValueStepper* stepper, int (*snap)(double))
{
    if (const auto parsed = Values::parseNumber(field->text()))
        showInteger(slider, field, stepper, snap(*parsed));
    else
        field->setText(QString::number(slider->value()));
}

} // namespace

CameraSettingDialog::CameraSettingDialog(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CameraSettingDialog"));
    buildControls();
    connectControls();
}

QString CameraSettingDialog::windowTitleText()
{
    return tr("Camera Settings");
}

void CameraSettingDialog::buildControls()
{
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(14, 10, 14, 12);
    root->setSpacing(10);
    const int sMin = 100 - Values::SENSITIVITY_MAX_HUNDREDTHS, sMax = 100 - Values::SENSITIVITY_MIN_HUNDREDTHS;

    // A slider row: label, slider, field, stepper, unit, then what follows.
    const auto sliderRow = [](QGridLayout* grid, int row, const QString& label, QSlider* slider, QLineEdit* field,
                              ValueStepper* stepper, const QString& unit) {
        grid->addWidget(new QLabel(label), row, 0);
        grid->addWidget(slider, row, 1);
        grid->addWidget(field, row, 2);
        grid->addWidget(stepper, row, 3);
        grid->addWidget(new QLabel(unit), row, 4);
    };
    // A sensitivity row with its two presets.
    const auto sensitivityRow = [&](QGroupBox* box, QGridLayout* grid, int row, const char* names[3], QSlider*& slider,
                                    QLineEdit*& field, ValueStepper*& stepper, QPushButton*& normal,
                                    QPushButton*& high) {
        slider = makeSlider(box, names[0], sMin, sMax, 5);
        field = makeField(box, names[1]);
        stepper = makeStepper(box, names[2], Values::sensitivityMin(), Values::sensitivityMax(),
                              Values::SENSITIVITY_STEP_HUNDREDTHS / 100.0);
        sliderRow(grid, row, tr("G sensitivity"), slider, field, stepper, tr("G"));
        auto* presets = new QHBoxLayout();
        presets->setSpacing(4);
        normal = new QPushButton(tr("Normal"), box);
        high = new QPushButton(tr("High"), box);
        presets->addWidget(normal);
        presets->addWidget(high);
        grid->addLayout(presets, row, 5);
    };

    auto* event = new QGroupBox(tr("Event recording"), this);
    auto* eventGrid = groupGrid(event);
    const char* dtlNames[3] = {"sliDtlSns", "txtDtlSns", "steDtlSns"};
    sensitivityRow(event, eventGrid, 0, dtlNames, sliDtlSns, txtDtlSns, steDtlSns, btnDtlSnsNormal, btnDtlSnsHigh);
    sliDtlCrs = makeSlider(event, "sliDtlCrs", Values::CROSS_MIN, Values::CROSS_MAX, 1);
    txtDtlCrs = makeField(event, "txtDtlCrs");
    steDtlCrs = makeStepper(event, "steDtlCrs", Values::CROSS_MIN, Values::CROSS_MAX, 1);
    sliderRow(eventGrid, 1, tr("Cross level"), sliDtlCrs, txtDtlCrs, steDtlCrs, QString());
    sliDtlAngle = makeSlider(event, "sliDtlAngle", Values::ANGLE_MIN, Values::ANGLE_MAX, 15);
    txtDtlAngle = makeField(event, "txtDtlAngle");
    steDtlAngle = makeStepper(event, "steDtlAngle", Values::ANGLE_MIN, Values::ANGLE_MAX, 1);
    sliderRow(eventGrid, 2, tr("Angle"), sliDtlAngle, txtDtlAngle, steDtlAngle, tr("°"));
    eventGrid->setColumnStretch(1, 1);
    root->addWidget(event);

    auto* recording = new QGroupBox(tr("Recording and buzzer"), this);
    auto* recGrid = groupGrid(recording);
    cmbQuality = new QComboBox(recording);
    cmbBuzzerAction = new QComboBox(recording);
    cmbBuzzerOperation = new QComboBox(recording);
    cmbBuzzerNoCard = new QComboBox(recording);
    cmbBuzzerSurveillance = new QComboBox(recording);
    recGrid->addWidget(new QLabel(tr("Recording quality")), 0, 0);
    recGrid->addWidget(cmbQuality, 0, 1, 1, 3, Qt::AlignLeft);
    recGrid->addWidget(new QLabel(tr("Buzzer: detection")), 1, 0);
    recGrid->addWidget(cmbBuzzerAction, 1, 1);
    recGrid->addWidget(new QLabel(tr("Buzzer: operation")), 1, 2);
    recGrid->addWidget(cmbBuzzerOperation, 1, 3);
    recGrid->addWidget(new QLabel(tr("Buzzer: no SD card")), 2, 0);
    recGrid->addWidget(cmbBuzzerNoCard, 2, 1);
    recGrid->addWidget(new QLabel(tr("Buzzer: surveillance")), 2, 2);
    recGrid->addWidget(cmbBuzzerSurveillance, 2, 3);
    recGrid->setColumnStretch(1, 1);
    recGrid->setColumnStretch(3, 1);
    root->addWidget(recording);

    auto* surv = new QGroupBox(tr("Parking surveillance"), this);
    auto* survGrid = groupGrid(surv);
    auto* survRow = makeRow();
    MatrSurvMode = makeOnOff(surv, survRow, "MatrSurvMode");
    survGrid->addWidget(new QLabel(tr("Surveillance recording")), 0, 0);
    survGrid->addLayout(survRow, 0, 1, 1, 5);
    const char* survNames[3] = {"sliSurvSns", "txtSurvSns", "steSurvSns"};
    sensitivityRow(surv, survGrid, 1, survNames, sliSurvSns, txtSurvSns, steSurvSns, btnSurvSnsNormal,
                   btnSurvSnsHigh);
    cmbPwrMode = new QComboBox(surv);
    cmbSurvStartDelay = new QComboBox(surv);
    auto* modeRow = makeRow();
    modeRow->addWidget(cmbPwrMode);
    modeRow->addSpacing(12);
    modeRow->addWidget(new QLabel(tr("Start delay")));
    modeRow->addWidget(cmbSurvStartDelay);
    modeRow->addStretch(1);
    survGrid->addWidget(new QLabel(tr("Power mode")), 2, 0);
    survGrid->addLayout(modeRow, 2, 1, 1, 5);
    txtQuikWakeUpTime = makeField(surv, "txtQuikWakeUpTime");
    steQuikWakeUpTime =
        makeStepper(surv, "steQuikWakeUpTime", Values::QUICK_WAKE_UP_MIN, Values::QUICK_WAKE_UP_MAX, 1);
    auto* wakeRow = makeRow();
    wakeRow->addWidget(txtQuikWakeUpTime);
    wakeRow->addWidget(steQuikWakeUpTime);
    wakeRow->addStretch(1);
    survGrid->addWidget(new QLabel(tr("Quick wake-up time")), 3, 0);
    survGrid->addLayout(wakeRow, 3, 1, 1, 5);
    survGrid->setColumnStretch(1, 1);
    root->addWidget(surv);

    auto* adv = new QGroupBox(tr("Adventure mode"), this);
    auto* advGrid = groupGrid(adv);
    auto* advRow = makeRow();
    MatrAdvMode = makeOnOff(adv, advRow, "MatrAdvMode");
    advGrid->addWidget(new QLabel(tr("Adventure mode")), 0, 0);
    advGrid->addLayout(advRow, 0, 1, 1, 3);
    sliMA = makeSlider(adv, "sliMA", Values::FILE_COUNT_MIN, Values::FILE_COUNT_MAX, 100);
    sliMA->setSingleStep(Values::FILE_COUNT_STEP);
    sliMA->setPageStep(Values::FILE_COUNT_STEP * 10);
    txtMAMemory = new QLabel(adv);
    txtMAMemory->setObjectName(QStringLiteral("txtMAMemory"));
    txtMATime = new QLabel(adv);
    txtMATime->setObjectName(QStringLiteral("txtMATime"));
    for (QLabel* l : {txtMAMemory, txtMATime}) {
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setMinimumWidth(40);
    }
    advGrid->addWidget(new QLabel(tr("Files")), 1, 0);
    advGrid->addWidget(sliMA, 1, 1);
    auto* readout = new QHBoxLayout();
    readout->setSpacing(4);
    readout->addWidget(txtMAMemory);
    readout->addWidget(new QLabel(tr("GB")));
    readout->addSpacing(8);
    readout->addWidget(txtMATime);
    readout->addWidget(new QLabel(tr("min")));
    advGrid->addLayout(readout, 1, 2);
    advGrid->setColumnStretch(1, 1);
    root->addWidget(adv);

    chkPassInit = new QCheckBox(tr("Initialize the Wi-Fi password"), this);
    root->addWidget(chkPassInit);
    root->addStretch(1);

    auto* buttons = new QHBoxLayout();
    btnResetAll = new QPushButton(tr("Reset all"), this);
    btnCancel = new QPushButton(tr("Cancel"), this);
    btnCancel->setObjectName(ModalWindow::CANCEL_BUTTON_NAME);
    btnOk = new QPushButton(tr("OK"), this);
    btnOk->setDefault(true);
    buttons->addWidget(btnResetAll);
    buttons->addStretch(1);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnOk);
    for (QPushButton* b : {btnResetAll, btnCancel, btnOk}) b->setMinimumWidth(90);
    root->addLayout(buttons);
}

void CameraSettingDialog::connectControls()
{
    // Sliders: their value moves the field and the stepper.
    connect(sliDtlSns, &QSlider::valueChanged, this, [this] { setDtlSnsValue(sensitivityOf(sliDtlSns)); });
    connect(sliSurvSns, &QSlider::valueChanged, this, [this] { setSurvSnsValue(sensitivityOf(sliSurvSns)); });
    connect(sliDtlCrs, &QSlider::valueChanged, this, &CameraSettingDialog::setDtlCrsValue);
    connect(sliDtlAngle, &QSlider::valueChanged, this, &CameraSettingDialog::setDtlAngleValue);
    connect(sliMA, &QSlider::valueChanged, this, &CameraSettingDialog::updateAdventureReadout);
    connect(cmbQuality, &QComboBox::activated, this, &CameraSettingDialog::updateAdventureReadout);

    connect(steDtlSns, &ValueStepper::stepped, this, [this] { setDtlSnsValue(steDtlSns->value()); });
    connect(steSurvSns, &ValueStepper::stepped, this, [this] { setSurvSnsValue(steSurvSns->value()); });
    connect(steDtlCrs, &ValueStepper::stepped, this, [this] { setDtlCrsValue(steDtlCrs->intValue()); });
    connect(steDtlAngle, &ValueStepper::stepped, this, [this] { setDtlAngleValue(steDtlAngle->intValue()); });
    connect(steQuikWakeUpTime, &ValueStepper::stepped, this,
            [this] { txtQuikWakeUpTime->setText(QString::number(steQuikWakeUpTime->intValue())); });

    connect(btnDtlSnsNormal, &QPushButton::clicked, this, [this] { setDtlSnsValue(Values::SENSOR_NORMAL); });
    connect(btnDtlSnsHigh, &QPushButton::clicked, this, [this] { setDtlSnsValue(Values::SENSOR_HIGH); });
    connect(btnSurvSnsNormal, &QPushButton::clicked, this, [this] { setSurvSnsValue(Values::SUR_SENSOR_NORMAL); });
    connect(btnSurvSnsHigh, &QPushButton::clicked, this, [this] { setSurvSnsValue(Values::SUR_SENSOR_HIGH); });
    // Only the user's choice exchanges the start-delay list, never a
    // selection made while loading.
    connect(cmbPwrMode, &QComboBox::activated, this, &CameraSettingDialog::pwrModeChanged);

    connect(txtDtlAngle, &QLineEdit::textEdited, this, [this] { controlTextDidChange(txtDtlAngle); });
    for (QLineEdit* field : {txtDtlSns, txtDtlCrs, txtDtlAngle, txtSurvSns, txtQuikWakeUpTime})
        connect(field, &QLineEdit::editingFinished, this, [this, field] { endEditing(field); });

    connect(btnResetAll, &QPushButton::clicked, this, &CameraSettingDialog::resetControls);
    connect(btnOk, &QPushButton::clicked, this, &CameraSettingDialog::saveSettings);
    connect(btnCancel, &QPushButton::clicked, this, &CameraSettingDialog::closeDialog);
}

void CameraSettingDialog::showDialog()
{
    setupPopups();
    loadControls();
}

void CameraSettingDialog::setupPopups()
{
    fillOnce(cmbQuality, qualitys, {tr("High quality mode"), tr("Standard mode"), tr("Extended time mode")});
    fillOnce(cmbBuzzerAction, buzzerActions, {tr("Low"), tr("High"), tr("Off")});
    fillOnce(cmbBuzzerOperation, buzzerOperations, {tr("Low"), tr("High"), tr("Off")});
    fillOnce(cmbBuzzerNoCard, buzzerNoCards, {tr("Low"), tr("High"), tr("Off")});
    fillOnce(cmbBuzzerSurveillance, buzzerSurveillances, {tr("Low"), tr("High"), tr("Off")});
    if (cmbSurvStartDelay->count() == 0) {
        survStartDelayNomal = {QStringLiteral("1"), QStringLiteral("2")};
        survStartDelayQuick = {QStringLiteral("1"), QStringLiteral("2")};
        cmbSurvStartDelay->addItems(survStartDelayNomal);
    }
    fillOnce(cmbPwrMode, pwrModes, {tr("Normal Wake-Up"), tr("Quick Wake-up")});
    resetControls();
}

void CameraSettingDialog::resetControls()
{
    applyValues(Values());
}

void CameraSettingDialog::loadControls()
{
    if (!settingInfo) return;
    Values v = values();
    const bool knownDevice = v.load(*settingInfo);
    applyValues(v);
    if (!knownDevice) Alerts::warning(this, tr("Unable to read the setup file."));
    update();
}

void CameraSettingDialog::applyValues(const Values& v)
{
    cmbQuality->setCurrentIndex(v.quality);
    QComboBox* buzzers[4] = {cmbBuzzerAction, cmbBuzzerOperation, cmbBuzzerNoCard, cmbBuzzerSurveillance};
    for (int i = 0; i < 4; ++i) buzzers[i]->setCurrentIndex(v.buzzers[std::size_t(i)]);
    chkPassInit->setChecked(v.passInit);
    setDtlSnsValue(v.dtlSns);
    setDtlCrsValue(v.dtlCrs);
    setDtlAngleValue(v.dtlAngle);
    MatrSurvMode->button(v.survOn ? 0 : 1)->setChecked(true);
    setSurvSnsValue(v.survSns);
    cmbSurvStartDelay->setCurrentIndex(v.survStartDelay);
    cmbPwrMode->setCurrentIndex(v.pwrMode);
    enableQuickWakeUp(v.pwrMode == 1);
    steQuikWakeUpTime->setValue(v.quickWakeUpTime);
    txtQuikWakeUpTime->setText(QString::number(v.quickWakeUpTime));
    MatrAdvMode->button(v.advOn ? 0 : 1)->setChecked(true);
    sliMA->setValue(v.fileCount);
    updateAdventureReadout();
}

CameraSettingValues CameraSettingDialog::values() const
{
    Values v;
    const auto number = [](const QLineEdit* field) { return Values::parseNumber(field->text()).value_or(0.0); };
    v.dtlSns = number(txtDtlSns);
    v.dtlCrs = int(number(txtDtlCrs));
    v.dtlAngle = int(number(txtDtlAngle));
    v.quality = cmbQuality->currentIndex();
    v.buzzers = {cmbBuzzerAction->currentIndex(), cmbBuzzerOperation->currentIndex(),
                 cmbBuzzerNoCard->currentIndex(), cmbBuzzerSurveillance->currentIndex()};
    v.survOn = MatrSurvMode->checkedId() == 0;
    v.survSns = number(txtSurvSns);
    v.survStartDelay = cmbSurvStartDelay->currentIndex();
    v.pwrMode = cmbPwrMode->currentIndex();
    v.quickWakeUpTime = int(number(txtQuikWakeUpTime));
    v.advOn = MatrAdvMode->checkedId() == 0;
    v.fileCount = sliMA->value();
    v.passInit = chkPassInit->isChecked();
    return v;
}

void CameraSettingDialog::setDtlSnsValue(double v)
{
    showSensitivity(sliDtlSns, txtDtlSns, steDtlSns, v);
}

void CameraSettingDialog::setSurvSnsValue(double v)
{
    showSensitivity(sliSurvSns, txtSurvSns, steSurvSns, v);
}

void CameraSettingDialog::setDtlCrsValue(int n)
{
    showInteger(sliDtlCrs, txtDtlCrs, steDtlCrs, n);
}

void CameraSettingDialog::setDtlAngleValue(int n)
{
    showInteger(sliDtlAngle, txtDtlAngle, steDtlAngle, n);
}

void CameraSettingDialog::updateAdventureReadout()
{
    const int files = sliMA->value();
    txtMAMemory->setText(Values::memoryText(files));
    if (const auto minutes = Values::recordingMinutes(files, cmbQuality->currentIndex()))
        txtMATime->setText(QString::number(*minutes));
}

void CameraSettingDialog::enableQuickWakeUp(bool quick)
{
    txtQuikWakeUpTime->setEnabled(quick);
    txtQuikWakeUpTime->setReadOnly(!quick);
    steQuikWakeUpTime->setEnabled(quick);
}

void CameraSettingDialog::pwrModeChanged()
{
    const bool quick = cmbPwrMode->currentIndex() != 0;
    enableQuickWakeUp(quick);
    cmbSurvStartDelay->clear();
    cmbSurvStartDelay->addItems(quick ? survStartDelayQuick : survStartDelayNomal);
    cmbSurvStartDelay->setCurrentIndex(0);
}

void CameraSettingDialog::controlTextDidChange(QLineEdit* field)
{
    // While typing only the angle is checked; a lone minus sign may stay.
    if (field != txtDtlAngle) return;
    if (!Values::parseNumber(field->text() + QLatin1Char('0')))
        field->setText(QString::number(sliDtlAngle->value()));
}

void CameraSettingDialog::endEditing(QLineEdit* field)
{
    if (field == txtDtlSns) {
        endSensitivityEditing(sliDtlSns, txtDtlSns, steDtlSns);
    } else if (field == txtSurvSns) {
        endSensitivityEditing(sliSurvSns, txtSurvSns, steSurvSns);
    } else if (field == txtDtlCrs) {
        endIntegerEditing(sliDtlCrs, txtDtlCrs, steDtlCrs, &Values::snapCross);
    } else if (field == txtDtlAngle) {
        endIntegerEditing(sliDtlAngle, txtDtlAngle, steDtlAngle, &Values::snapAngle);
    } else if (field == txtQuikWakeUpTime) {
        if (const auto parsed = Values::parseNumber(field->text())) {
            const int v = Values::clampQuickWakeUp(*parsed);
            steQuikWakeUpTime->setValue(v);
            field->setText(QString::number(v));
        } else {
            field->setText(QString::number(steQuikWakeUpTime->intValue()));
        }
    }
}

void CameraSettingDialog::normalizeFields()
{
    for (QLineEdit* field : {txtDtlSns, txtDtlCrs, txtDtlAngle, txtSurvSns, txtQuikWakeUpTime}) endEditing(field);
}

void CameraSettingDialog::saveSettings()
{
    normalizeFields();
    const int answer = Alerts::confirm(this, tr("This will overwrite the setup file. Are you sure?"));
    if (answer != Alerts::FIRST_BUTTON) return;
    if (defaultDirPath.isEmpty()) {
        Alerts::warning(this, tr("Unable to overwrite the setup file."));
        return;
    }
    const auto result = CameraSettingsFile::saveGroupFile(values().toSettingInfo(), defaultDirPath);
    if (result.outcome == CameraSettingsFile::SaveOutcome::Saved) {
        Alerts::information(this, tr("The camera settings have been saved. Updates will be applied after inserting "
                                     "the SD card into the camera."));
        ModalWindow::abortModal();
        return;
    }
    QString message = tr("Unable to overwrite the setup file.");
    if (result.earlierFileKept) message += QLatin1Char(' ') + tr("The setup file already on the card is unchanged.");
    Alerts::warning(this, message);
}

void CameraSettingDialog::closeDialog()
{
    ModalWindow::abortModal();
}
