#include "app/tools/CaptureView.h"

#include "app/mainwindow/Alerts.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VideoFrame.h"
#include "core/tools/StillCapture.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QImageWriter>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>
#include <cstring>

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

CaptureView::~CaptureView() = default;

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
    if (delegate) delegate->toolCallbackOnMain();
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
    if (!toolinfo || !toolinfo->chapter) return;
    const CaptionSelection selection = m_checks.selection();
    ToolSupport::storeSelection(selection);
    ToolSupport::storeFolder(UserDefaultUtil::pathDirCap, UserDefaultUtil::KEY_PATH_DIR_CAP,
                             QFileInfo(path).absolutePath());
    if (!QFileInfo(toolinfo->chapter->_pathMp4.toLocalFile()).isFile()) {
        showFailure();
        return;
    }
    // The spinner shows before the picture is made.
    setControlsEnabled(false);
    QTimer::singleShot(0, this, [this, path, selection] {
        if (!renderCapture(path, selection)) {
            showFailure();
            return;
        }
        setControlsEnabled(true);
        Alerts::show(this, {Alerts::titleInformation(), tr("Saved"), Alerts::Style::Informational,
                            {Alerts::buttonOk()}});
        if (delegate) delegate->toolCallbackOnMain();
    });
}

bool CaptureView::renderCapture(const QString& path, CaptionSelection selection)
{
    const std::optional<AVUtil::RgbPicture> frame =
        AVUtil::rgbAt(toolinfo->chapter->_pathMp4.toLocalFile(), toolinfo->currentTimeMs);
    if (!frame) return false;
    // The caption's frame is the one at the play position; without one the
    // picture is saved without a caption.
    QString caption;
    if (selection.any() && toolinfo->selectEndSumFrameTS) {
        const std::int32_t position = std::int32_t(std::clamp<qint64>(*toolinfo->selectEndSumFrameTS, 0, INT32_MAX));
        if (const VideoFramePtr f = PictureDataUtil::videoFrame(toolinfo->chapterList, position))
            caption = DataCaption::makeOverlayText(*f, selection, CaptionSettings::current());
    }
    const QImage image = renderPicture(*frame, StillCapture::brightnessOffset(toolinfo->brightBarVal), caption,
                                       StillCapture::captionPointSize(toolinfo->recMode));
    return writeJpeg(image, path);
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
    // White letters with a black outline, no box behind them.
    painter.strokePath(text, QPen(Qt::black, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(text, Qt::white);
    return image;
}

bool CaptureView::writeJpeg(const QImage& image, const QString& path)
{
    QSaveFile file(path);
    if (image.isNull() || !file.open(QIODevice::WriteOnly)) return false;
    QImageWriter writer(&file, "jpeg");
    writer.setQuality(92);
    if (!writer.write(image)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
