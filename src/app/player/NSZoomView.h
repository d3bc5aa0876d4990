#pragma once

#include <QWidget>

// Told when the pointer moves over the zoom menu (so that keyboard
// navigation of the menu ends).
class ZoomViewDelegate {
public:
    virtual void endZoomMenuMode() = 0;

protected:
    ~ZoomViewDelegate() = default;
};

// The panel of the zoom menu that holds the five factor buttons and reports
// pointer movement over it, anywhere in its current bounds.
class NSZoomView : public QWidget {
    Q_OBJECT
public:
    explicit NSZoomView(QWidget* parent = nullptr);

    // Not owned; the player sets and clears it.
    void setDelegate(ZoomViewDelegate* delegate) { m_delegate = delegate; }
    ZoomViewDelegate* delegate() const { return m_delegate; }

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    ZoomViewDelegate* m_delegate = nullptr;
};
