#include "core/player/VideoSurfaceGeometry.h"

#include "core/foundation/CommonConst.h"

#include <algorithm>
#include <cmath>

namespace VideoSurfaceGeometry {

std::optional<ScaleType> scaleType(int factor)
{
    if (factor < 1 || factor > 5)
        return std::nullopt;
    return static_cast<ScaleType>(factor);
}

QSizeF fittedSize(const QSizeF& view, double aspect)
{
    const double w = std::max(0.0, view.width());
    const double h = std::max(0.0, view.height());
    if (!(aspect > 0.0) || !std::isfinite(aspect))
        return {w, h};
    if (h * aspect > w)
        return {w, w / aspect};
    return {h * aspect, h};
}

QRectF fittedRect(const QSizeF& view, double aspect)
{
    const QSizeF size = fittedSize(view, aspect);
    return {(view.width() - size.width()) * 0.5, (view.height() - size.height()) * 0.5, size.width(),
            size.height()};
}

QPointF clampZoomCentre(const QPointF& point, const QRectF& fitted, const QSizeF& view, int scale)
{
    const double s = std::max(1, scale);
    const QPointF lo(fitted.left() + fitted.width() / s * 0.5, fitted.top() + fitted.height() / s * 0.5);
    // The view's own extent (not its place in its parent), so the bounds are
    // symmetric about the centred picture wherever the view sits.
    const QPointF hi(view.width() - lo.x(), view.height() - lo.y());
    // Raised to the lower bound first, then lowered to the upper one: where
    // they cross, the upper bound wins.
    return {std::min(std::max(point.x(), lo.x()), hi.x()), std::min(std::max(point.y(), lo.y()), hi.y())};
}

QPointF zoomPointForClick(const QPointF& viewPoint, const QRectF& fitted, const QSizeF& view, int scale)
{
    const QPointF q = clampZoomCentre(viewPoint, fitted, view, scale);
    const double ux = fitted.width() > 0.0 ? (q.x() - fitted.left()) / fitted.width() : 0.5;
    const double uy = fitted.height() > 0.0 ? (q.y() - fitted.top()) / fitted.height() : 0.5;
    return {ux, uy};
}

Layout layout(const QSizeF& view, ScaleType scale, const std::optional<QPointF>& zoomPoint,
              const QPointF& cursor, bool isCutFile, double aspect)
{
    Layout out;
    out.fitted = fittedRect(view, aspect);
    const double fw = out.fitted.width();
    const double fh = out.fitted.height();
    const QPointF c(view.width() * 0.5, view.height() * 0.5);
    const int s = factor(scale);

    // The picture point at the zoom point lands on the view's centre.
    QPointF anchor(0.5, 0.5);
    double pw = fw;
    double ph = fh;
    if (zoomPoint && scale != ScaleType::Scale_x1) {
        anchor = *zoomPoint;
        pw = fw * s;
        ph = fh * s;
    }
    out.picture = QRectF(c.x() - anchor.x() * pw, c.y() - anchor.y() * ph, pw, ph);

    if (!zoomPoint && scale != ScaleType::Scale_x1) {
        out.selectionShown = true;
        const double ww = fw / s;
        const double wh = fh / s;
        out.selectionWindow = QRectF(cursor.x() - ww * 0.5, cursor.y() - wh * 0.5, ww, wh);
    }

    if (isCutFile) {
        out.captionStripShown = true;
        const double h = out.picture.height() * CommonConst::CAPTION_SIZE_BASE / CommonConst::CAPTION_HEIGHT_BASE;
        out.captionStrip = QRectF(out.picture.left(), out.picture.bottom() - h, out.picture.width(), h);
    }
    return out;
}

QPointF trimLabelOrigin(const QRectF& picture)
{
    return {picture.left() + 5.0, picture.top() + 5.0};
}

} // namespace VideoSurfaceGeometry
