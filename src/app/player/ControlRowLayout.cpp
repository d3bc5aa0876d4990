#include "app/player/ControlRowLayout.h"

#include <QWidget>
#include <algorithm>

ControlRowLayout::ControlRowLayout(QWidget* parent) : QLayout(parent) {}

ControlRowLayout::~ControlRowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void ControlRowLayout::setGroups(QWidget* left, QWidget* right)
{
    addWidget(left);
    addWidget(right);
}

void ControlRowLayout::addItem(QLayoutItem* item)
{
    m_items.append(item);
}

QLayoutItem* ControlRowLayout::itemAt(int index) const
{
    return m_items.value(index);
}

QLayoutItem* ControlRowLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size()) return nullptr;
    return m_items.takeAt(index);
}

bool ControlRowLayout::fitsOnOneLine(int innerWidth) const
{
    if (!left() || !right()) return true;
    return left()->minimumSize().width() + spacing() + right()->minimumSize().width() <= innerWidth;
}

QSize ControlRowLayout::sizeHint() const
{
    const QMargins m = contentsMargins();
    QSize s;
    for (QLayoutItem* item : m_items) {
        s.rwidth() += item->sizeHint().width();
        s.rheight() = std::max(s.height(), item->sizeHint().height());
    }
    if (m_items.size() > 1) s.rwidth() += spacing();
    return s + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize ControlRowLayout::minimumSize() const
{
    // As narrow as the wider group; the height the narrowest row needs comes
    // from heightForWidth.
    const QMargins m = contentsMargins();
    QSize s;
    for (QLayoutItem* item : m_items) {
        s.rwidth() = std::max(s.width(), item->minimumSize().width());
        s.rheight() = std::max(s.height(), item->minimumSize().height());
    }
    return s + QSize(m.left() + m.right(), m.top() + m.bottom());
}

int ControlRowLayout::heightForWidth(int width) const
{
    const QMargins m = contentsMargins();
    int h = 0;
    if (fitsOnOneLine(width - m.left() - m.right())) {
        for (QLayoutItem* item : m_items)
            h = std::max(h, item->sizeHint().height());
    } else {
        h = left()->sizeHint().height() + spacing() + right()->sizeHint().height();
    }
    return h + m.top() + m.bottom();
}

void ControlRowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    if (!left() || !right()) return;
    const QRect inner = rect.marginsRemoved(contentsMargins());
    const QSize leftHint = left()->sizeHint();
    const QSize rightHint = right()->sizeHint();
    const int leftMin = left()->minimumSize().width();
    const int rightMin = right()->minimumSize().width();
    m_wrapped = !fitsOnOneLine(inner.width());
    if (!m_wrapped) {
        // The left group keeps what it asks for as long as the right one can
        // have its minimum; the right one takes the rest up to what it asks
        // for, against the right edge.
        const int leftWidth =
            std::max(leftMin, std::min(leftHint.width(), inner.width() - spacing() - rightMin));
        const int rightWidth =
            std::max(rightMin, std::min(rightHint.width(), inner.width() - spacing() - leftWidth));
        const int lineHeight = std::max(leftHint.height(), rightHint.height());
        const int top = inner.top() + (inner.height() - lineHeight) / 2;
        left()->setGeometry(QRect(inner.left(), top, leftWidth, lineHeight));
        right()->setGeometry(QRect(inner.right() + 1 - rightWidth, top, rightWidth, lineHeight));
        return;
    }
    const int leftWidth = std::max(leftMin, std::min(leftHint.width(), inner.width()));
    const int rightWidth = std::max(rightMin, std::min(rightHint.width(), inner.width()));
    left()->setGeometry(QRect(inner.left(), inner.top(), leftWidth, leftHint.height()));
    right()->setGeometry(QRect(inner.right() + 1 - rightWidth, inner.top() + leftHint.height() + spacing(),
                               rightWidth, rightHint.height()));
}
