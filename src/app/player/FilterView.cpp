#include "app/player/FilterView.h"

#include <QMouseEvent>

FilterView::FilterView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
}

void FilterView::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (m_delegate)
        m_delegate->overlayClicked();
}

void FilterView::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void FilterView::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void FilterView::paintEvent(QPaintEvent*)
{
    // Shows nothing of its own.
}
