#include "app/settings/ViewerSettingDialog.h"

#include "app/shell/Alerts.h"
#include "app/shell/ModalWindow.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <optional>
#include <utility>
#include <vector>

namespace {

QButtonGroup* radioPair(QWidget* parent, QHBoxLayout* row, const QString& on, const QString& off)
{
    auto* group = new QButtonGroup(parent);
    // A row inside the form takes no spacing of its own: the two choices
    // would stand edge to edge.
    row->setSpacing(18);
    int id = 0;
    for (const QString& text : {on, off}) {
        auto* button = new QRadioButton(text, parent);
        group->addButton(button, id++);
        row->addWidget(button);
    }
    row->addStretch(1);
    return group;
}

} // namespace

ViewerSettingDialog::ViewerSettingDialog(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ViewerSettingDialog"));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(32, 28, 32, 20);
    auto* form = new QFormLayout();
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(16);
    form->setVerticalSpacing(18);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);

    cmbDateFormat = new QComboBox(this);
    cmbDateFormat->setObjectName(QStringLiteral("cmbDateFormat"));
    form->addRow(tr("Date format"), cmbDateFormat);
    cmbTimeZone = new QComboBox(this);
    cmbTimeZone->setObjectName(QStringLiteral("cmbTimeZone"));
    form->addRow(tr("Time zone"), cmbTimeZone);

    auto* summerRow = new QHBoxLayout();
    rbtnSummerTime = radioPair(this, summerRow, tr("On"), tr("Off"));
    form->addRow(tr("Summer time"), summerRow);
    auto* speedRow = new QHBoxLayout();
    rbtnSpeedMeter = radioPair(this, speedRow, tr("km/h"), tr("MPH"));
    form->addRow(tr("Speed unit"), speedRow);
    root->addLayout(form);
    root->addStretch(1);

    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    btnCancel = new QPushButton(tr("Cancel"), this);
    btnCancel->setObjectName(ModalWindow::CANCEL_BUTTON_NAME);
    btnOk = new QPushButton(tr("OK"), this);
    btnOk->setDefault(true);
    for (QPushButton* b : {btnCancel, btnOk}) {
        b->setMinimumWidth(96);
        buttons->addWidget(b);
    }
    root->addLayout(buttons);

    connect(btnOk, &QPushButton::clicked, this, &ViewerSettingDialog::saveSettings);
    connect(btnCancel, &QPushButton::clicked, this, &ViewerSettingDialog::closeDialog);
    setupControls();
}

QString ViewerSettingDialog::windowTitleText()
{
    return tr("Viewer Settings");
}

void ViewerSettingDialog::setupControls()
{
    if (cmbDateFormat->count() == 0) {
        dateFormats = {QStringLiteral("DD/MM/YYYY HH:MM:SS(AM/PM)"), QStringLiteral("DD/MM/YYYY HH:MM:SS(24H)")};
        cmbDateFormat->addItems(dateFormats);
    }
    cmbDateFormat->setCurrentIndex(UserDefaultUtil::readDateFormat() ? 1 : 0);
    if (cmbTimeZone->count() == 0) {
        timeZones = {tr("AEST-Australian Eastern"), tr("ACST-Australian Central"),
                     tr("ACWST-Australian Central Western"), tr("AWST-Australian Western"), tr("LHST-Lord Howe"),
                     tr("NZST-New Zealand"), tr("CHAST-Chatham Island")};
        cmbTimeZone->addItems(timeZones);
    }
    cmbTimeZone->setCurrentIndex(UserDefaultUtil::readTimeZone());
    rbtnSummerTime->button(UserDefaultUtil::readSummerTime() ? 0 : 1)->setChecked(true);
    rbtnSpeedMeter->button(UserDefaultUtil::readSpeedMeter() ? 0 : 1)->setChecked(true);
}

void ViewerSettingDialog::saveSettings()
{
    if (m_saving) return;
    const int d = cmbDateFormat->currentIndex();
    const int z = cmbTimeZone->currentIndex();
    const bool s = rbtnSummerTime->checkedId() == 0;
    const bool m = rbtnSpeedMeter->checkedId() == 0;
    const auto store = SettingsStore::open();
    const std::vector<std::pair<QString, QVariant>> chosen = {
        {UserDefaultUtil::KEY_DATE_FORMAT, d == 1 ? 1 : 0},
        {UserDefaultUtil::KEY_TIME_ZONE, z >= 0 && z <= 6 ? z : 0},
        {UserDefaultUtil::KEY_SUMMER_TIME, s},
        {UserDefaultUtil::KEY_SPEED_METER, m}};
    // What was stored before, to be put back if this save fails: values the
    // user gave up on (Cancel after the failure) must not go in with a later
    // write of another setting.
    std::vector<std::pair<QString, std::optional<QVariant>>> earlier;
    for (const auto& [key, value] : chosen) {
        earlier.emplace_back(key, store->contains(key) ? std::optional<QVariant>(store->value(key)) : std::nullopt);
        store->setValue(key, value);
    }
    // The store writes on its own thread; the dialog goes on with the answer.
    m_saving = true;
    btnOk->setEnabled(false);
    btnCancel->setEnabled(false);
    const QPointer<ModalWindow> host = ModalWindow::current();
    SettingsStore::saveNow(this, [this, host, d, z, s, m, earlier](const QString& why) {
        m_saving = false;
        if (!why.isEmpty()) {
            const auto store = SettingsStore::open();
            for (const auto& [key, value] : earlier) {
                if (value)
                    store->setValue(key, *value);
                else
                    store->remove(key);
            }
        }
        btnOk->setEnabled(true);
        btnCancel->setEnabled(true);
        // The window was closed meanwhile: its run (and another that may
        // have begun since) is not this answer's to end.
        if (host == ModalWindow::current()) settingsSaved(d, z, s, m, why);
    });
}

void ViewerSettingDialog::settingsSaved(int d, int z, bool s, bool m, const QString& why)
{
    // Not saved (a read-only or full home folder): nothing to restart for;
    // the dialog stays for another try or Cancel.
    if (!why.isEmpty()) {
        Alerts::warning(this, tr("The settings could not be saved.") + QLatin1Char('\n') + why);
        return;
    }
    const bool unchanged = d == UserDefaultUtil::dateFormat.load() && z == UserDefaultUtil::timeZone.load() &&
                           s == UserDefaultUtil::summerTime.load() && m == UserDefaultUtil::speedMeter.load();
    if (unchanged) {
        closeDialog();
        return;
    }
    const int answer = Alerts::confirm(
        this, tr("Settings will be reflected after restarting the application. Would you like to restart now?"));
    InstanceGuard::release(InstanceGuard::VIEWER_SETTING);
    if (answer != Alerts::FIRST_BUTTON) {
        restartRequested = false;
        ModalWindow::abortModal();
        return;
    }
    UserDefaultUtil::load();
    restartRequested = true;
    ModalWindow::abortModal();
    // After the modal run has ended: the main window's quit question decides.
    if (frmMain) QMetaObject::invokeMethod(frmMain.data(), &QWidget::close, Qt::QueuedConnection);
}

void ViewerSettingDialog::closeDialog()
{
    InstanceGuard::release(InstanceGuard::VIEWER_SETTING);
    ModalWindow::abortModal();
}

void ViewerSettingDialog::showEvent(QShowEvent* event)
{
    m_wasShown = true;
    QWidget::showEvent(event);
}
