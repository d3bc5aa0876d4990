#pragma once

#include "app/mainwindow/ModalWindow.h"
#include "app/tools/ToolSupport.h"
#include "core/media/AVUtil.h"

#include <QImage>
#include <QSize>
#include <QWidget>
#include <optional>

class QProgressBar;
class QPushButton;

// The "Capture Image" dialog: saves the picture at the play position as a
// JPEG file, brightened or darkened as the player shows it, with an optional
// one-line data caption in white letters outlined in black.
class CaptureView : public QWidget, public ModalWindowDelegate {
    Q_OBJECT
public:
    static constexpr QSize CONTENT_SIZE{500, 110};

    explicit CaptureView(QWidget* parent = nullptr);
    ~CaptureView() override;

    static QString windowTitleText();

    std::optional<ToolInfo> toolinfo;
    ToolViewDelegate* delegate = nullptr; // not owned

    // Fills the dialog from toolinfo.
    void showDialog();
    // Save: the save panel, then the picture.
    void showSavePanel();
    void cancel();
    // The file chosen: stores the choices and folder, makes and writes the picture.
    void savePanelDidEnd(const QString& path);
    void setControlsEnabled(bool enabled);

    // The picture: the movie's frame, the brightness offset applied, the
    // caption drawn at the bottom-left corner.
    static QImage renderPicture(const AVUtil::RgbPicture& frame, std::optional<double> brightness,
                                const QString& caption, int pointSize);
    // Writes a JPEG atomically; false when anything failed.
    static bool writeJpeg(const QImage& image, const QString& path);

    bool cutFlg() const { return m_cutFlg; }
    const ToolSupport::DataChecks& checks() const { return m_checks; }
    QPushButton* btnSave() const { return m_btnSave; }
    QPushButton* btnCancel() const { return m_btnCancel; }
    QProgressBar* indicator() const { return m_indicator; }

    // ModalWindowDelegate: the close button is Cancel.
    void modalWindowOnClose() override;

private:
    bool renderCapture(const QString& path, CaptionSelection selection);
    void showFailure();

    ToolSupport::DataChecks m_checks;
    QPushButton* m_btnSave = nullptr;
    QPushButton* m_btnCancel = nullptr;
    QProgressBar* m_indicator = nullptr;
    bool m_cutFlg = false;
};
