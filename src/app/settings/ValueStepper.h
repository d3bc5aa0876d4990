#pragma once

#include <QWidget>

class QToolButton;

// A pair of small arrow buttons that step a number between a minimum and a
// maximum by a fixed increment (no text of its own: the value shows in the
// text field beside it). A click that changes the value emits stepped().
class ValueStepper : public QWidget {
    Q_OBJECT
public:
    explicit ValueStepper(QWidget* parent = nullptr);

    void setRange(double minimum, double maximum);
    void setIncrement(double increment) { m_increment = increment; }
    double minimum() const { return m_min; }
    double maximum() const { return m_max; }
    double increment() const { return m_increment; }

    // Kept within the range.
    void setValue(double value);
    double value() const { return m_value; }
    int intValue() const { return int(m_value); }

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

Q_SIGNALS:
    void stepped();

private:
    void step(int direction);

    QToolButton* m_up;
    QToolButton* m_down;
    double m_min = 0.0;
    double m_max = 100.0;
    double m_increment = 1.0;
    double m_value = 0.0;
};
