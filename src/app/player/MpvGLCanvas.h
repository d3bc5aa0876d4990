#pragma once

#include "app/player/MpvMediaPlayer.h"
#include "app/player/VideoCanvas.h"

#include <QOpenGLWidget>
#include <QPointer>
#include <atomic>
#include <memory>

struct mpv_render_context;
class QOpenGLFramebufferObject;
class QOpenGLTextureBlitter;

// Pictures rendered by libmpv's OpenGL renderer into a frame buffer at render
// size, then drawn into the laid-out picture rectangle (so that zoom is ours,
// not mpv's).
class MpvGLCanvas final : public QOpenGLWidget, public VideoCanvas, public MpvRenderClient {
    Q_OBJECT
public:
    explicit MpvGLCanvas(MpvMediaPlayer& player, QWidget* parent = nullptr);
    ~MpvGLCanvas() override;

    QWidget* widget() override { return this; }
    void setPictureGeometry(const QRectF& picture, const QRectF& clip) override;
    QImage currentFrame() override;

    void releaseRenderContext() override;

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    void onFrameReady();
    static void onUpdate(void* context);
    static void* procAddress(void* context, const char* name);

    QPointer<MpvMediaPlayer> m_player;
    mpv_render_context* m_render = nullptr;
    std::atomic<bool> m_updateQueued{false};
    std::unique_ptr<QOpenGLFramebufferObject> m_fbo;
    std::unique_ptr<QOpenGLTextureBlitter> m_blitter;
    QRectF m_picture;
    QRectF m_clip;
};
