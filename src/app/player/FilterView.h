#pragma once

#include <QWidget>

// Told when the transparent overlay is clicked.
class FilterViewDelegate {
public:
    virtual void overlayClicked() = 0;

protected:
    ~FilterViewDelegate() = default;
};

// A transparent overlay that catches clicks, laid over the player while the
// zoom menu is open, so that a click beside the menu closes it. Nothing below
// receives the click, with or without a delegate.
class FilterView : public QWidget {
    Q_OBJECT
public:
    explicit FilterView(QWidget* parent = nullptr);

    // Not owned; the player sets it.
    void setDelegate(FilterViewDelegate* delegate) { m_delegate = delegate; }
    FilterViewDelegate* delegate() const { return m_delegate; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    FilterViewDelegate* m_delegate = nullptr;
};
