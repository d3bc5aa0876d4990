#pragma once

// Geometry checks of a laid-out dialog, for its screenshot test: every
// visible control lies inside the dialog, is at least as large as its
// content needs (no clipped text), overlaps no other control and keeps a
// gap to its neighbours on the same line (a label does not touch its field).

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QStringList>
#include <QToolButton>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace layoutcheck {

inline bool isControl(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QLabel*>(w) || qobject_cast<const QLineEdit*>(w) || qobject_cast<const QSlider*>(w);
}

inline QString nameOf(const QWidget* w)
{
    QString text;
    if (auto* l = qobject_cast<const QLabel*>(w)) text = l->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) text = b->text();
    return QStringLiteral("%1 '%2' (%3)").arg(QString::fromLatin1(w->metaObject()->className()), text, w->objectName());
}

// What a control needs to show its content whole: a field its text, an
// arrow button its arrow, a slider its handle, the rest their size hint.
inline QSize neededSize(const QWidget* w)
{
    if (qobject_cast<const QSlider*>(w)) return w->minimumSizeHint();
    if (auto* field = qobject_cast<const QLineEdit*>(w))
        return {field->fontMetrics().horizontalAdvance(field->text()) + 8, field->minimumSizeHint().height()};
    if (auto* tool = qobject_cast<const QToolButton*>(w); tool && tool->text().isEmpty() && tool->arrowType() != Qt::NoArrow)
        return {12, 10};
    return w->sizeHint();
}

// The least room between two controls side by side, in pixels.
inline constexpr int MIN_GAP = 3;

// The room between two rectangles side by side on one line; none when they
// do not share a line.
inline std::optional<int> gapOnALine(const QRect& a, const QRect& b)
{
    if (a.bottom() < b.top() || b.bottom() < a.top()) return std::nullopt;
    return std::max(b.left() - a.right() - 1, a.left() - b.right() - 1);
}

// The problems found, one line each; empty when the layout is clean.
inline QStringList problems(const QWidget* dialog)
{
    QStringList out;
    QList<QPair<const QWidget*, QRect>> placed;
    const QRect bounds = dialog->rect();
    for (const QWidget* w : dialog->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(dialog) || !isControl(w) || qobject_cast<const QAbstractButton*>(w->parentWidget()))
            continue;
        const QRect r(w->mapTo(dialog, QPoint(0, 0)), w->size());
        if (!bounds.contains(r)) out << nameOf(w) + QStringLiteral(" leaves the dialog");
        const QSize need = neededSize(w);
        if (w->width() < need.width() || w->height() < need.height())
            out << nameOf(w) + QStringLiteral(" is %1x%2, needs %3x%4")
                                   .arg(w->width())
                                   .arg(w->height())
                                   .arg(need.width())
                                   .arg(need.height());
        for (const auto& [other, otherRect] : std::as_const(placed)) {
            if (w->isAncestorOf(other) || other->isAncestorOf(w)) continue;
            if (r.intersects(otherRect)) {
                out << nameOf(w) + QStringLiteral(" overlaps ") + nameOf(other);
            } else if (const auto gap = gapOnALine(r, otherRect); gap && *gap < MIN_GAP) {
                out << nameOf(w) + QStringLiteral(" touches ") + nameOf(other);
            }
        }
        placed.append({w, r});
    }
    return out;
}

} // namespace layoutcheck
