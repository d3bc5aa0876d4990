#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>

// Geometry of the video surface: the picture fitted at 16:9 into the view
// (letterbox or pillarbox on black), magnified ×2 to ×5 about a chosen point,
// the selection window shown while that point is being chosen, the black
// strip over the caption band of trimmed movies and the trim-mode label.
//
// Coordinates are the view's own, origin at the top left, y downwards. A zoom
// point is in unit coordinates of the fitted picture (0 to 1 on each axis,
// from its top-left corner).
namespace VideoSurfaceGeometry {

enum class ScaleType : int { Scale_x1 = 1, Scale_x2 = 2, Scale_x3 = 3, Scale_x4 = 4, Scale_x5 = 5 };

// The case for a factor; none outside 1 to 5.
std::optional<ScaleType> scaleType(int factor);
inline int factor(ScaleType scale) { return static_cast<int>(scale); }

inline constexpr double VIDEO_ASPECT = 16.0 / 9.0;

// The largest size of the given aspect that fits the view.
QSizeF fittedSize(const QSizeF& view, double aspect = VIDEO_ASPECT);
// That size, centred in the view.
QRectF fittedRect(const QSizeF& view, double aspect = VIDEO_ASPECT);

// Keeps a zoom centre far enough inside the fitted picture that the window of
// 1/scale of the picture around it stays inside the picture.
QPointF clampZoomCentre(const QPointF& point, const QRectF& fitted, const QSizeF& view, int scale);

// The zoom point a click at a view point chooses: the clamped centre in unit
// coordinates of the fitted picture.
QPointF zoomPointForClick(const QPointF& viewPoint, const QRectF& fitted, const QSizeF& view, int scale);

struct Layout {
    QRectF fitted;          // the fitted picture; what of the picture shows
    QRectF picture;         // the whole (possibly magnified) picture
    bool selectionShown = false;
    QRectF selectionWindow; // the clear window in the veil while choosing
    bool captionStripShown = false;
    QRectF captionStrip;    // the bottom band of the picture of a trimmed movie
};

// Lays the surface out. zoomPoint is used while the scale is above ×1;
// cursor (a view point, already clamped) places the selection window while
// a scale above ×1 is chosen and no zoom point is set yet.
Layout layout(const QSizeF& view, ScaleType scale, const std::optional<QPointF>& zoomPoint,
              const QPointF& cursor, bool isCutFile, double aspect = VIDEO_ASPECT);

// Where the trim-mode label goes: 5 points in from the top-left corner of
// the picture.
QPointF trimLabelOrigin(const QRectF& picture);

} // namespace VideoSurfaceGeometry
