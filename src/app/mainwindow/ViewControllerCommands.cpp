// The main window's settings commands, the download page, the quit question
// and the window events (full screen, minimising, the application's active
// state) with the floating windows that follow them.
#include "app/mainwindow/ViewController.h"

#include "app/mainwindow/MainWindow.h"
#include "app/settings/CameraSettingsRoad.h"
#include "app/settings/ViewerSettingDialog.h"
#include "app/shell/Alerts.h"
#include "app/shell/ModalWindow.h"
#include "app/shell/OperationGuard.h"
#include "core/foundation/CommonConst.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"
#include "core/mainwindow/VersionCheck.h"

#include <QDesktopServices>

bool ViewController::runViewerSettingsDialog()
{
    ViewerSettingDialog dialog;
    dialog.frmMain = m_window;
    ModalWindow::runDialog(m_window, &dialog, ModalWindow::Type::ViewerSetting, ViewerSettingDialog::windowTitleText(),
                           ViewerSettingDialog::CONTENT_SIZE);
    m_window->activateWindow();
    return dialog.wasShown();
}

void ViewController::showViewerSettings()
{
    pauseForDialog();
    if (!OperationGuard::begin(InstanceGuard::VIEWER_SETTING, m_window)) return;
    runViewerSettingsDialog();
}

void ViewController::showCameraSettings()
{
    pauseForDialog();
    m_cameraSettings->showCameraSettings();
}

void ViewController::openDownloadPage()
{
    pauseForDialog();
    const QUrl url = VersionCheck::downloadPageUrl(VersionCheck::configuredServer());
    if (url.isValid()) QDesktopServices::openUrl(url);
}

// ---- quit and window events ----

bool ViewController::confirmQuit()
{
    if (m_player && m_player->isReadyToPlay()) {
        m_player->pause();
        const int answer =
            Alerts::confirm(m_window, tr("This will close %1. Proceed?").arg(CommonConst::APP_TITLE));
        if (answer != Alerts::FIRST_BUTTON) {
            restartRequested = false;
            return false;
        }
    }
    saveViewerState();
    return true;
}

void ViewController::saveViewerState()
{
    // The map's part stands on its own: whatever it finds, mute and
    // brightness are saved after it.
    saveMapSettings();
    if (m_player) {
        UserDefaultUtil::viewerIsMute = m_player->isMute();
        UserDefaultUtil::viewerGamma = m_player->brightness();
        const auto store = SettingsStore::open();
        store->setValue(UserDefaultUtil::KEY_VIEWER_IS_MUTE, UserDefaultUtil::viewerIsMute);
        store->setValue(UserDefaultUtil::KEY_VIEWER_GAMMA, UserDefaultUtil::viewerGamma);
    }
}

void ViewController::closeChildWindows()
{
    for (const auto& w : std::as_const(m_floating))
        if (w && w->isVisible()) w->hide();
}

void ViewController::windowWillEnterFullScreen()
{
    if (m_player) m_player->fullScreenDidChange(true);
    setFullScreenLayout(true);
}

void ViewController::windowDidExitFullScreen()
{
    setFullScreenLayout(false);
    if (m_player) m_player->fullScreenDidChange(false);
}

void ViewController::setFullScreenLayout(bool fullScreen)
{
    if (fullScreen != m_isFullscreen) {
        m_window->setSidePanelsVisible(!fullScreen);
        if (m_player) m_player->setToolsVisible(!fullScreen);
        // A floating window hidden before full screen stays hidden after it.
        if (fullScreen)
            hideFloatingWindows(m_hiddenForFullScreen);
        else
            showFloatingWindows(m_hiddenForFullScreen);
        if (m_map) m_map->fullScreenDidChange(fullScreen);
        m_isFullscreen = fullScreen;
    }
    refreshDrivingInfo(false);
}

void ViewController::windowWillMiniaturize()
{
    hideFloatingWindows(m_hiddenForMinimize);
}

void ViewController::windowDidDeminiaturize()
{
    showFloatingWindows(m_hiddenForMinimize);
}

void ViewController::hideFloatingWindows(QList<QPointer<QWidget>>& hidden)
{
    hidden.clear();
    for (const auto& w : std::as_const(m_floating)) {
        if (!w || !w->isVisible()) continue;
        w->hide();
        hidden.append(w);
    }
}

void ViewController::showFloatingWindows(QList<QPointer<QWidget>>& hidden)
{
    for (const auto& w : std::as_const(hidden))
        if (w) w->show();
    hidden.clear();
}

void ViewController::applicationStateChanged(Qt::ApplicationState state)
{
    // A modal run or alert keeps them lowered until it ends.
    if (state == Qt::ApplicationActive) {
        if (!ModalWindow::childWindowsLowered()) applyChildWindowLevels(true);
    } else if (state == Qt::ApplicationInactive) {
        applyChildWindowLevels(false);
    }
}
