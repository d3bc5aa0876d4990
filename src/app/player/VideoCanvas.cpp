#include "app/player/VideoCanvas.h"

#include "app/player/MpvGLCanvas.h"
#include "app/player/MpvSoftwareCanvas.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>

bool videoOpenGLAvailable()
{
    static const bool available = [] {
        const QString platform = QGuiApplication::platformName();
        // QOpenGLWidget crashes under these platforms instead of failing.
        if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
            return false;
        QOpenGLContext context;
        if (!context.create())
            return false;
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        if (!surface.isValid() || !context.makeCurrent(&surface))
            return false;
        context.doneCurrent();
        return true;
    }();
    return available;
}

VideoCanvas* createVideoCanvas(MpvMediaPlayer& player, QWidget* parent)
{
    if (videoOpenGLAvailable())
        return new MpvGLCanvas(player, parent);
    return new MpvSoftwareCanvas(player, parent);
}
