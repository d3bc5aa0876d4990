#pragma once

#include <QWidget>

// Veils what lies below it in black (darker) or white (brighter) according to
// a brightness value; 1.0 is neutral.
class BrightView : public QWidget {
    Q_OBJECT
public:
    explicit BrightView(QWidget* parent = nullptr);

    double alphVal() const { return m_alphVal; }
    void setAlphVal(double value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_alphVal = 0.0;
};
