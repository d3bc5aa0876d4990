#pragma once

#include "app/player/MpvMediaPlayer.h"
#include "app/player/VideoCanvas.h"

#include <QPointer>
#include <QWidget>
#include <atomic>

struct mpv_render_context;

// Pictures rendered by libmpv's software renderer into an image that the
// widget paints. Used where OpenGL is not available (headless runs, tests).
class MpvSoftwareCanvas final : public QWidget, public VideoCanvas, public MpvRenderClient {
    Q_OBJECT
public:
    explicit MpvSoftwareCanvas(MpvMediaPlayer& player, QWidget* parent = nullptr);
    ~MpvSoftwareCanvas() override;

    QWidget* widget() override { return this; }
    void setPictureGeometry(const QRectF& picture, const QRectF& clip) override;
    QImage currentFrame() override { return m_frame; }

    void releaseRenderContext() override;

Q_SIGNALS:
    // A new picture was rendered.
    void frameRendered();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void renderFrame();
    QSize targetSize() const;
    static void onUpdate(void* context);

    QPointer<MpvMediaPlayer> m_player;
    mpv_render_context* m_render = nullptr;
    std::atomic<bool> m_renderQueued{false};
    QImage m_frame;
    QRectF m_picture;
    QRectF m_clip;
};
