#pragma once

#include <QLayout>
#include <QList>

// The player's control row: a group on the left (transport) and a group on
// the right (picture, sound and speed), on one line while both fit side by
// side at their smallest, else the right-hand group on a line of its own
// below, against the right edge. No control is ever squeezed below its
// minimum, and the row stays narrower than both groups together, so a narrow
// window keeps every control whole.
class ControlRowLayout : public QLayout {
public:
    explicit ControlRowLayout(QWidget* parent = nullptr);
    ~ControlRowLayout() override;

    // The two groups, left then right; the layout takes them over.
    void setGroups(QWidget* left, QWidget* right);
    // The right-hand group is on its own line at the row's current width.
    bool isWrapped() const { return m_wrapped; }

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override { return int(m_items.size()); }
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    void setGeometry(const QRect& rect) override;

private:
    bool fitsOnOneLine(int innerWidth) const;
    QLayoutItem* left() const { return m_items.value(0); }
    QLayoutItem* right() const { return m_items.value(1); }

    QList<QLayoutItem*> m_items;
    bool m_wrapped = false;
};
