#pragma once

#include <QWidget>

// A plain view, for places in a layout that need only a view.
class CustomView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};
