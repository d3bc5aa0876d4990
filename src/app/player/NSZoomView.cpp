#include "app/player/NSZoomView.h"

#include <QMouseEvent>
#include <QPainter>

NSZoomView::NSZoomView(QWidget* parent) : QWidget(parent)
{
    // Moves reach the view without a button held, over all of its bounds
    // whatever its size.
    setMouseTracking(true);
}

void NSZoomView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_delegate)
        m_delegate->endZoomMenuMode();
    QWidget::mouseMoveEvent(event);
}

void NSZoomView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(90, 90, 90));
    painter.setBrush(QColor(20, 20, 20, 230));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5.0, 5.0);
}
