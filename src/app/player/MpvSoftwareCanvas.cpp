#include "app/player/MpvSoftwareCanvas.h"

#include <QMetaObject>
#include <QPainter>
#include <QtDebug>
#include <mpv/client.h>
#include <mpv/render.h>

MpvSoftwareCanvas::MpvSoftwareCanvas(MpvMediaPlayer& player, QWidget* parent)
    : QWidget(parent), m_player(&player)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);

    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&m_render, player.handle(), params) < 0) {
        qWarning("mpv: the software renderer could not be created");
        m_render = nullptr;
        return;
    }
    // The software renderer ignores the video equalizer.
    player.setBrightnessMethod(MpvMediaPlayer::BrightnessMethod::Filter);
    player.attachRenderClient(this);
    mpv_render_context_set_update_callback(m_render, &MpvSoftwareCanvas::onUpdate, this);
}

MpvSoftwareCanvas::~MpvSoftwareCanvas()
{
    if (m_player)
        m_player->detachRenderClient(this);
    releaseRenderContext();
}

void MpvSoftwareCanvas::releaseRenderContext()
{
    if (!m_render)
        return;
    // Freeing the context waits for a running update callback and stops
    // further ones.
    mpv_render_context_free(m_render);
    m_render = nullptr;
}

void MpvSoftwareCanvas::onUpdate(void* context)
{
    // Any thread of libmpv: never ask the core anything here, only queue the
    // rendering on the GUI thread.
    auto* self = static_cast<MpvSoftwareCanvas*>(context);
    if (!self->m_renderQueued.exchange(true))
        QMetaObject::invokeMethod(self, &MpvSoftwareCanvas::renderFrame, Qt::QueuedConnection);
}

QSize MpvSoftwareCanvas::targetSize() const
{
    // The picture at the size it is shown, so that painting it is a plain
    // copy (scaling a large picture makes the painter wait on helper
    // threads); never above the movie's own size.
    const QSize full = m_player ? m_player->renderSize() : QSize();
    const QSizeF shown = m_picture.size() * devicePixelRatioF();
    if (shown.isEmpty() || full.isEmpty()) return full;
    QSize size = shown.toSize();
    if (size.width() > full.width() || size.height() > full.height()) size = full;
    return size.expandedTo(QSize(1, 1));
}

void MpvSoftwareCanvas::renderFrame()
{
    m_renderQueued.store(false);
    if (!m_render || !m_player)
        return;
    const bool newFrame = (mpv_render_context_update(m_render) & MPV_RENDER_UPDATE_FRAME) != 0;
    const QSize size = targetSize();
    // A picture shown at another size is drawn again from the same frame.
    if (!newFrame && (m_frame.isNull() || m_frame.size() == size))
        return;
    if (m_frame.size() != size)
        m_frame = QImage(size, QImage::Format_RGB32);
    if (m_frame.isNull())
        return;
    int renderSize[2] = {size.width(), size.height()};
    size_t stride = static_cast<size_t>(m_frame.bytesPerLine());
    // QImage::Format_RGB32 is B, G, R, X in memory on little-endian machines.
    char format[] = "bgr0";
    // The frame is drawn as soon as it is there: left to itself the renderer
    // holds the GUI thread until the frame's display time comes.
    int blockForTargetTime = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SW_SIZE, renderSize},
        {MPV_RENDER_PARAM_SW_FORMAT, format},
        {MPV_RENDER_PARAM_SW_STRIDE, &stride},
        {MPV_RENDER_PARAM_SW_POINTER, m_frame.bits()},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &blockForTargetTime},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_render(m_render, params) < 0)
        return;
    // The fourth byte is left undefined by the renderer; Qt expects it opaque.
    const int width = m_frame.width();
    for (int y = 0, height = m_frame.height(); y < height; ++y) {
        auto* line = reinterpret_cast<quint32*>(m_frame.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] |= 0xFF000000u;
    }
    update();
    Q_EMIT frameRendered();
}

void MpvSoftwareCanvas::setPictureGeometry(const QRectF& picture, const QRectF& clip)
{
    if (picture == m_picture && clip == m_clip)
        return;
    m_picture = picture;
    m_clip = clip;
    if (!m_frame.isNull() && m_frame.size() != targetSize() && !m_renderQueued.exchange(true))
        QMetaObject::invokeMethod(this, &MpvSoftwareCanvas::renderFrame, Qt::QueuedConnection);
    update();
}

void MpvSoftwareCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_frame.isNull() || m_picture.isEmpty() || m_clip.isEmpty())
        return;
    painter.setClipRect(m_clip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(m_picture, m_frame);
}
