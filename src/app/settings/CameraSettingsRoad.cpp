#include "app/settings/CameraSettingsRoad.h"

#include "app/settings/CameraSettingDialog.h"
#include "app/shell/Alerts.h"
#include "app/shell/ModalWindow.h"
#include "app/shell/OperationGuard.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"
#include "core/settings/CameraSettingsFile.h"

#include <QCoreApplication>
#include <QWidget>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("CameraSettingsRoad", text);
}
} // namespace

CameraSettingsRoad::CameraSettingsRoad(QWidget* window, std::function<bool()> canFinish)
    : m_window(window), m_canFinish(std::move(canFinish))
{
}

CameraSettingsRoad::~CameraSettingsRoad() = default;

void CameraSettingsRoad::showCameraSettings()
{
    if (!OperationGuard::begin(InstanceGuard::CAMERA_SETTING, m_window)) return;
    if (CardDriveSelectDialog::removableVolumeCount() == 0) {
        Alerts::warning(m_window, tr("Unable to locate the selected drive."));
        InstanceGuard::release(InstanceGuard::CAMERA_SETTING);
        return;
    }
    m_picker = std::make_unique<CardDriveSelectDialog>();
    m_picker->delegate = this;
    m_picker->userDefaultsKey = UserDefaultUtil::KEY_BODY_CARD_DRIVE_SELECT;
    m_picker->selectCardDriveType = CardDriveType::CameraSetting;
    m_picker->showDialog();
    ModalWindow::runDialog(m_window, m_picker.get(), ModalWindow::Type::CameraSetting,
                           CardDriveSelectDialog::windowTitleText(), CardDriveSelectDialog::CONTENT_SIZE);
    if (m_window) m_window->activateWindow();
}

void CameraSettingsRoad::openCameraSettings()
{
    const QString card = m_picker ? m_picker->dirPathCard : QString();
    std::optional<SettingInfo> settings = CameraSettingsFile::readCardSettings(card);
    if (!settings) {
        // The one button of this alert is not translated.
        Alerts::show(m_window, {Alerts::titleWarning(), tr("Unable to read the setup file."), Alerts::Style::Critical,
                                {QStringLiteral("OK")}});
    }
    m_dialog = std::make_unique<CameraSettingDialog>();
    m_dialog->settingInfo = std::move(settings);
    m_dialog->showDialog();
    m_dialog->defaultDirPath = card;
    ModalWindow::runDialog(m_window, m_dialog.get(), ModalWindow::Type::CameraSetting,
                           CameraSettingDialog::windowTitleText(), CameraSettingDialog::CONTENT_SIZE);
    if (m_window) m_window->activateWindow();
}

void CameraSettingsRoad::cardDriveSelectDidFinish(const QString&)
{
    openCameraSettings();
}

bool CameraSettingsRoad::cardDriveSelectCanFinish()
{
    return m_canFinish ? m_canFinish() : true;
}
