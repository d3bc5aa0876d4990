#include "app/shell/EXTextButton.h"

#include <QEnterEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

namespace {

constexpr int TITLE_INSET = 3;

} // namespace

EXTextButton::EXTextButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void EXTextButton::setImage(const QPixmap& image)
{
    m_originalImage = image;
    m_image = image;
    updateGeometry();
    update();
}

void EXTextButton::setMouseOverImage(const QPixmap& image)
{
    m_mouseOverImage = image;
    setAttribute(Qt::WA_Hover, !image.isNull());
}

QSize EXTextButton::sizeHint() const
{
    QSize size = m_originalImage.isNull() ? QSize(32, 32) : m_originalImage.deviceIndependentSize().toSize();
    if (!text().isEmpty()) {
        const QSize textSize = fontMetrics().size(Qt::TextShowMnemonic, text());
        size = size.expandedTo(textSize + QSize(12, 6));
    }
    return size;
}

void EXTextButton::enterEvent(QEnterEvent* event)
{
    // Only a button with a hover picture follows the pointer: any other
    // (an on/off toggle showing its on picture) looks the same under it.
    if (!m_mouseOverImage.isNull())
        mouseEntered(true);
    QAbstractButton::enterEvent(event);
}

void EXTextButton::leaveEvent(QEvent* event)
{
    if (!m_mouseOverImage.isNull())
        mouseExited();
    QAbstractButton::leaveEvent(event);
}

void EXTextButton::mouseEntered(bool fromPointer)
{
    if (fromPointer && m_flgZoomBtnForKey)
        return;
    m_isMouseOver = true;
    if (isEnabled() && !m_mouseOverImage.isNull()) {
        QPointer<EXTextButton> self(this);
        QTimer::singleShot(0, this, [self] {
            if (!self)
                return;
            self->m_image = self->m_mouseOverImage;
            self->update();
        });
    }
}

void EXTextButton::mouseExited()
{
    if (isEnabled() && m_isMouseOver && !m_originalImage.isNull()) {
        m_image = m_originalImage;
        m_isMouseOver = false;
        update();
    }
}

void EXTextButton::mousePressEvent(QMouseEvent* event)
{
    // A pressed button shows its own image until the pointer leaves and
    // comes back.
    if (isEnabled() && m_isMouseOver && !m_originalImage.isNull()) {
        QPointer<EXTextButton> self(this);
        QTimer::singleShot(0, this, [self] {
            if (!self)
                return;
            self->m_image = self->m_originalImage;
            self->m_isMouseOver = false;
            self->update();
        });
    }
    QAbstractButton::mousePressEvent(event);
}

void EXTextButton::updateCellImage()
{
    if (!isEnabled() && !m_disableImage.isNull()) {
        if (m_image.cacheKey() != m_disableImage.cacheKey())
            m_image = m_disableImage;
    } else if (isEnabled() && !m_isMouseOver && !m_originalImage.isNull()) {
        if (m_image.cacheKey() != m_originalImage.cacheKey())
            m_image = m_originalImage;
    } else if (isEnabled() && !m_disableImage.isNull() && m_image.cacheKey() == m_disableImage.cacheKey()) {
        // Enabled again while its hover flag stayed (the pointer left while
        // it was disabled, or it was hidden under the pointer): it must not
        // look disabled until the pointer comes back and goes.
        m_image = !m_mouseOverImage.isNull() ? m_mouseOverImage : m_originalImage;
    }
}

void EXTextButton::paintEvent(QPaintEvent*)
{
    updateCellImage();
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPixmap shown = m_image;
    if (isChecked() && !m_alternateImage.isNull() && isEnabled() && !m_isMouseOver)
        shown = m_alternateImage;
    if (!shown.isNull()) {
        const QSizeF size = shown.deviceIndependentSize().scaled(QSizeF(this->size()), Qt::KeepAspectRatio);
        const QRectF target(QPointF((width() - size.width()) / 2.0, (height() - size.height()) / 2.0), size);
        painter.drawPixmap(target, shown, QRectF(shown.rect()));
    } else if (isChecked()) {
        painter.fillRect(rect(), QColor(255, 255, 255, 40));
    }
    if (!text().isEmpty()) {
        painter.setPen(m_titleColor);
        // A title put to one side keeps off the image's edge.
        painter.drawText(rect().adjusted(TITLE_INSET, 0, -TITLE_INSET, 0), int(m_titleAlignment) | Qt::TextShowMnemonic,
                         text());
    }
    if (hasFocus()) {
        painter.setPen(QPen(QColor(95, 200, 255, 160), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}
