#include "app/tools/CaptureView.h"

#include "app/shell/Alerts.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VideoFrame.h"
#include "core/tools/OutputFile.h"
#include "core/tools/OutputRule.h"
#include "core/tools/StillCapture.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QImageWriter>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

std::mutex g_sourceMutex;
CaptureView::FrameSource g_frameSource;

std::optional<AVUtil::RgbPicture> frameAt(const QString& movie, qint64 timeMs)
{
    CaptureView::FrameSource source;
    {
        const std::lock_guard lock(g_sourceMutex);
        source = g_frameSource;
    }
    return source ? source(movie, timeMs) : AVUtil::rgbAt(movie, timeMs);
}

} // namespace

CaptureView::CaptureView(QWidget* parent) : QWidget(parent)
{
    m_checks = ToolSupport::DataChecks::make(this);
    m_btnSave = new QPushButton(tr("Save"), this);
    m_btnCancel = new QPushButton(tr("Cancel"), this);
    m_btnSave->setDefault(true);
    m_indicator = new QProgressBar(this);
    m_indicator->setRange(0, 0); // busy
    m_indicator->setTextVisible(false);
    m_indicator->setFixedWidth(60);
    m_indicator->hide();

    m_checks.layOut(this, nullptr, {m_indicator, m_btnSave, m_btnCancel});
    resize(CONTENT_SIZE);

    connect(m_btnSave, &QPushButton::clicked, this, &CaptureView::showSavePanel);
    connect(m_btnCancel, &QPushButton::clicked, this, &CaptureView::cancel);
}

CaptureView::~CaptureView()
{
    // A still still being made is not written for a dialog that is gone.
    m_cancel.cancel();
}

void CaptureView::setFrameSource(FrameSource source)
{
    const std::lock_guard lock(g_sourceMutex);
    g_frameSource = std::move(source);
}

QString CaptureView::windowTitleText()
{
    return tr("Capture Image");
}

void CaptureView::showDialog()
{
    if (!toolinfo || !toolinfo->chapter) return;
    m_cutFlg = ToolSupport::isTrimmedRecording(*toolinfo);
    m_checks.setUp(m_cutFlg);
    setControlsEnabled(true);
}

void CaptureView::setControlsEnabled(bool enabled)
{
    m_checks.setEnabled(enabled && !m_cutFlg);
    m_btnSave->setEnabled(enabled);
    m_btnCancel->setEnabled(enabled);
    m_indicator->setVisible(!enabled);
}

void CaptureView::cancel()
{
    m_cancel.cancel();
    if (delegate) delegate->toolCallbackOnMain();
}

void CaptureView::windowDidClose()
{
    // Closed by its close button or Escape while a still is being made:
    // nothing is saved, and nothing is told once the window has gone.
    m_cancel.cancel();
}

void CaptureView::modalWindowOnClose()
{
    cancel();
}

void CaptureView::showSavePanel()
{
    if (!toolinfo || !toolinfo->chapter) {
        qDebug("No selected Movie.");
        return;
    }
    const QString path =
        ToolSupport::savePath(this, windowTitleText(), UserDefaultUtil::pathDirCap, QStringLiteral("jpeg"));
    if (!path.isEmpty()) savePanelDidEnd(path);
}

void CaptureView::showFailure()
{
    setControlsEnabled(true);
    Alerts::show(this, {Alerts::titleWarning(), tr("Unable to save the image."), Alerts::Style::Critical,
                        {Alerts::buttonOk()}});
}

void CaptureView::savePanelDidEnd(const QString& path)
{
    if (!toolinfo || !toolinfo->chapter || isWorking()) return;
    const CaptionSelection selection = m_checks.selection();
    ToolSupport::storeSelection(selection);
    ToolSupport::storeFolder(UserDefaultUtil::pathDirCap, UserDefaultUtil::KEY_PATH_DIR_CAP,
                             QFileInfo(path).absolutePath());
    // The spinner shows while the worker checks the file and decodes the
    // movie, both of which read the card; the GUI thread goes on and takes
    // the result from a queued call.
    setControlsEnabled(false);
    m_cancel = TaskCancelFlag();
    m_job = new QFutureWatcher<StillOutcome>(this);
    connect(m_job, &QFutureWatcherBase::finished, this, [this] {
        const StillOutcome outcome = m_job->result();
        m_job->deleteLater();
        m_job = nullptr;
        captureDidFinish(outcome);
    });
    m_job->setFuture(QtConcurrent::run(&CaptureView::makeStill, stillJob(path, selection), m_cancel));
}

