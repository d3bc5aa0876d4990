#pragma once

#include "core/player/VideoSurfaceGeometry.h"

#include <QColor>
#include <QPointF>
#include <QPointer>
#include <QWidget>
#include <optional>

class QLabel;
class VideoCanvas;

// The video surface: the movie's picture fitted at 16:9 on black, magnified
// ×2 to ×5 about a point the user clicks (with a selection window following
// the pointer while the point is chosen), a black strip over the caption band
// of trimmed movies and the red trim-mode label.
//
// The surface never asks the player for anything; the player sets the scale,
// the cut-file flag and the canvas, and reads the scale back.
class PlayerView : public QWidget {
    Q_OBJECT
public:
    using ScaleType = VideoSurfaceGeometry::ScaleType;

    explicit PlayerView(QWidget* parent = nullptr);
    ~PlayerView() override;

    // The widget the pictures are drawn on (see createVideoCanvas); the
    // surface takes it over. Null leaves the surface black.
    void setCanvas(VideoCanvas* canvas);
    VideoCanvas* canvas() const { return m_canvas; }
    // Puts the canvas and overlays in order and lays the surface out again.
    void installPlayerLayer();

    // The chosen magnification. A factor above 1 without a zoom point is the
    // choosing state; the next click picks the point.
    ScaleType playerScale = ScaleType::Scale_x1;
    std::optional<QPointF> zoomPoint;        // unit coordinates of the fitted picture
    std::optional<QPointF> locationInWindow; // where the choosing click was, in window coordinates
    std::optional<ScaleType> prevScale;
    bool isCutFile = false;

    // Cancels zoom (×1, no zoom point, no stored click) and lays out again.
    void resetZoom();
    // Chooses a factor (the choosing state, or a new factor about the same
    // click while zoomed) and lays out again.
    void setScale(ScaleType scale);

    void showTrimLabel(bool show);
    // The dark backdrop of a player that has shown no movie yet: dark grey
    // at the top fading to black at the bottom. Off, the surface is black.
    void setBackgroundGradient(bool on);
    bool backgroundGradient() const { return m_gradient; }
    static QColor gradientTopColor() { return {85, 85, 85}; }
    static QColor gradientBottomColor() { return Qt::black; }
    // Lays every part out again (after playerScale, zoomPoint or
    // locationInWindow changed).
    void layoutLayers();

    // What the last layout computed, for the player and for tests.
    const VideoSurfaceGeometry::Layout& currentLayout() const { return m_layout; }
    QLabel* trimLabel() const { return m_lblTrim; }
    QLabel* captionStrip() const { return m_lblSubMask; }
    bool selectionVeilShown() const;

    static QString strTrimMode();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    class SelectionVeil;
    QPointF zoomCursorPoint() const;

    VideoCanvas* m_canvas = nullptr;
    QPointer<QWidget> m_canvasWidget;
    SelectionVeil* m_veil = nullptr;
    QLabel* m_lblSubMask = nullptr;
    QLabel* m_lblTrim = nullptr;
    VideoSurfaceGeometry::Layout m_layout;
    bool m_gradient = false;
};
