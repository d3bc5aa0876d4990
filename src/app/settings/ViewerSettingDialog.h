#pragma once

#include <QPointer>
#include <QSize>
#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QComboBox;
class QPushButton;

// The viewer settings: date format, time zone, summer time and speed unit,
// stored under "DateFormat", "TimeZone", "SummerTime" and "SpeedMeter". The
// running application keeps the values it loaded at start-up, so a change
// takes effect after a restart, which the dialog offers; accepted, the main
// window is asked to close and the application starts again as it ends.
//
// Hosted in a ModalWindow of type ViewerSetting; OK and Cancel end its run
// and give back the "viewerSettingFlg" lock.
class ViewerSettingDialog : public QWidget {
    Q_OBJECT
public:
    explicit ViewerSettingDialog(QWidget* parent = nullptr);

    static QString windowTitleText();
    static constexpr QSize CONTENT_SIZE{575, 399};

    // Fills the lists once and selects the stored values.
    void setupControls();
    // Stores the four values and has the store write them; the buttons wait
    // for its answer (isSaving), then the dialog tells a failure or goes on.
    void saveSettings();
    void closeDialog();
    bool isSaving() const { return m_saving; }

    // The dialog's view was shown on screen at least once.
    bool wasShown() const { return m_wasShown; }

    // The main window: closed (through its quit question) when the user
    // accepts the restart.
    QPointer<QWidget> frmMain;

    QComboBox* cmbDateFormat = nullptr;
    QComboBox* cmbTimeZone = nullptr;
    QButtonGroup* rbtnSummerTime = nullptr; // tag 0 on, 1 off
    QButtonGroup* rbtnSpeedMeter = nullptr; // tag 0 km/h, 1 MPH
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    QStringList dateFormats;
    QStringList timeZones;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void settingsSaved(int d, int z, bool s, bool m, const QString& why);

    bool m_wasShown = false;
    bool m_saving = false;
};
