#pragma once

#include <QByteArray>
#include <QImage>
#include <QRectF>

class QWidget;
class MpvMediaPlayer;

// The widget on which the movie's pictures appear. It fills the video surface,
// paints black around the picture, and draws the picture into the rectangle
// the surface lays out (which may be larger than the view while zoomed),
// clipped to the fitted picture.
class VideoCanvas {
public:
    virtual ~VideoCanvas() = default;

    virtual QWidget* widget() = 0;
    // picture: where the whole picture goes; clip: what of it may show.
    // Both in the canvas's coordinates.
    virtual void setPictureGeometry(const QRectF& picture, const QRectF& clip) = 0;
    // The last picture the player produced, at render size (null before the
    // first one).
    virtual QImage currentFrame() = 0;
};

// Whether this platform can give widgets OpenGL at all: not the offscreen
// and minimal platforms, whose QOpenGLWidget crashes. Asks nothing of OpenGL.
bool platformHasOpenGL();
// Whether OpenGL is used for video here: where a context can be made current
// and its renderer is not a software rasteriser (isSoftwareRasteriser of its
// renderer's name), whose drawing is libmpv's software rendering done more
// slowly. Worked out once.
bool videoOpenGLAvailable();
bool isSoftwareRasteriser(const QByteArray& renderer);

// A canvas for the player: OpenGL rendering where available, otherwise
// libmpv's software renderer. The canvas's widget is a child of parent.
VideoCanvas* createVideoCanvas(MpvMediaPlayer& player, QWidget* parent);