CaptureView::StillJob CaptureView::stillJob(const QString& path, CaptionSelection selection) const
{
    StillJob job;
    job.moviePath = toolinfo->chapter->_pathMp4.toLocalFile();
    job.timeMs = toolinfo->currentTimeMs;
    job.brightness = StillCapture::brightnessOffset(toolinfo->brightBarVal);
    job.pointSize = StillCapture::captionPointSize(toolinfo->recMode);
    job.outputPath = path;
    job.sources = toolinfo->chapterList;
    // The caption's frame is the one at the play position; without one the
    // picture is saved without a caption.
    if (selection.any() && toolinfo->selectEndSumFrameTS) {
        const std::int32_t position = std::int32_t(std::clamp<qint64>(*toolinfo->selectEndSumFrameTS, 0, INT32_MAX));
        if (const VideoFramePtr f = PictureDataUtil::loadedVideoFrame(toolinfo->chapterList, position))
            job.caption = DataCaption::makeOverlayText(*f, selection, CaptionSettings::current());
    }
    return job;
}

void CaptureView::captureDidFinish(StillOutcome outcome)
{
    if (m_cancel.isCancelled()) {
        // Cancelled while at work: the dialog has gone away already.
        Q_EMIT captureFinished(false);
        return;
    }
    if (outcome == StillOutcome::Refused) {
        setControlsEnabled(true);
        Alerts::warning(this, OutputRule::refusalText());
        Q_EMIT captureFinished(false);
        return;
    }
    if (outcome != StillOutcome::Saved) {
        showFailure();
        Q_EMIT captureFinished(false);
        return;
    }
    setControlsEnabled(true);
    Alerts::show(this, {Alerts::titleInformation(), tr("Saved"), Alerts::Style::Informational, {Alerts::buttonOk()}});
    Q_EMIT captureFinished(true);
    if (delegate) delegate->toolCallbackOnMain();
}

CaptureView::StillOutcome CaptureView::makeStill(const StillJob& job, const TaskCancelFlag& cancel)
{
    // Nothing is decoded towards a file that cannot be written: a recording,
    // the card's recording folder, a folder at the name.
    if (const OutputFile::Check target = OutputFile::check(job.sources, job.outputPath); !target.ok()) {
        qWarning("Capture refused: %s", qPrintable(target.detail));
        return target.refused ? StillOutcome::Refused : StillOutcome::Failed;
    }
    // A movie gone from the card, or something at its name the decoder
    // would wait on (a pipe), is no picture.
    if (!QFileInfo(job.moviePath).isFile() || cancel.isCancelled()) return StillOutcome::Failed;
    const std::optional<AVUtil::RgbPicture> frame = frameAt(job.moviePath, job.timeMs);
    if (!frame || cancel.isCancelled()) return StillOutcome::Failed;
    const QImage image = renderPicture(*frame, job.brightness, job.caption, job.pointSize);
    const bool written = !cancel.isCancelled() && writeJpeg(image, job.outputPath, job.sources, &cancel);
    return written ? StillOutcome::Saved : StillOutcome::Failed;
}

QImage CaptureView::renderPicture(const AVUtil::RgbPicture& frame, std::optional<double> brightness,
                                  const QString& caption, int pointSize)
{
    QImage image(frame.width, frame.height, QImage::Format_RGB32);
    for (int y = 0; y < frame.height; ++y)
        std::memcpy(image.scanLine(y), frame.pixels.constData() + frame.bytesPerLine * y, std::size_t(frame.width) * 4);
    if (brightness)
        StillCapture::applyBrightness(image.bits(), image.width(), image.height(), image.bytesPerLine(), *brightness);
    if (caption.isEmpty()) return image;

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(pointSize);
    const QFontMetrics metrics(font);
    QPainterPath text;
    text.addText(2, image.height() - metrics.descent() - 2, font, caption);
    // White letters outlined in black, no box behind them: the outline runs
    // along the letters' edges, 3 % of the font size wide.
    painter.fillPath(text, Qt::white);
    painter.strokePath(text, QPen(Qt::black, 0.03 * pointSize, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    return image;
}

bool CaptureView::writeJpeg(const QImage& image, const QString& path, const ChapterList& sources,
                            const TaskCancelFlag* cancel)
{
    if (image.isNull()) return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(92);
    if (!writer.write(image) || (cancel != nullptr && cancel->isCancelled())) return false;
    // The rule is checked again where the file is written: the name may have
    // become a link since the panel was answered.
    const OutputFile::Check saved = OutputFile::save(sources, path, bytes);
    if (!saved.ok()) qWarning("Capture not written: %s", qPrintable(saved.detail));
    return saved.ok();
}
