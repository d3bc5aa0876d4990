#include "app/settings/ValueStepper.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

ValueStepper::ValueStepper(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_up = new QToolButton(this);
    m_down = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFixedSize(18, 12);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
    }
    setFixedSize(18, 24);
    connect(m_up, &QToolButton::clicked, this, [this] { step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(-1); });
}

void ValueStepper::setRange(double minimum, double maximum)
{
    m_min = minimum;
    m_max = std::max(minimum, maximum);
    setValue(m_value);
}

void ValueStepper::setValue(double value)
{
    m_value = std::isnan(value) ? m_min : std::clamp(value, m_min, m_max);
}

void ValueStepper::step(int direction)
{
    // Counted in whole increments from the minimum, so that repeated steps
    // land on the same values as typed ones (0.45 + 0.01 is 0.46).
    const double steps = std::round((m_value - m_min) / m_increment) + direction;
    const double before = m_value;
    setValue(m_min + steps * m_increment);
    if (m_value != before) Q_EMIT stepped();
}
