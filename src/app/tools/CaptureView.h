#pragma once

#include "app/shell/ModalWindow.h"
#include "app/tools/ToolSupport.h"
#include "core/backup/TaskProgress.h"
#include "core/media/AVUtil.h"

#include <QFutureWatcher>
#include <QImage>
#include <QPointer>
#include <QSize>
#include <QWidget>
#include <functional>
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
    // The hosting window has closed: a still being made is given up.
    void windowDidClose();
    // The file chosen: stores the choices and folder, then checks the file,
    // makes and writes the picture on a worker thread while the dialog shows
    // that it works; the result, a refusal too, comes back by a queued call.
    void savePanelDidEnd(const QString& path);
    void setControlsEnabled(bool enabled);
    bool isWorking() const { return m_job != nullptr; }

    // The picture: the movie's frame, the brightness offset applied, the
    // caption drawn at the bottom-left corner.
    static QImage renderPicture(const AVUtil::RgbPicture& frame, std::optional<double> brightness,
                                const QString& caption, int pointSize);
    // Writes a JPEG (OutputFile: atomically, refused where it would reach a
    // source or the card's recording folder); false when anything failed or
    // cancel was set before the file took its name.
    static bool writeJpeg(const QImage& image, const QString& path, const ChapterList& sources,
                          const TaskCancelFlag* cancel = nullptr);

    // Everything a still needs, taken on the GUI thread, so that the worker
    // reads nothing that may change under it.
    struct StillJob {
        QString moviePath;
        qint64 timeMs = 0; // in the chapter's movie
        std::optional<double> brightness;
        QString caption;
        int pointSize = 20;
        QString outputPath;
        ChapterList sources; // the play list: outputPath may not reach them (OutputRule)
    };
    // How a still ended. Refused: the output rule refused the path before
    // anything was decoded (told with the rule's own text); a refusal at the
    // write itself is Failed.
    enum class StillOutcome { Saved, Failed, Refused };
    // Checks the path, then decodes, renders and writes the still (worker
    // thread); nothing is written once cancel is set or when the path is
    // refused.
    static StillOutcome makeStill(const StillJob& job, const TaskCancelFlag& cancel);

    // Where the pictures come from (tests); empty: AVUtil::rgbAt.
    using FrameSource = std::function<std::optional<AVUtil::RgbPicture>(const QString& movie, qint64 timeMs)>;
    static void setFrameSource(FrameSource source);

    bool cutFlg() const { return m_cutFlg; }
    const ToolSupport::DataChecks& checks() const { return m_checks; }
    QPushButton* btnSave() const { return m_btnSave; }
    QPushButton* btnCancel() const { return m_btnCancel; }
    QProgressBar* indicator() const { return m_indicator; }

    // ModalWindowDelegate: the close button is Cancel.
    void modalWindowOnClose() override;

Q_SIGNALS:
    // The worker's result has been handled (tests).
    void captureFinished(bool saved);

private:
    StillJob stillJob(const QString& path, CaptionSelection selection) const;
    void captureDidFinish(StillOutcome outcome);
    void showFailure();

    ToolSupport::DataChecks m_checks;
    QPushButton* m_btnSave = nullptr;
    QPushButton* m_btnCancel = nullptr;
    QProgressBar* m_indicator = nullptr;
    bool m_cutFlg = false;
    QPointer<QFutureWatcher<StillOutcome>> m_job;
    TaskCancelFlag m_cancel;
};
