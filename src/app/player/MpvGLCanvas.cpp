#include "app/player/MpvGLCanvas.h"

#include <QMetaObject>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QOpenGLTextureBlitter>
#include <QtDebug>
#include <cmath>
#include <mpv/client.h>
#include <mpv/render.h>
#include <mpv/render_gl.h>

MpvGLCanvas::MpvGLCanvas(MpvMediaPlayer& player, QWidget* parent)
    : QOpenGLWidget(parent), m_player(&player)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    player.setBrightnessMethod(MpvMediaPlayer::BrightnessMethod::Equalizer);
}

MpvGLCanvas::~MpvGLCanvas()
{
    if (m_player)
        m_player->detachRenderClient(this);
    releaseRenderContext();
    // The base class destroys the context after this object is gone.
    if (QOpenGLContext* own = context())
        disconnect(own, nullptr, this, nullptr);
}

void MpvGLCanvas::releaseRenderContext()
{
    if (!m_render && !m_fbo && !m_blitter)
        return;
    // The GL objects belong to this widget's context.
    makeCurrent();
    if (m_render) {
        mpv_render_context_free(m_render);
        m_render = nullptr;
    }
    m_fbo.reset();
    if (m_blitter)
        m_blitter->destroy();
    m_blitter.reset();
    doneCurrent();
}

void* MpvGLCanvas::procAddress(void*, const char* name)
{
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context)
        return nullptr;
    return reinterpret_cast<void*>(context->getProcAddress(QByteArray(name)));
}

void MpvGLCanvas::initializeGL()
{
    if (m_render || !m_player)
        return;
    mpv_opengl_init_params glInit{&MpvGLCanvas::procAddress, nullptr};
    int advanced = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
        {MPV_RENDER_PARAM_ADVANCED_CONTROL, &advanced},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&m_render, m_player->handle(), params) < 0) {
        qWarning("mpv: the OpenGL renderer could not be created");
        m_render = nullptr;
        return;
    }
    m_player->attachRenderClient(this);
    mpv_render_context_set_update_callback(m_render, &MpvGLCanvas::onUpdate, this);
    // Moving the widget into another window destroys its GL context; the
    // renderer must go with it (libmpv then ends the open movie, so the
    // surface is meant to stay in its window).
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &MpvGLCanvas::releaseRenderContext,
            Qt::UniqueConnection);
    m_blitter = std::make_unique<QOpenGLTextureBlitter>();
    m_blitter->create();
}

void MpvGLCanvas::onUpdate(void* context)
{
    // Any thread of libmpv: only queue the work on the GUI thread.
    auto* self = static_cast<MpvGLCanvas*>(context);
    if (!self->m_updateQueued.exchange(true))
        QMetaObject::invokeMethod(self, &MpvGLCanvas::onFrameReady, Qt::QueuedConnection);
}

void MpvGLCanvas::onFrameReady()
{
    m_updateQueued.store(false);
    if (!m_render)
        return;
    if (mpv_render_context_update(m_render) & MPV_RENDER_UPDATE_FRAME)
        update();
}

void MpvGLCanvas::setPictureGeometry(const QRectF& picture, const QRectF& clip)
{
    if (picture == m_picture && clip == m_clip)
        return;
    m_picture = picture;
    m_clip = clip;
    update();
}

void MpvGLCanvas::paintGL()
{
    QOpenGLFunctions* gl = context()->functions();
    gl->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    if (!m_render || !m_player)
        return;

    const QSize size = m_player->renderSize();
    if (!m_fbo || m_fbo->size() != size)
        m_fbo = std::make_unique<QOpenGLFramebufferObject>(size);
    mpv_opengl_fbo target{static_cast<int>(m_fbo->handle()), size.width(), size.height(), 0};
    int flipY = 0;
    // The frame is drawn as soon as it is there: left to itself the renderer
    // holds the GUI thread until the frame's display time comes.
    int blockForTargetTime = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &target},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &blockForTargetTime},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(m_render, params);
    // Back to this widget's own frame buffer.
    const GLuint own = defaultFramebufferObject();
    gl->glBindFramebuffer(GL_FRAMEBUFFER, own);

    if (m_picture.isEmpty() || m_clip.isEmpty() || !m_blitter)
        return;
    const qreal ratio = devicePixelRatioF();
    const QSize viewport(static_cast<int>(std::lround(width() * ratio)),
                         static_cast<int>(std::lround(height() * ratio)));
    gl->glViewport(0, 0, viewport.width(), viewport.height());
    const QRect clip(static_cast<int>(std::floor(m_clip.left() * ratio)),
                     static_cast<int>(std::floor(m_clip.top() * ratio)),
                     static_cast<int>(std::ceil(m_clip.width() * ratio)),
                     static_cast<int>(std::ceil(m_clip.height() * ratio)));
    gl->glEnable(GL_SCISSOR_TEST);
    gl->glScissor(clip.left(), viewport.height() - clip.top() - clip.height(), clip.width(), clip.height());
    const QRectF target2(m_picture.left() * ratio, m_picture.top() * ratio, m_picture.width() * ratio,
                         m_picture.height() * ratio);
    m_blitter->bind();
    m_blitter->blit(m_fbo->texture(), QOpenGLTextureBlitter::targetTransform(target2, QRect(QPoint(0, 0), viewport)),
                    QOpenGLTextureBlitter::OriginTopLeft);
    m_blitter->release();
    gl->glDisable(GL_SCISSOR_TEST);
    mpv_render_context_report_swap(m_render);
}

QImage MpvGLCanvas::currentFrame()
{
    if (!m_fbo)
        return {};
    makeCurrent();
    // libmpv renders unflipped: the top line is the buffer's first, as the
    // blit takes it (toImage's default flip would turn the picture over).
    QImage image = m_fbo->toImage(false);
    doneCurrent();
    return image;
}
