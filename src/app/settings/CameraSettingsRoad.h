#pragma once

#include "app/shell/CardDriveSelectDialog.h"

#include <QPointer>
#include <functional>
#include <memory>

class CameraSettingDialog;
class QWidget;

// The main window's road into the camera settings: the "cameraSettingFlg"
// guard, a check that a card drive is there, the card-drive picker (which
// remembers its choice under "bodyCardDriveSelect"), then the card's
// SETINF.DAT read and the settings dialog run over it. The dialog opens
// without settings, after a warning, when the card's file is missing or of
// another format.
class CameraSettingsRoad : public CardDriveSelectDialogDelegate {
public:
    // canFinish is asked when the picker's OK is pressed (the stopwatch
    // question); false keeps the picker open.
    CameraSettingsRoad(QWidget* window, std::function<bool()> canFinish);
    ~CameraSettingsRoad() override;

    // The command, after the caller paused playback.
    void showCameraSettings();
    // Runs the settings dialog for the picker's chosen drive (inside the
    // picker's modal run).
    void openCameraSettings();

    // The last picker and dialog made (tests look at them while they run).
    CardDriveSelectDialog* picker() const { return m_picker.get(); }
    CameraSettingDialog* dialog() const { return m_dialog.get(); }

    // CardDriveSelectDialogDelegate
    void cardDriveSelectDidFinish(const QString& path) override;
    bool cardDriveSelectCanFinish() override;

private:
    QPointer<QWidget> m_window;
    std::function<bool()> m_canFinish;
    std::unique_ptr<CardDriveSelectDialog> m_picker;
    std::unique_ptr<CameraSettingDialog> m_dialog;
};
