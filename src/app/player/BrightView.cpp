#include "app/player/BrightView.h"

#include "core/player/PlaybackAdjust.h"

#include <QPainter>
#include <QPaintEvent>

BrightView::BrightView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BrightView::setAlphVal(double value)
{
    m_alphVal = value;
    update();
}

void BrightView::paintEvent(QPaintEvent* event)
{
    const PlaybackAdjust::Veil veil = PlaybackAdjust::brightViewVeil(m_alphVal);
    if (veil.colour == PlaybackAdjust::Veil::Colour::Clear)
        return;
    QColor colour = veil.colour == PlaybackAdjust::Veil::Colour::Black ? QColor(Qt::black) : QColor(Qt::white);
    colour.setAlphaF(static_cast<float>(veil.alpha));
    QPainter painter(this);
    painter.fillRect(event->rect(), colour);
}
