#include "app/player/VideoCanvas.h"

#include "app/player/MpvGLCanvas.h"
#include "app/player/MpvSoftwareCanvas.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <optional>

bool isSoftwareRasteriser(const QByteArray& renderer)
{
    const QByteArray r = renderer.toLower();
    return r.contains("llvmpipe") || r.contains("softpipe") || r.contains("software rasterizer") ||
           r.contains("swrast");
}

namespace {

// The OpenGL renderer's name, or none where windows cannot draw with OpenGL.
const std::optional<QByteArray>& openGLRenderer()
{
    static const std::optional<QByteArray> renderer = []() -> std::optional<QByteArray> {
        if (!platformHasOpenGL())
            return std::nullopt;
        QOpenGLContext context;
        if (!context.create())
            return std::nullopt;
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        if (!surface.isValid() || !context.makeCurrent(&surface))
            return std::nullopt;
        const auto* name = context.functions()->glGetString(GL_RENDERER);
        QByteArray result = name ? QByteArray(reinterpret_cast<const char*>(name)) : QByteArray();
        context.doneCurrent();
        return result;
    }();
    return renderer;
}

} // namespace

bool platformHasOpenGL()
{
    // QOpenGLWidget crashes under these platforms instead of failing.
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

bool videoOpenGLAvailable()
{
    // An OpenGL that rasterises on the CPU (Mesa's llvmpipe or softpipe, as
    // in a virtual machine or a display server without a GPU) draws each
    // frame on the GUI thread for tens of milliseconds; libmpv's own
    // software rendering at the shown size costs that thread less.
    const std::optional<QByteArray>& renderer = openGLRenderer();
    return renderer && !isSoftwareRasteriser(*renderer);
}

VideoCanvas* createVideoCanvas(MpvMediaPlayer& player, QWidget* parent)
{
    if (videoOpenGLAvailable())
        return new MpvGLCanvas(player, parent);
    return new MpvSoftwareCanvas(player, parent);
}
