#include "app/player/PlayerView.h"

#include "app/player/VideoCanvas.h"

#include <QCursor>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

// The half-dark veil over the picture while a zoom point is being chosen,
// with a clear window where the magnified part will come from.
class PlayerView::SelectionVeil : public QWidget {
public:
    explicit SelectionVeil(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
    }
    QRectF clip;   // the fitted picture
    QRectF window; // the clear part

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setClipRect(clip);
        QPainterPath path;
        path.setFillRule(Qt::OddEvenFill);
        path.addRect(window);
        path.addRect(QRectF(rect()));
        painter.fillPath(path, QColor(0, 0, 0, 128));
    }
};

PlayerView::PlayerView(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setMouseTracking(true);
    setMinimumSize(16, 9);

    m_veil = new SelectionVeil(this);
    m_veil->hide();

    m_lblSubMask = new QLabel(this);
    m_lblSubMask->setAutoFillBackground(true);
    m_lblSubMask->setPalette(palette);
    m_lblSubMask->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_lblSubMask->hide();

    installPlayerLayer();
}

PlayerView::~PlayerView() = default;

QString PlayerView::strTrimMode()
{
    return tr("● Trim Mode");
}

void PlayerView::setCanvas(VideoCanvas* canvas)
{
    if (m_canvasWidget && (!canvas || canvas->widget() != m_canvasWidget))
        delete m_canvasWidget.data();
    m_canvas = canvas;
    m_canvasWidget = canvas ? canvas->widget() : nullptr;
    if (m_canvasWidget) {
        m_canvasWidget->setParent(this);
        m_canvasWidget->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_canvasWidget->show();
    }
    installPlayerLayer();
}

void PlayerView::installPlayerLayer()
{
    // Back to front: the picture, the selection veil, the caption strip, the
    // trim label.
    if (m_canvasWidget)
        m_canvasWidget->lower();
    m_veil->raise();
    m_lblSubMask->raise();
    if (m_lblTrim)
        m_lblTrim->raise();
    layoutLayers();
}

void PlayerView::resetZoom()
{
    playerScale = ScaleType::Scale_x1;
    zoomPoint.reset();
    locationInWindow.reset();
    layoutLayers();
}

void PlayerView::setScale(ScaleType scale)
{
    playerScale = scale;
    layoutLayers();
}

bool PlayerView::selectionVeilShown() const
{
    return m_veil->isVisible();
}

void PlayerView::layoutLayers()
{
    const QSizeF view(width(), height());
    const int s = VideoSurfaceGeometry::factor(playerScale);
    const QRectF fitted = VideoSurfaceGeometry::fittedRect(view);

    // A new factor while zoomed: the centre is worked out again from the
    // stored click, clamped for the new window size.
    if (zoomPoint && playerScale != ScaleType::Scale_x1 && locationInWindow
        && (!prevScale || *prevScale != playerScale)) {
        const QPointF inView = *locationInWindow - QPointF(mapTo(window(), QPoint(0, 0)));
        zoomPoint = VideoSurfaceGeometry::zoomPointForClick(inView, fitted, view, s);
        prevScale = playerScale;
    }

    m_layout = VideoSurfaceGeometry::layout(view, playerScale, zoomPoint, zoomCursorPoint(), isCutFile);

    if (m_canvasWidget) {
        m_canvasWidget->setGeometry(rect());
        m_canvas->setPictureGeometry(m_layout.picture, m_layout.fitted);
    }

    m_veil->setGeometry(rect());
    if (m_layout.selectionShown) {
        m_veil->clip = m_layout.fitted;
        m_veil->window = m_layout.selectionWindow;
        m_veil->show();
        m_veil->update();
    } else {
        m_veil->hide();
    }

    if (m_lblTrim && !m_lblTrim->isHidden()) {
        const QPointF origin = VideoSurfaceGeometry::trimLabelOrigin(m_layout.picture);
        m_lblTrim->move(origin.toPoint());
    }

    if (m_layout.captionStripShown) {
        m_lblSubMask->setGeometry(m_layout.captionStrip.toAlignedRect());
        m_lblSubMask->show();
    } else {
        m_lblSubMask->hide();
    }
}

QPointF PlayerView::zoomCursorPoint() const
{
    const QSizeF view(width(), height());
    const QPointF cursor = mapFromGlobal(QCursor::pos());
    return VideoSurfaceGeometry::clampZoomCentre(cursor, VideoSurfaceGeometry::fittedRect(view), view,
                                                 VideoSurfaceGeometry::factor(playerScale));
}

void PlayerView::showTrimLabel(bool show)
{
    if (!m_lblTrim) {
        m_lblTrim = new QLabel(strTrimMode(), this);
        QFont font = m_lblTrim->font();
        font.setBold(true);
        font.setPixelSize(24);
        m_lblTrim->setFont(font);
        QPalette palette = m_lblTrim->palette();
        palette.setColor(QPalette::WindowText, Qt::red);
        m_lblTrim->setPalette(palette);
        m_lblTrim->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_lblTrim->ensurePolished();
        m_lblTrim->adjustSize();
        // Room for the whole text, the overhang of the bold letters too.
        const int whole = QFontMetrics(m_lblTrim->font()).horizontalAdvance(m_lblTrim->text()) + 2;
        m_lblTrim->resize(std::max(m_lblTrim->width(), whole), m_lblTrim->height());
        m_lblTrim->hide();
    }
    m_lblTrim->setVisible(show);
    if (show) {
        m_lblTrim->raise();
        layoutLayers();
    }
}

void PlayerView::setBackgroundGradient(bool on)
{
    if (on == m_gradient)
        return;
    m_gradient = on;
    update();
}

void PlayerView::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!m_gradient)
        return;
    QPainter painter(this);
    QLinearGradient gradient(0.0, 0.0, 0.0, height());
    gradient.setColorAt(0.0, gradientTopColor());
    gradient.setColorAt(1.0, gradientBottomColor());
    painter.fillRect(rect(), gradient);
}

void PlayerView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutLayers();
}

void PlayerView::mousePressEvent(QMouseEvent* event)
{
    if (!zoomPoint && playerScale != ScaleType::Scale_x1) {
        const QSizeF view(width(), height());
        zoomPoint = VideoSurfaceGeometry::zoomPointForClick(event->position(), VideoSurfaceGeometry::fittedRect(view),
                                                            view, VideoSurfaceGeometry::factor(playerScale));
        locationInWindow = QPointF(mapTo(window(), event->position()));
        layoutLayers();
    } else {
        playerScale = ScaleType::Scale_x1;
        zoomPoint.reset();
        locationInWindow.reset();
        layoutLayers();
    }
    // The player sees the click too (a click in the video leaves full screen).
    QWidget::mousePressEvent(event);
}

void PlayerView::mouseMoveEvent(QMouseEvent* event)
{
    if (!zoomPoint)
        layoutLayers();
    QWidget::mouseMoveEvent(event);
}
