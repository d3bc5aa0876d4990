#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

// An image button with a second image while the pointer is over it, a third
// while it is disabled, and a title drawn in a colour of its own. The zoom
// menu drives the hover state from the keyboard: while keyboard-driven
// (zoomButtonForKey), the pointer entering the button is ignored.
class EXTextButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QColor titleColor READ titleColor WRITE setTitleColor)
public:
    explicit EXTextButton(QWidget* parent = nullptr);

    // The button's own image (shown when neither hovered nor disabled).
    void setImage(const QPixmap& image);
    QPixmap image() const { return m_image; }
    QPixmap originalImage() const { return m_originalImage; }
    void setMouseOverImage(const QPixmap& image);
    QPixmap mouseOverImage() const { return m_mouseOverImage; }
    void setDisableImage(const QPixmap& image) { m_disableImage = image; update(); }
    QPixmap disableImage() const { return m_disableImage; }
    // Shown instead of the own image while an on/off button is on.
    void setAlternateImage(const QPixmap& image) { m_alternateImage = image; update(); }

    void setTitleColor(const QColor& color) { m_titleColor = color; update(); }
    QColor titleColor() const { return m_titleColor; }
    // Where the title sits (centred unless told otherwise).
    void setTitleAlignment(Qt::Alignment alignment) { m_titleAlignment = alignment; update(); }
    Qt::Alignment titleAlignment() const { return m_titleAlignment; }

    bool isMouseOver() const { return m_isMouseOver; }
    void setZoomButtonForKey(bool on) { m_flgZoomBtnForKey = on; }
    bool zoomButtonForKey() const { return m_flgZoomBtnForKey; }

    // The hover state changes. fromPointer tells a real pointer entry from the
    // keyboard navigation of the zoom menu. The hover image appears one turn of
    // the event loop later.
    void mouseEntered(bool fromPointer);
    void mouseExited();

    QSize sizeHint() const override;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void updateCellImage();

    QColor m_titleColor = Qt::white;
    Qt::Alignment m_titleAlignment = Qt::AlignCenter;
    QPixmap m_disableImage;
    QPixmap m_mouseOverImage;
    QPixmap m_alternateImage;
    QPixmap m_originalImage;
    QPixmap m_image;
    bool m_isMouseOver = false;
    bool m_flgZoomBtnForKey = false;
};
